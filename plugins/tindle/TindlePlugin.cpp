// PLACEHOLDER: replaced by the channels part.
#include "plugins/tindle/TindlePlugin.h"
#include "plugins/tindle/TindleWindow.h"
namespace tindle {
TindlePlugin::TindlePlugin() = default;
TindlePlugin::~TindlePlugin() = default;
void TindlePlugin::startUp() {}
void TindlePlugin::shutDown() {}
bool TindlePlugin::setupAudioSystem(const engine::AudioSystemSetup*) { return false; }
bool TindlePlugin::readStreamChannel(int32_t, const int16_t**, int32_t*) { return false; }
void TindlePlugin::onStreamingError() {}
bool TindlePlugin::createUserInterface(engine::InstanceHandle, int32_t) { return false; }
void TindlePlugin::destroyUserInterface() {}
void TindlePlugin::onPluginSwitch(bool) {}
engine::AudioSystemSetup TindlePlugin::audioRecord() const { return {}; }
void startPlugin() {}
void stopPlugin() {}
TindlePlugin* plugin() { return nullptr; }
void fillPluginInfo(engine::PluginInfo*) {}
} // namespace tindle
