#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <future>
#include <vector>

#include "api/Protocol.h"
#include "engine/StereoMixer.h"
#include "support/Watchdog.h"

using engine::StereoMixer;

namespace {

constexpr int kBlockBytes = 32; // 16 samples per channel block
constexpr int kSamples = kBlockBytes / 2;

using Block = std::array<int16_t, kSamples>;

Block constantBlock(int16_t value)
{
    Block block;
    block.fill(value);
    return block;
}

class Mixer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(mixer.setup(4, kBlockBytes), toWire(engine::Error::Ok)); }

    void fill(int channel, const Block& block, int bytes = kBlockBytes)
    {
        ASSERT_EQ(mixer.fill(channel, block.data(), bytes), toWire(engine::Error::Ok));
    }
    int16_t left(int frame) const { return mixer.mixBlock[2 * frame]; }
    int16_t right(int frame) const { return mixer.mixBlock[2 * frame + 1]; }

    // Mixes one sample through channel 0 alone, hard left, and returns it.
    int16_t mixedLeft(int16_t sample)
    {
        fill(0, constantBlock(sample));
        mixer.mix();
        return left(0);
    }

    StereoMixer mixer;
};

// Hooks that leave a trace: the first doubles, the second adds one, so the
// result tells which ran first; each remembers what it was handed.
struct HookTrace {
    std::vector<int> order;
    int16_t seenFirstSample = 0;
    int32_t seenChannel = -1;
    int32_t seenBytes = -1;
};
HookTrace trace;

int32_t doublingHook(int32_t channel, int16_t* samples, int32_t bytes)
{
    trace.order.push_back(0);
    trace.seenFirstSample = samples[0];
    trace.seenChannel = channel;
    trace.seenBytes = bytes;
    for (int i = 0; i < bytes / 2; ++i)
        samples[i] = static_cast<int16_t>(samples[i] * 2);
    return 1;
}

int32_t incrementingHook(int32_t, int16_t* samples, int32_t bytes)
{
    trace.order.push_back(1);
    for (int i = 0; i < bytes / 2; ++i)
        samples[i] = static_cast<int16_t>(samples[i] + 1);
    return 1;
}

} // namespace

TEST_F(Mixer, SetupGivesDefaultsAndKeepsOnlyTheEmptyBlockRule)
{
    EXPECT_EQ(mixer.getName(nullptr), zkr::kKindStereoMixer);
    EXPECT_EQ(mixer.samplesPerBlock, kSamples);
    EXPECT_EQ(mixer.mixBytes, 2 * kBlockBytes);
    mixer.setVolume(1, 50);
    mixer.setPan(1, 10);
    mixer.setEnabled(1, false);
    mixer.setEffectsFirst(1, true);
    mixer.setEffectHook(1, 1, doublingHook);
    mixer.setMasterVolume(20);
    mixer.setSolo(1, true);
    mixer.processEmptyAsFull = 1;

    ASSERT_EQ(mixer.setup(4, kBlockBytes), toWire(engine::Error::Ok));
    EXPECT_EQ(mixer.getVolume(1), 100);
    EXPECT_EQ(mixer.getPan(1), 50);
    EXPECT_EQ(mixer.channels[1].leftGain(), 50);
    EXPECT_EQ(mixer.channels[1].rightGain(), 50);
    EXPECT_EQ(mixer.channels[1].enabled, 1);
    EXPECT_EQ(mixer.channels[1].effectsFirst, 0);
    EXPECT_EQ(mixer.channels[1].effectHook[1], nullptr);
    EXPECT_EQ(mixer.getMasterVolume(), 100);
    EXPECT_EQ(mixer.soloChannel, -1);
    EXPECT_EQ(mixer.processEmptyAsFull, 1);
}

TEST_F(Mixer, SizesThatCannotMakeABlockLeaveItNotReady)
{
    StereoMixer other;
    other.silent = true;
    EXPECT_EQ(other.setup(4, 1), toWire(engine::Error::IndexOutOfRange));
    EXPECT_FALSE(other.ready);
    EXPECT_EQ(other.setup(0, kBlockBytes), toWire(engine::Error::IndexOutOfRange));
    other.mix(); // not ready: nothing to touch
    EXPECT_EQ(other.masterLevels(), 0u);
}

