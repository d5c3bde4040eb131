// The hard clipper on its own, as the mixer and the benchmark call it.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "plugins/velmorizer/DistortionUnit.h"

namespace velmora::test {
namespace {

// The arithmetic written out plainly, in 64 bits.
std::vector<int16_t> reference(std::vector<int16_t> samples, int64_t inputGain, int64_t threshold,
                               int64_t outputGain)
{
    for (int16_t& sample : samples) {
        const int64_t a = std::clamp<int64_t>(sample * inputGain / 100, -threshold, threshold);
        sample = static_cast<int16_t>(std::clamp<int64_t>(a * outputGain / 100, -32768, 32767));
    }
    return samples;
}

std::vector<int16_t> everySample()
{
    std::vector<int16_t> samples(65536);
    std::iota(samples.begin(), samples.end(), int16_t{-32768});
    return samples;
}

// What a unit with these settings makes of samples; bytes -1: all of them.
std::vector<int16_t> distorted(std::vector<int16_t> samples, int32_t inputGain, int32_t threshold,
                               int32_t outputGain, int32_t bytes = -1)
{
    velmorizer::DistortionUnit unit;
    unit.inputGain = inputGain;
    unit.threshold = threshold;
    unit.outputGain = outputGain;
    unit.process(samples.data(), bytes < 0 ? static_cast<int32_t>(samples.size() * 2) : bytes);
    return samples;
}

TEST(DistortionUnit, EverySampleMatchesTheArithmeticAcrossTheKnobsRanges)
{
    const std::vector<int16_t> all = everySample();
    for (const int32_t inputGain : {100, 101, 187, 299, 300})
        for (const int32_t threshold : {0, 1, 2621, 10000, 22936, 32766, 32767})
            for (const int32_t outputGain : {100, 101, 199, 457, 599, 600})
                ASSERT_EQ(distorted(all, inputGain, threshold, outputGain),
                          reference(all, inputGain, threshold, outputGain))
                    << inputGain << " " << threshold << " " << outputGain;
}

TEST(DistortionUnit, EdgesOfTheSettingsAndTheBlock)
{
    // As made (100 %, 10000, 100 %) only what lies beyond +-10000 is flattened.
    EXPECT_EQ(distorted({-32768, -10001, -10000, -9999, 0, 9999, 10000, 10001, 32767}, 100, 10000, 100),
              (std::vector<int16_t>{-10000, -10000, -10000, -9999, 0, 9999, 10000, 10000, 10000}));
    const std::vector<int16_t> all = everySample();
    // Cutoff at 100 silences; at 0 with both gains least it changes nothing but the lowest
    // sample, which lies beyond the threshold's mirror.
    EXPECT_EQ(distorted(all, 300, 0, 600), std::vector<int16_t>(all.size(), 0));
    std::vector<int16_t> unchanged = all;
    unchanged.front() = -32767;
    EXPECT_EQ(distorted(all, 100, 32767, 100), unchanged);
    // Full gains saturate instead of wrapping.
    EXPECT_EQ(distorted({32767, -32768, 10, -5461, 5462}, 300, 32767, 600),
              (std::vector<int16_t>{32767, -32768, 180, -32768, 32767}));
    // Settings beyond the knobs' ranges are taken at the nearest end.
    EXPECT_EQ(distorted(all, 100000, 40000, 50), distorted(all, 300, 32767, 100));
    EXPECT_EQ(distorted(all, 0, 1 << 30, 1 << 30), distorted(all, 100, 32767, 600));
    // An odd last byte, and whatever lies past the block, are left alone.
    const std::vector<int16_t> samples{-20000, -3000, -1,     1,   2,    3000, 7000,
                                       20000,  31000, -31000, 123, 4444, 9};
    for (const int32_t count : {1, 7, 8, 9, 12}) {
        std::vector<int16_t> expected = reference(samples, 250, 8000, 350);
        std::copy(samples.begin() + count, samples.end(), expected.begin() + count);
        EXPECT_EQ(distorted(samples, 250, 8000, 350, 2 * count + 1), expected) << count;
    }
}

} // namespace
} // namespace velmora::test
