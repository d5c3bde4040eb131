#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "engine/EngineCore.h"
#include "platform/core/Thread.h"
#include "support/EngineTestSeam.h"
#include "support/Eventually.h"

using namespace velmora::test;
using namespace std::chrono_literals;
using engine::EffectPlugin;
using engine::OutputPlugin;

namespace {

constexpr int kBlockBytes = 4096;
constexpr int kFrames = kBlockBytes / 2;
constexpr int kBlockMs = 46; // 2048 frames at 44100 Hz

struct OutputBlock {
    std::vector<int16_t> samples;
    int32_t bytes = 0;
    int32_t empty = 0;
};

class Streaming : public CoreEngineFixture {
protected:
    Streaming() : CoreEngineFixture("streaming test") {}

    void SetUp() override
    {
        resetTestPlugins();
        loadPatternInput();
        EngineSeam::output(core) = loadTestPlugin<OutputPlugin>(coretest::kRecordingOutputFile);
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), toWire(engine::Error::Ok));
        outputControls.get<coretest::OutputResetFn>(coretest::kOutputReset)();
    }

    void script(int stream, coretest::StreamScript streamScript)
    {
        inputControls.get<coretest::InputScriptFn>(coretest::kInputScript)(stream, &streamScript);
    }
    void scriptOutput(coretest::OutputScript outputScript)
    {
        outputControls.get<coretest::OutputScriptFn>(coretest::kOutputScript)(&outputScript);
    }
    // Starts a run and waits for the streaming thread's own stop, which the
    // main thread then carries out.
    void runToEnd()
    {
        ASSERT_EQ(core.startStreaming(), 1);
        ASSERT_TRUE(core.waitForEvent(toWire(engine::Event::StopStreaming)));
        core.audio().stopStreaming();
        EXPECT_FALSE(core.audio().isStreaming());
        EXPECT_EQ(EngineSeam::streamThread(core), nullptr);
    }
    std::vector<OutputBlock> outputBlocks()
    {
        const auto count = outputControls.get<coretest::OutputBlockCountFn>(coretest::kOutputBlockCount)();
        auto read = outputControls.get<coretest::OutputBlockFn>(coretest::kOutputBlock);
        std::vector<OutputBlock> blocks(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            OutputBlock& block = blocks[static_cast<size_t>(i)];
            block.samples.resize(2 * kFrames);
            block.bytes = read(i, block.samples.data(), 2 * kBlockBytes, &block.empty);
        }
        return blocks;
    }
    coretest::InputRecord inputRecord()
    {
        coretest::InputRecord record{};
        inputControls.get<coretest::InputRecordFn>(coretest::kInputRecord)(&record);
        return record;
    }
    std::vector<intptr_t> elapsedReports()
    {
        std::vector<intptr_t> values;
        for (const UiCall& call : core.uiCalls(true, toWire(engine::Value::Elapsed)))
            values.push_back(call.value);
        return values;
    }
};

bool isSilent(const OutputBlock& block)
{
    for (int16_t sample : block.samples) {
        if (sample != 0)
            return false;
    }
    return true;
}

} // namespace

TEST_F(Streaming, StereoBlocksReachTheOutputExactlyAndInOrder)
{
    script(0, {3, 0, 0, -1});
    script(1, {3, 0, 0, -1});
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 2), 1);
    runToEnd();

    const auto blocks = outputBlocks();
    ASSERT_EQ(blocks.size(), 4u); // three blocks, then the cycle that found both ended
    for (int k = 0; k < 3; ++k) {
        const OutputBlock& block = blocks[static_cast<size_t>(k)];
        EXPECT_EQ(block.bytes, 2 * kBlockBytes);
        EXPECT_EQ(block.empty, 0);
        for (int i = 0; i < kFrames; ++i) {
            ASSERT_EQ(block.samples[static_cast<size_t>(2 * i)], coretest::patternSample(0, k, i))
                << k << ' ' << i;
            ASSERT_EQ(block.samples[static_cast<size_t>(2 * i + 1)], coretest::patternSample(1, k, i))
                << k << ' ' << i;
        }
    }
    EXPECT_EQ(blocks[3].empty, 1);
    EXPECT_TRUE(isSilent(blocks[3]));
    EXPECT_EQ(outputJournal(), "start block block block block done stop");
    EXPECT_EQ(core.postedEvents(), (std::vector<int>{toWire(engine::Event::StopStreaming)}));
    EXPECT_TRUE(core.shownErrors().empty());
}

