#pragma once

// The contract between the engine and its plug-ins. Plug-ins include this
// header alone: it depends on nothing but the C++ standard headers and the
// named codes of api/Protocol.h.
//
// A plug-in is a shared library whose file extension names its kind. The
// engine looks its exports up by their undecorated names, checks the interface
// version and the kind, and from then on drives the plug-in only through them.
// The plug-in reaches the engine through the two callbacks and the opaque
// handle it is given.
//
// On 64-bit Linux every field or argument that may carry a handle or a pointer
// is pointer-sized (intptr_t); plain numbers stay 32-bit.

#include <cstddef>
#include <cstdint>

#include "api/Protocol.h"

// Marks a plug-in's export: C linkage, visible in the library's symbol table
// (plug-ins are built with hidden visibility for everything else).
#define VELMORA_PLUGIN_VISIBLE __attribute__((visibility("default")))
#define VELMORA_PLUGIN_EXPORT extern "C" VELMORA_PLUGIN_VISIBLE

namespace engine {

// ---------------------------------------------------------------------------
// Versions, kinds, fixed audio format

// What getInterfaceVersion must return, and what the interface version request answers.
inline constexpr int32_t kInterfaceVersion = 0x101;

// How many plug-ins of each kind the engine holds at once.
inline constexpr int kInputSlots = 2;
inline constexpr int kEffectSlots = 4;
inline constexpr int kChannelCount = 4;
inline constexpr int kChannelEffectSlots = 2;

// File extensions per kind, without the dot.
inline constexpr char kInputExtension[] = "vin";
inline constexpr char kOutputExtension[] = "vwo";
inline constexpr char kEffectExtension[] = "vfx";
inline constexpr char kUserInterfaceExtension[] = "vui";

// The whole system runs at one rate with signed 16-bit little-endian samples.
inline constexpr int32_t kSampleRate = 44100;
inline constexpr int32_t kBytesPerSample = 2;

// The show command the engine passes to createUserInterface of inputs,
// outputs and effects.
inline constexpr int32_t kShowCommandShow = 5;

// ---------------------------------------------------------------------------
// Records

// What getPluginInfo fills. The layout is fixed at 596 bytes; text fields are
// zero-terminated, the rest of each field is unspecified.
struct PluginInfo {
    char title[128];     // full name
    char shortName[32];  // used in channel names and "%s|%s"
    char media[32];      // what the plug-in handles
    char copyright[128]; // rights notice of the maker
    char version[16];    // version text
    char webAddress[256];
    uint32_t flags;
};

// Flag bits of PluginInfo::flags.
// An effect without a single per-channel parameter: its slot control is disabled.
inline constexpr uint32_t kFlagNoChannelParameter = 1;
// An input that accepts command strings through execCommandString.
inline constexpr uint32_t kFlagAcceptsCommands = 2;

static_assert(sizeof(PluginInfo) == 596);
static_assert(offsetof(PluginInfo, title) == 0);
static_assert(offsetof(PluginInfo, shortName) == 128);
static_assert(offsetof(PluginInfo, media) == 160);
static_assert(offsetof(PluginInfo, copyright) == 192);
static_assert(offsetof(PluginInfo, version) == 320);
static_assert(offsetof(PluginInfo, webAddress) == 336);
static_assert(offsetof(PluginInfo, flags) == 592);

// What setupAudioSystem receives; valid only during the call, so plug-ins copy it.
struct AudioSystemSetup {
    int32_t formatCode;     // always 3
    int32_t musicBufSize;   // bytes of one mono channel block
    int32_t numOutBufs;     // output buffers the output should queue
    int32_t diskBufSize;    // bytes, for plug-ins that read or write files
    int32_t streamPriority; // platform thread priority of the streaming thread
    int32_t reserved;       // always 0
};

static_assert(sizeof(AudioSystemSetup) == 24);
static_assert(offsetof(AudioSystemSetup, musicBufSize) == 4);
static_assert(offsetof(AudioSystemSetup, reserved) == 20);

inline constexpr int32_t kAudioFormatCode = 3;

// Milliseconds one channel block of musicBufSize bytes lasts, rounded down;
// every plug-in that reports times uses this.
constexpr int32_t blockMilliseconds(int32_t musicBufSize)
{
    return static_cast<int32_t>(static_cast<int64_t>(musicBufSize / kBytesPerSample) * 1000 / kSampleRate);
}

// The record a plug-in hands to the event callback.
struct EngineEvent {
    intptr_t code;    // toWire(Event)
    intptr_t wait;    // only the low byte counts: non-zero blocks until handled
    intptr_t value;   // main argument: a number, the plug-in handle or a pointer
    intptr_t target;  // first channel, kind or stream argument
    intptr_t spare;   // not read by the engine
    intptr_t partner; // second channel argument
    intptr_t index;   // slot or second stream argument
};

static_assert(sizeof(EngineEvent) == 7 * sizeof(intptr_t));

// The record handed to the internal callback.
struct EngineRequest {
    intptr_t pluginHandle; // the unload-me request: the plug-in to unload
    intptr_t owner;        // window handle owning dialogs and menus
    intptr_t x;            // screen position at which a menu opens
    intptr_t y;
    intptr_t slot;    // slot or channel
    intptr_t subSlot; // channel effect slot
    // In: for Request::TrayNotification the mouse message the tray icon forwards; for
    // Request::CommandString a pointer to CopyData.
    // Out: menus put a pointer to "%s|%s" here, or null.
    intptr_t data;
};

static_assert(sizeof(EngineRequest) == 7 * sizeof(intptr_t));

// The block of the crossfade event. A plug-in sets timer to 0; the engine keeps its
// timer identifier there once the crossfade runs.
struct CrossfadeBlock {
    intptr_t timer;
    intptr_t byStream;     // BOOL: fadeOut and fadeIn are 0-based streams of pluginHandle
    intptr_t pluginHandle; // read when byStream is set
    intptr_t fadeOut;      // channel (or stream) that fades out
    intptr_t fadeIn;       // channel (or stream) that fades in
    intptr_t intervalMs;   // timer interval
    intptr_t step;         // volume step per tick
    intptr_t targetVolume; // volume the fading-in channel ends at
};

static_assert(sizeof(CrossfadeBlock) == 8 * sizeof(intptr_t));

// The platform's copy-data structure that the command string request points to.
struct CopyData {
    intptr_t tag;
    int32_t bytes;
    const void* data;
};

// What the effect name and effect enabled channel values point to: one of a
// channel's two effect slots and the name text (or null), or a BOOL.
struct EffectSlotValue {
    intptr_t slot;
    intptr_t value;
};

// ---------------------------------------------------------------------------
// User interface channels

// Channel numbers of updateChannelValue besides 0..3.
inline constexpr int32_t kMasterLeft = -1; // also the channel of the clipped value
inline constexpr int32_t kMasterRight = -2;

// ---------------------------------------------------------------------------
// Handles and callbacks

// The opaque value a plug-in receives in setPluginHandle and puts into the
// events and requests that name itself.
using PluginHandle = intptr_t;
using WindowHandle = intptr_t;
using InstanceHandle = intptr_t;

// Returns 1 when posted without waiting, the engine's result when wait is
// set, 0 when refused.
using EventCallback = int32_t (*)(EngineEvent* event);
// Carries the request out on the calling thread.
using InternalCallback = int32_t (*)(EngineRequest* request, int32_t code);

// ---------------------------------------------------------------------------
// Export names

inline constexpr char kExportSetPluginHandle[] = "setPluginHandle";
inline constexpr char kExportGetInterfaceVersion[] = "getInterfaceVersion";
inline constexpr char kExportGetPluginKind[] = "getPluginKind";
inline constexpr char kExportGetPluginInfo[] = "getPluginInfo";
inline constexpr char kExportSupportNumChannels[] = "supportNumChannels";
inline constexpr char kExportSetEventCallback[] = "setEventCallback";
inline constexpr char kExportSetInternalCallback[] = "setInternalCallback";
inline constexpr char kExportCreateUserInterface[] = "createUserInterface";
inline constexpr char kExportDestroyUserInterface[] = "destroyUserInterface";
inline constexpr char kExportOnPluginSwitch[] = "onPluginSwitch";
inline constexpr char kExportExecCommandString[] = "execCommandString";
inline constexpr char kExportSetupAudioSystem[] = "setupAudioSystem";
inline constexpr char kExportReadStreamChannel[] = "readStreamChannel";
inline constexpr char kExportOnStreamingError[] = "onStreamingError";
inline constexpr char kExportStartStreaming[] = "startStreaming";
inline constexpr char kExportStopStreaming[] = "stopStreaming";
inline constexpr char kExportStreamStereoBuffer[] = "streamStereoBuffer";
inline constexpr char kExportWaitForOutputDone[] = "waitForOutputDone";
inline constexpr char kExportOnSetupFX[] = "onSetupFX";
inline constexpr char kExportOnCleanupFX[] = "onCleanupFX";
inline constexpr char kExportOnFXParamChange[] = "onFXParamChange";
inline constexpr char kExportProcessChannelBuffer[] = "processChannelBuffer";
inline constexpr char kExportResetFXChannel[] = "resetFXChannel";
inline constexpr char kExportUpdateChannelValue[] = "updateChannelValue";
inline constexpr char kExportUpdateGeneralValue[] = "updateGeneralValue";
inline constexpr char kExportSetNowPlaying[] = "setNowPlaying"; // optional, outputs (see NowPlaying.md)

// ---------------------------------------------------------------------------
// Export function types. BOOL results are int32_t (0 false); results the
// engine ignores are still returned, so every plug-in answers the same way.

// Common to every kind.
using SetPluginHandleFn = void (*)(PluginHandle handle);
using GetInterfaceVersionFn = int32_t (*)();
using GetPluginKindFn = int32_t (*)();
using GetPluginInfoFn = void (*)(PluginInfo* info);
using SupportNumChannelsFn = int32_t (*)();
using SetEventCallbackFn = void (*)(EventCallback callback);
using SetInternalCallbackFn = void (*)(InternalCallback callback);
using CreateUserInterfaceFn = int32_t (*)(InstanceHandle instance, int32_t showCommand);
using DestroyUserInterfaceFn = void (*)();
using OnPluginSwitchFn = void (*)(int32_t show);
using ExecCommandStringFn = int32_t (*)(int32_t outputLoaded, const char* text); // optional

// Inputs, outputs and effects.
using SetupAudioSystemFn = int32_t (*)(const AudioSystemSetup* setup);

// Inputs. The block stays the input's and must stay valid until its next call.
using ReadStreamChannelFn = int32_t (*)(int32_t stream, const int16_t** block, int32_t* bytes);
using OnStreamingErrorFn = void (*)(int32_t first, int32_t second);

// Outputs. The stereo block is the engine's, valid only during the call.
using StartStreamingFn = int32_t (*)(int32_t reserved);
using StopStreamingFn = int32_t (*)();
using StreamStereoBufferFn = int32_t (*)(int32_t empty, const int16_t* block, int32_t bytes);
using WaitForOutputDoneFn = int32_t (*)();
// Optional: what is playing, as an input told it with Event::NowPlaying. The
// text is the engine's, valid only during the call. Main thread.
using SetNowPlayingFn = void (*)(const char* title);

// Effects.
using OnSetupFXFn = int32_t (*)();   // optional
using OnCleanupFXFn = int32_t (*)(); // optional
using OnFXParamChangeFn = int32_t (*)(int32_t channel, int32_t value);
using ProcessChannelBufferFn = int32_t (*)(int32_t channel, int16_t* samples, int32_t bytes);
using ResetFXChannelFn = int32_t (*)(int32_t channel);

// User interfaces.
using UpdateChannelValueFn = int32_t (*)(int32_t channel, int32_t code, intptr_t value);
using UpdateGeneralValueFn = int32_t (*)(int32_t index, int32_t code, intptr_t value);

} // namespace engine

