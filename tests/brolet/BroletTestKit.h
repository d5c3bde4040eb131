#pragma once

// The output plug-in as the engine runs it: a program folder of the test's
// own holds copies of Brolet.vwo and the pattern input; the real engine core
// loads both, the output's window (headless) on a window thread of the kit
// that then runs its message loop, while the test's thread is the engine's
// main thread (start and stop).

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "platform/core/Module.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "plugins/brolet/BroletOutput.h"
#include "support/ChildProcess.h"
#include "support/EngineTestSeam.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/Sox.h"
#include "support/TempFolder.h"

namespace velmora::test {

using namespace std::chrono_literals;

inline const bool kBroletTestEnvironment = [] {
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    return true;
}();

inline constexpr char kBroletFile[] = "Brolet.vwo";
// One stereo block of the engine's default set-up: 2048 frames.
inline constexpr int kBlockFrames = 2048;
inline constexpr int kBlockBytes = kBlockFrames * 4;

// Blocks 0 to count - 1 of pattern streams 0 (left) and 1 (right).
inline std::vector<int16_t> stereoPattern(int count)
{
    std::vector<int16_t> samples;
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < kBlockFrames; ++i)
            samples.insert(samples.end(),
                           {coretest::patternSample(0, k, i), coretest::patternSample(1, k, i)});
    return samples;
}

class BroletTest : public ::testing::Test {
protected:
    BroletTest()
    {
        std::filesystem::create_directory(program.file("Plugins"));
        std::filesystem::copy_file(std::string(VELMORA_OUT_DIR) + "/Plugins/" + kBroletFile,
                                   plugin(kBroletFile));
        std::filesystem::copy_file(testPluginPath(coretest::kPatternInputFile),
                                   plugin(coretest::kPatternInputFile));
        core.setFolder(program.path());
    }
    ~BroletTest() override { finish(); }

    std::string plugin(const std::string& file) const { return program.file("Plugins/" + file); }
    std::string settingsText() const { return readText(config.file("velmoraaudioengine.ini")); }

    // The settings file with these lines in the output's section, then the
    // pattern input and the output loaded and the audio system set up.
    void start(const std::string& broletLines = "")
    {
        writeText(config.file("velmoraaudioengine.ini"),
                  std::string("[") + brolet::kSettingsSection + "]\n" + broletLines);
        ASSERT_EQ(core.slots().loadInput(0, plugin(coretest::kPatternInputFile).c_str(), -1), 0);
        ASSERT_TRUE(inputLibrary.load(plugin(coretest::kPatternInputFile)));
        inputLibrary.function<coretest::InputResetFn>(coretest::kInputReset)();
        windowThread = std::thread([this] {
            windowThreadId = plat::currentThreadId();
            loadResult = core.slots().loadOutput(plugin(kBroletFile).c_str(), -1);
            plat::ui::Message message;
            while (plat::ui::getMessage(message))
                plat::ui::dispatchMessage(message);
        });
        ASSERT_TRUE(eventually([&] { return loadResult.load() >= 0; }));
        ASSERT_EQ(loadResult.load(), 0);
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), 0);
    }
    // Unloads the output through the engine (its window saves and closes),
    // then ends the window thread.
    void finish()
    {
        if (!windowThread.joinable())
            return;
        core.audio().stopStreaming();
        core.slots().unloadOutput(true);
        EXPECT_TRUE(eventually(
            [&] { return plat::ui::postThreadMessage(windowThreadId, plat::ui::kMsgQuit, 0, 0); }));
        windowThread.join();
    }

    void script(int stream, coretest::StreamScript script)
    {
        inputLibrary.function<coretest::InputScriptFn>(coretest::kInputScript)(stream, &script);
    }
    coretest::InputRecord inputRecord()
    {
        coretest::InputRecord record{};
        inputLibrary.function<coretest::InputRecordFn>(coretest::kInputRecord)(&record);
        return record;
    }
    // Streams 0 and 1 of the pattern for blocks blocks, played to their end.
    void playPattern(int blocks)
    {
        script(0, {blocks, 0, 0, -1});
        script(1, {blocks, 0, 0, -1});
        ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 2), 1);
        ASSERT_EQ(core.startStreaming(), 1);
        ASSERT_TRUE(core.waitForEvent(toWire(engine::Event::StopStreaming)));
        core.audio().stopStreaming();
    }
    static void inChild(const std::function<void()>& body) { runInChild(body, "Brolet test child"); }

    Watchdog watchdog{60s, "Brolet test"};
    TempFolder program;
    TempFolder config;
    TempFolder recordings;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
    RecordingEngine core;
    plat::DynamicLibrary inputLibrary;
    std::thread windowThread;
    std::atomic<uint32_t> windowThreadId{0};
    std::atomic<int> loadResult{-1};
};

} // namespace velmora::test
