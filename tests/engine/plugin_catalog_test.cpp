// Finding the plug-ins in the program folder, loading them into the engine's
// slots and out again, the selection kept between runs, command strings and
// the plug-ins' own unload requests.

#include <algorithm>
#include <cstring>

#include "engine/PluginFolderKit.h"
#include "api/Protocol.h"
#include "support/EngineTestSeam.h"

namespace {

using namespace velmora::test;
using engine::EngineRequest;

std::string shortNameOf(const engine::PluginEntry& entry)
{
    return entry.info.shortName;
}

// ---------------------------------------------------------------------------
// Discovery

class Discovery : public PluginFolderTest {
protected:
    void addOneOfEach()
    {
        addPlugin("good_ui.vui", "ui.vui");
        addPlugin("good_input.vin", "in.vin");
        addPlugin("good_output.vwo", "out.vwo");
        addPlugin("good_effect.vfx", "fx.vfx");
    }
};

TEST_F(Discovery, ListsEachKindInByteOrderNamingEachInTheSplashWindow)
{
    addPlugin("good_ui.vui", "ui.vui");
    addPlugin("good_input.vin", "zeta.vin");
    addPlugin("pattern_input.vin", "Alpha.vin");
    addPlugin("good_output.vwo", "out.vwo");
    addPlugin("good_effect.vfx", "fx.vfx");
    CopyProbe& zeta = probe("zeta.vin");
    SplashRecorder splash;

    ASSERT_EQ(core.slots().discoverPlugins(), 0);
    ASSERT_EQ(EngineSeam::audioInputs(core).count, 2);
    EXPECT_EQ(std::string(entry(EngineSeam::audioInputs(core), 0).path), pluginPath("Alpha.vin"));
    EXPECT_EQ(shortNameOf(entry(EngineSeam::audioInputs(core), 1)), "GoodIn");
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 1).info.flags, engine::kFlagAcceptsCommands);
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 1).instance, nullptr);
    EXPECT_EQ(splash.texts(),
              (std::vector<std::string>{"Finding Plug-Ins - GoodUI", "Finding Plug-Ins - Pattern",
                                        "Finding Plug-Ins - GoodIn", "Finding Plug-Ins - GoodOut",
                                        "Finding Plug-Ins - GoodFX"}));
    // Checked and initialised without callbacks, nothing more.
    EXPECT_EQ(zeta.journal(), "getInterfaceVersion;getPluginKind;getPluginInfo;supportNumChannels;"
                              "setPluginHandle;setEventCallback(null);setInternalCallback(null);");
}

TEST_F(Discovery, DropsFilesThatAreNotPluginsOfTheirKindSilently)
{
    addPlugin("good_ui.vui", "ui.vui");
    addPlugin("good_input.vin", "in.vin");
    addPlugin("good_output.vwo", "out.vwo");
    addPlugin("output_named_input.vin", "disguised.vin");
    addPlugin("not_a_plugin.vin", "text.vin");
    addPlugin("version_102.vin", "newer.vin");
    // An input under an output's extension is no output.
    addPlugin("good_input.vin", "twin.vwo");
    // A kind whose files are all invalid stays empty without failing.
    addPlugin("not_a_plugin.vin", "broken.vfx");
    // A path too long for an entry would be cut to another file's name.
    addPlugin("good_input.vin", std::string(250, 'l') + ".vin");

    ASSERT_EQ(core.slots().discoverPlugins(), 0);
    ASSERT_EQ(EngineSeam::audioInputs(core).count, 1);
    EXPECT_EQ(shortNameOf(entry(EngineSeam::audioInputs(core), 0)), "GoodIn");
    ASSERT_EQ(EngineSeam::audioOutputs(core).count, 1);
    EXPECT_EQ(shortNameOf(entry(EngineSeam::audioOutputs(core), 0)), "GoodOut");
    EXPECT_EQ(EngineSeam::realtimeEffects(core).count, 0);
    EXPECT_TRUE(core.shownErrors().empty());
}

