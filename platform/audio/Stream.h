#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace plat::audio {

// The sound system's side of one open device. Everything but wake() and
// xruns() is called on the device's own thread only.
class Stream {
public:
    virtual ~Stream() = default;

    // Moves whole frames between data and the device, blocking until all of
    // them are moved or wake() was called. Returns the bytes moved (possibly
    // fewer, possibly 0 after a wake), or -1 when the device failed for good.
    [[nodiscard]] virtual long transfer(uint8_t* data, size_t bytes) = 0;
    // Any thread: the transfer in progress, or else the next one, returns soon.
    virtual void wake() = 0;
    // Output: hold playback / go on. Input: start / stop recording.
    virtual void setRunning(bool running) = 0;
    // Throws away what the device holds. drainable: the caller has no more
    // blocks queued, so output may let what it has already accepted finish.
    virtual void reset(bool drainable) = 0;
    // The device is running with no block queued: what follows is a gap the
    // caller left, not a delay of the device thread.
    virtual void noteStarved() {}
    // After noteStarved, before the next transfer: when the caller queued the
    // block that ends the gap (the device thread may have woken later).
    virtual void noteFed(std::chrono::steady_clock::time_point queuedAt) { (void)queuedAt; }
    // Any thread, without waiting: underruns (output) or overruns (input)
    // met and recovered.
    virtual uint64_t xruns() const = 0;
    // Frames move at the pace of a clock (a sound card, the paced virtual
    // device) rather than as fast as blocks come: the device thread then
    // asks for real-time priority.
    virtual bool realTime() const { return true; }
};

} // namespace plat::audio
