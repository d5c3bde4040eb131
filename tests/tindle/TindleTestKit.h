#pragma once

// The wave file player as the engine runs it. A program folder of the test's
// own holds Tindle.vin and the recording output; the real engine runs its
// main loop on a thread of the kit (carrying out the player's attach, detach
// and start streaming events with their answers) and streams into the recording output. The
// player in input slot 0 is either the library the engine loads
// (loadLibrary: its windows on the kit's window thread, driven through the
// headless backend) or this process's own plug-in object (loadInProcess),
// whose ChannelSet a test drives on the window thread and whose channels it
// may read itself while nothing streams. Errors the in-process player reports
// reach the engine's application object, which records them.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "engine/Engine.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "plugins/tindle/TindlePlugin.h"
#include "support/CarryingEngine.h"
#include "support/EngineTestSeam.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/Sox.h"
#include "support/TempFolder.h"
#include "support/WindowThread.h"

namespace velmora::test {

using namespace std::chrono_literals;

inline const bool kTindleTestEnvironment = [] {
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    return true;
}();

inline constexpr char kTindleFile[] = "Tindle.vin";
// One channel block of the engine's default set-up.
inline constexpr int kBlockBytes = 4096;
inline constexpr int kBlockSamples = kBlockBytes / 2;

// A wave file made by sox (see soxWave), checked.
inline std::string soxWaveFile(const std::string& path, const std::string& format, const std::string& synth)
{
    EXPECT_TRUE(soxWave(path, format, synth)) << "sox cannot make " << path;
    return path;
}

using TindleEngine = CarryingEngine;

// This process's plug-in object (tindle::plugin()) in an engine slot: the
// engine calls it as it calls the library's exports.
class InProcessTindle : public engine::InputPlugin {
public:
    InProcessTindle()
    {
        using tindle::plugin;
        exports.setPluginHandle = [](engine::PluginHandle handle) { plugin()->pluginHandle = handle; };
        exports.setEventCallback = [](engine::EventCallback callback) { plugin()->eventCallback = callback; };
        exports.setInternalCallback = [](engine::InternalCallback callback) {
            plugin()->internalCallback = callback;
        };
        exports.createUserInterface = [](engine::InstanceHandle instance, int32_t show) -> int32_t {
            return plugin()->createUserInterface(instance, show);
        };
        exports.destroyUserInterface = [] { plugin()->destroyUserInterface(); };
        exports.onPluginSwitch = [](int32_t show) { plugin()->onPluginSwitch(show != 0); };
        exports.setupAudioSystem = [](const engine::AudioSystemSetup* setup) -> int32_t {
            return plugin()->setupAudioSystem(setup);
        };
        exports.readStreamChannel = [](int32_t channel, const int16_t** block, int32_t* bytes) -> int32_t {
            return plugin()->readStreamChannel(channel, block, bytes);
        };
        exports.onStreamingError = [](int32_t, int32_t) { plugin()->onStreamingError(); };
        tindle::fillPluginInfo(&info);
        interfaceVersion = engine::kInterfaceVersion;
        pluginKind = toWire(engine::PluginKind::Input);
        channelCount = tindle::kChannelCount;
        initialised = true;
        exports.setPluginHandle(handle());
        exports.setEventCallback(&engine::EngineCore::eventCallback);
        exports.setInternalCallback(&engine::EngineCore::internalCallback);
    }
};

class TindleTest : public ::testing::Test {
protected:
    TindleTest()
    {
        std::filesystem::create_directory(program.file("Plugins"));
        std::filesystem::copy_file(std::string(VELMORA_OUT_DIR) + "/Plugins/" + kTindleFile,
                                   plugin(kTindleFile));
        std::filesystem::copy_file(testPluginPath(coretest::kRecordingOutputFile),
                                   plugin(coretest::kRecordingOutputFile));
        engine.setFolder(program.path());
    }
    ~TindleTest() override { finish(); }

    std::string plugin(const std::string& file) const { return program.file("Plugins/" + file); }
    std::string settingsText() const { return readText(config.file("velmoraaudioengine.ini")); }
    tindle::ChannelSet& channels() { return tindle::plugin()->channels; }