TEST_F(Discovery, AKindWithoutAnyFileStopsDiscoveryWithItsErrorShown)
{
    addPlugin("good_ui.vui", "ui.vui");
    addPlugin("good_output.vwo", "out.vwo");

    EXPECT_EQ(core.slots().discoverPlugins(), toWire(engine::Error::NoAudioInput));
    using Shown = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(core.shownErrors(), (Shown{{toWire(engine::Error::NoAudioInput), "Velmora Core"}}));
    EXPECT_EQ(EngineSeam::userInterfaces(core).count, 1);
    // The kinds after it are not looked at.
    EXPECT_EQ(EngineSeam::audioOutputs(core).count, 0);
}

TEST_F(Discovery, WithoutAValidUserInterfaceTheStartFailsWithNoUserInterfaceShown)
{
    addOneOfEach();
    std::filesystem::remove(pluginPath("ui.vui"));
    addPlugin("good_input.vin", "ui.vui");
    ASSERT_EQ(core.slots().discoverPlugins(), 0);
    EXPECT_EQ(EngineSeam::userInterfaces(core).count, 0);
    EXPECT_EQ(core.slots().loadUserInterface(), toWire(engine::Error::NoUserInterface));
    EXPECT_EQ(EngineSeam::userInterface(core), nullptr);
    using Shown = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(core.shownErrors(), (Shown{{toWire(engine::Error::NoUserInterface), "Velmora Core"}}));
}

TEST_F(Discovery, TheFirstUserInterfaceIsLoadedWithBothCallbacksAndTheSecondNever)
{
    addOneOfEach();
    addPlugin("good_ui.vui", "zz_second.vui");
    CopyProbe& first = probe("ui.vui");
    CopyProbe& second = probe("zz_second.vui");
    ASSERT_EQ(core.slots().discoverPlugins(), 0);
    ASSERT_EQ(EngineSeam::userInterfaces(core).count, 2);
    first.clear();
    second.clear();

    ASSERT_EQ(core.slots().loadUserInterface(), 0);
    ASSERT_NE(EngineSeam::userInterface(core), nullptr);
    EXPECT_EQ(entry(EngineSeam::userInterfaces(core), 0).instance, EngineSeam::userInterface(core).get());
    EXPECT_EQ(entry(EngineSeam::userInterfaces(core), 1).instance, nullptr);
    EXPECT_EQ(first.handle(), EngineSeam::userInterface(core)->handle());
    EXPECT_NE(first.journal().find("setEventCallback(set);setInternalCallback(set);"), std::string::npos);
    // Its window is made later by the start-up.
    EXPECT_EQ(first.journal().find("createUserInterface"), std::string::npos);
    EXPECT_EQ(second.journal(), "");
}

// ---------------------------------------------------------------------------
// Loading into slots and unloading

class Slots : public PluginFolderTest {
protected:
    void SetUp() override
    {
        addPlugin("good_ui.vui", "ui.vui");
        addPlugin("good_input.vin", "in.vin");
        addPlugin("good_output.vwo", "out.vwo");
        addPlugin("good_effect.vfx", "fx.vfx");
        addPlugin("pattern_input.vin", "pattern.vin");
        ASSERT_EQ(core.slots().discoverPlugins(), 0);
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), 0);
        ASSERT_EQ(shortNameOf(entry(EngineSeam::audioInputs(core), 0)), "GoodIn");
        input().clear();
        effect().clear();
    }
    CopyProbe& input() { return probe("in.vin"); }
    CopyProbe& effect() { return probe("fx.vfx"); }
    int loadGoodInput(int slot) { return core.slots().loadInput(slot, pluginPath("in.vin").c_str(), 0); }
};

