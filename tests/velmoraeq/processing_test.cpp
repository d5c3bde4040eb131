// The equaliser's filter design and processing against the arithmetic it is
// defined by, written out plainly here: the sample history shifted one by
// one, the coefficients moved by every gain change, the taps summed in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "plugins/velmoraeq/EqChannel.h"
#include "plugins/velmoraeq/Presets.h"

namespace velmora::test {
namespace {

using velmoraeq::EqChannel;
using Taps = EqChannel::Taps;

// The equaliser as its steps define it, over the prototypes of a channel.
struct ReferenceEq {
    explicit ReferenceEq(const EqChannel& channel)
    {
        for (int band = 0; band < 9; ++band)
            prototypes[band] = channel.prototype(band);
    }
    void setGain(int band, int gain)
    {
        const int delta = gain - gains[band];
        gains[band] = gain;
        for (int k = 0; k < 7; ++k)
            coefficients[k] = coefficients[k] + delta * 0.01 * prototypes[band][k];
    }
    void process(int16_t* samples, int bytes)
    {
        for (int i = 0; i < bytes / 2; ++i) {
            history[0] = samples[i];
            double acc = 0.0;
            for (int k = 0; k <= 6; ++k)
                acc += coefficients[k] * history[k];
            for (int k = 6; k >= 1; --k)
                history[k] = history[k - 1];
            const int64_t out = samples[i] * dry / 100 + static_cast<int64_t>(acc);
            samples[i] = static_cast<int16_t>(std::clamp<int64_t>(out, -32768, 32767));
        }
    }
    std::array<Taps, 9> prototypes{};
    std::array<int, 9> gains{};
    Taps coefficients{};
    Taps history{};
    int dry = 100;
};

class EqProcessingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(channel.addStandardBands());
        reference = ReferenceEq(channel);
    }
    void setGain(int band, int gain)
    {
        ASSERT_TRUE(channel.setBandGain(band, gain));
        reference.setGain(band, gain);
    }
    void setDry(int dry)
    {
        channel.dryMix = dry;
        reference.dry = dry;
    }
    // Both process a copy of samples (bytes of it); the copies must agree to the bit.
    std::vector<int16_t> processBoth(std::vector<int16_t> samples, int bytes)
    {
        std::vector<int16_t> expected = samples;
        reference.process(expected.data(), bytes);
        channel.process(samples.data(), bytes);
        EXPECT_EQ(samples, expected);
        return samples;
    }
    std::vector<int16_t> noise(std::size_t count)
    {
        std::vector<int16_t> samples(count);
        for (int16_t& sample : samples)
            sample = static_cast<int16_t>(random());
        return samples;
    }

    EqChannel channel;
    ReferenceEq reference{channel};
    std::mt19937 random{20000801};
};

TEST_F(EqProcessingTest, PrototypesMatchTheBandTable)
{
    const double table[9][4] = {
        {0.02409, 0.09337, 0.23193, 0.30122},    {0.02409, 0.09337, 0.23196, 0.30127},
        {0.02403, 0.09334, 0.23215, 0.30163},    {0.02385, 0.09323, 0.23281, 0.30288},
        {0.02246, 0.09233, 0.23742, 0.31188},    {0.01748, 0.08836, 0.25273, 0.34318},
        {-0.00448, 0.05619, 0.29309, 0.45827},   {-0.02876, -0.10380, 0.19654, 0.64534},
        {-0.00360, -0.01039, -0.26360, 0.65977},
    };
    ASSERT_EQ(channel.bandCount(), 9);
    for (int band = 0; band < 9; ++band)
        for (int k = 0; k < 7; ++k)
            EXPECT_NEAR(channel.prototype(band)[k], table[band][k <= 3 ? k : 6 - k], 5e-6) << band << ' ' << k;
    EXPECT_EQ(channel.coefficients(), Taps{});
}

TEST_F(EqProcessingTest, NoiseInBlocksOfAnySizeComesOutAsTheStepsMakeIt)
{
    for (int round = 0; round < 40; ++round) {
        setGain(static_cast<int>(random() % 9), static_cast<int>(random() % 201) - 100);
        setDry(static_cast<int>(random() % 101));
        // Odd byte counts too: the last byte stays as it is.
        const int bytes = static_cast<int>(random() % 5000) + 1;
        const std::vector<int16_t> block = noise(static_cast<std::size_t>(bytes / 2 + 1));
        const std::vector<int16_t> out = processBoth(block, bytes);
        EXPECT_EQ(out.back(), block.back());
    }
    EXPECT_EQ(channel.coefficients(), reference.coefficients);
}