// Plug-ins that define VELMORA_PLUGIN before including this header get the
// declarations of every export, so a definition with the wrong signature does
// not compile. A plug-in defines the ones of its kind.
#ifdef VELMORA_PLUGIN
extern "C" {
VELMORA_PLUGIN_VISIBLE void setPluginHandle(engine::PluginHandle handle);
VELMORA_PLUGIN_VISIBLE int32_t getInterfaceVersion();
VELMORA_PLUGIN_VISIBLE int32_t getPluginKind();
VELMORA_PLUGIN_VISIBLE void getPluginInfo(engine::PluginInfo* info);
VELMORA_PLUGIN_VISIBLE int32_t supportNumChannels();
VELMORA_PLUGIN_VISIBLE void setEventCallback(engine::EventCallback callback);
VELMORA_PLUGIN_VISIBLE void setInternalCallback(engine::InternalCallback callback);
VELMORA_PLUGIN_VISIBLE int32_t createUserInterface(engine::InstanceHandle instance, int32_t showCommand);
VELMORA_PLUGIN_VISIBLE void destroyUserInterface();
VELMORA_PLUGIN_VISIBLE void onPluginSwitch(int32_t show);
VELMORA_PLUGIN_VISIBLE int32_t execCommandString(int32_t outputLoaded, const char* text);
VELMORA_PLUGIN_VISIBLE int32_t setupAudioSystem(const engine::AudioSystemSetup* setup);
VELMORA_PLUGIN_VISIBLE int32_t readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes);
VELMORA_PLUGIN_VISIBLE void onStreamingError(int32_t first, int32_t second);
VELMORA_PLUGIN_VISIBLE int32_t startStreaming(int32_t reserved);
VELMORA_PLUGIN_VISIBLE int32_t stopStreaming();
VELMORA_PLUGIN_VISIBLE int32_t streamStereoBuffer(int32_t empty, const int16_t* block, int32_t bytes);
VELMORA_PLUGIN_VISIBLE int32_t waitForOutputDone();
VELMORA_PLUGIN_VISIBLE void setNowPlaying(const char* title);
VELMORA_PLUGIN_VISIBLE int32_t onSetupFX();
VELMORA_PLUGIN_VISIBLE int32_t onCleanupFX();
VELMORA_PLUGIN_VISIBLE int32_t onFXParamChange(int32_t channel, int32_t value);
VELMORA_PLUGIN_VISIBLE int32_t processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes);
VELMORA_PLUGIN_VISIBLE int32_t resetFXChannel(int32_t channel);
VELMORA_PLUGIN_VISIBLE int32_t updateChannelValue(int32_t channel, int32_t code, intptr_t value);
VELMORA_PLUGIN_VISIBLE int32_t updateGeneralValue(int32_t index, int32_t code, intptr_t value);
}
#endif
