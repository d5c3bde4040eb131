#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/audio/AudioTypes.h"
#include "platform/audio/Stream.h"

namespace plat::audio {

// A virtual device's stream: a clock that lets frames through at the format's
// rate, and a subclass that makes or takes the samples. The clock counts
// frames from an origin, so waits do not add up to drift; it stops while the
// device is held and starts again from the next transfer. When the caller
// left a gap (no block queued) and the next block came after the clock wanted
// it, the device has run dry (output) or lost samples (input): that counts as
// an xrun (a late block) and the clock starts again. A late device thread
// with blocks queued in time only catches up, as a real device would have
// gone on playing or recording from its own buffer.
class PacedStream : public Stream {
public:
    // RealTime: at the format's rate. Unpaced: as fast as blocks come.
    // Stalled: a hung device, which takes blocks and never moves a frame.
    enum class Pace { RealTime, Unpaced, Stalled };

    PacedStream(const PcmFormat& format, Pace pace);

    long transfer(uint8_t* data, size_t bytes) final;
    void wake() final;
    void setRunning(bool running) final;
    void reset(bool drainable) final;
    uint64_t xruns() const final { return xruns_.load(std::memory_order_relaxed); }
    void noteStarved() final;
    void noteFed(std::chrono::steady_clock::time_point queuedAt) final;
    bool realTime() const final { return pace_ == Pace::RealTime; }

protected:
    // Device thread: the frames that the clock let through.
    [[nodiscard]] virtual bool move(uint8_t* data, size_t bytes) = 0;

    const PcmFormat format_;

private:
    using Clock = std::chrono::steady_clock;

    Clock::time_point dueTime(uint64_t frames) const;
    void stopClock();

    const Pace pace_;
    std::mutex mutex_; // guards every field below but xruns_
    std::condition_variable woken_;
    bool wakePending_ = false;
    bool clockRunning_ = false;
    bool starved_ = false;
    std::optional<Clock::time_point> fedAt_; // from noteFed, for the transfer that follows
    Clock::time_point origin_;
    uint64_t framesSinceOrigin_ = 0;
    // Written by the device thread, read by any.
    std::atomic<uint64_t> xruns_{0};
};

// Plays into nothing (output) or records silence (input), at the pace of the
// clock: the virtual null output, and ALSA's null device, which would take or
// give every frame at once.
class SilentStream final : public PacedStream {
public:
    SilentStream(const PcmFormat& format, Pace pace, Direction direction);

private:
    bool move(uint8_t* data, size_t bytes) override;

    const Direction direction_;
};

// Silence of a format: 8-bit samples are unsigned.
void fillSilence(const PcmFormat& format, uint8_t* data, size_t bytes);

} // namespace plat::audio
