#pragma once

// The real engine for the benches that measure it in-process: the plug-ins
// it loads copied from the build's program folder into one of the bench's
// own, its settings in a config folder of its own, its main loop on one
// thread and the plug-ins' windows on another (headless), driven as a user
// drives them. The plug-ins find the shared services library (and the media
// player its decoder modules) beside the bench program.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/Engine.h"
#include "platform/core/Module.h"
#include "platform/ui/Window.h"
#include "platform/ui/headless/Headless.h"
#include "plugins/tindle/Layout.h"
#include "tests/platform/ui/ControlTestKit.h"
#include "tests/support/EngineTestSeam.h"
#include "tests/support/Eventually.h"
#include "tests/support/FileText.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowThread.h"

namespace velmora::bench {

using namespace std::chrono_literals;

// A bench that cannot go on says why and ends at once: its engine's threads
// would only measure a broken set-up.
[[noreturn]] inline void abandon(const std::string& why)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why.c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}

inline constexpr char kWavePlayerTitle[] = "Velmora Fennet";
inline constexpr char kMediaPlayerTitle[] = "PlevNT Input Module";
inline constexpr char kOutputSection[] = "Velmora Brolet Blaster";
// How long a step may take on a machine the bench itself keeps busy.
inline constexpr std::chrono::seconds kStepPatience = 60s;
inline constexpr char kWavePlayerFile[] = "Tindle.vin";
inline constexpr char kMediaPlayerFile[] = "PlevNT.vin";
inline constexpr char kOutputFile[] = "Brolet.vwo";

class BenchEngine {
public:
    // settings: the settings file's text, as a user's would read.
    explicit BenchEngine(const std::string& settings)
    {
        namespace fs = std::filesystem;
        fs::create_directory(program_.file("Plugins"));
        const std::string built = std::string(VELMORA_OUT_DIR) + "/Plugins/";
        for (const auto& entry : fs::directory_iterator(built))
            if (entry.is_regular_file())
                fs::copy_file(entry.path(), plugin(entry.path().filename()));
        // The media player takes its decoder modules from beside the program.
        const std::string decoders = plat::programFolder() + "/Plugins/Decoders";
        fs::create_directories(decoders);
        fs::copy(built + "Decoders", decoders, fs::copy_options::update_existing | fs::copy_options::recursive);
        test::writeText(config_.file("velmoraaudioengine.ini"), settings);
        engine.setFolder(program_.path());
        mainLoop_ = std::thread([this] { engine.runLoop(); });
        if (!windowThread_.start())
            abandon("the window thread does not start");
    }
    ~BenchEngine()
    {
        stopStreaming();
        onWindowThread([&] {
            for (const int slot : effects_)
                engine.slots().unloadEffect(slot, true);
            for (const int slot : inputs_)
                engine.slots().unloadInput(slot, true);
            engine.slots().unloadOutput(true);
            return 0;
        });
        engine::EngineEvent quit{toWire(engine::Event::Quit), 1, 0, 0, 0, 0, 0};
        engine.postEvent(&quit);
        mainLoop_.join();
        windowThread_.stop();
    }
    BenchEngine(const BenchEngine&) = delete;
    BenchEngine& operator=(const BenchEngine&) = delete;

    std::string plugin(const std::string& file) const { return program_.file("Plugins/" + file); }

    // As the user interface loads them from its menus; the audio system set up.
    void loadOutput()
    {
        if (onWindowThread([&] { return engine.slots().loadOutput(plugin(kOutputFile).c_str(), -1); }) != 0)
            abandon(std::string(kOutputFile) + " does not load");
    }
    void loadInput(int slot, const char* file)
    {
        if (onWindowThread([&] { return engine.slots().loadInput(slot, plugin(file).c_str(), -1); }) != 0)
            abandon(std::string(file) + " does not load");
        inputs_.push_back(slot);
    }
    void setUpAudio(int musicBufSize, int numOutBufs)
    {
        engine::AudioSystemSetup setup = engine.audio().setup();
        setup.musicBufSize = musicBufSize;
        setup.numOutBufs = numOutBufs;
        if (engine.applyAudioSetup(setup) != 0)
            abandon("the audio system cannot be set up");
    }

