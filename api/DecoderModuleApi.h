#pragma once

// The contract between the media player's decoder host and a decoder module
// (a shared library with the extension "esp" in Plugins/Decoders). A module
// includes this header alone: it depends on nothing but the C++ standard
// headers below.
//
// The host loads a copy of the module per player and looks up all 42
// functions by name (kModuleFunctionNames, in that order); a module lacking
// any of them is not used. It then drives one stream per handle:
//   h = ESInitModule(); ESSetInputMode(h, 0); ESSetOutputMode(h, 3);
//   ESSetOutCB(h, output, event, context); ESSetInputName(h, path);
//   ESOpen(h); ESInitStream(h); ESGetInfo1(h, null, &size) (the size);
//   ESGetInfo1(h, buffer, &size) (the information block); ESGetInfo2(h, &value);
//   ESGetSize(h); ESClose(h); ESSetBuffers(h, 10, blockBytes); ESOpen(h);
//   to play: ESInitStream(h); ESUseOutCB(h, 1); ESPlay(h);
//   ESStop / ESPause / ESResume / ESGetPos / ESSetPos / ESGetPlayerMode;
//   ESClose(h); ESDeInitModule(h).
// A module decodes on a thread of its own and hands every decoded block
// (at most the block size given to ESSetBuffers, 44100 Hz 16-bit interleaved
// PCM in the channel count its information block states) to the output
// callback, which may wait (the host's ring is full); it reports the start
// (flag 1) and the end of playing (flag 0, after the last block, also after
// ESStop) to the event callback. Calls on one handle come from one thread at
// a time; the callbacks come from the module's thread.
//
// Positions and sizes (ESGetPos, ESGetSize, ESSetPos) are in milliseconds.
// Functions that report success answer a boolean byte (non-zero: success).
// On 64-bit Linux every value that carries a pointer or a handle is
// pointer-sized; plain numbers stay 32-bit.

#include <cstddef>
#include <cstdint>

