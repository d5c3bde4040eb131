// Binding, validation, initialisation and the call wrappers of the engine's
// plug-in objects, against real libraries built from tests/plugins.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "engine/EffectPlugin.h"
#include "engine/InputPlugin.h"
#include "engine/OutputPlugin.h"
#include "engine/Plugin.h"
#include "engine/UserInterfacePlugin.h"
#include "platform/core/DynamicLibrary.h"
#include "zkr/ErrorRecording.h"

namespace {

using velmora::test::RecordingApplication;
using velmora::test::ShownError;

std::string pluginPath(const char* file)
{
    return std::string(VELMORA_TEST_PLUGINS_DIR) + "/" + file;
}

// A second reference to a test plug-in's library: the loader hands out the
// same instance, so the probe sees what the plug-in object did to it.
class PluginProbe {
public:
    // Starts from a clean journal and answers of 1, whatever an earlier test
    // left in a library the loader kept.
    explicit PluginProbe(const char* file)
    {
        if (library.load(pluginPath(file)) && library.symbol("testJournal") != nullptr) {
            clearJournal();
            setAnswer(1);
        }
    }

    std::string journal() const
    {
        auto read = library.function<const char* (*)()>("testJournal");
        return read != nullptr ? read() : "<no journal>";
    }
    void clearJournal() const { library.function<void (*)()>("testClearJournal")(); }
    void setAnswer(int32_t answer) const { library.function<void (*)(int32_t)>("testSetAnswer")(answer); }
    engine::PluginHandle handle() const
    {
        return library.function<engine::PluginHandle (*)()>("testHandle")();
    }
    int32_t postEvent(engine::EngineEvent* event) const
    {
        return library.function<int32_t (*)(engine::EngineEvent*)>("testPostEvent")(event);
    }
    int32_t request(engine::EngineRequest* request, int32_t code) const
    {
        return library.function<int32_t (*)(engine::EngineRequest*, int32_t)>("testRequest")(request, code);
    }

private:
    plat::DynamicLibrary library;
};

const char kQueries[] = "getInterfaceVersion;getPluginKind;getPluginInfo;supportNumChannels;";

class PluginBinding : public testing::Test {
protected:
    // Attaches the file to a new object of the kind and initialises it with
    // the given callbacks; the status of initialise is left in status.
    std::unique_ptr<engine::Plugin> bind(int32_t kind, const char* file,
                                         engine::EventCallback events = nullptr,
                                         engine::InternalCallback requests = nullptr)
    {
        auto plugin = engine::Plugin::create(kind);
        EXPECT_NE(plugin, nullptr);
        EXPECT_EQ(plugin->attach(pluginPath(file).c_str(), 0), 0) << file;
        status = plugin->initialise(events, requests);
        return plugin;
    }

