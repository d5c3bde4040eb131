#include "plugins/halvern/ReverbChannel.h"

#include <algorithm>
#include <cstring>

namespace halvern {

namespace {

// The shortest echo of a delay above 0: 1 ms.
constexpr int32_t kShortestEcho = fxframe::kEffectSampleRate / 1000;
// Samples worked on together. A sample reads the line one delay time behind
// the one being written, so a chunk no longer than the shortest echo never
// reads what it writes itself (a delay of 0 reads each place just before
// writing it): its reads can all come first and its arithmetic runs on whole
// vectors.
constexpr int32_t kChunk = 32;
static_assert(kChunk <= kShortestEcho);

// Feedback up to this size is worked in floats, which vectorise: the product
// of a sample and the feedback (below 2^24) is exact, and the quotient (below
// 2^16) comes out of the correctly rounded division at most 2^-9 off, closer
// than the 1/100 by which any quotient that is not whole stands off a whole
// number, so it truncates to the exact quotient's whole part. Any other
// value the engine sends is worked in 64 bits.
constexpr int32_t kFloatFeedback = 199;

// One output sample: the input plus feedback percent of the delayed output,
// the division truncating toward zero, held to the sample range.
inline int16_t echoed(int16_t input, int16_t delayed, int64_t feedback)
{
    return fxframe::saturatedSample(input + delayed * feedback / 100);
}

// The same for feedback within kFloatFeedback.
inline int16_t echoed(int16_t input, int16_t delayed, float feedback)
{
    const auto echo = static_cast<int32_t>(static_cast<float>(delayed) * feedback / 100.0f);
    return static_cast<int16_t>(std::clamp(input + echo, -32768, 32767));
}

// count samples whose delayed outputs lie at delayed and whose outputs go to
// stored, both without a wrap of the line.
template <typename Feedback>
void echoRun(int16_t* samples, const int16_t* delayed, int16_t* stored, int32_t count, Feedback feedback)
{
    int32_t done = 0;
    for (; done + kChunk <= count; done += kChunk) {
        int16_t before[kChunk];
        int16_t after[kChunk];
        std::memcpy(before, delayed + done, sizeof before);
        for (int32_t i = 0; i < kChunk; ++i)
            after[i] = echoed(samples[done + i], before[i], feedback);
        std::memcpy(samples + done, after, sizeof after);
        std::memcpy(stored + done, after, sizeof after);
    }
    for (; done < count; ++done) {
        const int16_t output = echoed(samples[done], delayed[done], feedback);
        stored[done] = output;
        samples[done] = output;
    }
}

int32_t advanced(int32_t index, int32_t by)
{
    index += by;
    return index >= ReverbChannel::kLength ? index - ReverbChannel::kLength : index;
}

} // namespace

ReverbChannel::ReverbChannel() : line_(std::make_unique<int16_t[]>(kLength))
{
    setDelay(kDefaultDelay);
}

void ReverbChannel::setDelay(int32_t milliseconds)
{
    const int32_t held = std::clamp(milliseconds, 0, kLongestDelay);
    // The place one delay time back stays inside the line whatever the rate.
    const auto distance =
        static_cast<int32_t>(std::clamp<int64_t>(int64_t(held) * sampleRate / 1000, 0, kLength - 1));
    const plat::ScopedLock hold(lock_);
    delay_ = held;
    readIndex_ = (writeIndex_ + kLength - distance) % kLength;
}

void ReverbChannel::reset()
{
    const plat::ScopedLock hold(lock_);
    std::fill_n(line_.get(), kLength, int16_t{0});
}

void ReverbChannel::process(int16_t* samples, int32_t bytes)
{
    if (samples == nullptr)
        return;
    const int32_t feedback = parameter.load(std::memory_order_relaxed);
    const bool small = feedback >= -kFloatFeedback && feedback <= kFloatFeedback;
    const plat::ScopedLock hold(lock_);
    int16_t* const line = line_.get();
    // In runs over which neither index wraps.
    for (int32_t left = bytes / 2; left > 0;) {
        const int32_t run = std::min({left, kLength - readIndex_, kLength - writeIndex_});
        if (small)
            echoRun(samples, line + readIndex_, line + writeIndex_, run, static_cast<float>(feedback));
        else
            echoRun(samples, line + readIndex_, line + writeIndex_, run, int64_t{feedback});
        samples += run;
        left -= run;
        readIndex_ = advanced(readIndex_, run);
        writeIndex_ = advanced(writeIndex_, run);
    }
}

int32_t ReverbChannel::delay() const
{
    const plat::ScopedLock hold(lock_);
    return delay_;
}

int32_t ReverbChannel::readIndex() const
{
    const plat::ScopedLock hold(lock_);
    return readIndex_;
}

int32_t ReverbChannel::writeIndex() const
{
    const plat::ScopedLock hold(lock_);
    return writeIndex_;
}

int16_t ReverbChannel::lineSample(int32_t index) const
{
    const plat::ScopedLock hold(lock_);
    return index >= 0 && index < kLength ? line_[static_cast<std::size_t>(index)] : int16_t{0};
}

} // namespace halvern
