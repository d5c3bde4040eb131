#pragma once

// The C exports of every plug-in kind, made from one template over the
// plug-in's class. A plug-in library compiles one source with one line:
//
//   VELMORA_INPUT_PLUGIN(tindle::TindlePlugin)
//   VELMORA_OUTPUT_PLUGIN(...)  VELMORA_EFFECT_PLUGIN(...)  VELMORA_USER_INTERFACE_PLUGIN(...)
//
// The line makes the class's one object live from the library's load to its
// unload (zkr::LibraryApplication, so the class has startUp and shutDown) and
// defines the exports of its kind, each handing the engine's call to that
// object. Without the object (before the load, after the unload) an export
// answers 0 and does nothing.
//
// The class names its members as the exports are named and takes the same
// arguments (a BOOL may be taken as bool). Every member below marked optional
// may be left out; the export then answers as noted.
//   static void fillPluginInfo(engine::PluginInfo* info)
//       or, on the object: void fillPluginInfo(engine::PluginInfo& info) const
//       (given a zeroed record)
//   static constexpr int32_t kStreamCount      inputs and outputs only
//   setPluginHandle, setEventCallback, setInternalCallback, or the fields
//       pluginHandle, eventCallback, internalCallback they set  optional, ignored
//   createUserInterface(instance, showCommand) or createUserInterface(showCommand)
//   destroyUserInterface(), onPluginSwitch(bool)               optional, ignored
//   execCommandString(outputLoaded, text)                      optional, answers 0
//   setupAudioSystem(setup)                                    optional, answers 1
//   inputs:  readStreamChannel(stream, block, bytes),
//            onStreamingError(first, second) or onStreamingError() (optional, ignored)
//   outputs: startStreaming(), stopStreaming(), streamStereoBuffer(empty, block, bytes),
//            waitForOutputDone()
//   effects: onSetupFX(), onCleanupFX() (optional, answer 1), onFXParamChange(channel, value),
//            processChannelBuffer(channel, samples, bytes), resetFXChannel(channel);
//            they get the engine's arguments as they are
//   user interfaces: updateChannelValue(channel, code, value), updateGeneralValue(index, code, value)
// A member that returns bool answers 1 or 0, one returning void answers 1,
// one returning int32_t answers its value.

#ifndef VELMORA_PLUGIN
#define VELMORA_PLUGIN
#endif
#include "api/PluginApi.h"
#include "zkr/LibraryApplication.h"

#include <type_traits>
#include <utility>