TEST_F(Slots, AnInputIsInitialisedGivenItsWindowAndTheSetupThenPublished)
{
    EngineSeam::audioSetup(core).musicBufSize = 2048;
    ASSERT_EQ(loadGoodInput(1), 0);
    ASSERT_NE(EngineSeam::inputs(core)[1], nullptr);
    EXPECT_EQ(EngineSeam::inputs(core)[1]->listIndex, 0);
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 0).instance, EngineSeam::inputs(core)[1].get());
    EXPECT_EQ(input().handle(), EngineSeam::inputs(core)[1]->handle());
    const std::string journal = input().journal();
    EXPECT_NE(journal.find("setPluginHandle;setEventCallback(set);setInternalCallback(set);"
                           "createUserInterface(4242,5);setupAudioSystem(3,2048,12,65536,1,0);"),
              std::string::npos)
        << journal;
}

TEST_F(Slots, APlugInThatCannotMakeItsWindowFailsSilentlyAndTheSlotStaysEmpty)
{
    input().setAnswer(0);
    EXPECT_EQ(loadGoodInput(0), toWire(engine::Error::CreateUserInterface));
    EXPECT_EQ(EngineSeam::inputs(core)[0], nullptr);
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 0).instance, nullptr);
    EXPECT_TRUE(core.shownErrors().empty());
}

TEST_F(Slots, AFailedSetupIsShownAsPluginInternalAndTheSlotStaysEmpty)
{
    plat::DynamicLibrary pattern;
    ASSERT_TRUE(pattern.load(pluginPath("pattern.vin")));
    pattern.function<coretest::InputSetupResultFn>(coretest::kInputSetupResult)(0);

    EXPECT_EQ(core.slots().loadInput(0, pluginPath("pattern.vin").c_str(), 1),
              toWire(engine::Error::PluginInternal));
    EXPECT_EQ(EngineSeam::inputs(core)[0], nullptr);
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 1).instance, nullptr);
    ASSERT_EQ(core.shownErrors().size(), 1u);
    EXPECT_EQ(core.shownErrors()[0].first, toWire(engine::Error::PluginInternal));
}

TEST_F(Slots, LoadingIntoAFilledSlotUnloadsThePreviousPlugInWithItsWindow)
{
    ASSERT_EQ(loadGoodInput(0), 0);
    input().clear();
    ASSERT_EQ(core.slots().loadInput(0, pluginPath("pattern.vin").c_str(), 1), 0);
    EXPECT_EQ(input().journal(), "destroyUserInterface;");
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 0).instance, nullptr);
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 1).instance, EngineSeam::inputs(core)[0].get());
}

TEST_F(Slots, OneFileIsNeverLoadedIntoTwoSlots)
{
    ASSERT_EQ(loadGoodInput(0), 0);
    const engine::Plugin* first = EngineSeam::inputs(core)[0].get();
    EXPECT_EQ(loadGoodInput(1), toWire(engine::Error::NotNow));
    EXPECT_EQ(EngineSeam::inputs(core)[1], nullptr);
    EXPECT_EQ(EngineSeam::inputs(core)[0].get(), first);
    EXPECT_EQ(input().handle(), first->handle());
    // Into its own slot again it is simply reloaded.
    EXPECT_EQ(loadGoodInput(0), 0);
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 0).instance, EngineSeam::inputs(core)[0].get());
}

