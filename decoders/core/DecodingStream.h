#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "api/DecoderModuleApi.h"
#include "decoders/core/Source.h"
#include "zkr/Resampler.h"

namespace decoders {

using zkr::kHighestInputRate;
using zkr::kLowestInputRate;
using zkr::kOutputRate;
using zkr::Resampler;

// What ESGetLastError answers.
enum class StreamError : int32_t {
    None = 0,
    NoInputName = 1,
    CannotOpen = 2,
    NotOpen = 3,
    Unsupported = 4, // a mode, callback, position or sample rate the module does not offer
    Busy = 5,        // asked of a stream that is playing
    Decoding = 6,
    Resampling = 7,
    OutputRefused = 8, // the output callback did not take a block
    ThreadFailed = 9,
};

// One stream handle of a module: a file decoded on a thread of its own into
// 44100 Hz 16-bit blocks of the host's block size, handed to the host's
// output callback; start and end reported to its event callback.
//
// The host calls one handle from one thread at a time; the decoding thread
// runs from play() until the file ends or stop(). Fields marked "shared" are
// guarded by mutex_; the source, the resampler and the snapshot of the
// callbacks belong to the decoding thread while it runs and to the host's
// calls otherwise (every call that touches them first ends the thread).
class DecodingStream {
public:
    DecodingStream() = default;
    DecodingStream(const DecodingStream&) = delete;
    DecodingStream& operator=(const DecodingStream&) = delete;
    ~DecodingStream();

    int32_t lastError() const;

    bool setInputMode(int32_t mode);
    bool setOutputMode(int32_t mode);
    bool setOutputCallbacks(decoder::OutputCallback output, decoder::EventCallback event, void* context);
    bool useOutputCallback(bool use);
    bool setInputName(const char* path);
    bool setBuffers(int32_t count, int32_t blockBytes);
    bool setLimits(uint32_t fromMs, uint32_t toMs);

    bool open();
    bool initStream();
    bool close();

    // ESGetInfo1's protocol: with no buffer the size, else the block.
    bool information(void* buffer, int32_t* size);
    bool informationValue(int32_t* value);
    uint32_t sizeMs() const;
    bool canSeek() const;

    bool play();
    bool stop();
    bool pause();
    bool resume();
    uint32_t positionMs() const;
    bool setPosition(uint32_t ms);
    int32_t playerMode() const;

private:
    enum class Gate { Deliver, Stop, Seek };

    bool fail(StreamError error);
    void run();
    // Waits while paused; then says whether a block may go out.
    Gate waitForGate();
    void applySeek(uint32_t ms);
    // Hands the whole blocks of pending_ (and with `all` the rest) to the host.
    Gate deliver(bool all);
    bool endThread();

    // Which file a source was opened on: the same path, still the same file
    // unchanged (a rebuilt or replaced file is another).
    struct FileIdentity {
        std::string path;
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modifiedSeconds = 0, modifiedNanoseconds = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    // Set on the host's calls.
    std::string path_;
    int32_t inputMode_ = decoder::kInputModeFile;
    int32_t outputMode_ = decoder::kOutputModeCallback;
    decoder::OutputCallback output_ = nullptr;
    decoder::EventCallback event_ = nullptr;
    void* context_ = nullptr;
    bool useOutput_ = false;
    int32_t blockBytes_ = 4096;
    uint32_t endLimitMs_ = 0; // 0: the end of the file
    std::vector<std::byte> information_;
    int32_t informationValue_ = 0;
    // The source of the last close, kept for an open of the same file: the
    // host opens every file twice (once for its information, once to play),
    // and a source's open may read the whole file (an MPEG scan).
    std::unique_ptr<Source> closedSource_;
    FileIdentity sourceFile_;

    // The thread's while it runs (see above).
    std::unique_ptr<Source> source_;
    bool sourceAtStart_ = false;
    Resampler resampler_{zkr::makeSwresampleConversion};
    std::vector<int16_t> decoded_;
    std::vector<int16_t> pending_; // resampled, not yet delivered
    size_t blockFrames_ = 1;
    long readFrames_ = 1; // per step, so that a step's output stays small
    int channels_ = 1;
    decoder::OutputCallback threadOutput_ = nullptr;
    decoder::EventCallback threadEvent_ = nullptr;
    void* threadContext_ = nullptr;
    uint64_t endLimitFrames_ = 0; // frames after the start position; 0: none

    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;          // shared: paused_ cleared, stop or seek asked
    int32_t mode_ = decoder::kModeStopped;  // shared
    bool stopAsked_ = false;                // shared
    std::optional<uint32_t> seekAsked_;     // shared
    uint32_t startMs_ = 0;                  // shared: where the next play or the running seek began
    uint64_t deliveredFrames_ = 0;          // shared: since startMs_
    StreamError error_ = StreamError::None; // shared
};

} // namespace decoders