TEST_F(Streaming, TheUserInterfaceHearsOfChangesOnlyAndOfTheTimeEveryCycle)
{
    script(0, {3, 0, 0, -1});
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    core.clearRecords();
    runToEnd();

    // Stream 0's pattern reads 5 over its three blocks; centred, each side 2.
    EXPECT_EQ(core.uiCalls(false, toWire(engine::Value::Level)),
              (std::vector<UiCall>{channelCall(0, 1, 5), channelCall(-1, 1, 2), channelCall(-2, 1, 2),
                                   channelCall(0, 1, 0), channelCall(-1, 1, 0), channelCall(-2, 1, 0),
                                   // the wind-down clears every channel
                                   channelCall(0, 1, 0), channelCall(1, 1, 0), channelCall(2, 1, 0),
                                   channelCall(3, 1, 0)}));
    EXPECT_EQ(elapsedReports(),
              (std::vector<intptr_t>{kBlockMs, 2 * kBlockMs, 3 * kBlockMs, 4 * kBlockMs, 0}));
    const auto streamingCalls = core.uiCalls(true, toWire(engine::Value::Streaming));
    EXPECT_EQ(streamingCalls, (std::vector<UiCall>{generalCall(0, 7, 1), generalCall(0, 7, 0)}));
    EXPECT_EQ(core.uiCalls(false, toWire(engine::Value::Clipped)),
              (std::vector<UiCall>{channelCall(-1, 6, 0)}));
}

TEST_F(Streaming, EmptyBlocksKeepTheStreamAliveAndFlagTheBlockEmpty)
{
    script(0, {3, 0, 0b010, -1});
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    runToEnd();
    auto blocks = outputBlocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].empty, 0);
    EXPECT_EQ(blocks[1].empty, 1);
    EXPECT_TRUE(isSilent(blocks[1]));
    EXPECT_EQ(blocks[2].empty, 0);
    EXPECT_EQ(blocks[2].samples[0], coretest::patternSample(0, 2, 0) * 50 / 100);

    // Processed as full, the empty block is mixed as silence: still flagged
    // empty, and the channel's level drops to 0 for it.
    outputControls.get<coretest::OutputResetFn>(coretest::kOutputReset)();
    inputControls.get<coretest::InputResetFn>(coretest::kInputReset)();
    script(0, {3, 0, 0b010, -1});
    EngineSeam::mixer(core).processEmptyAsFull = 1;
    core.clearRecords();
    runToEnd();
    blocks = outputBlocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[1].empty, 1);
    EXPECT_TRUE(isSilent(blocks[1]));
    const auto levels = core.uiCalls(false, toWire(engine::Value::Level));
    ASSERT_GE(levels.size(), 4u);
    EXPECT_EQ(levels[0], channelCall(0, 1, 5));
    EXPECT_EQ(levels[3], channelCall(0, 1, 0)); // the empty block
}

TEST_F(Streaming, WithNothingAttachedOneSilentBlockIsSent)
{
    runToEnd();
    const auto blocks = outputBlocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].empty, 1);
    EXPECT_EQ(blocks[0].bytes, 2 * kBlockBytes);
    EXPECT_TRUE(isSilent(blocks[0]));
    EXPECT_EQ(outputJournal(), "start block done stop");
    EXPECT_EQ(elapsedReports(), (std::vector<intptr_t>{kBlockMs, 0}));
}

