#pragma once

#include <array>
#include <atomic>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/AudioTypes.h"
#include "platform/audio/Stream.h"
#include "platform/core/Realtime.h"

namespace plat::audio {

// The block queue and the thread of one open device. Control calls from other
// threads are carried out by the device thread, which makes every callback,
// and wait until it has done so; from the device thread itself (a callback)
// they are carried out at once.
class DeviceEngine {
public:
    // Blocks whose memory is locked in RAM; a ring is rarely longer than a few.
    static constexpr size_t kLockedBlocksMax = 32;

    DeviceEngine(Direction direction, const PcmFormat& format, BlockCallback callback, void* context,
                 std::unique_ptr<Stream> stream);
    DeviceEngine(const DeviceEngine&) = delete;
    DeviceEngine& operator=(const DeviceEngine&) = delete;
    ~DeviceEngine();

    Direction direction() const { return direction_; }
    const PcmFormat& format() const { return format_; }

    Result prepare(Block& block);
    Result unprepare(Block& block);
    Result queue(Block& block);
    Result setRunning(bool running);
    Result stopInput();
    Result reset();
    Result close();
    DeviceCounters counters() const;
    // Without waiting for the device thread: xruns up to its last transfer.
    uint64_t xruns() const { return xruns_.load(std::memory_order_relaxed); }

private:
    void run();
    bool onDeviceThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    // Debug builds check that a caller holds this engine's lock.
    void assertLocked([[maybe_unused]] const std::unique_lock<std::mutex>& lock) const
    {
        assert(lock.owns_lock() && lock.mutex() == &mutex_);
    }
    // Keeps a block's memory resident the first time the block comes by.
    void lockBlockMemory(const Block& block);
    // Hands a change to the device thread and waits until it is carried out.
    Result ask(std::unique_lock<std::mutex>& lock);
    // The device thread's own, with the lock held.
    void applyRequests(std::unique_lock<std::mutex>& lock);
    void handBackAll(std::unique_lock<std::mutex>& lock);
    void complete(Block* block, uint32_t bytes, std::unique_lock<std::mutex>& lock);

    const Direction direction_;
    const PcmFormat format_;
    const BlockCallback callback_;
    void* const context_;
    mutable std::mutex mutex_; // guards every field below but thread_
    // Its calls are made by the device thread, but wake() and xruns() (under
    // mutex_); it goes when close() has joined the thread.
    std::unique_ptr<Stream> stream_;
    std::condition_variable changed_;
    std::deque<Block*> queue_;
    uint32_t frontDone_ = 0;     // bytes of queue_.front() already moved
    bool wantRunning_ = false;   // what callers asked for
    bool running_ = false;       // what the device thread has carried out
    bool handBackFront_ = false; // input stop: the block being recorded goes back as it is
    bool resetAsked_ = false;
    bool resetting_ = false; // blocks are being handed back; queue() refuses
    uint64_t asked_ = 0;     // changes asked for ...
    uint64_t applied_ = 0;   // ... and carried out
    bool failed_ = false;    // the sound system gave up; nothing more plays
    bool quit_ = false;
    bool closed_ = false;
    DeviceCounters counters_; // xruns come from the stream
    // When a block came into the empty queue: the end of a gap the caller left.
    std::chrono::steady_clock::time_point fedAt_;
    bool starved_ = false; // the stream was told of a gap, not yet of its end
    // The blocks' memory kept resident, each block's once (also when refused).
    std::array<const void*, kLockedBlocksMax> lockedData_{};
    size_t lockedCount_ = 0;
    std::vector<plat::LockedMemory> lockedBlocks_; // capacity kLockedBlocksMax from the start
    // The stream's count, copied by the device thread after each transfer;
    // atomic, so that xruns() never waits for the lock.
    std::atomic<uint64_t> xruns_{0};

    std::thread thread_; // started last, joined by close()
};

} // namespace plat::audio