TEST_F(Mixer, RecordsIndexOutOfRangeAndChangesNothing)
{
    mixer.silent = true;
    const Block block = constantBlock(5);
    EXPECT_EQ(mixer.fill(4, block.data(), kBlockBytes), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(mixer.setVolume(-1, 10), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(mixer.setPan(4, 10), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(mixer.setSolo(7, true), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(mixer.soloChannel, -1);
    EXPECT_EQ(mixer.setEffectHook(0, 2, doublingHook), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(mixer.channels[0].effectHook[0], nullptr);
    EXPECT_EQ(mixer.lastError, toWire(engine::Error::IndexOutOfRange));
}

TEST_F(Mixer, FillHoldsOneBlockAndCutsOversizedOnes)
{
    fill(0, constantBlock(7));
    const Block second = constantBlock(9);
    EXPECT_EQ(mixer.fill(0, second.data(), kBlockBytes), toWire(engine::Error::Busy));
    mixer.setPan(0, 0);
    mixer.mix();
    EXPECT_EQ(left(0), 7); // the second block was dropped

    // A block longer than the channel's is cut to the channel's size.
    std::vector<int16_t> longBlock(kSamples * 2, 3);
    ASSERT_EQ(mixer.fill(0, longBlock.data(), kBlockBytes * 2), toWire(engine::Error::Ok));
    EXPECT_EQ(mixer.channels[0].length, kBlockBytes);
}

TEST_F(Mixer, VolumeIsExactAtUnityAndTruncatedTowardZeroOtherwise)
{
    mixer.setPan(0, 0);
    EXPECT_EQ(mixedLeft(-32768), -32768);
    EXPECT_EQ(mixedLeft(32767), 32767);
    EXPECT_EQ(mixedLeft(-12345), -12345);

    mixer.setVolume(0, 33);
    EXPECT_EQ(mixedLeft(-7), -2); // -231 / 100, not -3
    EXPECT_EQ(mixedLeft(7), 2);
    mixer.setVolume(0, 150);
    EXPECT_EQ(mixedLeft(30000), 32767);
    mixer.setVolume(0, 200);
    EXPECT_EQ(mixedLeft(-20000), -32768);
    mixer.setVolume(0, 0);
    EXPECT_EQ(mixedLeft(32767), 0);

    mixer.setVolume(0, 250);
    EXPECT_EQ(mixer.getVolume(0), 200);
    mixer.setVolume(0, -3);
    EXPECT_EQ(mixer.getVolume(0), 0);
}

TEST_F(Mixer, PanSplitsEachSampleAndMasterScalesEachSide)
{
    // Centre: each side gets trunc(s x 50 / 100).
    fill(0, constantBlock(-3));
    mixer.mix();
    EXPECT_EQ(left(0), -1);
    EXPECT_EQ(right(0), -1);

    mixer.setPan(0, 30);
    EXPECT_EQ(mixer.channels[0].leftGain(), 70);
    EXPECT_EQ(mixer.channels[0].rightGain(), 30);
    fill(0, constantBlock(1001));
    mixer.mix();
    EXPECT_EQ(left(0), 700);
    EXPECT_EQ(right(0), 300);

    // The master is applied to the panned value, truncating twice.
    mixer.setPan(0, 50);
    mixer.setMasterVolume(50);
    fill(0, constantBlock(-7));
    mixer.mix();
    EXPECT_EQ(left(0), -1); // trunc(trunc(-3.5) x 0.5)
    mixer.setMasterVolume(300);
    EXPECT_EQ(mixer.getMasterVolume(), 200);
    mixer.setMasterVolume(-1);
    EXPECT_EQ(mixer.getMasterVolume(), 0);

    mixer.setPan(0, -20);
    EXPECT_EQ(mixer.getPan(0), 0);
    mixer.setPan(0, 120);
    EXPECT_EQ(mixer.getPan(0), 100);
}

TEST_F(Mixer, ChannelsSumWithSaturationThatRaisesTheClipFlag)
{
    // Two centred full-scale channels meet just below the limit.
    fill(0, constantBlock(32767));
    fill(1, constantBlock(32767));
    mixer.mix();
    EXPECT_EQ(left(0), 32766);
    EXPECT_FALSE(mixer.isClipped());

    mixer.setPan(0, 0);
    mixer.setPan(1, 0);
    fill(0, constantBlock(32767));
    fill(1, constantBlock(32767));
    mixer.mix();
    EXPECT_EQ(left(0), 32767);
    EXPECT_EQ(right(0), 0);
    EXPECT_TRUE(mixer.isClipped());

    fill(0, constantBlock(-32768));
    fill(2, constantBlock(-1));
    mixer.setPan(2, 0);
    mixer.mix();
    EXPECT_EQ(left(0), -32768);
    EXPECT_TRUE(mixer.isClipped());

    // The flag speaks for the last mix only.
    fill(0, constantBlock(1));
    mixer.mix();
    EXPECT_FALSE(mixer.isClipped());
}

TEST_F(Mixer, AShortBlockFeedsOnlyItsOwnFrames)
{
    mixer.setPan(0, 0);
    fill(0, constantBlock(100));
    mixer.mix();
    fill(0, constantBlock(40), 6); // three samples
    mixer.mix();
    EXPECT_EQ(left(2), 40);
    EXPECT_EQ(left(3), 0);
    EXPECT_EQ(left(kSamples - 1), 0);
}

TEST_F(Mixer, EmptyBlocksAreSilenceOnlyWhenProcessedAsFull)
{
    const Block block = constantBlock(500);
    EXPECT_EQ(mixer.fill(0, block.data(), 0), toWire(engine::Error::Ok));
    EXPECT_EQ(mixer.channels[0].filled, 0);

    mixer.processEmptyAsFull = 1;
    mixer.setEffectHook(0, 0, doublingHook);
    trace = {};
    EXPECT_EQ(mixer.fill(0, block.data(), 0), toWire(engine::Error::Ok));
    EXPECT_EQ(mixer.channels[0].filled, 1);
    EXPECT_EQ(mixer.channels[0].length, kBlockBytes);
    EXPECT_EQ(mixer.channelLevel(0), 0);
    mixer.mix();
    EXPECT_EQ(trace.seenBytes, kBlockBytes); // a full block of silence
    EXPECT_EQ(trace.seenFirstSample, 0);
    EXPECT_EQ(left(0), 0);
}

TEST_F(Mixer, HooksRunInSlotOrderBeforeOrAfterTheVolume)
{
    mixer.setPan(2, 0);
    mixer.setVolume(2, 30);
    mixer.setEffectHook(2, 0, doublingHook);
    mixer.setEffectHook(2, 1, incrementingHook);

    trace = {};
    fill(2, constantBlock(11), 8);
    mixer.mix();
    EXPECT_EQ(trace.order, (std::vector<int>{0, 1}));
    EXPECT_EQ(trace.seenChannel, 2);
    EXPECT_EQ(trace.seenBytes, 8);
    EXPECT_EQ(trace.seenFirstSample, 3); // after the volume: trunc(11 x 0.3)
    EXPECT_EQ(left(0), 7);               // 3 x 2 + 1

    mixer.setEffectsFirst(2, true);
    trace = {};
    fill(2, constantBlock(11), 8);
    mixer.mix();
    EXPECT_EQ(trace.seenFirstSample, 11);
    EXPECT_EQ(left(0), 6); // trunc((11 x 2 + 1) x 0.3)

    // Volume 0 silences whatever the effects made, before the pan.
    mixer.setVolume(2, 0);
    fill(2, constantBlock(11), 8);
    mixer.mix();
    EXPECT_EQ(left(0), 0);
    mixer.setEffectsFirst(2, false);
    trace = {};
    fill(2, constantBlock(11), 8);
    mixer.mix();
    EXPECT_EQ(trace.seenFirstSample, 0); // effects after the volume see silence
    EXPECT_EQ(left(0), 1);

    mixer.setEffectHook(2, 0, nullptr);
    mixer.setEffectHook(2, 1, nullptr);
    trace = {};
    fill(2, constantBlock(11), 8);
    mixer.mix();
    EXPECT_TRUE(trace.order.empty());
}

TEST_F(Mixer, HooksAreCalledWithoutTheLockAndAChangeShowsFromTheNextBlock)
{
    velmora::test::Watchdog watchdog(std::chrono::seconds(10), "hook lock test");
    static StereoMixer* hooked = nullptr;
    hooked = &mixer;
    // A hook is plug-in code that may wait for another thread, which must not
    // be stuck on the mixer meanwhile (changing a hook, here).
    mixer.setEffectHook(1, 0, [](int32_t, int16_t*, int32_t) -> int32_t {
        return std::async(std::launch::async, [] { return hooked->setEffectHook(1, 1, nullptr); }).get() == 0;
    });
    mixer.setEffectHook(1, 1, incrementingHook);
    trace = {};
    fill(1, constantBlock(5));
    mixer.mix();
    EXPECT_EQ(mixer.channels[1].effectHook[1], nullptr);
    EXPECT_EQ(trace.order, (std::vector<int>{1})); // the block under way keeps its hooks
    trace = {};
    fill(1, constantBlock(5));
    mixer.mix();
    EXPECT_TRUE(trace.order.empty());
}

TEST_F(Mixer, SoloHoldsTheOtherChannelsBlocksUntilItEnds)
{
    mixer.setPan(0, 0);
    mixer.setPan(2, 100);
    fill(0, constantBlock(10));
    fill(2, constantBlock(20));
    mixer.setSolo(2, true);
    EXPECT_EQ(mixer.channelLevel(0), 0);
    mixer.mix();
    EXPECT_EQ(left(0), 0);
    EXPECT_EQ(right(0), 20);

    const Block later = constantBlock(30);
    EXPECT_EQ(mixer.fill(0, later.data(), kBlockBytes), toWire(engine::Error::Busy));
    mixer.setSolo(2, false);
    EXPECT_EQ(mixer.soloChannel, -1);
    mixer.mix();
    EXPECT_EQ(left(0), 10); // the held block comes first

    // The solo channel is heard even when muted, though its level reads 0.
    mixer.setEnabled(2, false);
    mixer.setSolo(2, true);
    fill(2, constantBlock(20));
    EXPECT_EQ(mixer.channelLevel(2), 0);
    mixer.mix();
    EXPECT_EQ(right(0), 20);
}

TEST_F(Mixer, MutingDropsTheUnmixedBlock)
{
    mixer.setPan(1, 0);
    fill(1, constantBlock(10));
    mixer.setEnabled(1, false);
    EXPECT_EQ(mixer.channels[1].filled, 0);
    mixer.mix();
    EXPECT_EQ(left(0), 0);

    mixer.setEnabled(1, true);
    fill(1, constantBlock(12));
    mixer.mix();
    EXPECT_EQ(left(0), 12);
}

TEST(MixerArithmetic, EverySampleValueMatchesTheIntegerFormula)
{
    constexpr int kAll = 65536;
    StereoMixer mixer;
    ASSERT_EQ(mixer.setup(1, kAll * 2), toWire(engine::Error::Ok));
    std::vector<int16_t> block(kAll);
    for (int i = 0; i < kAll; ++i)
        block[static_cast<size_t>(i)] = static_cast<int16_t>(i - 32768);
    const auto clampSample = [](int32_t v) { return std::clamp(v, -32768, 32767); };

    for (int volume : {1, 33, 99, 101, 150, 199, 200}) {
        for (int pan : {0, 1, 37, 50, 99}) {
            for (int master : {1, 50, 99, 100, 101, 200}) {
                mixer.setVolume(0, volume);
                mixer.setPan(0, pan);
                mixer.setMasterVolume(master);
                ASSERT_EQ(mixer.fill(0, block.data(), kAll * 2), toWire(engine::Error::Ok));
                mixer.mix();
                for (int i = 0; i < kAll; ++i) {
                    const int32_t s = clampSample(block[static_cast<size_t>(i)] * volume / 100);
                    const int32_t left = clampSample((s * (100 - pan) / 100) * master / 100);
                    const int32_t right = clampSample((s * pan / 100) * master / 100);
                    ASSERT_EQ(mixer.mixBlock[2 * i], left)
                        << volume << ' ' << pan << ' ' << master << ' ' << i;
                    ASSERT_EQ(mixer.mixBlock[2 * i + 1], right)
                        << volume << ' ' << pan << ' ' << master << ' ' << i;
                }
            }
        }
    }
}
