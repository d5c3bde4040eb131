#pragma once

// The media player as the engine runs it: this process's plug-in object in
// input slot 0 with its window on a thread of the kit, the real engine's main
// loop on another, streaming into the recording output. The decoder modules
// are our own, in Plugins/Decoders beside the test program (where the plug-in
// looks for them).

#include <gtest/gtest.h>

#include <unistd.h>

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
#include "platform/core/Module.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "plugins/plevnt/PlevntPlugin.h"
#include "support/CarryingEngine.h"
#include "support/EngineTestSeam.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"
#include "support/WindowThread.h"

namespace velmora::test {

using namespace std::chrono_literals;

inline const bool kPlevntTestEnvironment = [] {
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    return true;
}();

inline constexpr int kBlockBytes = 4096;

// Plugins/Decoders beside this program, with the build's three modules. A
// module the build made anew replaces the old one by a rename (a test that
// has the old one loaded keeps it) and the players' copies of it go, so no
// test runs a stale module.
inline std::string testDecoderFolder()
{
    namespace fs = std::filesystem;
    const std::string folder = plevnt::decoderFolder();
    fs::create_directories(folder);
    for (const std::string module : {"ELAMP.ESP", "WAVMP.ESP", "WMAMP.ESP"}) {
        const fs::path built = std::string(VELMORA_OUT_DIR) + "/Plugins/Decoders/" + module;
        const fs::path placed = folder + "/" + module;
        std::error_code error;
        if (fs::exists(placed, error) &&
            fs::last_write_time(placed, error) >= fs::last_write_time(built, error))
            continue;
        const fs::path fresh = placed.string() + ".new" + std::to_string(getpid());
        fs::copy_file(built, fresh, fs::copy_options::overwrite_existing);
        fs::rename(fresh, placed);
        for (const char* copy : {".1", ".2"})
            fs::remove(placed.string() + copy, error);
    }
    return folder;
}

using PlevntEngine = CarryingEngine;

class InProcessPlevnt : public engine::InputPlugin {
public:
    InProcessPlevnt()
    {
        using plevnt::plugin;
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
        exports.execCommandString = [](int32_t flags, const char* text) {
            return plugin()->execCommandString(flags, text);
        };
        exports.setupAudioSystem = [](const engine::AudioSystemSetup* setup) -> int32_t {
            return plugin()->setupAudioSystem(setup);
        };
        exports.readStreamChannel = [](int32_t stream, const int16_t** block, int32_t* bytes) -> int32_t {
            return plugin()->readStreamChannel(stream, block, bytes);
        };
        exports.onStreamingError = [](int32_t code, int32_t value) {
            plugin()->onStreamingError(code, value);
        };
        plevnt::fillPluginInfo(&info);
        interfaceVersion = engine::kInterfaceVersion;
        pluginKind = toWire(engine::PluginKind::Input);
        channelCount = plevnt::kPlayerCount;
        initialised = true;
        exports.setPluginHandle(handle());
        exports.setEventCallback(&engine::EngineCore::eventCallback);
        exports.setInternalCallback(&engine::EngineCore::internalCallback);
    }
};

class PlevntEngineTest : public ::testing::Test {
protected:
    PlevntEngineTest()
    {
        std::filesystem::create_directory(program.file("Plugins"));
        std::filesystem::copy_file(testPluginPath(coretest::kRecordingOutputFile),
                                   program.file("Plugins/" + std::string(coretest::kRecordingOutputFile)));
        engine.setFolder(program.path());
        decoders = testDecoderFolder();
        for (int number = 1; number <= plevnt::kPlayerCount; ++number)
            std::filesystem::remove(plevnt::PlevntPlugin::playlistPath(number));
    }
    ~PlevntEngineTest() override { finish(); }

    // The engine with the recording output, the window thread, the plug-in with its window.
    void start()
    {
        writeText(config.file("velmoraaudioengine.ini"), "");
        const std::string output = program.file("Plugins/" + std::string(coretest::kRecordingOutputFile));
        ASSERT_EQ(engine.slots().loadOutput(output.c_str(), -1), 0);
        ASSERT_TRUE(outputLibrary.load(output));
        mainLoop = std::thread([this] { engine.runLoop(); });
        ASSERT_TRUE(windowThread.start());
        plevnt::startPlugin();
        EngineSeam::inputs(engine)[0] = std::make_unique<InProcessPlevnt>();
        ASSERT_EQ(onWindowThread([&] {
                      return EngineSeam::inputs(engine)[0]->createUserInterface(engine.program().instance, 5);
                  }),
                  0);
        ASSERT_EQ(engine.applyAudioSetup(engine.audio().setup()), 0);
        resetOutput();
    }
    int onWindowThread(const std::function<int()>& body)
    {
        const std::optional<int> answer = windowThread.run(body);
        EXPECT_TRUE(answer.has_value()) << "the window thread does not answer";
        return answer.value_or(-1);
    }
    plevnt::Player& player(int index) { return plevnt::plugin()->player(index); }
    void resetOutput() { outputLibrary.function<coretest::OutputResetFn>(coretest::kOutputReset)(); }
    // The stereo blocks the recording output was given, one after the other.
    std::vector<int16_t> outputSamples()
    {
        const int count = outputLibrary.function<coretest::OutputBlockCountFn>(coretest::kOutputBlockCount)();
        const auto blockAt = outputLibrary.function<coretest::OutputBlockFn>(coretest::kOutputBlock);
        std::vector<int16_t> samples;
        std::vector<int16_t> block(kBlockBytes);
        int32_t empty = 0;
        for (int i = 0; i < count; ++i) {
            const int32_t bytes = blockAt(i, block.data(), 2 * kBlockBytes, &empty);
            samples.insert(samples.end(), block.begin(), block.begin() + std::max(bytes, 0) / 2);
        }
        return samples;
    }
    void finish()
    {
        if (!mainLoop.joinable())
            return;
        engine::EngineEvent stop{toWire(engine::Event::StopStreaming), 1, 0, 0, 0, 0, 0};
        engine.postEvent(&stop);
        engine.slots().unloadInput(0, true);
        plevnt::stopPlugin();
        engine.slots().unloadOutput(true);
        engine::EngineEvent quit{toWire(engine::Event::Quit), 1, 0, 0, 0, 0, 0};
        EXPECT_EQ(engine.postEvent(&quit), 1);
        mainLoop.join();
        windowThread.stop();
    }

    Watchdog watchdog{90s, "PlevNT engine test"};
    TempFolder program;
    TempFolder config;
    TempFolder files;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
    std::string decoders;
    plat::DynamicLibrary outputLibrary;
    PlevntEngine engine;
    std::thread mainLoop;
    WindowThread windowThread;
};

} // namespace velmora::test
