#pragma once

// The live recording input as the engine runs it, for the suite and the
// latency benchmark alike (so nothing here needs a test framework; failures
// come back as texts). A program folder of the rig's own holds Quillan.vin
// and the recording output; the real engine runs its main loop on a thread
// of the rig and carries out the input's attach, detach and start streaming events, while the
// input's window lives on the rig's window thread (headless) and is driven
// by clicks, as a user drives it. What the recording output was given is
// the probe: every stereo block the mixer made, in order.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/Engine.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/headless/Headless.h"
#include "plugins/quillan/Layout.h"
#include "tests/platform/ui/ControlTestKit.h"
#include "tests/plugins/CoreTestPlugins.h"
#include "tests/support/EngineTestSeam.h"
#include "tests/support/Eventually.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"

namespace velmora::test {

inline constexpr char kQuillanFile[] = "Quillan.vin";
inline constexpr char kQuillanTitle[] = "Velmora mr. dorvish";

// Where a user clicks on the window.
struct QuillanSpot {
    int x;
    int y;
};
constexpr QuillanSpot centreOf(const quillan::Box& box)
{
    return {box.x + box.width / 2, box.y + box.height / 2};
}
inline constexpr QuillanSpot kDeviceNameSpot = centreOf(quillan::kDeviceDisplay);
inline constexpr QuillanSpot kStereoSpot = centreOf(quillan::kStereoButton);
inline constexpr QuillanSpot kRecordSpot = centreOf(quillan::kRecordButton);
inline constexpr QuillanSpot kConnectSpot = centreOf(quillan::kConnectButton);

// The mixer's stereo blocks split into their sides.
struct StereoSides {
    std::vector<int16_t> left;
    std::vector<int16_t> right;
};

class QuillanEngineKit {
public:
    QuillanEngineKit()
    {
        std::filesystem::create_directory(program_.file("Plugins"));
        engine.setFolder(program_.path());
    }
    ~QuillanEngineKit() { finish(); }
    QuillanEngineKit(const QuillanEngineKit&) = delete;
    QuillanEngineKit& operator=(const QuillanEngineKit&) = delete;

    // The recording output, the audio system at musicBufSize bytes a block,
    // then Quillan loaded on the window thread as the user interface loads
    // it, and its window. "" or what failed.
    std::string start(int32_t musicBufSize)
    {
        std::error_code error;
        for (const std::string& source :
             {std::string(VELMORA_OUT_DIR) + "/Plugins/" + kQuillanFile,
              std::string(VELMORA_TEST_PLUGINS_DIR) + "/" + coretest::kRecordingOutputFile})
            if (!std::filesystem::copy_file(source, plugin(std::filesystem::path(source).filename().string()),
                                            error))
                return "cannot copy " + source;
        if (engine.slots().loadOutput(plugin(coretest::kRecordingOutputFile).c_str(), -1) != 0 ||
            !probe_.load(plugin(coretest::kRecordingOutputFile)))
            return "the recording output does not load";
        resetOutput();
        EngineSeam::audioSetup(engine).musicBufSize = musicBufSize;
        if (engine.applyAudioSetup(engine.audio().setup()) != 0)
            return "the audio system refuses " + std::to_string(musicBufSize) + "-byte blocks";
        mainLoop_ = std::thread([this] { engine.runLoop(); });
        windowThread_ = std::thread([this] {
            windowThreadId_ = plat::currentThreadId();
            loadResult_ = engine.slots().loadInput(0, plugin(kQuillanFile).c_str(), -1);
            plat::ui::Message message;
            while (plat::ui::getMessage(message))
                plat::ui::dispatchMessage(message);
        });
        if (!eventually([&] { return loadResult_.load() != kNotLoaded; }) || loadResult_.load() != 0)
            return "Quillan.vin does not load: " + std::to_string(loadResult_.load());
        window = plat::ui::findWindow(nullptr, kQuillanTitle);
        return window != nullptr ? "" : "no window titled " + std::string(kQuillanTitle);
    }

