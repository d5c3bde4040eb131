#include "platform/audio/DeviceEngine.h"

#include <algorithm>
#include <utility>

namespace plat::audio {

DeviceEngine::DeviceEngine(Direction direction, const PcmFormat& format, BlockCallback callback,
                           void* context, std::unique_ptr<Stream> stream)
    : direction_(direction), format_(format), callback_(callback), context_(context),
      stream_(std::move(stream))
{
    lockedBlocks_.reserve(kLockedBlocksMax);
    // Held until thread_ is set, so the device thread knows itself from its first step.
    std::lock_guard lock(mutex_);
    thread_ = std::thread([this] { run(); });
}

DeviceEngine::~DeviceEngine()
{
    (void)close(); // InvalidHandle when the owner closed it already
}

Result DeviceEngine::prepare(Block& block)
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return Result::InvalidHandle;
    if (block.data == nullptr || block.length < format_.blockAlign())
        return Result::InvalidParameter;
    lockBlockMemory(block);
    block.flags.fetch_or(kBlockPrepared);
    return Result::Ok;
}

void DeviceEngine::lockBlockMemory(const Block& block)
{
    const auto end = lockedData_.begin() + static_cast<std::ptrdiff_t>(lockedCount_);
    if (lockedCount_ == kLockedBlocksMax || std::find(lockedData_.begin(), end, block.data) != end)
        return;
    lockedData_[lockedCount_++] = block.data;
    lockedBlocks_.emplace_back(block.data, block.length);
}

Result DeviceEngine::unprepare(Block& block)
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return Result::InvalidHandle;
    if (block.flags.load() & kBlockInQueue)
        return Result::StillPlaying;
    block.flags.fetch_and(~kBlockPrepared);
    return Result::Ok;
}

Result DeviceEngine::queue(Block& block)
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return Result::InvalidHandle;
    const uint32_t flags = block.flags.load();
    if (!(flags & kBlockPrepared))
        return Result::Unprepared;
    if (flags & kBlockInQueue)
        return Result::InvalidParameter;
    if (failed_)
        return Result::Error;
    if (resetting_)
        return Result::StillPlaying;
    block.bytesRecorded = 0;
    block.flags.store((flags & ~kBlockDone) | kBlockInQueue);
    if (queue_.empty())
        fedAt_ = std::chrono::steady_clock::now();
    queue_.push_back(&block);
    changed_.notify_all();
    return Result::Ok;
}

Result DeviceEngine::setRunning(bool running)
{
    std::unique_lock lock(mutex_);
    if (closed_)
        return Result::InvalidHandle;
    wantRunning_ = running;
    return ask(lock);
}

Result DeviceEngine::stopInput()
{
    std::unique_lock lock(mutex_);
    if (closed_)
        return Result::InvalidHandle;
    wantRunning_ = false;
    handBackFront_ = true;
    return ask(lock);
}

Result DeviceEngine::reset()
{
    std::unique_lock lock(mutex_);
    if (closed_)
        return Result::InvalidHandle;
    // A reset asked from a callback of the reset in progress has nothing more to do.
    if (resetting_ && onDeviceThread())
        return Result::Ok;
    resetAsked_ = true;
    return ask(lock);
}

Result DeviceEngine::close()
{
    if (onDeviceThread())
        return Result::Error;
    Result result = reset();
    if (result == Result::InvalidHandle)
        return result;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        quit_ = true;
        changed_.notify_all();
        stream_->wake();
    }
    thread_.join();
    std::unique_ptr<Stream> stream;
    {
        std::lock_guard lock(mutex_);
        stream = std::move(stream_);
    }
    stream.reset(); // releases the sound system's device now, not at destruction
    std::lock_guard lock(mutex_);
    lockedBlocks_.clear(); // the caller may free its blocks now
    lockedCount_ = 0;
    return Result::Ok;
}

DeviceCounters DeviceEngine::counters() const
{
    std::lock_guard lock(mutex_);
    DeviceCounters counters = counters_;
    if (stream_) {
        if (direction_ == Direction::Output)
            counters.underruns = stream_->xruns();
        else
            counters.overruns = stream_->xruns();
    }
    return counters;
}