    // The settings file with these lines in the player's section, the
    // recording output loaded and set up, the main loop and the window thread running.
    void start(const std::string& playerLines = "")
    {
        writeText(config.file("velmoraaudioengine.ini"),
                  std::string("[") + tindle::kSettingsSection + "]\n" + playerLines);
        ASSERT_EQ(engine.slots().loadOutput(plugin(coretest::kRecordingOutputFile).c_str(), -1), 0);
        ASSERT_TRUE(outputControls.load(plugin(coretest::kRecordingOutputFile)));
        outputControls.get<coretest::OutputResetFn>(coretest::kOutputReset)();
        mainLoop = std::thread([this] { engine.runLoop(); });
        ASSERT_TRUE(windowThread.start());
    }
    // The real Tindle.vin into input slot 0, loaded on the window thread as
    // the user interface loads it; its windows live there.
    void loadLibrary()
    {
        ASSERT_EQ(
            onWindowThread([&] { return engine.slots().loadInput(0, plugin(kTindleFile).c_str(), -1); }), 0);
    }
    // This process's own plug-in object into input slot 0, with its window
    // (made on the window thread) or without: then no view is shown and
    // pictures are built without the progress dialog.
    void loadInProcess(bool withWindow)
    {
        tindle::startPlugin();
        EngineSeam::inputs(engine)[0] = std::make_unique<InProcessTindle>();
        if (withWindow) {
            ASSERT_EQ(onWindowThread([&] {
                          return EngineSeam::inputs(engine)[0]->createUserInterface(engine.program().instance,
                                                                                    5);
                      }),
                      0);
        }
        ASSERT_EQ(engine.applyAudioSetup(engine.audio().setup()), 0);
    }
    // Runs body on the window thread (while no modal loop runs there) and
    // returns its answer.
    int onWindowThread(const std::function<int()>& body)
    {
        const std::optional<int> answer = windowThread.run(body);
        EXPECT_TRUE(answer.has_value()) << "the window thread does not answer";
        return answer.value_or(-1);
    }
    // A read of the in-process player as the streaming thread makes it
    // (nothing may stream meanwhile): the samples, none when paused or not
    // delivered; delivered gets the answer.
    std::vector<int16_t> read(int channel, bool* delivered = nullptr)
    {
        const int16_t* block = nullptr;
        int32_t bytes = 0;
        const bool answer = tindle::plugin()->readStreamChannel(channel, &block, &bytes);
        if (delivered != nullptr)
            *delivered = answer;
        return answer ? std::vector<int16_t>(block, block + bytes / 2) : std::vector<int16_t>{};
    }
    // The stereo blocks the recording output was given, one after the other.
    std::vector<int16_t> outputSamples()
    {
        const int count = outputControls.get<coretest::OutputBlockCountFn>(coretest::kOutputBlockCount)();
        const auto blockAt = outputControls.get<coretest::OutputBlockFn>(coretest::kOutputBlock);
        std::vector<int16_t> samples;
        std::vector<int16_t> block(2 * kBlockSamples);
        int32_t empty = 0;
        for (int i = 0; i < count; ++i) {
            const int32_t bytes = blockAt(i, block.data(), 2 * kBlockBytes, &empty);
            samples.insert(samples.end(), block.begin(), block.begin() + std::max(bytes, 0) / 2);
        }
        return samples;
    }
    // Stops streaming, unloads the player and the output, ends both threads.
    void finish()
    {
        if (!mainLoop.joinable())
            return;
        engine::EngineEvent stop{toWire(engine::Event::StopStreaming), 1, 0, 0, 0, 0, 0};
        engine.postEvent(&stop);
        engine.slots().unloadInput(0, true);
        tindle::stopPlugin();
        engine.slots().unloadOutput(true);
        engine::EngineEvent quit{toWire(engine::Event::Quit), 1, 0, 0, 0, 0, 0};
        EXPECT_EQ(engine.postEvent(&quit), 1);
        mainLoop.join();
        windowThread.stop();
    }

    Watchdog watchdog{60s, "Tindle test"};
    TempFolder program;
    TempFolder config;
    TempFolder files;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
    // The test controls of the engine's instance of the recording output (the
    // copy in the program folder), from start on.
    struct LoadedControls {
        bool load(const std::string& path) { return library.load(path); }
        template <typename Function> Function get(const char* name)
        {
            auto function = library.function<Function>(name);
            EXPECT_NE(function, nullptr) << name;
            return function;
        }
        plat::DynamicLibrary library;
    } outputControls;
    TindleEngine engine;
    std::thread mainLoop;
    WindowThread windowThread;
};

} // namespace velmora::test