TEST_F(Slots, UnloadingAnInputFreesEveryChannelItFeeds)
{
    ASSERT_EQ(loadGoodInput(0), 0);
    ASSERT_EQ(core.slots().loadInput(1, pluginPath("pattern.vin").c_str(), 1), 0);
    const engine::PluginHandle good = EngineSeam::inputs(core)[0]->handle();
    ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[1]->handle(), 1, 0), 1); // channel 0
    ASSERT_EQ(core.attachStreams(good, 1, 2), 1);                                  // channels 1 and 2
    ASSERT_EQ(core.attachStreams(good, 3, 0), 1);                                  // channel 3
    core.clearRecords();
    input().clear();

    core.slots().unloadInput(0, false);
    EXPECT_EQ(EngineSeam::inputs(core)[0], nullptr);
    EXPECT_EQ(entry(EngineSeam::audioInputs(core), 0).instance, nullptr);
    EXPECT_NE(EngineSeam::channels(core)[0].input.load(), nullptr);
    for (int c = 1; c < 4; ++c) {
        EXPECT_EQ(EngineSeam::channels(core)[c].input.load(), nullptr) << c;
        EXPECT_EQ(EngineSeam::channels(core)[c].stream.load(), 0) << c;
        EXPECT_EQ(EngineSeam::channels(core)[c].partner.load(), -1) << c;
    }
    EXPECT_EQ(core.uiCalls(false, toWire(engine::Value::ChannelName)),
              (std::vector<UiCall>{channelCall(1, toWire(engine::Value::ChannelName), 0, "(null)"),
                                   channelCall(2, toWire(engine::Value::ChannelName), 0, "(null)"),
                                   channelCall(3, toWire(engine::Value::ChannelName), 0, "(null)")}));
    for (int c = 1; c < 4; ++c) {
        const auto unlinked = core.uiCalls(false, toWire(engine::Value::Unlinked));
        EXPECT_NE(
            std::find(unlinked.begin(), unlinked.end(), channelCall(c, toWire(engine::Value::Unlinked), 0)),
            unlinked.end())
            << c;
    }
    // Without closeWindow its window is left alone.
    EXPECT_EQ(input().journal(), "");
}

TEST_F(Slots, AnEffectIsSetUpBeforeItsWindowAndLeavesEveryChannelBeforeCleanUp)
{
    ASSERT_EQ(core.slots().loadEffect(1, pluginPath("fx.vfx").c_str(), 0), 0);
    EXPECT_NE(effect().journal().find(
                  "setInternalCallback(set);onSetupFX;createUserInterface(4242,5);setupAudioSystem"),
              std::string::npos)
        << effect().journal();
    engine::EffectPlugin* fx = EngineSeam::effects(core)[1].get();
    ASSERT_EQ(core.audio().setChannelEffect(0, 1, fx), 0);
    ASSERT_EQ(core.audio().setChannelEffect(3, 0, fx), 0);
    core.clearRecords();
    effect().clear();

    core.slots().unloadEffect(1, true);
    EXPECT_EQ(EngineSeam::effects(core)[1], nullptr);
    EXPECT_EQ(EngineSeam::channels(core)[0].fx[1].load(), nullptr);
    EXPECT_EQ(EngineSeam::channels(core)[3].fx[0].load(), nullptr);
    EXPECT_EQ(core.uiCalls(false, toWire(engine::Value::EffectName)),
              (std::vector<UiCall>{channelCall(0, toWire(engine::Value::EffectName), 1, "(null)"),
                                   channelCall(3, toWire(engine::Value::EffectName), 0, "(null)")}));
    EXPECT_EQ(effect().journal(), "destroyUserInterface;onCleanupFX;");
    EXPECT_EQ(entry(EngineSeam::realtimeEffects(core), 0).instance, nullptr);
}

// ---------------------------------------------------------------------------
// The selection between runs

class Selection : public Slots {};

TEST_F(Selection, RestoreFindsTheStoredFileNamesWithoutRegardToCase)
{
    writeSettings("[Velmora Audio Engine v0.1b]\nLastAudioInput1=missing.vin\nLastAudioInput2=PATTERN.VIN\n"
                  "LastAudioOutput=Out.Vwo\n");
    SplashRecorder splash;
    EXPECT_EQ(core.slots().restoreSelection(), 1);
    EXPECT_EQ(splash.texts(),
              (std::vector<std::string>{"Restoring", "Restoring - Pattern", "Restoring - GoodOut"}));
    EXPECT_EQ(EngineSeam::inputs(core)[0], nullptr);
    ASSERT_NE(EngineSeam::inputs(core)[1], nullptr);
    EXPECT_EQ(EngineSeam::inputs(core)[1]->listIndex, 1);
    ASSERT_NE(EngineSeam::output(core), nullptr);
    EXPECT_EQ(core.nameTexts, (std::vector<std::string>{"12:1:Pattern|Velmora core test plug-in",
                                                        "13:0:GoodOut|Velmora Binding Test GoodOut"}));
    // A name that matches nothing is passed over without a word.
    EXPECT_TRUE(core.shownErrors().empty());
}

