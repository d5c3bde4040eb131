// Each vector path of the mixer, forced in turn, against a plain model of the
// integer rules: random blocks, every gain at its edge values, mute, solo,
// effect order and short blocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "api/Protocol.h"
#include "engine/MixKernels.h"
#include "engine/StereoMixer.h"

namespace {

constexpr int kChannels = 4;
constexpr int kSamples = 2 * 256 + 45; // whole vector runs and a remainder

int32_t flipLowBit(int32_t, int16_t* samples, int32_t bytes)
{
    for (int i = 0; i < bytes / 2; ++i)
        samples[i] = static_cast<int16_t>(samples[i] ^ 1);
    return 1;
}

class MixerPaths : public ::testing::TestWithParam<size_t> {};

TEST_P(MixerPaths, EveryPathGivesTheIntegerResultsBitForBit)
{
    const engine::MixKernels& path = engine::mixKernelPaths()[GetParam()];
    if (!path.runsHere())
        GTEST_SKIP() << "this processor lacks the " << path.name << " path";
    engine::StereoMixer mixer;
    ASSERT_EQ(mixer.setup(kChannels, 2 * kSamples), toWire(engine::Error::Ok));
    mixer.useKernelsForTest(path);
    mixer.setEffectHook(2, 0, flipLowBit); // effects after the volume: a pass of its own
    mixer.setEffectHook(3, 1, flipLowBit);
    mixer.setEffectsFirst(1, true);
    mixer.setEffectsFirst(3, true);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> anySample(-32768, 32767);
    const int volumes[] = {0, 1, 33, 99, 100, 101, 150, 199, 200};
    const int pans[] = {0, 1, 50, 99, 100};
    const int masters[] = {0, 1, 99, 100, 101, 200};
    for (int round = 0; round < 6 * 9 * 5; ++round) { // every master with every volume and pan
        const int master = masters[round / 45], v = round / 5 % 9, p = round % 5;
        mixer.setMasterVolume(master);
        mixer.setSolo(0, false);
        const int solo = round % 7 == 0 ? round % kChannels : -1;
        std::vector<int32_t> expected(2 * kSamples);
        bool clipped = false;
        for (int c = 0; c < kChannels; ++c) {
            const int volume = volumes[(v + 2 * c) % 9], pan = pans[(p + c) % 5];
            const bool enabled = round % 5 != c;
            const int count = c == 1 && round % 3 == 0 ? kSamples - 1 - round % 300 : kSamples;
            std::vector<int16_t> block(count);
            for (int16_t& sample : block) { // a third at the limits, to saturate often
                const int draw = anySample(random);
                sample = static_cast<int16_t>(draw % 3 != 0 ? draw : draw & 1 ? 32767 : -32768);
            }
            mixer.setEnabled(c, false); // drops what an earlier round left held
            mixer.setEnabled(c, enabled);
            mixer.setVolume(c, volume);
            mixer.setPan(c, pan);
            ASSERT_EQ(mixer.fill(c, block.data(), 2 * count), toWire(engine::Error::Ok));
            for (int i = 0; i < count && (solo >= 0 ? c == solo : enabled); ++i) {
                const int32_t scaled =
                    std::clamp((c == 3 ? block[i] ^ 1 : block[i]) * volume / 100, -32768, 32767);
                const int32_t heard = c == 2 ? scaled ^ 1 : scaled;
                for (int side = 0; side < 2; ++side) {
                    int32_t& frame = expected[2 * i + side];
                    const int32_t sum = frame + heard * (side == 0 ? 100 - pan : pan) / 100 * master / 100;
                    frame = std::clamp(sum, -32768, 32767);
                    clipped |= frame != sum;
                }
            }
        }
        if (solo >= 0)
            mixer.setSolo(solo, true);
        mixer.mix();
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), mixer.mixBlock.get())) << "round " << round;
        EXPECT_EQ(mixer.isClipped(), clipped) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Mixer, MixerPaths, ::testing::Range<size_t>(0, engine::mixKernelPaths().size()),
                         [](const auto& pathInfo) {
                             return std::string(engine::mixKernelPaths()[pathInfo.param].name);
                         });

TEST(MixerPercentFactor, OneMultiplyTruncatesLikeTheIntegerDivisionForEveryValue)
{
    for (int percent = 0; percent <= 200; ++percent) {
        const float factor = engine::percentFactor(percent);
        for (int32_t value = -32768; value <= 32768; ++value)
            ASSERT_EQ(static_cast<int32_t>(static_cast<float>(value) * factor), value * percent / 100)
                << value << " x " << percent << " %";
    }
}

} // namespace
