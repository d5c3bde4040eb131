#include <gtest/gtest.h>

#include <vector>

#include "engine/CoreTestEngine.h"
#include "engine/EngineCore.h"
#include "support/EngineTestSeam.h"

using namespace velmora::test;
using engine::CrossfadeBlock;
using engine::InputPlugin;

namespace {

class Crossfade : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineSeam::inputs(core)[0] = loadTestPlugin<InputPlugin>(coretest::kPatternInputFile);
        input = EngineSeam::inputs(core)[0].get();
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), toWire(engine::Error::Ok));
    }

    // Accepts and starts a crossfade as the mailbox and the main thread would.
    bool post(const CrossfadeBlock& block)
    {
        if (!core.audio().acceptCrossfade(&block))
            return false;
        core.audio().startCrossfade();
        return true;
    }
    // Ticks until the crossfade ends; the number of ticks.
    int tickToEnd()
    {
        int ticks = 0;
        while (core.audio().crossfadeRunning() && ticks < 1000) {
            core.audio().crossfadeTick();
            ++ticks;
        }
        return ticks;
    }
    std::vector<UiCall> volumeReports() { return core.uiCalls(false, toWire(engine::Value::Volume)); }

    TestControls inputControls{coretest::kPatternInputFile};
    RecordingEngine core;
    InputPlugin* input = nullptr;
};

CrossfadeBlock byChannel(intptr_t out, intptr_t in, intptr_t step = 10, intptr_t target = 200)
{
    return {0, 0, 0, out, in, 200, step, target};
}

} // namespace

TEST_F(Crossfade, TicksMoveBothChannelsToTheirTargetsThenTheTimerStops)
{
    ASSERT_TRUE(post(byChannel(0, 2, 30, 180)));
    EXPECT_EQ(core.timerIntervals, (std::vector<int32_t>{200}));
    EXPECT_TRUE(core.audio().crossfadeRunning());

    core.clearRecords();
    core.audio().crossfadeTick();
    EXPECT_EQ(volumeReports(), (std::vector<UiCall>{channelCall(0, 2, 70), channelCall(2, 2, 130)}));
    EXPECT_EQ(tickToEnd(), 3);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(0), 0);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(2), 180);
    // 100 -> 70 -> 40 -> 10 -> 0 against 100 -> 130 -> 160 -> 180 -> 180
    EXPECT_EQ(volumeReports().back(), channelCall(2, 2, 180));
    EXPECT_EQ(core.stoppedTimers, (std::vector<intptr_t>{RecordingEngine::kTimerId}));
    EXPECT_FALSE(core.audio().crossfadeRunning());
    EXPECT_EQ(EngineSeam::crossfade(core).timer, 0);
}

TEST_F(Crossfade, AFadeEndsOnlyWhenBothSidesAreDone)
{
    EngineSeam::mixer(core).setVolume(1, 195);
    ASSERT_TRUE(post(byChannel(0, 1)));
    core.audio().crossfadeTick(); // the incoming side is done at once, the other is not
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 200);
    EXPECT_TRUE(core.audio().crossfadeRunning());
    EXPECT_EQ(tickToEnd(), 9);
}

TEST_F(Crossfade, APairedChannelFollowsItsPartner)
{
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 2), 1); // channels 0 and 1
    ASSERT_EQ(core.attachStreams(input->handle(), 3, 0), 1); // channel 2
    EngineSeam::mixer(core).setVolume(2, 0);
    core.clearRecords();
    ASSERT_TRUE(post(byChannel(0, 2, 50, 100)));
    core.audio().crossfadeTick();
    EXPECT_EQ(volumeReports(),
              (std::vector<UiCall>{channelCall(0, 2, 50), channelCall(1, 2, 50), channelCall(2, 2, 50)}));
    EXPECT_EQ(tickToEnd(), 1);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 0);

    // Fading in a pair lifts both halves.
    core.clearRecords();
    ASSERT_TRUE(post(byChannel(2, 1, 100, 100)));
    core.audio().crossfadeTick();
    EXPECT_EQ(volumeReports(),
              (std::vector<UiCall>{channelCall(2, 2, 0), channelCall(1, 2, 100), channelCall(0, 2, 100)}));
}

TEST_F(Crossfade, TheTwoHalvesOfOnePairNeverFadeIntoEachOther)
{
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 2), 1);
    EXPECT_TRUE(post(byChannel(0, 1))); // accepted, but no timer
    EXPECT_TRUE(post(byChannel(1, 0)));
    EXPECT_TRUE(core.timerIntervals.empty());
    EXPECT_FALSE(core.audio().crossfadeRunning());
}

TEST_F(Crossfade, ABlockIsRefusedWhileOneRunsOrWhenThereIsNone)
{
    EXPECT_FALSE(core.audio().acceptCrossfade(nullptr));
    ASSERT_TRUE(post(byChannel(0, 1)));
    const CrossfadeBlock second = byChannel(2, 3);
    EXPECT_FALSE(core.audio().acceptCrossfade(&second));
    EXPECT_EQ(EngineSeam::crossfade(core).fadeOut, 0); // the running fade is untouched
    tickToEnd();
    EXPECT_TRUE(core.audio().acceptCrossfade(&second));
}

TEST_F(Crossfade, StreamsOfAPluginAreTranslatedToTheirChannels)
{
    ASSERT_EQ(core.attachStreams(input->handle(), 2, 0), 1); // stream 1 on channel 0
    ASSERT_EQ(core.attachStreams(input->handle(), 4, 0), 1); // stream 3 on channel 1
    ASSERT_TRUE(post({0, 1, input->handle(), 3, 1, 100, 10, 200}));
    EXPECT_EQ(EngineSeam::crossfade(core).fadeOut, 1);
    EXPECT_EQ(EngineSeam::crossfade(core).fadeIn, 0);
    EXPECT_EQ(core.timerIntervals, (std::vector<int32_t>{100}));
    tickToEnd();

    // A stream no channel carries, or another plug-in's, starts nothing.
    ASSERT_TRUE(post({0, 1, input->handle(), 3, 2, 100, 10, 200}));
    ASSERT_TRUE(post({0, 1, input->handle() + 8, 3, 1, 100, 10, 200}));
    EXPECT_EQ(core.timerIntervals.size(), 1u);
}

TEST_F(Crossfade, ChannelsOutsideTheTableOrAStepThatNeverArrivesStartNothing)
{
    EXPECT_TRUE(post(byChannel(0, 4)));
    EXPECT_TRUE(post(byChannel(-1, 2)));
    EXPECT_TRUE(post(byChannel(2, 2)));
    EXPECT_TRUE(post(byChannel(0, 1, 0)));
    EXPECT_TRUE(core.timerIntervals.empty());

    // A target above the volume range ends at the top of the range.
    ASSERT_TRUE(post(byChannel(0, 1, 50, 500)));
    EXPECT_EQ(tickToEnd(), 2);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 200);
}