TEST_F(Selection, SaveStoresTheFileNameOfEverySlotOrNothing)
{
    writeSettings("[Velmora Audio Engine v0.1b]\nLastAudioInput1=old.vin\nLastRealtimeFX3=old.vfx\n");
    ASSERT_EQ(loadGoodInput(1), 0);
    ASSERT_EQ(core.slots().loadEffect(2, pluginPath("fx.vfx").c_str(), 0), 0);
    core.slots().saveSelection();

    char value[zkr::Registry::kValueSize];
    const auto stored = [&](const char* key) {
        core.settings.getString(key, "(absent)", value);
        return std::string(value);
    };
    EXPECT_EQ(stored("LastAudioInput1"), "");
    EXPECT_EQ(stored("LastAudioInput2"), "in.vin");
    EXPECT_EQ(stored("LastAudioOutput"), "");
    EXPECT_EQ(stored("LastRealtimeFX1"), "");
    EXPECT_EQ(stored("LastRealtimeFX3"), "fx.vfx");
    EXPECT_EQ(stored("LastRealtimeFX4"), "");
}

// ---------------------------------------------------------------------------
// Command strings

class Commands : public PluginFolderTest {
protected:
    void SetUp() override
    {
        addPlugin("good_input.vin", "first.vin");
        addPlugin("good_input.vin", "second.vin");
        addPlugin("brimful_info.vin", "unflagged.vin");
        addPlugin("input_without_command.vin", "deaf.vin");
        addPlugin("good_output.vwo", "out.vwo");
        probe("first.vin").clear();
        probe("second.vin").clear();
        probe("unflagged.vin").clear();
    }
    void load(int slot, const char* name)
    {
        ASSERT_EQ(core.slots().loadInput(slot, pluginPath(name).c_str(), -1), 0) << name;
        probe(name).clear();
    }
    int32_t forward(const char* data, int32_t bytes)
    {
        engine::CopyData copy{0, bytes, data};
        EngineRequest request{};
        request.data = reinterpret_cast<intptr_t>(&copy);
        return core.handleRequest(&request, toWire(engine::Request::CommandString));
    }
};

TEST_F(Commands, TheFirstInputThatTakesTheCommandEndsTheOffer)
{
    load(0, "first.vin");
    load(1, "second.vin");
    core.slots().offerCommand("song.wav");
    EXPECT_EQ(probe("first.vin").journal(), "execCommandString(0,song.wav);");
    EXPECT_EQ(probe("second.vin").journal(), "");

    probe("first.vin").setAnswer(0);
    ASSERT_EQ(core.slots().loadOutput(pluginPath("out.vwo").c_str(), -1), 0);
    core.slots().offerCommand("list.m3u");
    EXPECT_EQ(probe("first.vin").journal(), "execCommandString(0,song.wav);execCommandString(1,list.m3u);");
    EXPECT_EQ(probe("second.vin").journal(), "execCommandString(1,list.m3u);");
}

TEST_F(Commands, OnlyInputsFlaggedForCommandsWithTheExportAreOffered)
{
    load(0, "unflagged.vin");
    load(1, "deaf.vin");
    core.slots().offerCommand("song.wav");
    EXPECT_EQ(probe("unflagged.vin").journal(), "");

    core.slots().unloadInput(1, false);
    load(1, "second.vin");
    core.slots().offerCommand("");
    core.slots().offerCommand(nullptr);
    EXPECT_EQ(probe("second.vin").journal(), "");
}