    // The effect into its slot, then onto each channel through the channel
    // effect menu (first effect slot of the channel) a plug-in window opens.
    void putEffect(int slot, const char* file, const std::vector<int>& channels, plat::ui::WindowHandle owner)
    {
        if (onWindowThread([&] { return engine.slots().loadEffect(slot, plugin(file).c_str(), -1); }) != 0)
            abandon(std::string(file) + " does not load");
        effects_.push_back(slot);
        const engine::EffectPlugin* effect = test::EngineSeam::effects(engine)[slot].get();
        for (const int channel : channels) {
            test::ModalScript menu;
            menu.then([slot](plat::ui::WindowHandle menuWindow, int) {
                (void)test::clickMenuItem(menuWindow, slot);
            });
            onWindowThread([&] {
                engine::EngineRequest request{};
                request.owner = reinterpret_cast<intptr_t>(owner);
                request.slot = channel;
                return engine::EngineCore::internalCallback(&request, toWire(engine::Request::ChannelEffectMenu));
            });
            if (engine.audio().channelEffect(channel, 0) != effect)
                abandon(std::string(file) + " is not on channel " + std::to_string(channel + 1));
        }
    }

    // The wave file player's window; each file dropped on its strip, attached
    // and opened, then synchronised so that one press starts them all.
    plat::ui::WindowHandle openInWavePlayer(const std::vector<std::string>& files)
    {
        plat::ui::WindowHandle player = plat::ui::findWindow(nullptr, kWavePlayerTitle);
        if (player == nullptr)
            abandon(std::string("no window titled ") + kWavePlayerTitle);
        for (int strip = 0; strip < static_cast<int>(files.size()); ++strip) {
            const std::string& file = files[static_cast<size_t>(strip)];
            const tindle::Box title = tindle::inStrip(tindle::kTitleField, strip);
            plat::ui::headless::dropFiles(player, title.x + 5, title.y + 5, {file});
            const std::string picture = std::filesystem::path(file).replace_extension("vwi");
            // Attached, pictured, and the open over (the window thread is back in its own loop).
            if (!test::eventually([&] { return attachedChannels() > strip; }, kStepPatience) ||
                !test::eventually([&] { return std::filesystem::exists(picture); }, kStepPatience) ||
                !test::eventually([&] { return plat::ui::findWindow(nullptr, kProgressTitle) == nullptr; }, kStepPatience))
                abandon("strip " + std::to_string(strip + 1) + " does not take " + file);
            waitForWindowLoop();
            click(player, tindle::inStrip(tindle::kSyncButton, strip));
        }
        return player;
    }

    // How many mixer channels have an input attached.
    int attachedChannels()
    {
        int attached = 0;
        for (const auto& channel : test::EngineSeam::channels(engine))
            attached += channel.input.load() != nullptr ? 1 : 0;
        return attached;
    }

    // A click in the middle of a box of a plug-in's layout.
    template <typename Box>
    void click(plat::ui::WindowHandle window, const Box& box)
    {
        plat::ui::headless::click(window, box.x + box.width / 2, box.y + box.height / 2);
    }

    // An event posted as a plug-in posts it, waiting for the main thread.
    static void post(engine::EngineEvent event)
    {
        if (engine::EngineCore::eventCallback(&event) == 0)
            abandon("the engine refuses event " + std::to_string(event.code));
    }
    void setChannel(int channel, int volume, int pan)
    {
        post({toWire(engine::Event::ChannelVolume), 1, volume, channel, 0, -1, 0});
        post({toWire(engine::Event::ChannelPan), 1, pan, channel, 0, 0, 0});
    }
    void stopStreaming()
    {
        engine::EngineEvent stop{toWire(engine::Event::StopStreaming), 1, 0, 0, 0, 0, 0};
        engine.postEvent(&stop);
    }

    // Until the window thread is back in its own loop: a modal loop that is
    // just ending takes a task posted to the thread and drops it, so a short
    // wait is tried again.
    void waitForWindowLoop()
    {
        constexpr auto kTry = 2s;
        const auto giveUp = std::chrono::steady_clock::now() + kStepPatience;
        while (!windowThread_.run([] { return 0; }, kTry))
            if (std::chrono::steady_clock::now() > giveUp)
                abandon("the window thread does not come back to its loop");
    }

    // Runs body on the window thread (outside any modal loop) and answers its result.
    int onWindowThread(const std::function<int()>& body)
    {
        const std::optional<int> answer = windowThread_.run(body, kStepPatience);
        if (!answer)
            abandon("the window thread does not answer");
        return *answer;
    }

private:
    static constexpr char kProgressTitle[] = "Working, please wait...";

    test::TempFolder program_;
    test::TempFolder config_;
    test::ScopedEnv configDir_{"VELMORA_CONFIG_DIR", config_.path()};

public:
    engine::Engine engine;

private:
    std::vector<int> inputs_;
    std::vector<int> effects_;
    std::thread mainLoop_;
    test::WindowThread windowThread_;
};

} // namespace velmora::bench
