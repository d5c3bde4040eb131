#include <gtest/gtest.h>

#include <vector>

#include "api/Protocol.h"
#include "engine/StereoMixer.h"

using engine::StereoMixer;

namespace {

constexpr int kBlockBytes = 4096;
constexpr int kSamples = kBlockBytes / 2;

std::vector<int16_t> squareWave(int samples, int16_t amplitude)
{
    std::vector<int16_t> block(static_cast<size_t>(samples));
    for (int i = 0; i < samples; ++i)
        block[static_cast<size_t>(i)] = static_cast<int16_t>(i % 2 == 0 ? amplitude : -amplitude);
    return block;
}

class Levels : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(mixer.setup(4, kBlockBytes), toWire(engine::Error::Ok)); }

    int levelOf(const std::vector<int16_t>& block, int channel = 0)
    {
        EXPECT_EQ(mixer.fill(channel, block.data(), static_cast<int>(block.size() * 2)),
                  toWire(engine::Error::Ok));
        return mixer.channelLevel(channel);
    }

    StereoMixer mixer;
};

} // namespace

TEST_F(Levels, AFullScaleSquareWaveOverOneBlockReads160)
{
    EXPECT_EQ(levelOf(squareWave(kSamples, 32767)), 160);
}

TEST_F(Levels, OnlyEveryEighthSampleCounts)
{
    std::vector<int16_t> onTheGrid(kSamples, 0);
    std::vector<int16_t> offTheGrid(kSamples, 32767);
    for (int i = 0; i < kSamples; i += 8) {
        onTheGrid[static_cast<size_t>(i)] = 32767;
        offTheGrid[static_cast<size_t>(i)] = 0;
    }
    EXPECT_EQ(levelOf(onTheGrid, 0), 160);
    EXPECT_EQ(levelOf(offTheGrid, 1), 0);
}

TEST_F(Levels, ABlockThatIsNotAMultipleOfEightStillCountsItsLastGridSample)
{
    StereoMixer small;
    ASSERT_EQ(small.setup(1, 18), toWire(engine::Error::Ok)); // 9 samples: 0 and 8 count
    std::vector<int16_t> block(9, 0);
    block[8] = 32767;
    ASSERT_EQ(small.fill(0, block.data(), 18), toWire(engine::Error::Ok));
    // x = sqrt(32767^2 x 0.01) = 3276; 3276 x 100 / 32767 = 9.998 reads 10
    EXPECT_EQ(small.channelLevel(0), 10);
}

TEST_F(Levels, ChannelsNotHeardReadZero)
{
    const auto loud = squareWave(kSamples, 32767);
    EXPECT_EQ(mixer.channelLevel(0), 0); // nothing filled yet

    mixer.setEnabled(1, false);
    EXPECT_EQ(levelOf(loud, 1), 0);

    mixer.setSolo(2, true);
    EXPECT_EQ(levelOf(loud, 0), 0);
    EXPECT_EQ(levelOf(loud, 2), 160);
    mixer.setEnabled(2, false); // muted solo channel: heard, but reads 0
    EXPECT_EQ(mixer.channelLevel(2), 0);
}

TEST_F(Levels, AShortBlockIsMeasuredWithoutTheOlderBlockBehindIt)
{
    const auto loud = squareWave(kSamples, 32767);
    EXPECT_EQ(levelOf(loud), 160);
    mixer.mix();
    const std::vector<int16_t> quiet(16, 0);
    EXPECT_EQ(levelOf(quiet), 0);
}

TEST_F(Levels, MasterLevelsCarryLeftLowAndRightHigh)
{
    const auto loud = squareWave(kSamples, 32767);
    mixer.setPan(0, 0);
    ASSERT_EQ(mixer.fill(0, loud.data(), kBlockBytes), toWire(engine::Error::Ok));
    std::vector<int16_t> half(kSamples, 0);
    for (int i = 0; i < kSamples; i += 8)
        half[static_cast<size_t>(i)] = 16384;
    mixer.setPan(1, 100);
    ASSERT_EQ(mixer.fill(1, half.data(), kBlockBytes), toWire(engine::Error::Ok));
    mixer.mix();
    const uint32_t levels = mixer.masterLevels();
    EXPECT_EQ(levels & 0xFFFF, 160u);
    EXPECT_EQ(levels >> 16, 80u); // sqrt(256 x 16384^2 x 0.01) = 26214 -> 80

    mixer.mix(); // nothing filled: silence
    EXPECT_EQ(mixer.masterLevels(), 0u);
}
