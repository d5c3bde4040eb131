// The events plug-ins post, as the main thread carries them out: results,
// clamping, and which plug-in or mixer setting each one reaches.

#include <gtest/gtest.h>

#include <string>

#include "engine/CoreTestEngine.h"
#include "support/EngineTestSeam.h"

using velmora::test::EngineSeam;

namespace {

using engine::EngineEvent;
using velmora::test::CoreEngineFixture;
using velmora::test::generalCall;
using velmora::test::loadTestPlugin;
using velmora::test::TestControls;

constexpr engine::AudioSystemSetup kSetup{3, 4096, 12, 65536, 1, 0};

EngineEvent event(intptr_t code, intptr_t value = 0, intptr_t target = 0, intptr_t partner = 0,
                  intptr_t index = 0)
{
    return EngineEvent{code, 0, value, target, 0, partner, index};
}

// The journal of one of the binding test plug-ins, cleared at the start.
class Journal {
public:
    explicit Journal(const char* file) : controls(file) { controls.get<void (*)()>("testClearJournal")(); }
    std::string text() { return controls.get<const char* (*)()>("testJournal")(); }
    void clear() { controls.get<void (*)()>("testClearJournal")(); }

private:
    TestControls controls;
};

class EngineEventsTest : public CoreEngineFixture {
protected:
    EngineEventsTest() : CoreEngineFixture("engine events") {}

    void SetUp() override
    {
        resetTestPlugins();
        ASSERT_EQ(core.applyAudioSetup(kSetup), toWire(engine::Error::Ok));
    }
    void TearDown() override { core.audio().stopStreaming(); }

    int32_t carryOut(const EngineEvent& posted)
    {
        quit = false;
        return core.carryOutEvent(posted, quit);
    }
    std::string effectJournal()
    {
        char text[2048];
        effectControls.get<coretest::EffectJournalFn>(coretest::kEffectJournal)(text, sizeof text);
        return text;
    }

    bool quit = false;
};

TEST_F(EngineEventsTest, UnknownCodesAreAcceptedAndDoNothing)
{
    for (intptr_t code : {intptr_t{0}, intptr_t{-1}, intptr_t{-4}, intptr_t{15}, intptr_t{1000}}) {
        EXPECT_EQ(carryOut(event(code, 5, 1, 2, 1)), 1) << code;
        EXPECT_FALSE(quit) << code;
    }
    EXPECT_TRUE(core.uiCalls().empty());
    EXPECT_TRUE(core.shownErrors().empty());
    EXPECT_EQ(EngineSeam::mixer(core).getMasterVolume(), 100);
}

TEST_F(EngineEventsTest, StartNeedsAnOutputAndQuitWaitsForTheStop)
{
    EXPECT_EQ(carryOut(event(toWire(engine::Event::StartStreaming))), 0);
    EXPECT_FALSE(core.audio().isStreaming());

    EngineSeam::output(core) = loadTestPlugin<engine::OutputPlugin>(coretest::kRecordingOutputFile);
    EXPECT_EQ(carryOut(event(toWire(engine::Event::StartStreaming))), 1);
    EXPECT_TRUE(core.audio().isStreaming());
    // Already streaming: accepted, nothing started twice.
    EXPECT_EQ(carryOut(event(toWire(engine::Event::StartStreaming))), 1);
    EXPECT_EQ(carryOut(event(toWire(engine::Event::Quit))), 0);
    EXPECT_FALSE(quit);
    // The output stays while streaming: its name is not taken away.
    EXPECT_EQ(carryOut(event(toWire(engine::Event::UnloadPlugin), 0, toWire(engine::EventKind::Output))), 1);
    EXPECT_NE(EngineSeam::output(core), nullptr);

    EXPECT_EQ(carryOut(event(toWire(engine::Event::StopStreaming))), 1);
    EXPECT_FALSE(core.audio().isStreaming());
    EXPECT_EQ(core.uiCalls(true, toWire(engine::Value::Streaming)),
              (std::vector{generalCall(0, 7, 1), generalCall(0, 7, 0)}));
    EXPECT_TRUE(core.uiCalls(true, toWire(engine::Value::OutputName)).empty());
    EXPECT_EQ(carryOut(event(toWire(engine::Event::Quit))), 1);
    EXPECT_TRUE(quit);
}

TEST_F(EngineEventsTest, MasterVolumeAndPanAreClamped)
{
    EXPECT_EQ(carryOut(event(toWire(engine::Event::MasterVolume), 120)), 1);
    EXPECT_EQ(EngineSeam::mixer(core).getMasterVolume(), 120);
    carryOut(event(toWire(engine::Event::MasterVolume), -5));
    EXPECT_EQ(EngineSeam::mixer(core).getMasterVolume(), 0);
    // A value beyond 32 bits does not wrap round into range.
    carryOut(event(toWire(engine::Event::MasterVolume), intptr_t{1} << 33));
    EXPECT_EQ(EngineSeam::mixer(core).getMasterVolume(), 200);

    carryOut(event(toWire(engine::Event::ChannelPan), 30, 2));
    EXPECT_EQ(EngineSeam::mixer(core).getPan(2), 30);
    carryOut(event(toWire(engine::Event::ChannelPan), 101, 2));
    EXPECT_EQ(EngineSeam::mixer(core).getPan(2), 100);
    carryOut(event(toWire(engine::Event::ChannelPan), -20, 0));
    EXPECT_EQ(EngineSeam::mixer(core).getPan(0), 0);
}

TEST_F(EngineEventsTest, ChannelVolumeReachesThePartnerOnlyWhenAsked)
{
    EXPECT_EQ(carryOut(event(toWire(engine::Event::ChannelVolume), 150, 1, 2, 0)), 1);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 150);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(2), 100);

    carryOut(event(toWire(engine::Event::ChannelVolume), 60, 1, 2, 1));
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 60);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(2), 60);

    carryOut(event(toWire(engine::Event::ChannelVolume), 900, 3, 0, 1));
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(3), 200);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(0), 200);
    carryOut(event(toWire(engine::Event::ChannelVolume), -1, 3, 0, 0));
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(3), 0);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(0), 200);
}

