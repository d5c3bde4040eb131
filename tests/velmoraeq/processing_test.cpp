// The equaliser's filter design and processing against the arithmetic it is
// defined by, written out plainly here: the sample history shifted one by
// one, the coefficients moved by every gain change, the taps summed in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "plugins/velmoraeq/EqChannel.h"
#include "plugins/velmoraeq/Presets.h"

namespace velmora::test {
namespace {

using velmoraeq::EqChannel;
using Taps = EqChannel::Taps;
using Samples = std::vector<int16_t>;

// The equaliser as its steps define it, over the prototypes of a channel.
struct ReferenceEq {
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
        for (int band = 0; band < 9; ++band)
            reference.prototypes[band] = channel.prototype(band);
    }
    void setGain(int band, int gain)
    {
        ASSERT_TRUE(channel.setBandGain(band, gain));
        reference.setGain(band, gain);
    }
    // Both process a copy of samples (bytes of it), which must agree to the bit; the channel's.
    Samples processBoth(Samples samples, int bytes)
    {
        Samples expected = samples;
        reference.process(expected.data(), bytes);
        channel.process(samples.data(), bytes);
        EXPECT_EQ(samples, expected);
        return samples;
    }
    Samples noise(std::size_t count)
    {
        Samples samples(count);
        for (int16_t& sample : samples)
            sample = static_cast<int16_t>(random());
        return samples;
    }

    EqChannel channel;
    ReferenceEq reference;
    std::mt19937 random{20000801};
};

TEST_F(EqProcessingTest, PrototypesMatchTheBandTable)
{
    const double table[9][4] = {
        {0.02409, 0.09337, 0.23193, 0.30122},   {0.02409, 0.09337, 0.23196, 0.30127},
        {0.02403, 0.09334, 0.23215, 0.30163},   {0.02385, 0.09323, 0.23281, 0.30288},
        {0.02246, 0.09233, 0.23742, 0.31188},   {0.01748, 0.08836, 0.25273, 0.34318},
        {-0.00448, 0.05619, 0.29309, 0.45827},  {-0.02876, -0.10380, 0.19654, 0.64534},
        {-0.00360, -0.01039, -0.26360, 0.65977}};
    ASSERT_EQ(channel.bandCount(), 9);
    for (int band = 0; band < 9; ++band)
        for (int k = 0; k < 7; ++k)
            EXPECT_NEAR(channel.prototype(band)[k], table[band][std::min(k, 6 - k)], 5e-6) << band << k;
    EXPECT_EQ(channel.coefficients(), Taps{});
}

TEST_F(EqProcessingTest, NoiseAndFullScaleInBlocksOfAnySizeComeOutAsTheStepsMakeThem)
{
    for (int round = 0; round < 40; ++round) {
        setGain(static_cast<int>(random() % 9), static_cast<int>(random() % 201) - 100);
        channel.dryMix = reference.dry = static_cast<int>(random() % 101);
        // Odd byte counts too: the last byte stays as it is.
        const int bytes = static_cast<int>(random() % 5000) + 1;
        const Samples block = noise(static_cast<std::size_t>(bytes / 2 + 1));
        EXPECT_EQ(processBoth(block, bytes).back(), block.back());
    }
    EXPECT_EQ(channel.coefficients(), reference.coefficients);
    // Large gains on a full-scale square saturate both ways instead of wrapping.
    for (int band = 0; band < 9; ++band)
        setGain(band, 100);
    Samples square;
    for (int i = 0; i < 4100; ++i)
        square.push_back(i % 14 < 7 ? 32767 : -32768);
    const Samples out = processBoth(square, 8200);
    EXPECT_NE(std::find(out.begin(), out.end(), 32767), out.end());
    EXPECT_NE(std::find(out.begin(), out.end(), -32768), out.end());
}

TEST_F(EqProcessingTest, FlatDryBypassAndResetDoWhatTheySay)
{
    const Samples block = noise(2048);
    EXPECT_EQ(processBoth(block, 4096), block);
    channel.dryMix = reference.dry = 0;
    EXPECT_EQ(processBoth(block, 4096), Samples(2048, 0));
    // A dry mix past either end counts as that end.
    channel.dryMix = -5;
    EXPECT_EQ(processBoth(block, 4096), Samples(2048, 0));
    channel.dryMix = 250;
    reference.dry = 100;
    EXPECT_EQ(processBoth(block, 4096), block);
    channel.dryMix = reference.dry = 35;
    setGain(1, 60);
    setGain(6, -40);
    processBoth(noise(1000), 2000);
    // Bypassed: the sound passes and the filter's memory stands still.
    channel.enabled = false;
    Samples passed = block;
    channel.process(passed.data(), 4096);
    EXPECT_EQ(passed, block);
    channel.enabled = true;
    processBoth(noise(777), 1554);
    // After a reset the first sample depends on itself alone; the settings stay.
    channel.reset();
    reference.history = {};
    EXPECT_EQ(processBoth({12345}, 2)[0],
              12345 * 35 / 100 + static_cast<int>(reference.coefficients[0] * 12345));
    EXPECT_EQ(std::pair(channel.bandGain(6), channel.dryMix.load()), std::pair(-40, 35));
}

TEST_F(EqProcessingTest, GainChangesAreRefusedOutsideTheBandsHeldToTheirRangeAndPreset)
{
    setGain(2, 33);
    const Taps before = channel.coefficients();
    EXPECT_TRUE(channel.setBandGain(2, 33));
    EXPECT_FALSE(channel.setBandGain(9, 50));
    EXPECT_FALSE(channel.setBandGain(-1, 50));
    EXPECT_EQ(channel.coefficients(), before);
    // Held to -100..+100, which keeps every sum within reach of a sample.
    EXPECT_TRUE(channel.setBandGain(0, 1000000));
    EXPECT_EQ(channel.bandGain(0), 100);
    reference.setGain(0, 100);
    EXPECT_TRUE(channel.setBandGain(0, -2147483647));
    EXPECT_EQ(channel.bandGain(0), -100);
    reference.setGain(0, -100);
    // A band without a response at its centre could not be normalised.
    EXPECT_FALSE(channel.addBand(0, 0));
    EXPECT_EQ(channel.bandCount(), 9);
    // "FM Radio" leaves nothing but the two middle bands.
    setGain(0, 0);
    setGain(2, 0);
    ASSERT_TRUE(velmoraeq::applyPreset(channel, 40003));
    EXPECT_FALSE(velmoraeq::applyPreset(channel, 40006));
    reference.setGain(5, 100);
    reference.setGain(6, 50);
    reference.dry = 0;
    processBoth(noise(4000), 8000);
    EXPECT_EQ(channel.coefficients(), reference.coefficients);
}

} // namespace
} // namespace velmora::test
