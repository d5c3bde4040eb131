#pragma once

// The named codes the engine, its plug-ins and the class library exchange.
// Their numbers are part of the binary interface and of stored and peer data,
// so an enumerator never changes its value; retired codes leave a gap.
//
// Records and export signatures carry the codes as plain integers: toWire
// gives the integer, fromWire names an integer that came in and refuses one
// that names nothing.

#include <concepts>
#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>

namespace engine {

// EngineEvent::code: what a plug-in asks of the engine.
enum class Event : int32_t {
    UnloadPlugin = -3,    // target = event kind, index = slot
    StopStreaming = -2,   //
    Quit = 1,             // refused while streaming
    StartStreaming = 2,   //
    MasterVolume = 3,     // value
    ChannelVolume = 4,    // target, value, partner, index
    ChannelPan = 5,       // target, value
    AttachStreams = 6,    // value = handle, target, index (1-based)
    DetachStreams = 7,    // value = handle, target, index (1-based)
    Mute = 8,             // target, value
    Solo = 9,             // target, value
    EffectsFirst = 10,    // target, value
    ShowWindow = 11,      // target = event kind, index = slot, value
    EffectParameter = 12, // target = channel, index = slot, value
    Crossfade = 13,       // value = CrossfadeBlock*
    NowPlaying = 14,      // value = const char* title (UTF-8), copied before the call returns
};

// The second argument of the internal callback.
enum class Request : int32_t {
    PluginManager = 1,
    AudioSystemSetup = 2,
    InputMenu = 3,
    About = 4,
    OutputMenu = 5,
    EffectMenu = 6,
    ChannelEffectMenu = 7,
    MixerSettings = 8,
    Homepage = 9,
    InterfaceVersion = 10,
    HelpIndex = 11,
    Restore = 12,
    TrayNotification = 13,
    CommandString = 14,
    UnloadMe = 15,
};

// The codes of updateChannelValue and updateGeneralValue: one numbering for both.
enum class Value : int32_t {
    Level = 1,           // channel or master level
    Volume = 2,          // 0..200
    Pan = 3,             // 0..100
    ChannelName = 4,     // const char* or null
    Linked = 5,          // partner channel
    Clipped = 6,         // channel -1, BOOL
    Streaming = 7,       // general 0, BOOL
    Elapsed = 8,         // general 0, milliseconds
    EffectName = 9,      // EffectSlotValue* {slot, name}
    EffectEnabled = 10,  // EffectSlotValue* {slot, BOOL}
    Unlinked = 11,       // 0
    InputName = 12,      // general input slot, "%s|%s" or null
    OutputName = 13,     // general 0, "%s|%s" or null
    EffectSlotName = 14, // general effect slot, "%s|%s" or null
};

// What getPluginKind returns (4 is not used).
enum class PluginKind : int32_t {
    Input = 1,
    Effect = 2,
    Output = 3,
    UserInterface = 5,
};

// The unload-plugin and show-window events name a loaded plug-in's kind with
// these numbers, not with PluginKind's.
enum class EventKind : int32_t {
    Input = 1,
    Output = 2,
    Effect = 3,
};

// The system's error codes (their texts belong to the shared services
// library). Codes from FirstMessage on are shown as plain message boxes with
// the context text; the statuses are returned, never reported.
enum class Error : int32_t {
    Ok = 0,
    CannotUseResource = 1,
    CannotReleaseResource = 2,
    NoExternalResource = 3,
    ReadFailed = 4,
    WriteFailed = 5,
    SeekFailed = 6,
    DiskBuffer = 7,
    NotRiffWavePcm = 8,
    UnexpectedEof = 9,
    CorruptExports = 10,
    PluginMisused = 11,
    PluginInitFailed = 12,
    IndexOutOfRange = 13,
    NoMatch = 14,
    ElementNotFound = 15,
    NotNow = 16,
    NotImplemented = 17,
    CreateUserInterface = 18,
    OutOfMemory = 19,
    DrawingClipper = 23,
    DrawingSurface = 24,
    BadInitialization = 26,
    NoUserInterface = 27,
    CreateControl = 28,
    NoAudioInput = 29,
    PluginInternal = 30,
    NoAudioOutput = 31,
    NoFreeChannelsForFile = 32,
    CannotStartStreaming = 33,
    OutputNotReady = 34,
    NoFreeMixerChannels = 35,
    NoRealtimeEffect = 36,
    NoDecoderModules = 37,
    NoDecoderForFormat = 38,
    SocketInit = 39,
    UnknownHost = 40,
    SocketSend = 41,
    SocketReceive = 42,
    SocketCanceled = 43,
    SocketInternal = 44,
    NotInitialized = 45,
    DropRefused = 46,
    LastWithText = DropRefused,
    FirstMessage = 100,
    // Reported as the error context alone; devices report their own failure text so.
    PlainMessage = 101,
    Busy = 200,         // full or empty: try again
    NoConversion = 202, // converter: formats already match
};

constexpr std::string_view toString(Event event)
{
    switch (event) {
    case Event::UnloadPlugin:
        return "UnloadPlugin";
    case Event::StopStreaming:
        return "StopStreaming";
    case Event::Quit:
        return "Quit";
    case Event::StartStreaming:
        return "StartStreaming";
    case Event::MasterVolume:
        return "MasterVolume";
    case Event::ChannelVolume:
        return "ChannelVolume";
    case Event::ChannelPan:
        return "ChannelPan";
    case Event::AttachStreams:
        return "AttachStreams";
    case Event::DetachStreams:
        return "DetachStreams";
    case Event::Mute:
        return "Mute";
    case Event::Solo:
        return "Solo";
    case Event::EffectsFirst:
        return "EffectsFirst";
    case Event::ShowWindow:
        return "ShowWindow";
    case Event::EffectParameter:
        return "EffectParameter";
    case Event::Crossfade:
        return "Crossfade";
    case Event::NowPlaying:
        return "NowPlaying";
    }
    return {};
}

constexpr std::string_view toString(Request request)
{
    switch (request) {
    case Request::PluginManager:
        return "PluginManager";
    case Request::AudioSystemSetup:
        return "AudioSystemSetup";
    case Request::InputMenu:
        return "InputMenu";
    case Request::About:
        return "About";
    case Request::OutputMenu:
        return "OutputMenu";
    case Request::EffectMenu:
        return "EffectMenu";
    case Request::ChannelEffectMenu:
        return "ChannelEffectMenu";
    case Request::MixerSettings:
        return "MixerSettings";
    case Request::Homepage:
        return "Homepage";
    case Request::InterfaceVersion:
        return "InterfaceVersion";
    case Request::HelpIndex:
        return "HelpIndex";
    case Request::Restore:
        return "Restore";
    case Request::TrayNotification:
        return "TrayNotification";
    case Request::CommandString:
        return "CommandString";
    case Request::UnloadMe:
        return "UnloadMe";
    }
    return {};
}

constexpr std::string_view toString(Value value)
{
    switch (value) {
    case Value::Level:
        return "Level";
    case Value::Volume:
        return "Volume";
    case Value::Pan:
        return "Pan";
    case Value::ChannelName:
        return "ChannelName";
    case Value::Linked:
        return "Linked";
    case Value::Clipped:
        return "Clipped";
    case Value::Streaming:
        return "Streaming";
    case Value::Elapsed:
        return "Elapsed";
    case Value::EffectName:
        return "EffectName";
    case Value::EffectEnabled:
        return "EffectEnabled";
    case Value::Unlinked:
        return "Unlinked";
    case Value::InputName:
        return "InputName";
    case Value::OutputName:
        return "OutputName";
    case Value::EffectSlotName:
        return "EffectSlotName";
    }
    return {};
}

constexpr std::string_view toString(PluginKind kind)
{
    switch (kind) {
    case PluginKind::Input:
        return "Input";
    case PluginKind::Effect:
        return "Effect";
    case PluginKind::Output:
        return "Output";
    case PluginKind::UserInterface:
        return "UserInterface";
    }
    return {};
}

constexpr std::string_view toString(EventKind kind)
{
    switch (kind) {
    case EventKind::Input:
        return "Input";
    case EventKind::Output:
        return "Output";
    case EventKind::Effect:
        return "Effect";
    }
    return {};
}

constexpr std::string_view toString(Error error)
{
    switch (error) {
    case Error::Ok:
        return "Ok";
    case Error::CannotUseResource:
        return "CannotUseResource";
    case Error::CannotReleaseResource:
        return "CannotReleaseResource";
    case Error::NoExternalResource:
        return "NoExternalResource";
    case Error::ReadFailed:
        return "ReadFailed";
    case Error::WriteFailed:
        return "WriteFailed";
    case Error::SeekFailed:
        return "SeekFailed";
    case Error::DiskBuffer:
        return "DiskBuffer";
    case Error::NotRiffWavePcm:
        return "NotRiffWavePcm";
    case Error::UnexpectedEof:
        return "UnexpectedEof";
    case Error::CorruptExports:
        return "CorruptExports";
    case Error::PluginMisused:
        return "PluginMisused";
    case Error::PluginInitFailed:
        return "PluginInitFailed";
    case Error::IndexOutOfRange:
        return "IndexOutOfRange";
    case Error::NoMatch:
        return "NoMatch";
    case Error::ElementNotFound:
        return "ElementNotFound";
    case Error::NotNow:
        return "NotNow";
    case Error::NotImplemented:
        return "NotImplemented";
    case Error::CreateUserInterface:
        return "CreateUserInterface";
    case Error::OutOfMemory:
        return "OutOfMemory";
    case Error::DrawingClipper:
        return "DrawingClipper";
    case Error::DrawingSurface:
        return "DrawingSurface";
    case Error::BadInitialization:
        return "BadInitialization";
    case Error::NoUserInterface:
        return "NoUserInterface";
    case Error::CreateControl:
        return "CreateControl";
    case Error::NoAudioInput:
        return "NoAudioInput";
    case Error::PluginInternal:
        return "PluginInternal";
    case Error::NoAudioOutput:
        return "NoAudioOutput";
    case Error::NoFreeChannelsForFile:
        return "NoFreeChannelsForFile";
    case Error::CannotStartStreaming:
        return "CannotStartStreaming";
    case Error::OutputNotReady:
        return "OutputNotReady";
    case Error::NoFreeMixerChannels:
        return "NoFreeMixerChannels";
    case Error::NoRealtimeEffect:
        return "NoRealtimeEffect";
    case Error::NoDecoderModules:
        return "NoDecoderModules";
    case Error::NoDecoderForFormat:
        return "NoDecoderForFormat";
    case Error::SocketInit:
        return "SocketInit";
    case Error::UnknownHost:
        return "UnknownHost";
    case Error::SocketSend:
        return "SocketSend";
    case Error::SocketReceive:
        return "SocketReceive";
    case Error::SocketCanceled:
        return "SocketCanceled";
    case Error::SocketInternal:
        return "SocketInternal";
    case Error::NotInitialized:
        return "NotInitialized";
    case Error::DropRefused:
        return "DropRefused";
    case Error::FirstMessage:
        return "FirstMessage";
    case Error::PlainMessage:
        return "PlainMessage";
    case Error::Busy:
        return "Busy";
    case Error::NoConversion:
        return "NoConversion";
    }
    return {};
}

template <typename Code>
concept ProtocolCode = std::is_enum_v<Code> && std::same_as<std::underlying_type_t<Code>, int32_t> &&
    requires(Code code)
{
    {
        toString(code)
        } -> std::same_as<std::string_view>;
};

// The integer a record or an export signature carries for a code.
template <ProtocolCode Code> constexpr int32_t toWire(Code code)
{
    return static_cast<int32_t>(code);
}

// Names an integer that came in; empty when it names no code of this kind,
// which the receiver ignores or refuses as it always did.
template <ProtocolCode Code> constexpr std::optional<Code> fromWire(intptr_t wire)
{
    if (wire < INT32_MIN || wire > INT32_MAX)
        return std::nullopt;
    const auto code = static_cast<Code>(static_cast<int32_t>(wire));
    if (toString(code).empty())
        return std::nullopt;
    return code;
}

} // namespace engine