TEST_F(Streaming, AnEndingStreamResetsItsChannelsEffectsOnce)
{
    auto effect = loadTestPlugin<EffectPlugin>(coretest::kOffsetEffectFile);
    ASSERT_EQ(core.audio().setChannelEffect(1, 0, effect.get()), toWire(engine::Error::Ok));
    script(0, {2, 0, 0, -1}); // channel 0 ends after two blocks
    script(1, {4, 0, 0, -1}); // channel 1 after four
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    ASSERT_EQ(core.attachStreams(input->handle(), 2, 0), 1);
    EngineSeam::mixer(core).setPan(1, 0);
    effectControls.get<coretest::EffectResetFn>(coretest::kEffectReset)();
    runToEnd();

    char journal[256];
    effectControls.get<coretest::EffectJournalFn>(coretest::kEffectJournal)(journal, sizeof journal);
    EXPECT_STREQ(journal, "reset 1");
    EXPECT_EQ(effectControls.get<coretest::EffectProcessedFn>(coretest::kEffectProcessed)(1), 4);
    const auto blocks = outputBlocks();
    ASSERT_EQ(blocks.size(), 5u);
    // Channel 1, hard left with its offset, over half of channel 0.
    EXPECT_EQ(blocks[3].samples[0], coretest::patternSample(1, 3, 0) + coretest::kDefaultEffectOffset);
    EXPECT_EQ(blocks[0].samples[0], coretest::patternSample(1, 0, 0) + coretest::kDefaultEffectOffset +
                                        coretest::patternSample(0, 0, 0) / 2);
    core.audio().clearChannelEffect(1, 0);
}

TEST_F(Streaming, AFailingOutputEndsTheRunAndTellsEveryFeedingInput)
{
    script(0, {-1, 0, 0, -1});
    script(1, {-1, 0, 0, -1});
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 2), 1);
    scriptOutput({1, 1, 2, -1, 1});
    runToEnd();

    EXPECT_EQ(outputBlocks().size(), 3u);
    EXPECT_EQ(outputJournal(), "start block block block done stop");
    EXPECT_EQ(inputRecord().streamingErrors, 2); // one per channel the input feeds
    const auto errors = core.shownErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].first, toWire(engine::Error::PluginInternal)); // the output's own report
    EXPECT_EQ(errors[1],
              (std::pair<int, std::string>{toWire(engine::Error::OutputNotReady), "Velmora Core"}));
    EXPECT_EQ(elapsedReports(), (std::vector<intptr_t>{kBlockMs, 2 * kBlockMs, 3 * kBlockMs, 0}));
}

TEST_F(Streaming, StartNeedsAnOutputThatStartsAndRunsOnlyOnce)
{
    scriptOutput({0, 1, -1, -1, 1});
    EXPECT_EQ(core.startStreaming(), 0);
    EXPECT_FALSE(core.audio().isStreaming());
    EXPECT_EQ(EngineSeam::streamThread(core), nullptr);
    EXPECT_TRUE(core.uiCalls(true, toWire(engine::Value::Streaming)).empty());
    scriptOutput({2, 1, -1, -1, 1}); // only exactly 1 counts
    EXPECT_EQ(core.startStreaming(), 0);

    outputControls.get<coretest::OutputResetFn>(coretest::kOutputReset)();
    script(0, {-1, 0, 0, 0}); // stalls in its first read
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    ASSERT_EQ(core.startStreaming(), 1);
    EXPECT_EQ(core.startStreaming(), 1);
    EXPECT_EQ(outputJournal(), "start");
    ASSERT_EQ(inputControls.get<coretest::InputWaitStalledFn>(coretest::kInputWaitStalled)(5000), 1);
    EXPECT_EQ(plat::threadPriority(EngineSeam::streamThread(core)->handle),
              core.audio().setup().streamPriority);
    inputControls.get<coretest::InputReleaseFn>(coretest::kInputRelease)();
    core.audio().stopStreaming();

    auto withoutOutput = std::move(EngineSeam::output(core));
    EXPECT_EQ(core.startStreaming(), 0);
    EngineSeam::output(core) = std::move(withoutOutput);
}

TEST_F(Streaming, AStopWhileTheThreadWaitsInAnInputCallEndsTheRunQuietly)
{
    script(0, {-1, 0, 0, 2});
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    ASSERT_EQ(core.startStreaming(), 1);
    ASSERT_EQ(inputControls.get<coretest::InputWaitStalledFn>(coretest::kInputWaitStalled)(5000), 1);

    // The input is released once the stop has reached the output.
    std::thread releaser([this] {
        EXPECT_TRUE(eventually([this] { return outputJournal().find("stop") != std::string::npos; }));
        inputControls.get<coretest::InputReleaseFn>(coretest::kInputRelease)();
    });
    core.audio().stopStreaming();
    releaser.join();

    EXPECT_FALSE(core.audio().isStreaming());
    EXPECT_EQ(EngineSeam::streamThread(core), nullptr); // it left within the wait
    EXPECT_EQ(outputJournal(), "start block block stop");
    EXPECT_TRUE(core.postedEvents().empty()); // no second stop of its own
    EXPECT_TRUE(core.shownErrors().empty());
    EXPECT_EQ(inputRecord().streamingErrors, 0);
    EXPECT_EQ(core.uiCalls(true, toWire(engine::Value::Streaming)).back(), generalCall(0, 7, 0));
    EXPECT_EQ(elapsedReports().back(), 0);

    // A stop that finds the engine idle stops nothing.
    core.audio().stopStreaming();
    EXPECT_EQ(outputJournal(), "start block block stop");
}