TEST_F(EngineEventsTest, MuteSoloAndEffectOrderReachTheMixer)
{
    carryOut(event(toWire(engine::Event::Mute), 1, 2));
    EXPECT_EQ(EngineSeam::mixer(core).channels[2].enabled.load(), 0);
    carryOut(event(toWire(engine::Event::Mute), 0, 2));
    EXPECT_NE(EngineSeam::mixer(core).channels[2].enabled.load(), 0);

    carryOut(event(toWire(engine::Event::Solo), 1, 3));
    EXPECT_EQ(EngineSeam::mixer(core).soloChannel.load(), 3);
    carryOut(event(toWire(engine::Event::Solo), 0, 3));
    EXPECT_EQ(EngineSeam::mixer(core).soloChannel.load(), -1);

    carryOut(event(toWire(engine::Event::EffectsFirst), 7, 1));
    EXPECT_NE(EngineSeam::mixer(core).channels[1].effectsFirst.load(), 0);
    carryOut(event(toWire(engine::Event::EffectsFirst), 0, 1));
    EXPECT_EQ(EngineSeam::mixer(core).channels[1].effectsFirst.load(), 0);
}

TEST_F(EngineEventsTest, ChannelsOutsideTheTableAreIgnored)
{
    for (intptr_t target : {intptr_t{-1}, intptr_t{4}, intptr_t{1} << 40}) {
        for (intptr_t code : {toWire(engine::Event::ChannelVolume), toWire(engine::Event::ChannelPan),
                              toWire(engine::Event::Mute), toWire(engine::Event::Solo),
                              toWire(engine::Event::EffectsFirst), toWire(engine::Event::EffectParameter)}) {
            EXPECT_EQ(carryOut(event(code, 1, target, 0, 0)), 1) << code;
        }
    }
    // A partner outside the table is left out as well.
    carryOut(event(toWire(engine::Event::ChannelVolume), 20, 0, 9, 1));
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(0), 20);
    EXPECT_TRUE(core.shownErrors().empty());
    EXPECT_EQ(EngineSeam::mixer(core).soloChannel.load(), -1);

    // Solo off mixes every channel again whichever channel it names.
    carryOut(event(toWire(engine::Event::Solo), 1, 2));
    carryOut(event(toWire(engine::Event::Solo), 0, 7));
    EXPECT_EQ(EngineSeam::mixer(core).soloChannel.load(), -1);
}