namespace skeleton {

// What an export answers for a member's result.
template <typename Result, typename Call> int32_t answerOf(Call&& call)
{
    if constexpr (std::is_void_v<Result>) {
        std::forward<Call>(call)();
        return 1;
    } else if constexpr (std::is_same_v<Result, bool>) {
        return std::forward<Call>(call)() ? 1 : 0;
    } else {
        return static_cast<int32_t>(std::forward<Call>(call)());
    }
}

// Calls object.member(arguments...) when there is an object, and answers for it.
#define VELMORA_SKELETON_FORWARD(member, ...)                                                                \
    [&]() -> int32_t {                                                                                       \
        Plugin* object = Exports::object();                                                                  \
        if (object == nullptr)                                                                               \
            return 0;                                                                                        \
        using Result = decltype(object->member(__VA_ARGS__));                                                \
        return answerOf<Result>([&]() -> Result { return object->member(__VA_ARGS__); });                    \
    }()

// Stores value in the object's field when there is an object.
#define VELMORA_SKELETON_KEEP(field, value)                                                                  \
    do {                                                                                                     \
        if (Plugin* object = Exports::object())                                                              \
            object->field = value;                                                                           \
    } while (false)

template <typename Plugin> struct Exports {
    static Plugin* object() { return zkr::LibraryApplication<Plugin>::get(); }

    // ---- every kind ----
    static void getPluginInfo(engine::PluginInfo* info)
    {
        if (info == nullptr)
            return;
        if constexpr (requires { Plugin::fillPluginInfo(info); }) {
            Plugin::fillPluginInfo(info);
        } else {
            *info = engine::PluginInfo{};
            if (Plugin* plugin = object())
                plugin->fillPluginInfo(*info);
        }
    }
    static void setPluginHandle(engine::PluginHandle handle)
    {
        if constexpr (requires(Plugin & plugin) { plugin.setPluginHandle(handle); })
            VELMORA_SKELETON_FORWARD(setPluginHandle, handle);
        else if constexpr (requires(Plugin & plugin) { plugin.pluginHandle = handle; })
            VELMORA_SKELETON_KEEP(pluginHandle, handle);
    }
    static void setEventCallback(engine::EventCallback callback)
    {
        if constexpr (requires(Plugin & plugin) { plugin.setEventCallback(callback); })
            VELMORA_SKELETON_FORWARD(setEventCallback, callback);
        else if constexpr (requires(Plugin & plugin) { plugin.eventCallback = callback; })
            VELMORA_SKELETON_KEEP(eventCallback, callback);
    }
    static void setInternalCallback(engine::InternalCallback callback)
    {
        if constexpr (requires(Plugin & plugin) { plugin.setInternalCallback(callback); })
            VELMORA_SKELETON_FORWARD(setInternalCallback, callback);
        else if constexpr (requires(Plugin & plugin) { plugin.internalCallback = callback; })
            VELMORA_SKELETON_KEEP(internalCallback, callback);
    }
    static int32_t createUserInterface(engine::InstanceHandle instance, int32_t showCommand)
    {
        if constexpr (requires(Plugin & plugin) { plugin.createUserInterface(instance, showCommand); })
            return VELMORA_SKELETON_FORWARD(createUserInterface, instance, showCommand);
        else
            return VELMORA_SKELETON_FORWARD(createUserInterface, showCommand);
    }
    static void destroyUserInterface()
    {
        if constexpr (requires(Plugin & plugin) { plugin.destroyUserInterface(); })
            VELMORA_SKELETON_FORWARD(destroyUserInterface);
    }
    static void onPluginSwitch(int32_t show)
    {
        if constexpr (requires(Plugin & plugin) { plugin.onPluginSwitch(show); })
            VELMORA_SKELETON_FORWARD(onPluginSwitch, show);
    }
    static int32_t execCommandString(int32_t outputLoaded, const char* text)
    {
        if constexpr (requires(Plugin & plugin) { plugin.execCommandString(outputLoaded, text); })
            return VELMORA_SKELETON_FORWARD(execCommandString, outputLoaded, text);
        else
            return 0;
    }
    static int32_t setupAudioSystem(const engine::AudioSystemSetup* setup)
    {
        if constexpr (requires(Plugin & plugin) { plugin.setupAudioSystem(setup); })
            return VELMORA_SKELETON_FORWARD(setupAudioSystem, setup);
        else
            return 1;
    }

    // ---- inputs ----
    static int32_t readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
    {
        return VELMORA_SKELETON_FORWARD(readStreamChannel, stream, block, bytes);
    }
    static void onStreamingError(int32_t first, int32_t second)
    {
        if constexpr (requires(Plugin & plugin) { plugin.onStreamingError(first, second); })
            VELMORA_SKELETON_FORWARD(onStreamingError, first, second);
        else if constexpr (requires(Plugin & plugin) { plugin.onStreamingError(); })
            VELMORA_SKELETON_FORWARD(onStreamingError);
    }

    // ---- outputs ----
    static int32_t startStreaming() { return VELMORA_SKELETON_FORWARD(startStreaming); }
    static int32_t stopStreaming() { return VELMORA_SKELETON_FORWARD(stopStreaming); }
    static int32_t streamStereoBuffer(int32_t empty, const int16_t* block, int32_t bytes)
    {
        return VELMORA_SKELETON_FORWARD(streamStereoBuffer, empty, block, bytes);
    }
    static int32_t waitForOutputDone() { return VELMORA_SKELETON_FORWARD(waitForOutputDone); }

    // ---- effects: the engine's calls answer 1 whatever becomes of them ----
    static int32_t onSetupFX()
    {
        if constexpr (requires(Plugin & plugin) { plugin.onSetupFX(); })
            VELMORA_SKELETON_FORWARD(onSetupFX);
        return 1;
    }
    static int32_t onCleanupFX()
    {
        if constexpr (requires(Plugin & plugin) { plugin.onCleanupFX(); })
            VELMORA_SKELETON_FORWARD(onCleanupFX);
        return 1;
    }
    static int32_t onFXParamChange(int32_t channel, int32_t value)
    {
        VELMORA_SKELETON_FORWARD(onFXParamChange, channel, value);
        return 1;
    }
    static int32_t processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes)
    {
        VELMORA_SKELETON_FORWARD(processChannelBuffer, channel, samples, bytes);
        return 1;
    }
    static int32_t resetFXChannel(int32_t channel)
    {
        VELMORA_SKELETON_FORWARD(resetFXChannel, channel);
        return 1;
    }

    // ---- user interfaces: the engine ignores the answer ----
    static int32_t updateChannelValue(int32_t channel, int32_t code, intptr_t value)
    {
        VELMORA_SKELETON_FORWARD(updateChannelValue, channel, code, value);
        return 1;
    }
    static int32_t updateGeneralValue(int32_t index, int32_t code, intptr_t value)
    {
        VELMORA_SKELETON_FORWARD(updateGeneralValue, index, code, value);
        return 1;
    }
};

#undef VELMORA_SKELETON_FORWARD
#undef VELMORA_SKELETON_KEEP

} // namespace skeleton

// ---------------------------------------------------------------------------
// The lines that instantiate the template. Each kind's exports are exactly
// the names of its export map.

// Each export is marked visible here, whatever included the contract first.
#define VELMORA_SKELETON_EXPORT(result, name, parameters, arguments)                                         \
    VELMORA_PLUGIN_EXPORT result name parameters                                                             \
    {                                                                                                        \
        return skeleton::Exports<VelmoraPluginClass>::name arguments;                                        \
    }

