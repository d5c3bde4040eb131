#include "engine/EngineCore.h"

namespace engine {

namespace {

plat::ui::WindowHandle ownerOf(const EngineRequest& request)
{
    return reinterpret_cast<plat::ui::WindowHandle>(request.owner);
}

} // namespace

int32_t EngineCore::eventCallback(EngineEvent* event)
{
    EngineCore* engine = current();
    return engine != nullptr && event != nullptr ? engine->postEvent(event) : 0;
}

int32_t EngineCore::internalCallback(EngineRequest* request, int32_t code)
{
    EngineCore* engine = current();
    return engine != nullptr ? engine->handleRequest(request, code) : 0;
}

int32_t EngineCore::handleRequest(EngineRequest* request, int32_t code)
{
    // Request 10 alone carries no record; every other one needs it.
    if (code == kRequestInterfaceVersion)
        return kInterfaceVersion;
    if (code == kRequestHelpIndex)
        return shell_.openHelpIndex();
    if (code == kRequestRestore)
        return slots_.restoreSelection();
    if (request == nullptr)
        return 0;

    switch (code) {
    case kRequestPluginManager:
        return shell_.openPluginManager(ownerOf(*request));
    case kRequestAudioSystemSetup:
        return shell_.openAudioSetup(ownerOf(*request));
    case kRequestInputMenu:
    case kRequestOutputMenu:
    case kRequestEffectMenu:
        return slots_.pluginMenu(*request, code);
    case kRequestAbout:
        return shell_.openAbout(ownerOf(*request));
    case kRequestChannelEffectMenu:
        return slots_.channelEffectMenu(*request);
    case kRequestMixerSettings:
        return shell_.openMixerSettings(ownerOf(*request));
    case kRequestHomepage:
        return shell_.openHomepage();
    case kRequestTrayNotification:
        return shell_.trayNotification(*request);
    case kRequestCommandString:
        return slots_.executeForwardedCommand(*request);
    case kRequestUnloadMe:
        return slots_.requestUnload(*request);
    default:
        return 0;
    }
}

} // namespace engine
