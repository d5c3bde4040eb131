#pragma once

#include <cstdint>
#include <memory>

#include "api/PluginApi.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/Module.h"
#include "zkr/Resource.h"

namespace engine {

// Every function a plug-in may export; null where the library lacks it or
// its kind does not use it.
struct PluginExports {
    SetPluginHandleFn setPluginHandle = nullptr;
    GetInterfaceVersionFn getInterfaceVersion = nullptr;
    GetPluginKindFn getPluginKind = nullptr;
    GetPluginInfoFn getPluginInfo = nullptr;
    SupportNumChannelsFn supportNumChannels = nullptr;
    SetEventCallbackFn setEventCallback = nullptr;
    SetInternalCallbackFn setInternalCallback = nullptr;
    CreateUserInterfaceFn createUserInterface = nullptr;
    DestroyUserInterfaceFn destroyUserInterface = nullptr;
    OnPluginSwitchFn onPluginSwitch = nullptr;
    ExecCommandStringFn execCommandString = nullptr;

    SetupAudioSystemFn setupAudioSystem = nullptr;

    ReadStreamChannelFn readStreamChannel = nullptr;
    OnStreamingErrorFn onStreamingError = nullptr;

    StartStreamingFn startStreaming = nullptr;
    StopStreamingFn stopStreaming = nullptr;
    StreamStereoBufferFn streamStereoBuffer = nullptr;
    WaitForOutputDoneFn waitForOutputDone = nullptr;
    SetNowPlayingFn setNowPlaying = nullptr; // optional

    OnSetupFXFn onSetupFX = nullptr;
    OnCleanupFXFn onCleanupFX = nullptr;
    OnFXParamChangeFn onFXParamChange = nullptr;
    ProcessChannelBufferFn processChannelBuffer = nullptr;
    ResetFXChannelFn resetFXChannel = nullptr;

    UpdateChannelValueFn updateChannelValue = nullptr;
    UpdateGeneralValueFn updateGeneralValue = nullptr;
};

// The engine's wrapper of one plug-in library. attach (path) loads the
// library, initialise binds and checks it and hands over the handle and the
// callbacks, detach (or the destructor) releases it. The object's address is
// the plug-in handle.
//
// Threads: the library, the exports and the fields below are written only
// while the plug-in is loaded and initialised or released, before it is put
// into an engine slot or after it has left it; the slot is the hand-off, so
// the threads that call the wrappers read them without a lock.
class Plugin : public zkr::Resource {
public:
    // A wrapper of the subclass for a PluginKind value, or null.
    static std::unique_ptr<Plugin> create(int32_t expectedKind);

    ~Plugin() override;

    // Resource: open loads the library at the full path, close releases it
    // and forgets everything learnt from it.
    bool open(const char* name, int mode) override;
    bool close() override;

    // Binds and checks the library, then hands over the handle and both
    // callbacks (either may be null). Does nothing when already initialised.
    // Failure reports its cause (CorruptExports or PluginMisused) and then PluginInitFailed, forgets every bound
    // function and returns the cause; the caller releases the library.
    int initialise(EventCallback eventCallback, InternalCallback internalCallback);
    // Same as detach.
    int release() { return detach(); }

    PluginHandle handle() const { return reinterpret_cast<PluginHandle>(this); }
    // The loaded library as the platform names the module of its windows; null when none is loaded.
    plat::ModuleHandle codeModule() const;
    bool hasExecCommandString() const { return exports.execCommandString != nullptr; }
    bool hasFlag(uint32_t flag) const { return (info.flags & flag) != 0; }

    // 0, or CreateUserInterface without showing it when the plug-in could not create its window.
    int createUserInterface(InstanceHandle instance, int32_t showCommand);
    void destroyUserInterface();
    void onPluginSwitch(bool show);
    // The plug-in's answer: non-zero when it took the command; 0 without the export.
    int32_t execCommandString(bool outputLoaded, const char* text);
    // Inputs, outputs and effects. 0, or PluginInternal when the plug-in reports failure.
    int setupAudioSystem(const AudioSystemSetup& setup);

    const int32_t expectedKind;
    bool initialised = false;
    int32_t interfaceVersion = 0;
    int32_t pluginKind = 0;
    PluginInfo info{};
    int32_t channelCount = -1;
    // Index of the plug-in's entry in its kind list.
    int32_t listIndex = -1;

protected:
    explicit Plugin(int32_t kindToLoad);

    // Looks up the kind's own exports into exports; false when a required one
    // is missing.
    virtual bool bindKindExports() = 0;

    template <typename Function> bool bindRequired(Function& slot, const char* name)
    {
        slot = library.function<Function>(name);
        return slot != nullptr;
    }
    template <typename Function> void bindOptional(Function& slot, const char* name)
    {
        slot = library.function<Function>(name);
    }

    // False (after recording NotInitialized) when the plug-in may not be called yet.
    bool callable();
    // 0 for a non-zero result; a zero result records PluginInternal.
    int checkResult(int32_t result);

    PluginExports exports;

private:
    bool bindCommonExports();
    void forget();

    plat::DynamicLibrary library;
};

} // namespace engine
