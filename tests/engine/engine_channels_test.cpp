#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "engine/EngineCore.h"
#include "support/EngineTestSeam.h"

using namespace velmora::test;
using engine::EffectPlugin;
using engine::InputPlugin;
using engine::OutputPlugin;

namespace {

class Channels : public CoreEngineFixture {
protected:
    Channels() : CoreEngineFixture("channels test") {}

    void SetUp() override
    {
        resetTestPlugins();
        loadPatternInput();
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), toWire(engine::Error::Ok));
    }

    std::string effectJournal()
    {
        char text[1024];
        effectControls.get<coretest::EffectJournalFn>(coretest::kEffectJournal)(text, sizeof text);
        return text;
    }
    // Occupies channels with mono streams 1, 2, ... of the input.
    void attachMono(int count)
    {
        for (int stream = 1; stream <= count; ++stream)
            ASSERT_EQ(core.attachStreams(input->handle(), stream, 0), 1);
    }
};

} // namespace

TEST_F(Channels, AMonoStreamTakesTheFirstFreeChannelCentredAtUnity)
{
    auto effect = loadTestPlugin<EffectPlugin>(coretest::kOffsetEffectFile);
    ASSERT_EQ(core.audio().setChannelEffect(0, 1, effect.get()), toWire(engine::Error::Ok));
    EngineSeam::mixer(core).setVolume(0, 30);
    core.clearRecords();
    effectControls.get<coretest::EffectResetFn>(coretest::kEffectReset)();

    EXPECT_EQ(core.attachStreams(input->handle(), 3, 0), 1);
    EXPECT_EQ(EngineSeam::channels(core)[0].input, input);
    EXPECT_EQ(EngineSeam::channels(core)[0].stream, 2);
    EXPECT_EQ(EngineSeam::channels(core)[0].partner, -1);
    EXPECT_EQ(EngineSeam::mixer(core).getPan(0), 50);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(0), 100);
    EXPECT_EQ(core.uiCalls(),
              (std::vector<UiCall>{channelCall(0, toWire(engine::Value::Pan), 50),
                                   channelCall(0, toWire(engine::Value::Volume), 100),
                                   channelCall(0, toWire(engine::Value::ChannelName), 0, "Pattern[3]")}));
    EXPECT_EQ(effectJournal(), "reset 0");

    EXPECT_EQ(core.attachStreams(input->handle(), 1, 0), 1);
    EXPECT_EQ(EngineSeam::channels(core)[1].input, input);
    EXPECT_EQ(EngineSeam::channels(core)[1].stream, 0);
    core.audio().clearChannelEffect(0, 1);
}

TEST_F(Channels, AStereoPairGoesHardLeftAndRightAndIsLinked)
{
    core.clearRecords();
    EXPECT_EQ(core.attachStreams(input->handle(), 1, 2), 1);
    EXPECT_EQ(core.uiCalls(),
              (std::vector<UiCall>{channelCall(0, toWire(engine::Value::Pan), 0),
                                   channelCall(0, toWire(engine::Value::Volume), 100),
                                   channelCall(0, toWire(engine::Value::ChannelName), 0, "Pattern[1]"),
                                   channelCall(1, toWire(engine::Value::Pan), 100),
                                   channelCall(1, toWire(engine::Value::Volume), 100),
                                   channelCall(1, toWire(engine::Value::ChannelName), 0, "Pattern[2]"),
                                   channelCall(0, toWire(engine::Value::Linked), 1)}));
    EXPECT_EQ(EngineSeam::mixer(core).getPan(0), 0);
    EXPECT_EQ(EngineSeam::mixer(core).getPan(1), 100);
    EXPECT_EQ(EngineSeam::channels(core)[0].partner, 1);
    EXPECT_EQ(EngineSeam::channels(core)[1].partner, 0);
    EXPECT_EQ(EngineSeam::channels(core)[1].stream, 1);
}

TEST_F(Channels, AStereoPairNeedsTwoNeighbouringFreeChannels)
{
    attachMono(4);
    core.audio().detachStreams(input->handle(), 2, 4); // channels 1 and 3 free, not neighbours
    EXPECT_EQ(EngineSeam::channels(core)[1].input, nullptr);
    EXPECT_EQ(EngineSeam::channels(core)[3].input, nullptr);
    EXPECT_EQ(core.attachStreams(input->handle(), 1, 2), 0);

    core.audio().detachStreams(input->handle(), 3, 0); // now 1, 2 and 3 are free
    EXPECT_EQ(core.attachStreams(input->handle(), 3, 4), 1);
    EXPECT_EQ(EngineSeam::channels(core)[1].input, input);
    EXPECT_EQ(EngineSeam::channels(core)[2].input, input);
    EXPECT_EQ(EngineSeam::channels(core)[1].partner, 2);

    core.audio().detachStreams(input->handle(), 3, 4);
    core.audio().detachStreams(input->handle(), 1, 0);
    attachMono(2); // channels 0 and 1; 2 and 3 free
    EXPECT_EQ(core.attachStreams(input->handle(), 3, 4), 1);
    EXPECT_EQ(EngineSeam::channels(core)[2].stream, 2);
    EXPECT_EQ(EngineSeam::channels(core)[3].stream, 3);
    EXPECT_EQ(core.attachStreams(input->handle(), 1, 0), 0); // all taken
}

