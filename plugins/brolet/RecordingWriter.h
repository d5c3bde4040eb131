#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "plugins/brolet/BlockQueue.h"

namespace brolet {

// Appends a run's blocks to its recording on a thread of its own while a
// sound card or a broadcast keeps the run to real time, so that a disk that
// stalls (a page cache full of someone else's writes, a slow stick) never
// holds up the sound. The streaming thread only copies each block into a
// queue made before the run. A queue that stays full (the disk seconds
// behind) makes it wait for room: a recording loses no sample.
//
// Threads: start and finish on the engine's threads outside the streaming
// call; offer on the streaming thread; the write function on the writer's
// thread only, from start until finish has returned.
class RecordingWriter {
public:
    // Appends one block; false once the recording has failed (it then told why).
    using Write = std::function<bool(const void* block, int32_t bytes)>;

    // Seconds of sound the queue holds before the streaming thread waits.
    static constexpr int kQueueSeconds = 8;

    RecordingWriter() = default;
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // Makes the queue for blocks of at most blockBytes and starts the
    // thread; false when the queue cannot be made.
    bool start(uint32_t blockBytes, uint32_t bytesPerSecond, Write write);
    // The streaming thread's block. Waits only while the queue is full, and
    // gives up (false) when stopping becomes true meanwhile.
    bool offer(const void* block, uint32_t bytes, const std::atomic<bool>& stopping);
    // Whether a write has failed this run.
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    // Writes what is queued, then ends the thread.
    void finish();
    bool running() const { return thread_.joinable(); }
    // How often this run a block waited for room.
    uint64_t waitsForRoom() const { return waitsForRoom_.load(std::memory_order_relaxed); }

private:
    void run();
    // Writes every queued block; after a failure only takes them off.
    void writeQueued();

    BlockQueue queue_;
    Write write_; // set by start before the thread runs, then the thread's
    std::atomic<bool> finishing_{false};
    std::atomic<bool> failed_{false};
    std::atomic<uint64_t> waitsForRoom_{0};
    std::thread thread_;
};

} // namespace brolet
