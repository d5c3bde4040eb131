// TEMPORARY while the engine program is being assembled: definitions of the
// declared functions whose real ones are not written yet, so that every test
// program links. Whoever writes a function deletes its entry here. This file
// is deleted before the work is committed as done.
#include "engine/EngineCore.h"

namespace engine {

// catalog
int EngineCore::discoverPlugins() { return 0; }
int EngineCore::loadUserInterface() { return 0; }
int EngineCore::loadInput(int, const char*, int) { return 0; }
int EngineCore::loadOutput(const char*, int) { return 0; }
int EngineCore::loadEffect(int, const char*, int) { return 0; }
void EngineCore::unloadInput(int, bool) {}
void EngineCore::unloadOutput(bool) {}
void EngineCore::unloadEffect(int, bool) {}
int32_t EngineCore::pluginMenu(EngineRequest&, int32_t) { return 0; }
int32_t EngineCore::channelEffectMenu(EngineRequest&) { return 0; }
int32_t EngineCore::restoreSelection() { return 0; }
int32_t EngineCore::requestUnload(const EngineRequest&) { return 0; }
int32_t EngineCore::executeForwardedCommand(const EngineRequest&) { return 0; }
void EngineCore::offerCommand(const char*) {}
void EngineCore::saveSelection() {}

// settings
int32_t EngineCore::carryOutEvent(const EngineEvent&, bool&) { return 0; }
AudioSystemSetup EngineCore::readAudioSetup() { return audioSetup; }
void EngineCore::writeSettings() {}
int32_t EngineCore::openAudioSetup(plat::ui::WindowHandle) { return 0; }
int32_t EngineCore::openMixerSettings(plat::ui::WindowHandle) { return 0; }

// frame
int32_t EngineCore::openAbout(plat::ui::WindowHandle) { return 0; }
int32_t EngineCore::openHomepage() { return 0; }
int32_t EngineCore::openHelpIndex() { return 0; }
int32_t EngineCore::trayNotification(const EngineRequest&) { return 0; }

} // namespace engine