TEST_F(Channels, OnlyALoadedInputWithRealStreamsIsAttached)
{
    auto stranger = loadTestPlugin<InputPlugin>(coretest::kPatternInputFile);
    EXPECT_EQ(core.attachStreams(stranger->handle(), 1, 0), 0);
    EXPECT_EQ(core.attachStreams(0, 1, 0), 0);
    EXPECT_EQ(core.attachStreams(input->handle(), 0, 0), 0);
    EXPECT_EQ(EngineSeam::channels(core)[0].input, nullptr);

    EngineSeam::inputs(core)[1] = std::move(stranger);
    EXPECT_EQ(core.attachStreams(EngineSeam::inputs(core)[1]->handle(), 1, 0), 1);
    EXPECT_EQ(EngineSeam::channels(core)[0].input, EngineSeam::inputs(core)[1].get());
}

TEST_F(Channels, DetachFreesTheChannelsOfTheNamedStreamsOnly)
{
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 2), 1);
    attachMono(1); // stream 1 again, on channel 2
    auto other = loadTestPlugin<InputPlugin>(coretest::kPatternInputFile);
    EngineSeam::inputs(core)[1] = std::move(other);
    ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[1]->handle(), 2, 0), 1); // channel 3
    core.clearRecords();

    core.audio().detachStreams(input->handle(), 1, 2);
    EXPECT_EQ(core.uiCalls(),
              (std::vector<UiCall>{channelCall(0, toWire(engine::Value::ChannelName), 0, "(null)"),
                                   channelCall(0, toWire(engine::Value::Unlinked), 0),
                                   channelCall(1, toWire(engine::Value::ChannelName), 0, "(null)"),
                                   channelCall(1, toWire(engine::Value::Unlinked), 0),
                                   channelCall(2, toWire(engine::Value::ChannelName), 0, "(null)"),
                                   channelCall(2, toWire(engine::Value::Unlinked), 0)}));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(EngineSeam::channels(core)[c].input, nullptr);
        EXPECT_EQ(EngineSeam::channels(core)[c].stream, 0);
        EXPECT_EQ(EngineSeam::channels(core)[c].partner, -1);
    }
    EXPECT_EQ(EngineSeam::channels(core)[3].input,
              EngineSeam::inputs(core)[1].get()); // same stream number, other input
}

TEST_F(Channels, DetachingOneHalfOfAPairUnlinksTheOtherHalf)
{
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 2), 1);
    core.clearRecords();
    core.audio().detachStreams(input->handle(), 2, 0);
    EXPECT_EQ(EngineSeam::channels(core)[1].input, nullptr);
    EXPECT_EQ(EngineSeam::channels(core)[0].input, input);
    EXPECT_EQ(EngineSeam::channels(core)[0].partner, -1);
    EXPECT_EQ(core.uiCalls(),
              (std::vector<UiCall>{channelCall(1, toWire(engine::Value::ChannelName), 0, "(null)"),
                                   channelCall(1, toWire(engine::Value::Unlinked), 0),
                                   channelCall(0, toWire(engine::Value::Unlinked), 0)}));
}

