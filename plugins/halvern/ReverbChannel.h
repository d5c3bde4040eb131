#pragma once

#include <cstdint>
#include <memory>

#include "platform/core/ThreadSafety.h"
#include "plugins/fxframe/EffectChannels.h"
#include "plugins/fxframe/FxChannel.h"

namespace halvern {

// One engine channel's reverb: a feedback comb filter over a delay line of
// one second. Every output sample is the input plus feedback percent of the
// output one delay time earlier; the output, not the input, goes into the
// line, so the echo repeats and decays. The feedback is the engine's
// per-channel parameter, taken as it comes.
//
// Threads: process runs on the engine's streaming thread; setDelay on the
// window's thread and reset on the engine's main thread or the window's.
// lock_ guards the indices, the delay and the line's contents; process holds
// it for one block, the others for their update. The feedback is the base
// class's atomic, read once per block.
class ReverbChannel : public fxframe::FxChannel {
public:
    // One second and one sample: at the longest delay the echo is exactly a second late.
    static constexpr int32_t kLength = fxframe::kEffectSampleRate + 1;
    static constexpr int32_t kDefaultDelay = 100; // milliseconds
    static constexpr int32_t kLongestDelay = 1000;

    // Allocates and clears the line (std::bad_alloc when memory runs out) and sets the default delay.
    ReverbChannel();

    // Milliseconds, held to 0..kLongestDelay. The line keeps its contents, so
    // the existing echo takes on the new delay at once.
    void setDelay(int32_t milliseconds);
    // Clears the line; indices, delay and feedback stay.
    void reset() override;
    void process(int16_t* samples, int32_t bytes) override;

    int32_t delay() const;
    int32_t readIndex() const;
    int32_t writeIndex() const;
    // The line's sample at index (0 to kLength - 1).
    int16_t lineSample(int32_t index) const;

private:
    mutable plat::AnnotatedMutex lock_;
    std::unique_ptr<int16_t[]> line_ GUARDED_BY(lock_);
    int32_t readIndex_ GUARDED_BY(lock_) = 0;
    int32_t writeIndex_ GUARDED_BY(lock_) = 0;
    int32_t delay_ GUARDED_BY(lock_) = 0;
};

// The reverb of every engine channel.
using ReverbChannels = fxframe::EffectChannels<ReverbChannel>;

} // namespace halvern