TEST_F(Commands, AForwardedCommandTakesExactlyItsByteCount)
{
    load(0, "first.vin");
    EXPECT_EQ(forward("song.wav and more", 8), 1);
    EXPECT_EQ(probe("first.vin").journal(), "execCommandString(0,song.wav);");
    EXPECT_EQ(forward("ignored", 0), 1);
    EXPECT_EQ(probe("first.vin").journal(), "execCommandString(0,song.wav);");
    EngineRequest none{};
    EXPECT_EQ(core.handleRequest(&none, toWire(engine::Request::CommandString)), 0);
}

// ---------------------------------------------------------------------------
// Unload requests

class UnloadRequests : public Slots {
protected:
    int32_t askUnload(engine::PluginHandle handle)
    {
        EngineRequest request{};
        request.pluginHandle = handle;
        return core.handleRequest(&request, toWire(engine::Request::UnloadMe));
    }
};

TEST_F(UnloadRequests, PostsTheUnloadPluginEventWithKindAndSlotWithoutUnloading)
{
    ASSERT_EQ(loadGoodInput(1), 0);
    ASSERT_EQ(core.slots().loadEffect(3, pluginPath("fx.vfx").c_str(), 0), 0);
    ASSERT_EQ(core.slots().loadOutput(pluginPath("out.vwo").c_str(), 0), 0);

    EXPECT_EQ(askUnload(EngineSeam::inputs(core)[1]->handle()), 1);
    EXPECT_EQ(core.lastEvent.code, toWire(engine::Event::UnloadPlugin));
    EXPECT_EQ(core.lastEvent.wait, 0);
    EXPECT_EQ(core.lastEvent.target, toWire(engine::EventKind::Input));
    EXPECT_EQ(core.lastEvent.index, 1);
    EXPECT_NE(EngineSeam::inputs(core)[1], nullptr);

    EXPECT_EQ(askUnload(EngineSeam::effects(core)[3]->handle()), 1);
    EXPECT_EQ(core.lastEvent.target, toWire(engine::EventKind::Effect));
    EXPECT_EQ(core.lastEvent.index, 3);
    EXPECT_EQ(askUnload(EngineSeam::output(core)->handle()), 1);
    EXPECT_EQ(core.lastEvent.target, toWire(engine::EventKind::Output));
    EXPECT_EQ(core.lastEvent.index, 0);
    EXPECT_EQ(core.postedEvents(), (std::vector<int>{-3, -3, -3}));
}

TEST_F(UnloadRequests, UnknownHandlesAndWhileStreamingTheOutputAndFeedingInputsAreRefused)
{
    ASSERT_EQ(loadGoodInput(0), 0);
    ASSERT_EQ(core.slots().loadInput(1, pluginPath("pattern.vin").c_str(), 1), 0);
    ASSERT_EQ(core.slots().loadOutput(pluginPath("out.vwo").c_str(), 0), 0);
    ASSERT_EQ(core.slots().loadEffect(0, pluginPath("fx.vfx").c_str(), 0), 0);
    ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 0), 1);
    EXPECT_EQ(askUnload(0), 0);
    EXPECT_EQ(askUnload(EngineSeam::inputs(core)[0]->handle() + 8), 0);
    EngineSeam::streaming(core).store(true);

    EXPECT_EQ(askUnload(EngineSeam::output(core)->handle()), 0);
    EXPECT_EQ(askUnload(EngineSeam::inputs(core)[0]->handle()), 0);
    EXPECT_TRUE(core.postedEvents().empty());
    EXPECT_EQ(askUnload(EngineSeam::inputs(core)[1]->handle()), 1);
    EXPECT_EQ(askUnload(EngineSeam::effects(core)[0]->handle()), 1);
    EXPECT_EQ(core.postedEvents().size(), 2u);
    EngineSeam::streaming(core).store(false);
}

} // namespace
