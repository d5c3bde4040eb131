#include <optional>

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

int32_t EngineCore::handleRequest(EngineRequest* request, int32_t wire)
{
    const std::optional<Request> code = fromWire<Request>(wire);
    if (!code)
        return 0;
    // The interface version request alone carries no record; every other one needs it.
    if (*code == Request::InterfaceVersion)
        return kInterfaceVersion;
    if (*code == Request::HelpIndex)
        return shell_.openHelpIndex();
    if (*code == Request::Restore)
        return slots_.restoreSelection();
    if (request == nullptr)
        return 0;

    switch (*code) {
    case Request::PluginManager:
        return shell_.openPluginManager(ownerOf(*request));
    case Request::AudioSystemSetup:
        return shell_.openAudioSetup(ownerOf(*request));
    case Request::InputMenu:
    case Request::OutputMenu:
    case Request::EffectMenu:
        return slots_.pluginMenu(*request, *code);
    case Request::About:
        return shell_.openAbout(ownerOf(*request));
    case Request::ChannelEffectMenu:
        return slots_.channelEffectMenu(*request);
    case Request::MixerSettings:
        return shell_.openMixerSettings(ownerOf(*request));
    case Request::Homepage:
        return shell_.openHomepage();
    case Request::TrayNotification:
        return shell_.trayNotification(*request);
    case Request::CommandString:
        return slots_.executeForwardedCommand(*request);
    case Request::UnloadMe:
        return slots_.requestUnload(*request);
    case Request::InterfaceVersion:
    case Request::HelpIndex:
    case Request::Restore:
        break;
    }
    return 0;
}

} // namespace engine