TEST_F(Channels, AnEffectPutIntoASlotIsCentredResetAndHooked)
{
    auto effect = loadTestPlugin<EffectPlugin>(coretest::kOffsetEffectFile);
    core.clearRecords();
    EXPECT_EQ(core.audio().setChannelEffect(2, 1, effect.get()), toWire(engine::Error::Ok));
    EXPECT_EQ(EngineSeam::channels(core)[2].fx[1], effect.get());
    EXPECT_EQ(EngineSeam::mixer(core).channels[2].effectHook[1], effect->processFunction());
    EXPECT_EQ(core.uiCalls(),
              (std::vector<UiCall>{channelCall(2, toWire(engine::Value::EffectEnabled), 1, "1")}));
    EXPECT_EQ(effectJournal(), "param 2 50;reset 2");

    core.clearRecords();
    core.audio().clearChannelEffect(2, 1);
    EXPECT_EQ(EngineSeam::channels(core)[2].fx[1], nullptr);
    EXPECT_EQ(EngineSeam::mixer(core).channels[2].effectHook[1], nullptr);
    EXPECT_EQ(core.uiCalls(),
              (std::vector<UiCall>{channelCall(2, toWire(engine::Value::EffectName), 1, "(null)"),
                                   channelCall(2, toWire(engine::Value::EffectEnabled), 1, "1")}));

    EngineSeam::mixer(core).silent = true;
    EXPECT_EQ(core.audio().setChannelEffect(4, 0, effect.get()), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(core.audio().setChannelEffect(0, 2, effect.get()), toWire(engine::Error::IndexOutOfRange));
}

TEST_F(Channels, AnEffectWithoutAChannelParameterDisablesTheSlotControl)
{
    effectControls.get<coretest::EffectSetFn>(coretest::kEffectSet)(coretest::kDefaultEffectOffset,
                                                                    engine::kFlagNoChannelParameter);
    auto effect = loadTestPlugin<EffectPlugin>(coretest::kOffsetEffectFile);
    core.clearRecords();
    ASSERT_EQ(core.audio().setChannelEffect(0, 0, effect.get()), toWire(engine::Error::Ok));
    EXPECT_EQ(core.uiCalls(),
              (std::vector<UiCall>{channelCall(0, toWire(engine::Value::EffectEnabled), 0, "0")}));
    core.audio().clearChannelEffect(0, 0);
}

TEST_F(Channels, ResettingAChannelResetsBothOfItsEffects)
{
    auto effect = loadTestPlugin<EffectPlugin>(coretest::kOffsetEffectFile);
    ASSERT_EQ(core.audio().setChannelEffect(1, 0, effect.get()), toWire(engine::Error::Ok));
    ASSERT_EQ(core.audio().setChannelEffect(1, 1, effect.get()), toWire(engine::Error::Ok));
    effectControls.get<coretest::EffectResetFn>(coretest::kEffectReset)();
    core.audio().resetChannelEffects(1);
    core.audio().resetChannelEffects(0); // no effects: nothing
    EXPECT_EQ(effectJournal(), "reset 1;reset 1");
    core.audio().clearChannelEffect(1, 0);
    core.audio().clearChannelEffect(1, 1);
}

TEST_F(Channels, ApplyingASetupRebuildsTheMixerButKeepsTheChannelTable)
{
    EngineSeam::output(core) = loadTestPlugin<OutputPlugin>(coretest::kRecordingOutputFile);
    auto effect = loadTestPlugin<EffectPlugin>(coretest::kOffsetEffectFile);
    ASSERT_EQ(core.attachStreams(input->handle(), 1, 2), 1);
    ASSERT_EQ(core.audio().setChannelEffect(0, 0, effect.get()), toWire(engine::Error::Ok));
    EngineSeam::mixer(core).setVolume(1, 20);
    EngineSeam::mixer(core).setMasterVolume(40);
    EngineSeam::mixer(core).setSolo(1, true);

    engine::AudioSystemSetup setup{3, 2048, 8, 32768, 1, 0};
    EXPECT_EQ(core.applyAudioSetup(setup), toWire(engine::Error::Ok));
    EXPECT_EQ(core.audio().setup().musicBufSize, 2048);
    EXPECT_EQ(EngineSeam::mixer(core).blockBytes, 2048);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 100);
    EXPECT_EQ(EngineSeam::mixer(core).getPan(0), 50);
    EXPECT_EQ(EngineSeam::mixer(core).getMasterVolume(), 100);
    EXPECT_EQ(EngineSeam::mixer(core).soloChannel, -1);
    EXPECT_EQ(EngineSeam::channels(core)[0].input, input);
    EXPECT_EQ(EngineSeam::channels(core)[0].partner, 1);
    // The effect still in the slot keeps running in the new mixer.
    EXPECT_EQ(EngineSeam::mixer(core).channels[0].effectHook[0], effect->processFunction());

    coretest::InputRecord record{};
    inputControls.get<coretest::InputRecordFn>(coretest::kInputRecord)(&record);
    EXPECT_EQ(record.musicBufSize, 2048);
    EXPECT_EQ(outputJournal(), "setup");
    core.audio().clearChannelEffect(0, 0);
}

TEST_F(Channels, AFailingInputStopsTheSetupAndAFailingOutputDoesNot)
{
    EngineSeam::output(core) = loadTestPlugin<OutputPlugin>(coretest::kRecordingOutputFile);
    coretest::OutputScript failing;
    failing.setupResult = 0;
    outputControls.get<coretest::OutputScriptFn>(coretest::kOutputScript)(&failing);
    EXPECT_EQ(core.applyAudioSetup(core.audio().setup()), toWire(engine::Error::Ok));
    EXPECT_EQ(core.shownErrors().size(), 1u);
    EXPECT_EQ(core.shownErrors()[0].first, toWire(engine::Error::PluginInternal));

    outputControls.get<coretest::OutputResetFn>(coretest::kOutputReset)();
    inputControls.get<coretest::InputSetupResultFn>(coretest::kInputSetupResult)(0);
    EXPECT_EQ(core.applyAudioSetup(core.audio().setup()), toWire(engine::Error::PluginInternal));
    EXPECT_EQ(outputJournal(), ""); // the output was not reached
}