namespace decoder {

using Bool = uint8_t;
using StreamHandle = intptr_t; // 0: none

// ESGetPlayerMode's answers as the host reads them: below 4 stopped, 4 playing, above 4 paused.
inline constexpr int32_t kModeStopped = 0;
inline constexpr int32_t kModePlaying = 4;
inline constexpr int32_t kModePaused = 5;

// What ESGetSize answers when the length is not known.
inline constexpr uint32_t kUnknownSize = 0xFFFFFFFFu;

// The only input mode (a file named with ESSetInputName) and output mode
// (decoded blocks through the output callback) the host uses.
inline constexpr int32_t kInputModeFile = 0;
inline constexpr int32_t kOutputModeCallback = 3;

// Called by the module for every decoded block; unused1..3 are 0. Answers
// non-zero when the block was taken.
using OutputCallback = Bool (*)(const void* data, int32_t unused1, int32_t unused2, int32_t unused3,
                                int32_t bytes, void* context);
// Called by the module when playing starts (started non-zero) and when it
// stops or finishes (0).
using EventCallback = Bool (*)(Bool started, void* context);

// ---------------------------------------------------------------------------
// The information blocks of the modules whose names the host knows
// ("ELAMP.ESP": MPEG audio, "WAVMP.ESP": wave and other PCM-decoding formats,
// "WMAMP.ESP": the formats FFmpeg reads).
// ESGetInfo1 fills one; ESGetInfo2's value goes with it to the host's parser.
// Texts are zero-terminated UTF-8.

// Channel modes, numbered as MPEG audio numbers them.
inline constexpr int32_t kChannelStereo = 0;
inline constexpr int32_t kChannelJointStereo = 1;
inline constexpr int32_t kChannelDual = 2;
inline constexpr int32_t kChannelMono = 3;

// ELAMP.ESP: an MPEG audio stream. ESGetInfo2's value is the MPEG layer (1 to 3).
struct MpegInfo {
    int32_t version;     // 1 (MPEG-1), 2 (MPEG-2), 25 (MPEG-2.5)
    int32_t layer;       // 1 to 3
    int32_t channelMode; // kChannel...
    int32_t sampleRate;  // Hz, of the file (the module delivers 44100)
    int32_t bitRate;     // kbit/s, the average for variable bit rates
    int32_t lengthMs;    // -1 when unknown
    char title[128];     // from the tags; empty when none
    char artist[128];
    char album[128];
};

// WAVMP.ESP: a file libsndfile reads. ESGetInfo2's value is its major format
// number (libsndfile's SF_FORMAT_... & SF_FORMAT_TYPEMASK).
struct WaveInfo {
    int32_t channels;      // 1 or 2 delivered (more are mixed down to 2)
    int32_t sampleRate;    // Hz, of the file (the module delivers 44100)
    int32_t bitsPerSample; // of the file; 0 when the format has none (compressed)
    int32_t bitRate;       // kbit/s, the average over the file
    int32_t lengthMs;      // -1 when unknown
    char format[32];       // "WAV", "FLAC", "Ogg Vorbis", "Opus", ...
    char title[128];       // from the tags; empty when none
    char artist[128];
};

// WMAMP.ESP: a file FFmpeg reads. The host reads the block with the wave
// module's layout, which it starts with; the album follows. ESGetInfo2's
// value is libavcodec's number of the codec.
struct MediaInfo {
    WaveInfo wave; // format: "AAC", "ALAC", "WMA", "WavPack", "Monkey's Audio", ...
    char album[128];
};

// ---------------------------------------------------------------------------
// The 42 functions, in the order the host binds them. Arguments as the host
// calls them; a module may ignore what it does not need.

using ESGetNameFn = Bool (*)(char* buffer, int32_t* size);
using ESGetAboutFn = Bool (*)(char* buffer, int32_t* size);
using ESGetExtsFn = Bool (*)(char* buffer, int32_t* size); // "MP3;MP2;MPA", ';'-separated, no dots
using ESGetVersionFn = int32_t (*)();
using ESGetLastErrorFn = int32_t (*)(StreamHandle handle);
using ESInitModuleFn = StreamHandle (*)();
using ESDeInitModuleFn = Bool (*)(StreamHandle handle);
using ESSetInputModeFn = Bool (*)(StreamHandle handle, int32_t mode);
using ESSetInCBFn = Bool (*)(StreamHandle handle, void* callback, void* context);
using ESSetBuffersFn = Bool (*)(StreamHandle handle, int32_t count, int32_t blockBytes);
using ESInitStreamFn = Bool (*)(StreamHandle handle);
using ESSetPriorityFn = Bool (*)(StreamHandle handle, int32_t priority);
using ESSetInputNameFn = Bool (*)(StreamHandle handle, const char* path);
using ESGetInfo1Fn = Bool (*)(StreamHandle handle, void* buffer, int32_t* size);
using ESGetInfo2Fn = Bool (*)(StreamHandle handle, int32_t* value);
using ESOpenFn = Bool (*)(StreamHandle handle);
using ESCloseFn = Bool (*)(StreamHandle handle);
using ESPlayFn = Bool (*)(StreamHandle handle);
using ESStopFn = Bool (*)(StreamHandle handle);
using ESPauseFn = Bool (*)(StreamHandle handle);
using ESResumeFn = Bool (*)(StreamHandle handle);
using ESGetPosFn = uint32_t (*)(StreamHandle handle);
using ESGetSizeFn = uint32_t (*)(StreamHandle handle);
using ESSetPosFn = Bool (*)(StreamHandle handle, uint32_t position);
using ESGetPlayerModeFn = int32_t (*)(StreamHandle handle);
using ESSetLimitsFn = Bool (*)(StreamHandle handle, uint32_t from, uint32_t to);
using ESSetOutputModeFn = Bool (*)(StreamHandle handle, int32_t mode);
using ESSetOutCBFn = Bool (*)(StreamHandle handle, OutputCallback output, EventCallback event, void* context);
using ESSetOutputDevFn = Bool (*)(StreamHandle handle, int32_t device);
using ESSetOutputNameFn = Bool (*)(StreamHandle handle, const char* path);
using ESCanSetVolumeFn = Bool (*)(StreamHandle handle);
using ESSetVolumeFn = Bool (*)(StreamHandle handle, int32_t left, int32_t right);
using ESGetVolumeFn = Bool (*)(StreamHandle handle, int32_t* left, int32_t* right);
using ESSetDevNumFn = Bool (*)(StreamHandle handle, int32_t device);
using ESSetWindowFn = Bool (*)(StreamHandle handle, intptr_t window);
using ESCanPauseFn = Bool (*)(StreamHandle handle);
using ESCanSetPosFn = Bool (*)(StreamHandle handle);
using ESSetExtrasFn = Bool (*)(StreamHandle handle, int32_t what, intptr_t value);
using ESUseOutCBFn = Bool (*)(StreamHandle handle, Bool use);
using ESHasEQFn = Bool (*)(StreamHandle handle);
using ESEQFn = Bool (*)(StreamHandle handle, const int32_t* bands, int32_t count);
using ESUseEQFn = Bool (*)(StreamHandle handle, Bool use);

inline constexpr int kModuleFunctionCount = 42;
inline constexpr const char* kModuleFunctionNames[kModuleFunctionCount] = {
    "ESGetName",     "ESGetAbout",      "ESGetExts",       "ESGetVersion",     "ESGetLastError",
    "ESInitModule",  "ESDeInitModule",  "ESSetInputMode",  "ESSetInCB",        "ESSetBuffers",
    "ESInitStream",  "ESSetPriority",   "ESSetInputName",  "ESGetInfo1",       "ESGetInfo2",
    "ESOpen",        "ESClose",         "ESPlay",          "ESStop",           "ESPause",
    "ESResume",      "ESGetPos",        "ESGetSize",       "ESSetPos",         "ESGetPlayerMode",
    "ESSetLimits",   "ESSetOutputMode", "ESSetOutCB",      "ESSetOutputDev",   "ESSetOutputName",
    "ESCanSetVolume", "ESSetVolume",    "ESGetVolume",     "ESSetDevNum",      "ESSetWindow",
    "ESCanPause",    "ESCanSetPos",     "ESSetExtras",     "ESUseOutCB",       "ESHasEQ",
    "ESEQ",          "ESUseEQ"};

// The size of the texts ESGetName, ESGetAbout and ESGetExts fill.
inline constexpr int32_t kTextSize = 256;

} // namespace decoder