#define VELMORA_SKELETON_COMMON(PluginClass, kind, streamCount)                                              \
    namespace {                                                                                              \
    using VelmoraPluginClass = PluginClass;                                                                  \
    /* The plug-in object lives from the library's load to its unload. */                                    \
    const zkr::LibraryLifetime<VelmoraPluginClass> velmoraPluginLifetime;                                    \
    }                                                                                                        \
    VELMORA_PLUGIN_EXPORT int32_t getInterfaceVersion()                                                      \
    {                                                                                                        \
        return engine::kInterfaceVersion;                                                                    \
    }                                                                                                        \
    VELMORA_PLUGIN_EXPORT int32_t getPluginKind()                                                            \
    {                                                                                                        \
        return kind;                                                                                         \
    }                                                                                                        \
    VELMORA_PLUGIN_EXPORT int32_t supportNumChannels()                                                       \
    {                                                                                                        \
        return streamCount;                                                                                  \
    }                                                                                                        \
    VELMORA_SKELETON_EXPORT(void, getPluginInfo, (engine::PluginInfo * info), (info))                        \
    VELMORA_SKELETON_EXPORT(void, setPluginHandle, (engine::PluginHandle handle), (handle))                  \
    VELMORA_SKELETON_EXPORT(void, setEventCallback, (engine::EventCallback callback), (callback))            \
    VELMORA_SKELETON_EXPORT(void, setInternalCallback, (engine::InternalCallback callback), (callback))      \
    VELMORA_SKELETON_EXPORT(int32_t, createUserInterface, (engine::InstanceHandle instance, int32_t show),   \
                            (instance, show))                                                                \
    VELMORA_SKELETON_EXPORT(void, destroyUserInterface, (), ())                                              \
    VELMORA_SKELETON_EXPORT(void, onPluginSwitch, (int32_t show), (show))                                    \
    VELMORA_SKELETON_EXPORT(int32_t, execCommandString, (int32_t outputLoaded, const char* text),            \
                            (outputLoaded, text))

#define VELMORA_INPUT_PLUGIN(PluginClass)                                                                    \
    VELMORA_SKELETON_COMMON(PluginClass, toWire(engine::PluginKind::Input), PluginClass::kStreamCount)                \
    VELMORA_SKELETON_EXPORT(int32_t, setupAudioSystem, (const engine::AudioSystemSetup* setup), (setup))     \
    VELMORA_SKELETON_EXPORT(int32_t, readStreamChannel,                                                      \
                            (int32_t stream, const int16_t** block, int32_t* bytes), (stream, block, bytes)) \
    VELMORA_SKELETON_EXPORT(void, onStreamingError, (int32_t first, int32_t second), (first, second))

#define VELMORA_OUTPUT_PLUGIN(PluginClass)                                                                   \
    VELMORA_SKELETON_COMMON(PluginClass, toWire(engine::PluginKind::Output), PluginClass::kStreamCount)               \
    VELMORA_SKELETON_EXPORT(int32_t, setupAudioSystem, (const engine::AudioSystemSetup* setup), (setup))     \
    /* The reserved argument carries nothing. */                                                             \
    VELMORA_SKELETON_EXPORT(int32_t, startStreaming, (int32_t), ())                                          \
    VELMORA_SKELETON_EXPORT(int32_t, stopStreaming, (), ())                                                  \
    VELMORA_SKELETON_EXPORT(int32_t, streamStereoBuffer,                                                     \
                            (int32_t empty, const int16_t* block, int32_t bytes), (empty, block, bytes))     \
    VELMORA_SKELETON_EXPORT(int32_t, waitForOutputDone, (), ())

#define VELMORA_EFFECT_PLUGIN(PluginClass)                                                                   \
    VELMORA_SKELETON_COMMON(PluginClass, toWire(engine::PluginKind::Effect), engine::kChannelCount)                   \
    VELMORA_SKELETON_EXPORT(int32_t, setupAudioSystem, (const engine::AudioSystemSetup* setup), (setup))     \
    VELMORA_SKELETON_EXPORT(int32_t, onSetupFX, (), ())                                                      \
    VELMORA_SKELETON_EXPORT(int32_t, onCleanupFX, (), ())                                                    \
    VELMORA_SKELETON_EXPORT(int32_t, onFXParamChange, (int32_t channel, int32_t value), (channel, value))    \
    VELMORA_SKELETON_EXPORT(int32_t, processChannelBuffer,                                                   \
                            (int32_t channel, int16_t * samples, int32_t bytes), (channel, samples, bytes))  \
    VELMORA_SKELETON_EXPORT(int32_t, resetFXChannel, (int32_t channel), (channel))

#define VELMORA_USER_INTERFACE_PLUGIN(PluginClass)                                                           \
    VELMORA_SKELETON_COMMON(PluginClass, toWire(engine::PluginKind::UserInterface), engine::kChannelCount)            \
    VELMORA_SKELETON_EXPORT(int32_t, updateChannelValue, (int32_t channel, int32_t code, intptr_t value),    \
                            (channel, code, value))                                                          \
    VELMORA_SKELETON_EXPORT(int32_t, updateGeneralValue, (int32_t index, int32_t code, intptr_t value),      \
                            (index, code, value))