Result DeviceEngine::ask(std::unique_lock<std::mutex>& lock)
{
    assertLocked(lock);
    const uint64_t ticket = ++asked_;
    if (onDeviceThread()) {
        applyRequests(lock);
        return Result::Ok;
    }
    changed_.notify_all();
    stream_->wake();
    changed_.wait(lock, [&] { return applied_ >= ticket; });
    return Result::Ok;
}

void DeviceEngine::applyRequests(std::unique_lock<std::mutex>& lock)
{
    assertLocked(lock);
    assert(onDeviceThread());
    while (applied_ < asked_) {
        const uint64_t target = asked_;
        const bool doReset = std::exchange(resetAsked_, false);
        bool handBackFront = std::exchange(handBackFront_, false);
        if (doReset && direction_ == Direction::Input)
            wantRunning_ = false;
        const bool run = wantRunning_;
        const bool drainable = queue_.empty();
        if (doReset || run != running_) {
            lock.unlock();
            if (doReset)
                stream_->reset(drainable);
            if (run != running_)
                stream_->setRunning(run);
            lock.lock();
            running_ = run;
        }
        if (handBackFront && !queue_.empty() && frontDone_ > 0) {
            Block* block = queue_.front();
            queue_.pop_front();
            complete(block, std::exchange(frontDone_, 0), lock);
        }
        if (doReset)
            handBackAll(lock);
        // A callback may have carried out later requests meanwhile.
        applied_ = std::max(applied_, target);
        changed_.notify_all();
    }
}

void DeviceEngine::handBackAll(std::unique_lock<std::mutex>& lock)
{
    assertLocked(lock);
    assert(onDeviceThread());
    resetting_ = true;
    while (!queue_.empty()) {
        Block* block = queue_.front();
        queue_.pop_front();
        complete(block, std::exchange(frontDone_, 0), lock);
    }
    resetting_ = false;
}

void DeviceEngine::complete(Block* block, uint32_t bytes, std::unique_lock<std::mutex>& lock)
{
    assertLocked(lock);
    assert(onDeviceThread());
    block->bytesRecorded = bytes;
    block->flags.store((block->flags.load() & ~kBlockInQueue) | kBlockDone);
    ++counters_.blocksDone;
    counters_.bytesDone += bytes;
    if (callback_ != nullptr) {
        lock.unlock();
        callback_(context_, block);
        lock.lock();
    }
}

void DeviceEngine::run()
{
    const uint32_t frame = format_.blockAlign();
    std::unique_lock lock(mutex_);
    // A device that keeps time must not wait behind ordinary threads; one
    // that takes blocks as fast as they come would only crowd them out.
    if (stream_->realTime()) {
        lock.unlock();
        (void)plat::requestRealtimeScheduling(plat::ThreadRole::SoundDevice);
        lock.lock();
    }
    for (;;) {
        applyRequests(lock);
        if (quit_)
            break;
        if (failed_ || !running_ || queue_.empty()) {
            if (running_ && !failed_) {
                stream_->noteStarved();
                starved_ = true;
            }
            changed_.wait(lock, [&] {
                return quit_ || applied_ < asked_ || (!failed_ && running_ && !queue_.empty());
            });
            continue;
        }
        Block* block = queue_.front();
        const uint32_t usable = block->length - block->length % frame;
        uint8_t* data = static_cast<uint8_t*>(block->data) + frontDone_;
        const size_t left = usable > frontDone_ ? usable - frontDone_ : 0;
        long moved = 0;
        if (left > 0) {
            const bool fed = std::exchange(starved_, false);
            const auto fedAt = fedAt_;
            lock.unlock();
            if (fed)
                stream_->noteFed(fedAt);
            moved = stream_->transfer(data, left);
            lock.lock();
            xruns_.store(stream_->xruns(), std::memory_order_relaxed);
        }
        if (moved < 0) {
            // The device is gone: nothing more will play, so every block goes back now.
            failed_ = true;
            handBackAll(lock);
            continue;
        }
        frontDone_ += static_cast<uint32_t>(moved);
        if (frontDone_ >= usable) {
            queue_.pop_front();
            complete(block, std::exchange(frontDone_, 0), lock);
        }
    }
}

} // namespace plat::audio
