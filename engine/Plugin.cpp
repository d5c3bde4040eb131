#include "engine/Plugin.h"

#include "api/Protocol.h"
#include "engine/EffectPlugin.h"
#include "engine/InputPlugin.h"
#include "engine/OutputPlugin.h"
#include "engine/UserInterfacePlugin.h"

namespace engine {

std::unique_ptr<Plugin> Plugin::create(int32_t expectedKind)
{
    switch (expectedKind) {
    case toWire(PluginKind::Input):
        return std::make_unique<InputPlugin>();
    case toWire(PluginKind::Effect):
        return std::make_unique<EffectPlugin>();
    case toWire(PluginKind::Output):
        return std::make_unique<OutputPlugin>();
    case toWire(PluginKind::UserInterface):
        return std::make_unique<UserInterfacePlugin>();
    default:
        return nullptr;
    }
}

Plugin::Plugin(int32_t kindToLoad) : expectedKind(kindToLoad)
{
    kind = zkr::kKindPlugin;
}

Plugin::~Plugin()
{
    // Our close is still in place here; the base's destructor could not reach
    // it. A library that fails to close has nobody left to tell.
    static_cast<void>(detach());
}

bool Plugin::open(const char* name, int)
{
    return name != nullptr && library.load(name);
}

bool Plugin::close()
{
    forget();
    library.release();
    return true;
}

void Plugin::forget()
{
    exports = PluginExports{};
    initialised = false;
    interfaceVersion = 0;
    pluginKind = 0;
    info = PluginInfo{};
    channelCount = -1;
}

namespace {

// The engine formats these fields with %s; a plug-in that filled one to the
// brim must not make it read past the field.
void terminateTexts(PluginInfo& info)
{
    info.title[sizeof info.title - 1] = '\0';
    info.shortName[sizeof info.shortName - 1] = '\0';
    info.media[sizeof info.media - 1] = '\0';
    info.copyright[sizeof info.copyright - 1] = '\0';
    info.version[sizeof info.version - 1] = '\0';
    info.webAddress[sizeof info.webAddress - 1] = '\0';
}

} // namespace

bool Plugin::bindCommonExports()
{
    // Look every one up, so a failure leaves no half-bound table behind.
    bool complete = bindRequired(exports.setPluginHandle, kExportSetPluginHandle);
    complete &= bindRequired(exports.getInterfaceVersion, kExportGetInterfaceVersion);
    complete &= bindRequired(exports.getPluginKind, kExportGetPluginKind);
    complete &= bindRequired(exports.getPluginInfo, kExportGetPluginInfo);
    complete &= bindRequired(exports.supportNumChannels, kExportSupportNumChannels);
    complete &= bindRequired(exports.setEventCallback, kExportSetEventCallback);
    complete &= bindRequired(exports.setInternalCallback, kExportSetInternalCallback);
    complete &= bindRequired(exports.createUserInterface, kExportCreateUserInterface);
    complete &= bindRequired(exports.destroyUserInterface, kExportDestroyUserInterface);
    complete &= bindRequired(exports.onPluginSwitch, kExportOnPluginSwitch);
    bindOptional(exports.execCommandString, kExportExecCommandString);
    return complete;
}

int Plugin::initialise(EventCallback eventCallback, InternalCallback internalCallback)
{
    if (initialised) {
        lastError = toWire(Error::Ok);
        return lastError;
    }

    int cause = toWire(Error::Ok);
    if (!bindCommonExports()) {
        cause = toWire(Error::CorruptExports);
    } else {
        interfaceVersion = exports.getInterfaceVersion();
        pluginKind = exports.getPluginKind();
        exports.getPluginInfo(&info);
        terminateTexts(info);
        channelCount = exports.supportNumChannels();

        if (interfaceVersion != kInterfaceVersion)
            cause = toWire(Error::CorruptExports);
        else if (pluginKind != expectedKind)
            cause = toWire(Error::PluginMisused);
        else if (!bindKindExports())
            cause = toWire(Error::CorruptExports);
    }

    if (cause != toWire(Error::Ok)) {
        exports = PluginExports{};
        setError(cause);
        setError(toWire(Error::PluginInitFailed));
        // The caller learns why, not only that it failed.
        lastError = cause;
        return lastError;
    }

    exports.setPluginHandle(handle());
    exports.setEventCallback(eventCallback);
    exports.setInternalCallback(internalCallback);
    initialised = true;
    lastError = toWire(Error::Ok);
    return lastError;
}

bool Plugin::callable()
{
    if (initialised)
        return true;
    setError(toWire(Error::NotInitialized));
    return false;
}

int Plugin::checkResult(int32_t result)
{
    if (result == 0) {
        setError(toWire(Error::PluginInternal));
        return lastError;
    }
    lastError = toWire(Error::Ok);
    return lastError;
}

int Plugin::createUserInterface(InstanceHandle instance, int32_t showCommand)
{
    if (!callable())
        return lastError;
    if (exports.createUserInterface(instance, showCommand) == 0) {
        // The caller returns this code without a message.
        lastError = toWire(Error::CreateUserInterface);
        return lastError;
    }
    lastError = toWire(Error::Ok);
    return lastError;
}

plat::ModuleHandle Plugin::codeModule() const
{
    plat::ModuleInfo module;
    return library.isLoaded() && plat::moduleOf(library.symbol(kExportGetPluginKind), module) ? module.handle
                                                                                              : nullptr;
}

void Plugin::destroyUserInterface()
{
    if (callable())
        exports.destroyUserInterface();
}

void Plugin::onPluginSwitch(bool show)
{
    if (callable())
        exports.onPluginSwitch(show ? 1 : 0);
}

int32_t Plugin::execCommandString(bool outputLoaded, const char* text)
{
    if (!callable() || exports.execCommandString == nullptr)
        return 0;
    return exports.execCommandString(outputLoaded ? 1 : 0, text);
}

int Plugin::setupAudioSystem(const AudioSystemSetup& setup)
{
    if (!callable())
        return lastError;
    if (exports.setupAudioSystem == nullptr) {
        setError(toWire(Error::NotImplemented));
        return lastError;
    }
    // The record is the plug-in's to read only during the call.
    AudioSystemSetup copy = setup;
    return checkResult(exports.setupAudioSystem(&copy));
}

} // namespace engine