TEST_F(EngineEventsTest, ShowWindowSwitchesThePluginInTheSlot)
{
    Journal inputJournal("good_input.vin");
    Journal outputJournal("good_output.vwo");
    Journal effectJournal("good_effect.vfx");
    EngineSeam::inputs(core)[1] = loadTestPlugin<engine::InputPlugin>("good_input.vin");
    EngineSeam::output(core) = loadTestPlugin<engine::OutputPlugin>("good_output.vwo");
    EngineSeam::effects(core)[2] = loadTestPlugin<engine::EffectPlugin>("good_effect.vfx");
    inputJournal.clear();
    outputJournal.clear();
    effectJournal.clear();

    EXPECT_EQ(carryOut(event(toWire(engine::Event::ShowWindow), 1, toWire(engine::EventKind::Input), 0, 1)),
              1);
    carryOut(event(toWire(engine::Event::ShowWindow), 0, toWire(engine::EventKind::Input), 0, 1));
    EXPECT_EQ(inputJournal.text(), "onPluginSwitch(1);onPluginSwitch(0);");

    carryOut(event(toWire(engine::Event::ShowWindow), 5, toWire(engine::EventKind::Output), 0, 0));
    EXPECT_EQ(outputJournal.text(), "onPluginSwitch(1);");

    carryOut(event(toWire(engine::Event::ShowWindow), 0, toWire(engine::EventKind::Effect), 0, 2));
    EXPECT_EQ(effectJournal.text(), "onPluginSwitch(0);");

    // Empty slots, slots beyond the kind's, and unknown kinds reach nobody.
    inputJournal.clear();
    effectJournal.clear();
    for (const auto& [kind, slot] :
         {std::pair{toWire(engine::EventKind::Input), 0}, std::pair{toWire(engine::EventKind::Input), 2},
          std::pair{toWire(engine::EventKind::Effect), 1}, std::pair{toWire(engine::EventKind::Effect), 4},
          std::pair{toWire(engine::EventKind::Effect), -1}, std::pair{0, 1}, std::pair{4, 2}}) {
        EXPECT_EQ(carryOut(event(toWire(engine::Event::ShowWindow), 1, kind, 0, slot)), 1);
    }
    EXPECT_EQ(inputJournal.text(), "");
    EXPECT_EQ(effectJournal.text(), "");
}

TEST_F(EngineEventsTest, EffectParameterReachesTheEffectInTheChannelSlot)
{
    EngineSeam::effects(core)[0] = loadTestPlugin<engine::EffectPlugin>(coretest::kOffsetEffectFile);
    ASSERT_EQ(core.audio().setChannelEffect(2, 1, EngineSeam::effects(core)[0].get()),
              toWire(engine::Error::Ok));
    const std::string before = effectJournal();

    EXPECT_EQ(carryOut(event(toWire(engine::Event::EffectParameter), 77, 2, 0, 1)), 1);
    EXPECT_EQ(effectJournal(), before + ";param 2 77");

    // The other slot of that channel, another channel and a slot beyond the two are empty.
    carryOut(event(toWire(engine::Event::EffectParameter), 10, 2, 0, 0));
    carryOut(event(toWire(engine::Event::EffectParameter), 10, 1, 0, 1));
    carryOut(event(toWire(engine::Event::EffectParameter), 10, 2, 0, 2));
    carryOut(event(toWire(engine::Event::EffectParameter), 10, 2, 0, -1));
    EXPECT_EQ(effectJournal(), before + ";param 2 77");
}

TEST_F(EngineEventsTest, UnloadReportsTheSlotNameAsNull)
{
    Journal outputJournal("good_output.vwo");
    EngineSeam::output(core) = loadTestPlugin<engine::OutputPlugin>("good_output.vwo");
    outputJournal.clear();

    EXPECT_EQ(
        carryOut(event(toWire(engine::Event::UnloadPlugin), 0, toWire(engine::EventKind::Output), 0, 0)), 1);
    EXPECT_EQ(EngineSeam::output(core), nullptr);
    EXPECT_NE(outputJournal.text().find("destroyUserInterface"), std::string::npos) << outputJournal.text();

    carryOut(event(toWire(engine::Event::UnloadPlugin), 0, toWire(engine::EventKind::Input), 0, 1));
    carryOut(event(toWire(engine::Event::UnloadPlugin), 0, toWire(engine::EventKind::Effect), 0, 3));
    // Slots and kinds that do not exist report nothing.
    carryOut(event(toWire(engine::Event::UnloadPlugin), 0, toWire(engine::EventKind::Input), 0, 2));
    carryOut(event(toWire(engine::Event::UnloadPlugin), 0, toWire(engine::EventKind::Effect), 0, 4));
    carryOut(event(toWire(engine::Event::UnloadPlugin), 0, 5, 0, 0));

    EXPECT_EQ(core.uiCalls(), (std::vector{generalCall(0, toWire(engine::Value::OutputName), 0),
                                           generalCall(1, toWire(engine::Value::InputName), 0),
                                           generalCall(3, toWire(engine::Value::EffectSlotName), 0)}));
}

} // namespace
