#pragma once

// The test-only controls of the audio core's test plug-ins: each library
// exports these extra functions next to its real exports. A test loads the
// same library file a second time (the loader hands back the same instance)
// and finds them by name; every library starts each test with its reset.

#include <cstdint>

namespace coretest {

inline constexpr char kPatternInputFile[] = "pattern_input.vin";
inline constexpr char kRecordingOutputFile[] = "recording_output.vwo";
inline constexpr char kOffsetEffectFile[] = "offset_effect.vfx";

inline constexpr int kMaxStreams = 4;

// Sample i of block k of stream s that the pattern input delivers.
constexpr int16_t patternSample(int stream, int block, int i)
{
    return static_cast<int16_t>((stream + 1) * 1000 + block * 10 + i % 10);
}

// What one stream of the pattern input does.
struct StreamScript {
    int32_t blocks = 0;     // blocks delivered before the stream ends; -1 never ends
    int32_t bytes = 0;      // bytes per block; 0: the set-up's music buffer size
    uint64_t emptyMask = 0; // bit k set: block k comes empty (stream running, 0 bytes)
    int32_t stallAt = -1;   // block at which the read waits until released; -1 never
};

struct InputRecord {
    int32_t reads[kMaxStreams]; // readStreamChannel calls per stream
    int32_t streamingErrors;    // onStreamingError calls
    int32_t setups;             // setupAudioSystem calls
    int32_t musicBufSize;       // field 1 of the last set-up
};

// Pattern input (short name "Pattern").
using InputResetFn = void (*)();
using InputScriptFn = void (*)(int32_t stream, const StreamScript* script);
// 1 once a read waits at its stall point, 0 when timeoutMs passed first.
using InputWaitStalledFn = int32_t (*)(int32_t timeoutMs);
using InputReleaseFn = void (*)();
using InputRecordFn = void (*)(InputRecord* record);
// What setupAudioSystem answers from now on (1 after a reset).
using InputSetupResultFn = void (*)(int32_t result);
inline constexpr char kInputReset[] = "coreTestInputReset";
inline constexpr char kInputScript[] = "coreTestInputScript";
inline constexpr char kInputWaitStalled[] = "coreTestInputWaitStalled";
inline constexpr char kInputRelease[] = "coreTestInputRelease";
inline constexpr char kInputRecord[] = "coreTestInputRecord";
inline constexpr char kInputSetupResult[] = "coreTestInputSetupResult";

// What the recording output does.
struct OutputScript {
    int32_t startResult = 1; // what startStreaming answers
    int32_t setupResult = 1; // what setupAudioSystem answers
    int32_t failAt = -1;     // the streamStereoBuffer call (0-based) that answers 0
    int32_t holdAt = -1;     // the call that waits until stopStreaming, then answers heldResult
    int32_t heldResult = 1;
    int32_t paceMs = 0; // each call waits this long first, as a sound card's queue would
};

// Recording output (short name "Recorder"). Its journal lists the
// calls in order, separated by spaces: "setup", "start", "block", "done",
// "stop".
using OutputResetFn = void (*)();
using OutputScriptFn = void (*)(const OutputScript* script);
using OutputBlockCountFn = int32_t (*)();
// Copies block index (at most maxBytes) into destination; its byte count, or
// -1 for no such block. empty receives the block's empty flag.
using OutputBlockFn = int32_t (*)(int32_t index, int16_t* destination, int32_t maxBytes, int32_t* empty);
using OutputJournalFn = void (*)(char* buffer, int32_t size);
// 1 once a streamStereoBuffer call waits at holdAt, 0 after timeoutMs.
using OutputWaitHeldFn = int32_t (*)(int32_t timeoutMs);
inline constexpr char kOutputReset[] = "coreTestOutputReset";
inline constexpr char kOutputScript[] = "coreTestOutputScript";
inline constexpr char kOutputBlockCount[] = "coreTestOutputBlockCount";
inline constexpr char kOutputBlock[] = "coreTestOutputBlock";
inline constexpr char kOutputJournal[] = "coreTestOutputJournal";
inline constexpr char kOutputWaitHeld[] = "coreTestOutputWaitHeld";

// Offset effect (short name "Offset"): adds offset to every sample,
// saturating. Its journal lists "reset c" and "param c v", separated by
// ';'; the blocks it processed are counted per channel.
using EffectResetFn = void (*)();
using EffectSetFn = void (*)(int32_t offset, uint32_t flags);
using EffectJournalFn = void (*)(char* buffer, int32_t size);
using EffectProcessedFn = int32_t (*)(int32_t channel);
inline constexpr char kEffectReset[] = "coreTestEffectReset";
inline constexpr char kEffectSet[] = "coreTestEffectSet";
inline constexpr char kEffectJournal[] = "coreTestEffectJournal";
inline constexpr char kEffectProcessed[] = "coreTestEffectProcessed";

inline constexpr int32_t kDefaultEffectOffset = 1000;

} // namespace coretest
