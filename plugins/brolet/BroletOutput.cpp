// PLACEHOLDER: replaced by the streaming part.
#include "plugins/brolet/BroletOutput.h"
#include "plugins/brolet/BroletWindow.h"
namespace brolet {
BroletOutput::BroletOutput() = default;
BroletOutput::~BroletOutput() = default;
void BroletOutput::showHelp(int, int) {}
void BroletOutput::startUp() {}
void BroletOutput::shutDown() {}
bool BroletOutput::setupAudioSystem(const engine::AudioSystemSetup*) { return false; }
bool BroletOutput::startStreaming() { return false; }
bool BroletOutput::streamStereoBuffer(bool, const void*, int32_t) { return false; }
bool BroletOutput::waitForOutputDone() { return false; }
bool BroletOutput::stopStreaming() { return false; }
bool BroletOutput::createUserInterface(engine::InstanceHandle, int32_t) { return false; }
void BroletOutput::destroyUserInterface() {}
void BroletOutput::onPluginSwitch(bool) {}
int BroletOutput::selectOutputDevice(int) { return 0; }
void startPlugin() {}
void stopPlugin() {}
BroletOutput* plugin() { return nullptr; }
void fillPluginInfo(engine::PluginInfo*) {}
} // namespace brolet
