#include "plugins/quillan/LiveRecording.h"

#include <new>

#include "api/PluginApi.h"
#include "api/Protocol.h"
#include "platform/core/Realtime.h"
#include "zkr/WaveFormat.h"

namespace quillan {

namespace {

constexpr uint32_t kSampleRate = 44100;
constexpr uint16_t kBitsPerSample = 16;
// How long a waiting read lets the guard go at a time before it looks again.
constexpr uint32_t kWaitSliceMs = 50;

} // namespace

LiveRecording::LiveRecording(zkr::ObjectBase& reporter, EndedCallback ended, void* context)
    : reporter_(reporter), ended_(ended), endedContext_(context)
{
    device.sharedBuffer = &sharedBuffer;
    device.setFormat(kSampleRate, 1, kBitsPerSample);
}

LiveRecording::~LiveRecording()
{
    abandon(true);
}

int LiveRecording::begin(const RecordingPlan& plan)
{
    bool ownFailure = false;
    int error = toWire(engine::Error::Ok);
    {
        plat::ScopedLock lock(guard_);
        if (state_.load() == kRecording)
            return toWire(engine::Error::Ok);
        error = setUp(plan, ownFailure);
    }
    // Shown without the guard: a dialog must not hold up the streaming thread.
    if (ownFailure)
        reporter_.setError(error);
    return error;
}

int LiveRecording::setUp(const RecordingPlan& plan, bool& ownFailure)
{
    stereo_ = plan.stereo;
    const int64_t bytes = int64_t{plan.musicBufSize} * (stereo_ ? 2 : 1);
    if (bytes > 0 && bytes <= INT32_MAX)
        readBuffer_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
    if (!readBuffer_) {
        ownFailure = true;
        return toWire(engine::Error::OutOfMemory);
    }
    blockBytes_ = static_cast<uint32_t>(bytes);

    int error = device.setFormat(kSampleRate, stereo_ ? 2 : 1, kBitsPerSample);
    if (error == toWire(engine::Error::Ok))
        error = device.allocateBlocks(plan.recordingBlocks, blockBytes_);
    if (error == toWire(engine::Error::Ok))
        error = sharedBuffer.allocate(plan.sharedBlocks, static_cast<int>(blockBytes_));
    if (error == toWire(engine::Error::Ok) && stereo_) {
        converter.setup(zkr::pcmFormat(kSampleRate, 2, kBitsPerSample),
                        zkr::pcmFormat(kSampleRate, 1, kBitsPerSample), true);
        error = converter.prepare(static_cast<uint32_t>(plan.musicBufSize), nullptr);
    }
    if (error == toWire(engine::Error::Ok)) {
        leftBlock_ = stereo_ ? converter.leftOutput() : readBuffer_.get();
        rightBlock_ = stereo_ ? converter.rightOutput() : nullptr;
        error = device.openDevice(device.deviceId, nullptr);
    }
    if (error == toWire(engine::Error::Ok))
        error = device.start();
    if (error != toWire(engine::Error::Ok)) {
        releaseParts();
        return error;
    }
    // The ring must fill half-way before the first block can be read.
    const std::chrono::milliseconds block{engine::blockMilliseconds(plan.musicBufSize) + 1};
    startAllowance_ = block * (plan.sharedBlocks / 2 + 2) + kDeviceSilence;
    channelBytes_ = 0;
    rightPending_ = false;
    failure_ = 0;
    ++generation_;
    pendingStart_ = generation_;
    state_ = kRecording;
    return toWire(engine::Error::Ok);
}

int LiveRecording::confirm(bool engineStreams)
{
    {
        plat::ScopedLock lock(guard_);
        // Taken down meanwhile (the engine unloaded the plug-in while it answered).
        if (state_.load() != kRecording || generation_ != pendingStart_)
            return toWire(engine::Error::Ok);
        if (engineStreams) {
            if (device.queueAll() == toWire(engine::Error::Ok))
                return toWire(engine::Error::Ok);
            const int error = device.lastError;
            endRecording();
            return error;
        }
        endRecording();
    }
    reporter_.setError(toWire(engine::Error::OutputNotReady));
    return toWire(engine::Error::OutputNotReady);
}

void LiveRecording::stop()
{
    plat::ScopedLock lock(guard_);
    if (state_.load() == kRecording)
        device.stop();
}

void LiveRecording::abandon(bool dropUnread)
{
    // A read waiting for the device wakes at once and finds the recording gone.
    sharedBuffer.setEndOfData(true);
    plat::ScopedLock lock(guard_);
    if (state_.load() != kRecording)
        return;
    if (dropUnread)
        sharedBuffer.reset();
    endRecording();
}

void LiveRecording::releaseParts()
{
    if (device.deviceOpen) {
        device.stop();
        device.closeDevice();
    }
    for (std::unique_ptr<uint8_t[]>* buffer : {&converter.right, &converter.left, &readBuffer_})
        if (*buffer)
            retired_.push_back(std::move(*buffer));
    hasRetired_ = !retired_.empty();
    converter.release();
    sharedBuffer.release();
    device.releaseBlocks();
    leftBlock_ = nullptr;
    rightBlock_ = nullptr;
    channelBytes_ = 0;
    rightPending_ = false;
}

void LiveRecording::endRecording()
{
    releaseParts();
    quietSince_.reset();
    ++generation_;
    state_ = kIdle;
}

bool LiveRecording::read(int32_t stream, const int16_t** block, int32_t* bytes)
{
    *block = nullptr;
    *bytes = 0;
    // The engine reads every attached stream each cycle: idle reads wait for
    // the guard only to free what the last recording handed out.
    if (state_.load() != kRecording && !hasRetired_.load())
        return false;
    if (!lockForRead()) {
        missedBlocks_.fetch_add(1, std::memory_order_relaxed);
        return state_.load() == kRecording;
    }
    plat::ScopedLock lock(guard_, std::adopt_lock);
    retired_.clear();
    hasRetired_ = false;
    if (state_.load() != kRecording)
        return false;
    if (stream != 0) {
        // The right half of the block stream 0 read in this cycle; a cycle
        // without that read gets an empty block, mono no stream 1 at all.
        if (rightBlock_ == nullptr)
            return false;
        *block = reinterpret_cast<const int16_t*>(rightBlock_);
        *bytes = rightPending_ ? channelBytes_ : 0;
        rightPending_ = false;
        return true;
    }
    uint32_t length = 0;
    const Wait waited = awaitBlock(&length);
    if (waited == Wait::Gone)
        return false;
    if (waited == Wait::NotYet) {
        // Not captured yet: a silent block, the recording goes on.
        missedBlocks_.fetch_add(1, std::memory_order_relaxed);
        rightPending_ = false;
        return true;
    }
    if (waited == Wait::Failed || length == 0) {
        // The empty block ends the recording, whether the user stopped it or
        // the device gave up (then its failure is told).
        int none = 0;
        failure_.compare_exchange_strong(none, device.failure.load());
        endRecording();
        if (ended_ != nullptr)
            ended_(endedContext_);
        return false;
    }
    if (stereo_) {
        channelBytes_ = static_cast<int32_t>(converter.convert(readBuffer_.get(), length));
        rightPending_ = true;
    } else {
        channelBytes_ = static_cast<int32_t>(length);
    }
    *block = reinterpret_cast<const int16_t*>(leftBlock_);
    *bytes = channelBytes_;
    return true;
}

// Conditional, which the analysis cannot follow.
bool LiveRecording::lockForRead() NO_THREAD_SAFETY_ANALYSIS
{
    if (plat::mustNotBlock())
        return guard_.tryLock();
    guard_.lock();
    return true;
}

LiveRecording::Wait LiveRecording::awaitBlock(uint32_t* length)
{
    const uint64_t generation = generation_;
    const auto now = std::chrono::steady_clock::now();
    // Reads that only look count the allowance from the first that found nothing.
    const auto deadline = (quietSince_ ? *quietSince_ : now) + startAllowance_;
    for (;;) {
        const int status = sharedBuffer.tryRead(readBuffer_.get(), length);
        if (status == toWire(engine::Error::Ok)) {
            quietSince_.reset();
            return Wait::Block;
        }
        if (status != toWire(engine::Error::Busy) && status != toWire(engine::Error::NotNow))
            return Wait::Failed;
        // A device that hands nothing back has failed as surely as one that says so.
        const bool late = std::chrono::steady_clock::now() >= deadline;
        // In the real-time section the block waits for the next cycle.
        if (plat::mustNotBlock() && !late) {
            if (!quietSince_)
                quietSince_ = now;
            return Wait::NotYet;
        }
        if (late) {
            quietSince_.reset();
            failure_ = static_cast<int>(plat::audio::Result::Error);
            return Wait::Failed;
        }
        zkr::EventObject& news = status == toWire(engine::Error::NotNow) ? sharedBuffer.canRead : sharedBuffer.dataWritten;
        {
            const plat::ScopedUnlock waiting(guard_);
            (void)news.wait(kWaitSliceMs); // a time-out only looks again
            (void)news.reset();
        }
        if (state_.load() != kRecording || generation_ != generation)
            return Wait::Gone;
    }
}

} // namespace quillan
