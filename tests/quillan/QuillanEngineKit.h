#pragma once

// The live recording input as the engine runs it, on the engine rig, for
// the suite and the latency benchmark alike (so nothing here needs a test
// framework; failures come back as texts). The engine loads Quillan.vin and
// the recording output from the rig's program folder and carries out the
// input's events on the rig's main loop, while the input's window lives on
// the rig's window thread and is driven by clicks, as a user drives it.

#include <atomic>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Window.h"
#include "platform/ui/headless/Headless.h"
#include "plugins/quillan/Layout.h"
#include "support/EngineRig.h"
#include "support/Eventually.h"

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
    QuillanEngineKit() = default;
    ~QuillanEngineKit() { finish(); }
    QuillanEngineKit(const QuillanEngineKit&) = delete;
    QuillanEngineKit& operator=(const QuillanEngineKit&) = delete;

    // The recording output, the audio system at musicBufSize bytes a block,
    // then Quillan loaded on the window thread as the user interface loads
    // it, and its window. "" or what failed.
    std::string start(int32_t musicBufSize)
    {
        for (const std::string& source :
             {builtPluginPath(kQuillanFile), testPluginPath(coretest::kRecordingOutputFile)})
            if (!rig_.place(source))
                return "cannot copy " + source;
        if (!rig_.loadRecordingOutput())
            return "the recording output does not load";
        EngineSeam::audioSetup(engine).musicBufSize = musicBufSize;
        if (engine.applyAudioSetup(engine.audio().setup()) != 0)
            return "the audio system refuses " + std::to_string(musicBufSize) + "-byte blocks";
        rig_.startMainLoop();
        if (!rig_.startWindowThread())
            return "the window thread does not start";
        const int loaded = rig_.loadInput(0, rig_.plugin(kQuillanFile)).value_or(kNotLoaded);
        if (loaded != 0)
            return "Quillan.vin does not load: " + std::to_string(loaded);
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

    void resetOutput() { rig_.output.reset(); }
    int outputBlockCount() { return rig_.output.blockCount(); }
    // The left and right samples of output blocks first to first + count - 1.
    StereoSides outputSides(int first, int count)
    {
        StereoSides sides;
        for (const OutputProbe::Block& block : rig_.output.blocks(first, count)) {
            for (size_t i = 0; i + 1 < block.samples.size(); i += 2) {
                sides.left.push_back(block.samples[i]);
                sides.right.push_back(block.samples[i + 1]);
            }
        }
        return sides;
    }

    // Stops what still streams, unloads the input (its window saves and
    // closes) and the output, and ends both threads.
    void finish() { rig_.finish(); }

private:
    static constexpr int kNotLoaded = -1000;

    // Quillan is the only input, so any input there is its.
    bool fed(int channel) const { return EngineSeam::channels(engine)[channel].input.load() != nullptr; }

    EngineRig<engine::Engine> rig_;

public:
    engine::Engine& engine = rig_.engine;
    plat::ui::WindowHandle window = nullptr;
};

} // namespace velmora::test
