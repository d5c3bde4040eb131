#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/core/ThreadSafety.h"
#include "zkr/InputDevice.h"
#include "zkr/ObjectBase.h"
#include "zkr/SharedBuffer.h"
#include "zkr/WaveformatConverter.h"

namespace quillan {

// What one recording is made of, chosen by the window.
struct RecordingPlan {
    int32_t musicBufSize = 4096; // bytes of one mono channel block
    bool stereo = false;
    int32_t recordingBlocks = 6; // blocks of the device's ring
    int32_t sharedBlocks = 12;   // blocks of the shared buffer's ring
};

// The sound card's recording on its way to the engine: the input device
// records into its ring and hands each block to the shared buffer, from
// which the engine's streaming thread pulls it (stream 0), split into left
// and right by the converter for stereo (stream 1 takes the right half).
//
// Threads: the window's thread starts, stops and abandons recordings and
// chooses the device; the engine's streaming thread reads; the device's
// callback thread writes into the shared buffer; abandon may also come from
// the engine's thread that unloads the plug-in. guard_ is held by each of
// them while it touches the recording's parts: the device (open, queue,
// stop, close, its ring), the shared buffer's ring, the converter, the read
// buffer and the blocks handed out. The streaming thread lets it go while it
// waits for the device, and finds out afterwards (generation_) whether the
// recording it waited for still exists. While idle the device belongs to the
// window's thread alone. The shared buffer and the device's stopping and
// failure fields guard themselves.
class LiveRecording {
public:
    enum State : int32_t { kIdle = 0, kRecording = 4 };

    // Told on the streaming thread when a recording has ended there; it may
    // only post.
    using EndedCallback = void (*)(void* context);

    // reporter shows the errors found here (OutOfMemory for the read buffer, OutputNotReady for
    // a start the engine refused); the parts report their own.
    LiveRecording(zkr::ObjectBase& reporter, EndedCallback ended, void* context);
    ~LiveRecording();
    LiveRecording(const LiveRecording&) = delete;
    LiveRecording& operator=(const LiveRecording&) = delete;

    // Window's thread: sets everything up and starts the device; 0, or the
    // error (already reported). Nothing is left set up on failure.
    int begin(const RecordingPlan& plan);
    // Window's thread, with the engine's answer to the start: queues the
    // device's blocks, or takes the recording down (false from the engine,
    // or a device error, which the device reported). 0, OutputNotReady or the error.
    int confirm(bool engineStreams);
    // Window's thread: stops the device; the streaming thread reads what was
    // recorded, then the empty block that ends the recording.
    void stop();
    // Takes a recording down at once, for when no read is coming any more
    // (after a streaming error, without streams, at unload); dropUnread
    // empties the shared buffer first. Any thread but the streaming one.
    void abandon(bool dropUnread);

    // The engine's streaming thread (readStreamChannel).
    bool read(int32_t stream, const int16_t** block, int32_t* bytes);
    uint32_t missedBlocks() const { return missedBlocks_.load(std::memory_order_relaxed); }

    bool recording() const { return state_.load() == kRecording; }
    // Window's thread, while idle: the platform's result (0 for none) that
    // ended the last recording on its own, taken once.
    int takeFailure() { return failure_.exchange(0); }
    // Window's thread, while idle.
    int selectDevice(int index) { return device.selectDevice(index); }

    // How long a read waits at most for the device's next block beyond the
    // ring's start (a device that delivers nothing for that long has failed).
    static constexpr std::chrono::milliseconds kDeviceSilence{2000};

    // Declared before the device, which ends its data when it goes.
    zkr::SharedBuffer sharedBuffer;
    zkr::InputDevice device;
    zkr::WaveformatConverter converter;

private:
    // What a read of stream 0 found while waiting.
    enum class Wait { Block, Gone, Failed, NotYet };

    // The steps of a start; guard_ held. ownFailure: the read buffer failed.
    int setUp(const RecordingPlan& plan, bool& ownFailure) REQUIRES(guard_);
    // The steps of a start, undone in reverse order (the buffers handed
    // out retired); guard_ held.
    void releaseParts() REQUIRES(guard_);
    // Ends the recording: device stopped and closed, everything released,
    // idle. guard_ held.
    void endRecording() REQUIRES(guard_);
    // Waits for the next block of the shared buffer into the read buffer;
    // lets guard_ go while it waits. In the real-time section it only looks
    // (NotYet: nothing captured yet).
    Wait awaitBlock(uint32_t* length) REQUIRES(guard_);
    // Takes guard_ for a read: in the streaming thread's real-time section
    // only when it is free (a start or stop under way holds it), else waits.
    bool lockForRead() TRY_ACQUIRE(true, guard_);

    zkr::ObjectBase& reporter_; // window's thread only
    const EndedCallback ended_;
    void* const endedContext_;

    plat::AnnotatedMutex guard_;
    // Written under guard_, read anywhere.
    std::atomic<int32_t> state_{kIdle};
    // Guarded by guard_ (the fields below).
    uint64_t generation_ GUARDED_BY(guard_) = 0;   // counts starts and ends
    uint64_t pendingStart_ GUARDED_BY(guard_) = 0; // the start that waits for the engine's answer
    bool stereo_ GUARDED_BY(guard_) = false;
    uint32_t blockBytes_ GUARDED_BY(guard_) = 0;
    std::unique_ptr<uint8_t[]> readBuffer_ GUARDED_BY(guard_);
    const uint8_t* leftBlock_ GUARDED_BY(guard_) = nullptr;
    const uint8_t* rightBlock_ GUARDED_BY(guard_) = nullptr;
    int32_t channelBytes_ GUARDED_BY(guard_) = 0;
    // The right half of the last block read is still to be handed out.
    bool rightPending_ GUARDED_BY(guard_) = false;
    std::chrono::milliseconds startAllowance_ GUARDED_BY(guard_){0};
    // Since when reads in the real-time section found nothing captured; empty once a block came.
    std::optional<std::chrono::steady_clock::time_point> quietSince_ GUARDED_BY(guard_);
    // The engine copies a block only after the read that gave it returned:
    // buffers handed out stay here when a recording ends, until the
    // streaming thread's next read (or the end) frees them. Guarded by
    // guard_; hasRetired_ lets idle reads skip the guard.
    std::vector<std::unique_ptr<uint8_t[]>> retired_ GUARDED_BY(guard_);
    std::atomic<bool> hasRetired_{false};
    // Reads in the real-time section that found the guard taken or no block
    // captured yet: each was a silent block.
    std::atomic<uint32_t> missedBlocks_{0};
    // A failure found by the streaming thread, for the window to report.
    std::atomic<int> failure_{0};
};

} // namespace quillan