TEST_F(EqProcessingTest, FullScaleWithLargeGainsSaturatesBothWays)
{
    for (int band = 0; band < 9; ++band)
        setGain(band, 100);
    std::vector<int16_t> square;
    for (int i = 0; i < 4100; ++i)
        square.push_back(i % 14 < 7 ? 32767 : -32768);
    const std::vector<int16_t> out = processBoth(square, 8200);
    EXPECT_NE(std::find(out.begin(), out.end(), 32767), out.end());
    EXPECT_NE(std::find(out.begin(), out.end(), -32768), out.end());
    setGain(3, -100);
    setGain(8, -100);
    processBoth(noise(3001), 6002);
}

TEST_F(EqProcessingTest, FlatPassesTheSignalAndNoDryMixSilencesIt)
{
    const std::vector<int16_t> block = noise(2048);
    EXPECT_EQ(processBoth(block, 4096), block);
    setDry(0);
    EXPECT_EQ(processBoth(block, 4096), std::vector<int16_t>(2048, 0));
    // A dry mix past either end counts as that end.
    channel.dryMix = -5;
    EXPECT_EQ(processBoth(block, 4096), std::vector<int16_t>(2048, 0));
    channel.dryMix = 250;
    reference.dry = 100;
    EXPECT_EQ(processBoth(block, 4096), block);
}

TEST_F(EqProcessingTest, ABypassedChannelNeitherChangesTheSoundNorRemembersIt)
{
    setGain(1, 60);
    setGain(6, -40);
    processBoth(noise(1000), 2000);
    channel.enabled = false;
    const std::vector<int16_t> passed = noise(1000);
    std::vector<int16_t> copy = passed;
    channel.process(copy.data(), 2000);
    EXPECT_EQ(copy, passed);
    channel.enabled = true;
    processBoth(noise(1000), 2000);
}

TEST_F(EqProcessingTest, ResetForgetsTheSignalAndKeepsTheSettings)
{
    setGain(4, 70);
    setDry(35);
    processBoth(noise(777), 1554);
    channel.reset();
    reference.history = {};
    // The first sample after a reset depends on itself alone.
    const std::vector<int16_t> one = processBoth({12345}, 2);
    EXPECT_EQ(one[0], 12345 * 35 / 100 + static_cast<int>(reference.coefficients[0] * 12345));
    EXPECT_EQ(channel.bandGain(4), 70);
    EXPECT_EQ(channel.dryMix.load(), 35);
}

TEST_F(EqProcessingTest, GainChangesOutsideTheBandsOrTheRangeAreRefusedOrHeld)
{
    setGain(2, 33);
    const Taps before = channel.coefficients();
    EXPECT_TRUE(channel.setBandGain(2, 33));
    EXPECT_FALSE(channel.setBandGain(9, 50));
    EXPECT_FALSE(channel.setBandGain(-1, 50));
    EXPECT_EQ(channel.coefficients(), before);
    // Gains are held to -100..+100, which keeps every sum within reach of a sample.
    EXPECT_TRUE(channel.setBandGain(0, 1000000));
    EXPECT_EQ(channel.bandGain(0), 100);
    EXPECT_TRUE(channel.setBandGain(0, -2147483647));
    EXPECT_EQ(channel.bandGain(0), -100);
    // A band without a response at its centre could not be normalised.
    EXPECT_FALSE(channel.addBand(0, 0));
    EXPECT_EQ(channel.bandCount(), 9);
}

TEST_F(EqProcessingTest, TheFmRadioPresetKeepsOnlyTheTwoMiddleBands)
{
    ASSERT_TRUE(velmoraeq::applyPreset(channel, 40003));
    reference.setGain(5, 100);
    reference.setGain(6, 50);
    reference.dry = 0;
    EXPECT_EQ(channel.coefficients(), reference.coefficients);
    processBoth(noise(4000), 8000);
    EXPECT_FALSE(velmoraeq::applyPreset(channel, 40006));
}

} // namespace
} // namespace velmora::test
