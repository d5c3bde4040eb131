#include "platform/audio/virtual/PacedStream.h"

#include <algorithm>
#include <cstring>

namespace plat::audio {

namespace {

// A block queued later than this after the clock wanted it left a gap; less
// is the clock's own granularity. The time is that of the queueing, not of
// the device thread's waking, so a slow wake-up is never the writer's fault.
constexpr std::chrono::milliseconds kLateness{1};
// Further behind than this (the machine was suspended, say) the clock starts
// again instead of catching up.
constexpr std::chrono::seconds kCatchUpLimit{1};

} // namespace

PacedStream::PacedStream(const PcmFormat& format, Pace pace) : format_(format), pace_(pace) {}

PacedStream::Clock::time_point PacedStream::dueTime(uint64_t frames) const
{
    const auto seconds = frames / format_.samplesPerSecond;
    const auto rest = frames % format_.samplesPerSecond;
    return origin_ + std::chrono::seconds(seconds) +
           std::chrono::nanoseconds(rest * 1'000'000'000ull / format_.samplesPerSecond);
}

long PacedStream::transfer(uint8_t* data, size_t bytes)
{
    const uint32_t frame = format_.blockAlign();
    const uint64_t frames = bytes / frame;
    uint64_t moved = frames;
    {
        std::unique_lock lock(mutex_);
        if (pace_ == Pace::Stalled) {
            // Only a reset or a close gets the device thread out, with nothing moved.
            woken_.wait(lock, [this] { return wakePending_; });
            wakePending_ = false;
            return 0;
        }
        if (pace_ == Pace::RealTime) {
            const Clock::time_point now = Clock::now();
            if (!clockRunning_) {
                clockRunning_ = true;
                origin_ = now;
                framesSinceOrigin_ = 0;
            } else {
                const Clock::time_point due = dueTime(framesSinceOrigin_);
                const bool late = starved_ && fedAt_.value_or(now) > due + kLateness;
                if (late || now > due + kCatchUpLimit) {
                    if (late)
                        xruns_.fetch_add(1, std::memory_order_relaxed);
                    origin_ = now;
                    framesSinceOrigin_ = 0;
                }
            }
            starved_ = false;
            fedAt_.reset();
            const Clock::time_point due = dueTime(framesSinceOrigin_ + frames);
            woken_.wait_until(lock, due, [this] { return wakePending_; });
            if (wakePending_) {
                // Only what the clock has let through so far counts.
                const auto elapsed =
                    std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - origin_).count();
                const uint64_t framesByNow = elapsed <= 0 ? 0
                                                          : static_cast<uint64_t>(elapsed) *
                                                                format_.samplesPerSecond / 1'000'000'000ull;
                moved =
                    framesByNow > framesSinceOrigin_ ? std::min(frames, framesByNow - framesSinceOrigin_) : 0;
            }
            framesSinceOrigin_ += moved;
        }
        wakePending_ = false;
    }
    if (moved > 0 && !move(data, moved * frame))
        return -1;
    return static_cast<long>(moved * frame);
}

void PacedStream::wake()
{
    std::lock_guard lock(mutex_);
    wakePending_ = true;
    woken_.notify_all();
}

void PacedStream::stopClock()
{
    std::lock_guard lock(mutex_);
    clockRunning_ = false;
    starved_ = false;
    fedAt_.reset();
}

void PacedStream::noteStarved()
{
    std::lock_guard lock(mutex_);
    starved_ = true;
}

void PacedStream::noteFed(Clock::time_point queuedAt)
{
    std::lock_guard lock(mutex_);
    fedAt_ = queuedAt;
}

void PacedStream::setRunning(bool running)
{
    if (!running)
        stopClock();
}

void PacedStream::reset(bool)
{
    stopClock();
}

SilentStream::SilentStream(const PcmFormat& format, Pace pace, Direction direction)
    : PacedStream(format, pace), direction_(direction)
{
}

bool SilentStream::move(uint8_t* data, size_t bytes)
{
    if (direction_ == Direction::Input)
        fillSilence(format_, data, bytes);
    return true;
}

void fillSilence(const PcmFormat& format, uint8_t* data, size_t bytes)
{
    std::memset(data, format.bitsPerSample == 8 ? 0x80 : 0, bytes);
}

} // namespace plat::audio