    RecordingApplication application;
    int status = -1;
};

TEST_F(PluginBinding, AcceptsEachKindWithItsOwnExports)
{
    struct Case {
        int32_t kind;
        const char* file;
        const char* shortName;
        uint32_t flags;
    };
    for (const Case& c : {Case{toWire(engine::PluginKind::Input), "good_input.vin", "GoodIn", 2},
                          Case{toWire(engine::PluginKind::Output), "good_output.vwo", "GoodOut", 0},
                          Case{toWire(engine::PluginKind::Effect), "good_effect.vfx", "GoodFX", 1},
                          Case{toWire(engine::PluginKind::UserInterface), "good_ui.vui", "GoodUI", 0}}) {
        SCOPED_TRACE(c.file);
        auto plugin = bind(c.kind, c.file);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(plugin->initialised);
        EXPECT_EQ(plugin->kind, zkr::kKindPlugin);
        EXPECT_EQ(plugin->pluginKind, c.kind);
        EXPECT_EQ(plugin->interfaceVersion, engine::kInterfaceVersion);
        EXPECT_EQ(plugin->channelCount, 4);
        EXPECT_STREQ(plugin->info.shortName, c.shortName);
        EXPECT_EQ(plugin->info.flags, c.flags);
        EXPECT_EQ(std::string("Velmora Binding Test ") + c.shortName, plugin->info.title);
    }
    EXPECT_TRUE(application.shown.empty());
    EXPECT_EQ(engine::Plugin::create(4), nullptr);
}

TEST_F(PluginBinding, RefusesAnyOtherInterfaceVersionAfterAskingAllFourQueries)
{
    for (const char* file : {"version_100.vin", "version_102.vin"}) {
        SCOPED_TRACE(file);
        application.shown.clear();
        PluginProbe probe(file);
        auto plugin = bind(toWire(engine::PluginKind::Input), file);
        EXPECT_EQ(status, toWire(engine::Error::CorruptExports));
        EXPECT_EQ(plugin->lastError, toWire(engine::Error::CorruptExports));
        EXPECT_FALSE(plugin->initialised);
        // Asked in order; neither the handle nor a callback was handed over.
        EXPECT_EQ(probe.journal(), kQueries);
        // The cause, then the failed initialisation, each naming the file.
        EXPECT_EQ(application.shown,
                  (std::vector<ShownError>{{toWire(engine::Error::CorruptExports), file},
                                           {toWire(engine::Error::PluginInitFailed), file}}));
        // Bound functions are forgotten: nothing can be called any more.
        EXPECT_FALSE(plugin->hasExecCommandString());
    }
}

TEST_F(PluginBinding, RefusesAMissingRequiredExportWithCorruptExportInterface)
{
    {
        // A common one: nothing is asked of the library at all.
        PluginProbe probe("no_channel_count.vin");
        auto plugin = bind(toWire(engine::PluginKind::Input), "no_channel_count.vin");
        EXPECT_EQ(status, toWire(engine::Error::CorruptExports));
        EXPECT_EQ(probe.journal(), "");
        EXPECT_EQ(plugin->channelCount, -1);
    }
    for (auto [kind, file] : {std::pair{toWire(engine::PluginKind::Input), "no_read_stream.vin"},
                              std::pair{toWire(engine::PluginKind::Effect), "effect_without_reset.vfx"}}) {
        // One of the kind's own: asked after the four queries passed.
        SCOPED_TRACE(file);
        PluginProbe probe(file);
        auto plugin = bind(kind, file);
        EXPECT_EQ(status, toWire(engine::Error::CorruptExports));
        EXPECT_FALSE(plugin->initialised);
        EXPECT_EQ(probe.journal(), kQueries);
    }
}

TEST_F(PluginBinding, RefusesAValidPluginOfAnotherKind)
{
    // An output library under an input's extension.
    PluginProbe probe("output_named_input.vin");
    auto plugin = bind(toWire(engine::PluginKind::Input), "output_named_input.vin");
    EXPECT_EQ(status, toWire(engine::Error::PluginMisused));
    EXPECT_EQ(plugin->pluginKind, toWire(engine::PluginKind::Output));
    EXPECT_FALSE(plugin->initialised);
    EXPECT_EQ(probe.journal(), kQueries);
    EXPECT_EQ(application.shown,
              (std::vector<ShownError>{{toWire(engine::Error::PluginMisused), "output_named_input.vin"},
                                       {toWire(engine::Error::PluginInitFailed), "output_named_input.vin"}}));
}

TEST_F(PluginBinding, ChecksVersionThenKindThenTheKindsExports)
{
    // Wrong version and wrong kind: the version decides.
    auto wrongBoth = bind(toWire(engine::PluginKind::Output), "version_100.vin");
    EXPECT_EQ(status, toWire(engine::Error::CorruptExports));
    // Wrong kind and a missing export of the expected kind: the kind decides.
    auto wrongKind = bind(toWire(engine::PluginKind::Input), "effect_without_reset.vfx");
    EXPECT_EQ(status, toWire(engine::Error::PluginMisused));
}

TEST_F(PluginBinding, RefusesFilesThatAreNotLoadableLibraries)
{
    for (const char* file : {"not_a_plugin.vin", "no_such_plugin.vin"}) {
        SCOPED_TRACE(file);
        application.shown.clear();
        auto plugin = engine::Plugin::create(toWire(engine::PluginKind::Input));
        EXPECT_EQ(plugin->attach(pluginPath(file).c_str(), 0), toWire(engine::Error::CannotUseResource));
        EXPECT_FALSE(plugin->attached);
        ASSERT_EQ(application.shown.size(), 1u);
        EXPECT_EQ(application.shown[0].code, toWire(engine::Error::CannotUseResource));
    }
}

TEST_F(PluginBinding, BindsWithoutTheOptionalExports)
{
    {
        PluginProbe probe("effect_without_setup.vfx");
        auto plugin = bind(toWire(engine::PluginKind::Effect), "effect_without_setup.vfx");
        ASSERT_EQ(status, 0);
        auto& effect = static_cast<engine::EffectPlugin&>(*plugin);
        probe.clearJournal();
        EXPECT_EQ(effect.onSetupFX(), 0);
        EXPECT_EQ(effect.onCleanupFX(), 0);
        EXPECT_EQ(probe.journal(), "");
    }
    {
        PluginProbe probe("input_without_command.vin");
        auto plugin = bind(toWire(engine::PluginKind::Input), "input_without_command.vin");
        ASSERT_EQ(status, 0);
        EXPECT_FALSE(plugin->hasExecCommandString());
        probe.clearJournal();
        EXPECT_EQ(plugin->execCommandString(true, "song.wav"), 0);
        EXPECT_EQ(probe.journal(), "");
    }
    EXPECT_TRUE(application.shown.empty());
}

// What the plug-in hands to the engine's callbacks.
engine::EngineEvent lastEvent{};
int32_t lastRequestCode = 0;
engine::EngineRequest* lastRequest = nullptr;

int32_t recordEvent(engine::EngineEvent* event)
{
    lastEvent = *event;
    return 7;
}

int32_t recordRequest(engine::EngineRequest* request, int32_t code)
{
    lastRequest = request;
    lastRequestCode = code;
    return engine::kInterfaceVersion;
}

TEST_F(PluginBinding, InitialiseHandsOverTheObjectsAddressThenBothCallbacks)
{
    PluginProbe probe("good_input.vin");
    auto plugin = bind(toWire(engine::PluginKind::Input), "good_input.vin", recordEvent, recordRequest);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(probe.journal(),
              std::string(kQueries) + "setPluginHandle;setEventCallback(set);setInternalCallback(set);");
    EXPECT_EQ(probe.handle(), reinterpret_cast<engine::PluginHandle>(plugin.get()));
    EXPECT_EQ(plugin->handle(), probe.handle());

    engine::EngineEvent event{toWire(engine::Event::AttachStreams), 1, probe.handle(), 1, 0, 0, 2};
    EXPECT_EQ(probe.postEvent(&event), 7);
    EXPECT_EQ(lastEvent.code, toWire(engine::Event::AttachStreams));
    EXPECT_EQ(lastEvent.value, reinterpret_cast<engine::PluginHandle>(plugin.get()));
    EXPECT_EQ(lastEvent.index, 2);

    engine::EngineRequest request{};
    EXPECT_EQ(probe.request(&request, toWire(engine::Request::InterfaceVersion)), engine::kInterfaceVersion);
    EXPECT_EQ(lastRequest, &request);
    EXPECT_EQ(lastRequestCode, toWire(engine::Request::InterfaceVersion));

    // Once per load: a second initialise asks nothing.
    probe.clearJournal();
    EXPECT_EQ(plugin->initialise(nullptr, nullptr), 0);
    EXPECT_EQ(probe.journal(), "");
    EXPECT_EQ(probe.postEvent(&event), 7);

    // Discovery hands over no callbacks, and the plug-in sees none.
    PluginProbe outputProbe("good_output.vwo");
    auto output = bind(toWire(engine::PluginKind::Output), "good_output.vwo");
    ASSERT_EQ(status, 0);
    EXPECT_EQ(outputProbe.journal(),
              std::string(kQueries) + "setPluginHandle;setEventCallback(null);setInternalCallback(null);");
    EXPECT_EQ(outputProbe.postEvent(&event), -1);
}

TEST_F(PluginBinding, ReleasingForgetsEverythingLearntFromTheLibrary)
{
    PluginProbe probe("good_input.vin");
    auto plugin = bind(toWire(engine::PluginKind::Input), "good_input.vin");
    ASSERT_EQ(status, 0);
    EXPECT_EQ(plugin->release(), 0);
    EXPECT_FALSE(plugin->attached);
    EXPECT_FALSE(plugin->initialised);
    EXPECT_EQ(plugin->channelCount, -1);
    EXPECT_EQ(plugin->info.shortName[0], '\0');
    EXPECT_FALSE(plugin->hasExecCommandString());

    // Nothing reaches the library once it is released.
    probe.clearJournal();
    plugin->onPluginSwitch(true);
    EXPECT_EQ(plugin->lastError, toWire(engine::Error::NotInitialized));
    EXPECT_EQ(probe.journal(), "");

    // Attached again, it is initialised anew.
    ASSERT_EQ(plugin->attach(pluginPath("good_input.vin").c_str(), 0), 0);
    EXPECT_EQ(plugin->initialise(nullptr, nullptr), 0);
    EXPECT_EQ(plugin->channelCount, 4);
}

TEST_F(PluginBinding, TerminatesTextFieldsThePluginFilledToTheBrim)
{
    auto plugin = bind(toWire(engine::PluginKind::Input), "brimful_info.vin");
    ASSERT_EQ(status, 0);
    const engine::PluginInfo& info = plugin->info;
    for (const auto& [text, size] : {std::pair{info.title, sizeof info.title},
                                     {info.shortName, sizeof info.shortName},
                                     {info.media, sizeof info.media},
                                     {info.copyright, sizeof info.copyright},
                                     {info.version, sizeof info.version},
                                     {info.webAddress, sizeof info.webAddress}})
        EXPECT_EQ(std::strlen(text), size - 1);
}

TEST_F(PluginBinding, CheckedCallsRecordAnInternalErrorOnAZeroResult)
{
    PluginProbe outputProbe("good_output.vwo");
    PluginProbe effectProbe("good_effect.vfx");
    auto outputObject = bind(toWire(engine::PluginKind::Output), "good_output.vwo");
    auto effectObject = bind(toWire(engine::PluginKind::Effect), "good_effect.vfx");
    auto& output = static_cast<engine::OutputPlugin&>(*outputObject);
    auto& effect = static_cast<engine::EffectPlugin&>(*effectObject);
    const engine::AudioSystemSetup setup{3, 4096, 12, 65536, 1, 0};
    const int16_t block[4] = {5, 6, 7, 8};

    // Success leaves no error behind.
    EXPECT_EQ(output.setupAudioSystem(setup), 0);
    EXPECT_EQ(output.streamStereoBuffer(true, block, sizeof block), 0);
    EXPECT_EQ(effect.onSetupFX(), 0);
    EXPECT_TRUE(application.shown.empty());

    outputProbe.setAnswer(0);
    effectProbe.setAnswer(0);
    EXPECT_EQ(output.setupAudioSystem(setup), toWire(engine::Error::PluginInternal));
    EXPECT_EQ(output.stopStreaming(), toWire(engine::Error::PluginInternal));
    EXPECT_EQ(output.streamStereoBuffer(false, block, sizeof block), toWire(engine::Error::PluginInternal));
    EXPECT_EQ(output.waitForOutputDone(), toWire(engine::Error::PluginInternal));
    EXPECT_EQ(effect.setupAudioSystem(setup), toWire(engine::Error::PluginInternal));
    EXPECT_EQ(effect.onSetupFX(), toWire(engine::Error::PluginInternal));
    EXPECT_EQ(effect.onCleanupFX(), toWire(engine::Error::PluginInternal));
    EXPECT_EQ(application.shown.size(), 7u);
    for (const ShownError& shown : application.shown)
        EXPECT_EQ(shown.code, toWire(engine::Error::PluginInternal));
    EXPECT_EQ(application.shown[0].text, "good_output.vwo");
    EXPECT_EQ(application.shown[6].text, "good_effect.vfx");

    // startStreaming is not checked: its answer decides, streaming starts on 1 only.
    EXPECT_EQ(output.startStreaming(), 0);
    outputProbe.setAnswer(2);
    EXPECT_EQ(output.startStreaming(), 2);
    EXPECT_EQ(application.shown.size(), 7u);

    EXPECT_EQ(outputProbe.journal(),
              std::string(kQueries) +
                  "setPluginHandle;setEventCallback(null);setInternalCallback(null);"
                  "setupAudioSystem(3,4096,12,65536,1,0);streamStereoBuffer(1,8,5);"
                  "setupAudioSystem(3,4096,12,65536,1,0);stopStreaming;streamStereoBuffer(0,8,5);"
                  "waitForOutputDone;startStreaming(0);startStreaming(0);");
}

TEST_F(PluginBinding, AWindowThatCannotBeCreatedIsReturnedWithoutAMessage)
{
    PluginProbe probe("good_input.vin");
    auto plugin = bind(toWire(engine::PluginKind::Input), "good_input.vin");
    probe.clearJournal();
    EXPECT_EQ(plugin->createUserInterface(77, engine::kShowCommandShow), 0);
    probe.setAnswer(0);
    EXPECT_EQ(plugin->createUserInterface(77, engine::kShowCommandShow),
              toWire(engine::Error::CreateUserInterface));
    EXPECT_EQ(plugin->lastError, toWire(engine::Error::CreateUserInterface));
    EXPECT_TRUE(application.shown.empty());
    EXPECT_EQ(probe.journal(), "createUserInterface(77,5);createUserInterface(77,5);");
}

TEST_F(PluginBinding, PassesEachKindsCallsThrough)
{
    PluginProbe inputProbe("good_input.vin");
    PluginProbe effectProbe("good_effect.vfx");
    PluginProbe uiProbe("good_ui.vui");
    auto inputObject = bind(toWire(engine::PluginKind::Input), "good_input.vin");
    auto effectObject = bind(toWire(engine::PluginKind::Effect), "good_effect.vfx");
    auto uiObject = bind(toWire(engine::PluginKind::UserInterface), "good_ui.vui");
    auto& input = static_cast<engine::InputPlugin&>(*inputObject);
    auto& effect = static_cast<engine::EffectPlugin&>(*effectObject);
    auto& ui = static_cast<engine::UserInterfacePlugin&>(*uiObject);
    inputProbe.clearJournal();
    effectProbe.clearJournal();
    uiProbe.clearJournal();

    const int16_t* block = nullptr;
    int32_t bytes = 0;
    EXPECT_NE(input.readStreamChannel(1, &block, &bytes), 0);
    ASSERT_EQ(bytes, 8);
    EXPECT_EQ(block[1], -2);
    input.onStreamingError();
    EXPECT_EQ(input.execCommandString(true, "a.wav"), 1);
    EXPECT_EQ(inputProbe.journal(), "readStreamChannel(1);onStreamingError(0,0);execCommandString(1,a.wav);");

    int16_t samples[3] = {100, -200, 300};
    effect.onFXParamChange(2, 50);
    effect.resetFXChannel(2);
    effect.processChannelBuffer(2, samples, sizeof samples);
    EXPECT_EQ(samples[1], 200);
    ASSERT_NE(effect.processFunction(), nullptr);
    effect.processFunction()(3, samples, 2);
    EXPECT_EQ(samples[0], 100);
    EXPECT_EQ(samples[1], 200);
    EXPECT_EQ(effectProbe.journal(),
              "onFXParamChange(2,50);resetFXChannel(2);processChannelBuffer(2,6);processChannelBuffer(3,2);");

    // Pointer-sized values arrive whole.
    const intptr_t wide = static_cast<intptr_t>(0x123456789aLL);
    ui.updateChannelValue(engine::kMasterRight, toWire(engine::Value::Level), wide);
    ui.updateGeneralValue(0, toWire(engine::Value::Elapsed), 92);
    EXPECT_EQ(uiProbe.journal(), "updateChannelValue(-2,1,78187493530);updateGeneralValue(0,8,92);");
    // A user interface has no audio set-up.
    EXPECT_EQ(ui.setupAudioSystem(engine::AudioSystemSetup{}), toWire(engine::Error::NotImplemented));
}

} // namespace