TEST_F(Streaming, AStopWhileTheOutputHoldsABlockIsNoOutputFailure)
{
    script(0, {-1, 0, 0, -1});
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    scriptOutput({1, 1, -1, 1, 0}); // the second block waits for room, then is refused
    ASSERT_EQ(core.startStreaming(), 1);
    ASSERT_EQ(outputControls.get<coretest::OutputWaitHeldFn>(coretest::kOutputWaitHeld)(5000), 1);
    core.audio().stopStreaming();

    EXPECT_EQ(EngineSeam::streamThread(core), nullptr);
    EXPECT_EQ(outputJournal(), "start block block stop");
    EXPECT_TRUE(core.postedEvents().empty());
    EXPECT_EQ(inputRecord().streamingErrors, 0);
    for (const auto& error : core.shownErrors())
        EXPECT_NE(error.first, toWire(engine::Error::OutputNotReady));
}

TEST_F(Streaming, AThreadStillStalledAfterTheStopHoldsOffTheNextRun)
{
    script(0, {-1, 0, 0, 1});
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    ASSERT_EQ(core.startStreaming(), 1);
    ASSERT_EQ(inputControls.get<coretest::InputWaitStalledFn>(coretest::kInputWaitStalled)(5000), 1);
    core.audio().stopStreaming(); // the input does not return within the wait
    EXPECT_FALSE(core.audio().isStreaming());
    EXPECT_TRUE(core.audio().streamThreadRunning());
    EXPECT_EQ(core.applyAudioSetup(core.audio().setup()), toWire(engine::Error::NotNow));
    EXPECT_EQ(core.startStreaming(), 0);
    EXPECT_EQ(outputJournal(), "start block stop");

    inputControls.get<coretest::InputReleaseFn>(coretest::kInputRelease)();
    script(0, {0, 0, 0, -1});
    ASSERT_EQ(core.startStreaming(), 1);
    ASSERT_TRUE(core.waitForEvent(toWire(engine::Event::StopStreaming)));
    core.audio().stopStreaming();
    EXPECT_EQ(EngineSeam::streamThread(core), nullptr);
}

TEST_F(Streaming, NoPluginLeavesWhileTheStreamingThreadMayStillCallIt)
{
    script(0, {-1, 0, 0, 1});
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    ASSERT_EQ(core.startStreaming(), 1);
    ASSERT_EQ(inputControls.get<coretest::InputWaitStalledFn>(coretest::kInputWaitStalled)(5000), 1);

    // Detached while its read stalls: the input no longer feeds a channel,
    // but the thread is inside it.
    core.audio().detachStreams(input->handle(), 1, 0);
    EXPECT_FALSE(core.slots().unloadInput(0, false));
    // A stop that gives up waiting for the thread leaves it running.
    core.audio().stopStreaming();
    ASSERT_TRUE(core.audio().streamThreadRunning());
    EXPECT_FALSE(core.slots().unloadInput(0, false));
    EXPECT_FALSE(core.slots().unloadOutput(false));
    EXPECT_NE(EngineSeam::inputs(core)[0], nullptr);
    EXPECT_NE(EngineSeam::output(core), nullptr);

    inputControls.get<coretest::InputReleaseFn>(coretest::kInputRelease)();
    ASSERT_TRUE(eventually([this] { return !core.audio().streamThreadRunning(); }));
    EXPECT_TRUE(core.slots().unloadInput(0, false));
    EXPECT_TRUE(core.slots().unloadOutput(false));
    EXPECT_EQ(outputJournal(), "start block stop");
}