    // Hands the engine's set-up with another block size to the output and
    // the input, as the Audio System Setup does; only while nothing streams.
    bool changeMusicBufSize(int32_t musicBufSize)
    {
        engine::AudioSystemSetup setup = engine.audio().setup();
        setup.musicBufSize = musicBufSize;
        return eventually(
            [&] { return !engine.audio().isStreaming() && engine.applyAudioSetup(setup) == 0; });
    }

    void click(QuillanSpot spot) const { plat::ui::headless::click(window, spot.x, spot.y); }

    // Opens the device menu and chooses its item at position.
    bool chooseDevice(int position)
    {
        std::atomic<int> chosen{-1};
        ModalScript menu;
        menu.then(
            [&](plat::ui::WindowHandle menuWindow, int) { chosen = clickMenuItem(menuWindow, position); });
        click(kDeviceNameSpot);
        return eventually([&] { return chosen.load() >= 0; }) && chosen.load() == 1;
    }

    // The connect button; true once channel 0 (and 1 for stereo) takes the
    // input's streams, or once they are given back.
    bool connect(bool stereo)
    {
        click(kConnectSpot);
        return eventually([&] { return fed(0) && fed(1) == stereo; });
    }
    bool disconnect()
    {
        click(kConnectSpot);
        return eventually([&] { return !fed(0) && !fed(1); });
    }
    // The record button; true once the engine streams, or once the stream
    // has ended and the engine stopped by itself.
    bool startRecording()
    {
        click(kRecordSpot);
        return eventually([&] { return engine.audio().isStreaming(); });
    }
    bool stopRecording()
    {
        click(kRecordSpot);
        return eventually([&] { return !engine.audio().isStreaming(); });
    }

    void resetOutput() { probe_.function<coretest::OutputResetFn>(coretest::kOutputReset)(); }
    int outputBlockCount()
    {
        return probe_.function<coretest::OutputBlockCountFn>(coretest::kOutputBlockCount)();
    }
    // The left and right samples of output blocks first to first + count - 1.
    StereoSides outputSides(int first, int count)
    {
        const auto blockAt = probe_.function<coretest::OutputBlockFn>(coretest::kOutputBlock);
        StereoSides sides;
        std::vector<int16_t> block(EngineSeam::mixer(engine).mixBytes / 2);
        int32_t empty = 0;
        for (int k = first; k < first + count; ++k) {
            const int32_t bytes = blockAt(k, block.data(), static_cast<int32_t>(block.size() * 2), &empty);
            for (int i = 0; i + 1 < bytes / 2; i += 2) {
                sides.left.push_back(block[static_cast<size_t>(i)]);
                sides.right.push_back(block[static_cast<size_t>(i + 1)]);
            }
        }
        return sides;
    }

    // Stops what still streams, unloads the input (its window saves and
    // closes) and the output, and ends both threads.
    void finish()
    {
        if (!mainLoop_.joinable())
            return;
        engine::EngineEvent stop{toWire(engine::Event::StopStreaming), 1, 0, 0, 0, 0, 0};
        engine.postEvent(&stop);
        engine.slots().unloadInput(0, true);
        engine.slots().unloadOutput(true);
        engine::EngineEvent quit{toWire(engine::Event::Quit), 1, 0, 0, 0, 0, 0};
        engine.postEvent(&quit);
        mainLoop_.join();
        if (windowThread_.joinable()) {
            eventually(
                [&] { return plat::ui::postThreadMessage(windowThreadId_, plat::ui::kMsgQuit, 0, 0); });
            windowThread_.join();
        }
    }

private:
    static constexpr int kNotLoaded = -1000;

    std::string plugin(const std::string& file) const { return program_.file("Plugins/" + file); }
    // Quillan is the only input, so any input there is its.
    bool fed(int channel) const { return EngineSeam::channels(engine)[channel].input.load() != nullptr; }

    TempFolder program_;
    TempFolder config_;
    ScopedEnv configDir_{"VELMORA_CONFIG_DIR", config_.path()};
    plat::DynamicLibrary probe_;

public:
    engine::Engine engine;
    plat::ui::WindowHandle window = nullptr;

private:
    std::thread mainLoop_;
    std::thread windowThread_;
    std::atomic<uint32_t> windowThreadId_{0};
    std::atomic<int> loadResult_{kNotLoaded};
};

} // namespace velmora::test
