#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/ThreadSafety.h"
#include "plugins/brolet/BlockQueue.h"
#include "plugins/brolet/Broadcast.h"

namespace brolet {

// Sends the mix to a streaming server (Icecast) while the engine streams.
// The streaming thread only copies each block into a ring made before the
// run (offer: no allocation, no lock, no wait; a full ring drops the block
// and counts it); a thread of its own encodes the ring's blocks and sends
// them, connects, reconnects with back-off and tells the server the title.
//
// Threads: start and stop on the engine's main thread, offer on the
// streaming thread, setTitle and status on any thread. The ring is the
// hand-off between offer and the broadcast thread; lock_ guards what the
// window reads and the title.
class Broadcaster {
public:
    // Seconds of sound the ring holds before blocks are dropped.
    static constexpr int kRingSeconds = 4;
    // Back-off between tries: doubles from the first to the last.
    static constexpr int kFirstRetrySeconds = 1;
    static constexpr int kLastRetrySeconds = 30;

    Broadcaster() = default;
    ~Broadcaster();
    Broadcaster(const Broadcaster&) = delete;
    Broadcaster& operator=(const Broadcaster&) = delete;

    // Makes the ring for blocks of at most blockBytes and starts going on
    // air; false when the ring cannot be made.
    bool start(const BroadcastSettings& settings, uint32_t blockBytes);
    // The streaming thread's block; never waits.
    void offer(const void* block, uint32_t bytes);
    // Ends the stream as a stream ends and closes the connection; waits for
    // the broadcast thread.
    void stop();
    bool running() const { return thread_.joinable(); }

    // What listeners are told is playing; taken within a ring's poll.
    void setTitle(const std::string& title);
    BroadcastStatus status();
    uint64_t droppedBlocks() const { return dropped_.load(std::memory_order_relaxed); }
    // Blocks in the ring that the broadcast thread has yet to take.
    uint64_t queuedBlocks() const { return ring_.queued(); }
    uint32_t ringBlocks() const { return ring_.slots(); }

private:
    class Connection;

    void run();
    // One connection from its start to its loss or the stop; false when it was lost.
    bool stayOnAir(Connection& connection);
    // Waits the back-off, telling the window how long is left; false on stop.
    bool waitBeforeRetry(int seconds, const std::string& reason, const std::string& cause);
    // Takes the ring's oldest block into block_; false when the ring is empty.
    bool take();
    void discardRing();
    void setState(BroadcastState state, const std::string& reason = {}, const std::string& cause = {});
    std::string titleIfChanged(uint64_t& seen);

    BroadcastSettings settings_; // written by start before the thread runs, then the thread's
    BlockQueue ring_;
    std::atomic<uint64_t> dropped_{0};
    std::atomic<bool> stopping_{false};
    // The broadcast thread's block taken from the ring.
    std::vector<int16_t> block_;
    std::thread thread_;

    plat::AnnotatedMutex lock_;
    BroadcastStatus status_ GUARDED_BY(lock_);
    std::string title_ GUARDED_BY(lock_);
    uint64_t titleVersion_ GUARDED_BY(lock_) = 0;
};

} // namespace brolet
