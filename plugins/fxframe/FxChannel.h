#pragma once

#include <atomic>
#include <cstdint>

namespace fxframe {

// The sample rate every effect works at.
inline constexpr int32_t kEffectSampleRate = 44100;
// The engine's per-channel parameter when an effect is put on a channel.
inline constexpr int32_t kDefaultParameter = 50;

// A result held to the range of a signed 16-bit sample.
constexpr int16_t saturatedSample(int64_t value)
{
    return static_cast<int16_t>(value > 32767 ? 32767 : value < -32768 ? -32768 : value);
}

// A double turned into an integer by truncation toward zero, held to a range
// wide enough for any sum with a sample, so no conversion overflows.
inline int64_t truncatedToward0(double value)
{
    constexpr double kLimit = 1.0e12;
    if (!(value > -kLimit)) // also catches NaN
        return value != value ? 0 : -static_cast<int64_t>(kLimit);
    if (value > kLimit)
        return static_cast<int64_t>(kLimit);
    return static_cast<int64_t>(value);
}

// The processing object of an effect: it transforms a channel's mono block
// of signed 16-bit samples in place. The base class does nothing.
class FxChannel {
public:
    virtual ~FxChannel() = default;

    // Forgets the signal memory.
    virtual void reset() {}
    // Transforms bytes / 2 samples in place; an odd last byte is left alone.
    virtual void process(int16_t* samples, int32_t bytes)
    {
        (void)samples;
        (void)bytes;
    }

    int32_t sampleRate = kEffectSampleRate;
    // The engine's per-channel effect parameter: written by the engine's main
    // thread, read by the streaming thread, hence atomic.
    std::atomic<int32_t> parameter{kDefaultParameter};
};

} // namespace fxframe
