// One session as a user makes it, through the windows only: the program
// started as it starts itself, with every plug-in the build makes in the
// Plugins folder beside this test program (its program folder). The user
// picks the wave file player, the output and the equaliser from the main
// window's menus, drops four wave files on the player, mixes them on the
// console, records the mix to a file only and quits; the recording must be
// the mix to the sample. A second start must bring back the plug-ins and the
// windows where the user left them.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "api/Protocol.h"
#include "engine/Engine.h"
#include "platform/core/Module.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogResponder.h"
#include "platform/ui/Window.h"
#include "plugins/brolet/Layout.h"
#include "plugins/tindle/Layout.h"
#include "plugins/velmoraui/Layout.h"
#include "support/EngineTestSeam.h"
#include "support/FileText.h"
#include "support/ProgramRun.h"
#include "support/ScopedEnv.h"
#include "support/Sox.h"
#include "support/TempFolder.h"
#include "support/UiGestures.h"
#include "support/Watchdog.h"
#include "support/WindowPictures.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;
using plat::ui::Point;
using plat::ui::Rect;
using plat::ui::WindowHandle;
namespace fs = std::filesystem;

[[maybe_unused]] const bool kSessionEnvironment = [] {
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    return true;
}();

constexpr int kChannels = 4;
// One block of the engine's default set-up, in frames.
constexpr int kBlockFrames = 2048;
constexpr int kDialogBrowse = 1011, kDialogFolder = 1012, kDialogTemplate = 1013;

// ---- the mix the recording must hold ----

struct Strip {
    int volume;
    int pan;
};

int16_t saturated(int32_t value)
{
    return static_cast<int16_t>(std::clamp(value, -32768, 32767));
}

// The mixer's integer rules, sample by sample. Each block of 2048 frames
// takes the next block of every file that still plays (the last one short);
// the effects run after the volume, and a flat equaliser (every band at 0, so
// an all-zero filter, and the whole dry signal) leaves each sample as it is.
// A channel's sample s becomes v = sat(trunc(s x volume / 100)); each side
// adds trunc(trunc(v x gain / 100) x master / 100), gain = 100 - pan on the
// left and pan on the right, saturating after each channel's addition. The
// recording ends with the last block that held any sound.
std::vector<int16_t> expectedMix(const std::array<std::vector<int16_t>, kChannels>& files,
                                 const std::array<Strip, kChannels>& strips, int master)
{
    std::size_t longest = 0;
    for (const auto& file : files)
        longest = std::max(longest, file.size());
    const std::size_t frames = (longest + kBlockFrames - 1) / kBlockFrames * kBlockFrames;
    std::vector<int16_t> mix(2 * frames, 0);
    for (std::size_t frame = 0; frame < longest; ++frame) {
        int16_t& left = mix[2 * frame];
        int16_t& right = mix[2 * frame + 1];
        for (int c = 0; c < kChannels; ++c) {
            if (frame >= files[c].size())
                continue;
            const int32_t voiced = saturated(files[c][frame] * strips[c].volume / 100);
            left = saturated(left + voiced * (100 - strips[c].pan) / 100 * master / 100);
            right = saturated(right + voiced * strips[c].pan / 100 * master / 100);
        }
    }
    return mix;
}

// ---- the program ----

// Answers the folder browser as the user would, with one folder.
class FolderChoice : public plat::ui::DialogResponder {
public:
    explicit FolderChoice(std::string folder) : folder_(std::move(folder)) {}
    plat::ui::PathAnswer folderPath(const plat::ui::PathQuestion&) override
    {
        return {plat::ui::PathAnswer::Kind::Choose, folder_};
    }

private:
    std::string folder_;
};

Rect placeOf(WindowHandle window)
{
    Rect place;
    EXPECT_TRUE(plat::ui::windowRect(window, place));
    return place;
}

WindowHandle windowOnceShown(const char* title)
{
    WindowHandle found = nullptr;
    EXPECT_TRUE(eventually([&] { return (found = plat::ui::findWindow(nullptr, title)) != nullptr; }))
        << title;
    return found;
}

class SessionTest : public ::testing::Test {
protected:
    SessionTest()
    {
        // The plug-ins and their modules beside this program, where the
        // engine and every plug-in look for them.
        const fs::path plugins = plat::programFolder() + "/Plugins";
        fs::remove_all(plugins);
        fs::copy(std::string(VELMORA_OUT_DIR) + "/Plugins", plugins, fs::copy_options::recursive);
        plat::ui::installDialogResponder(std::make_shared<FolderChoice>(recordings.path()));
    }
    ~SessionTest() override { plat::ui::installDialogResponder(nullptr); }

    // Where a click on the main window's selection display opens its menu.
    static Point menuPoint(const velmoraui::Box& display)
    {
        return {display.x + velmoraui::kSelectionNameArea.x + velmoraui::kSelectionNameArea.width / 2,
                display.y + velmoraui::kSelectionNameArea.y + velmoraui::kSelectionNameArea.height / 2};
    }
    // The main window's selection display: its menu's item named choice.
    void choose(ProgramRun& run, const velmoraui::Box& display, const std::string& choice)
    {
        EXPECT_TRUE(chooseFromMenu(modal, run.mainWindow, menuPoint(display), ProgramRun::kMainRest,
                                   itemNamed(choice)))
            << choice;
    }
    // Whether the player's strip shows a file's picture instead of the empty display.
    static bool showsWaveform(WindowHandle player, int strip)
    {
        const tindle::Box display = tindle::inStrip(tindle::kDisplay, strip);
        return eventually([&] {
            const plat::ui::Surface image = settledPicture(player);
            for (int x = tindle::kPropertiesButton.width; x < display.width; ++x)
                if (((image.pixel(display.x + x, display.y + display.height / 2) ^
                      tindle::kEmptyDisplayColour) &
                     0xFFFFFF) != 0)
                    return true;
            return false;
        });
    }

    // First, so that it watches until everything else is gone.
    Watchdog watchdog{90s, "session test"};
    TempFolder config;
    TempFolder files;
    TempFolder recordings;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
    ModalScript modal;

    // The desk of a user who emptied every slot: nothing comes back by itself.
    void startFromAnEmptyDesk()
    {
        writeText(config.file("velmoraaudioengine.ini"),
                  "[Velmora Audio Engine v0.1b]\nLastAudioInput1=\nLastAudioInput2=\nLastAudioOutput=\n");
    }
};

TEST_F(SessionTest, FourFilesMixedToAFileThroughTheWindowsAndTheSessionComesBack)
{
    using namespace velmoraui;
    std::array<std::vector<int16_t>, kChannels> inputs;
    std::array<std::string, kChannels> paths;
    const char* synth[kChannels] = {"2.2 sine 440", "1.7 square 150 vol 0.5", "2.9 triangle 1000 vol 0.8",
                                    "1.3 whitenoise vol 0.3"};
    for (int c = 0; c < kChannels; ++c) {
        paths[c] = files.file("take" + std::to_string(c + 1) + ".wav");
        ASSERT_TRUE(soxWave(paths[c], "-r 44100 -c 1 -b 16", synth[c])) << paths[c];
        inputs[c] = soxSamples(paths[c]);
        ASSERT_FALSE(inputs[c].empty());
    }
    // Volumes and pans the console's drags give (200 per 88 pixels of fader,
    // 100 per 60 of pan, truncated), and the master fader's (200 per 160).
    const std::array<Strip, kChannels> strips{{{150, 25}, {50, 100}, {125, 0}, {85, 60}}};
    const int faderMoves[kChannels] = {-22, 22, -11, 7};
    const int panMoves[kChannels] = {-15, 30, -30, 6};
    const int master = 80;

    Rect mainPlace, consolePlace, playerPlace, outputPlace;
    startFromAnEmptyDesk();
    {
        ProgramRun run;
        ASSERT_NE(run.mainWindow, nullptr);
        choose(run, kInputDisplays[0], "Fennet");
        choose(run, kOutputDisplay, "Brolet");
        choose(run, kEffectDisplays[0], "9bandEq");
        const WindowHandle player = windowOnceShown("Velmora Fennet");
        const WindowHandle output = windowOnceShown("Velmora Brolet Blaster");
        ASSERT_NE(windowOnceShown("Velmora 9BandEq"), nullptr);
        ASSERT_TRUE(player != nullptr && output != nullptr);
        const Point playerRest{300, 4};
        const Point outputRest{brolet::kDisplay.x + 10, brolet::kDisplay.y + 10};

        // File n dropped on strip n plays in mixer channel n.
        for (int c = 0; c < kChannels; ++c) {
            const tindle::Box title = tindle::inStrip(tindle::kTitleField, c);
            plat::ui::headless::dropFiles(player, title.x + 5, title.y + 5, {paths[c]});
            ASSERT_TRUE(showsWaveform(player, c)) << "strip " << c;
            EXPECT_EQ(EngineSeam::channels(run.engine)[c].stream.load(), c);
        }

        // The console: the equaliser on channel 1, then each strip's fader and pan, and the master.
        clickAt(run.mainWindow, centreOf(kConsoleButton), ProgramRun::kMainRest);
        ASSERT_TRUE(eventually([&] { return plat::ui::isWindowVisible(run.console); }));
        EXPECT_TRUE(chooseFromMenu(modal, run.console, centreOf(kEffectSlotDisplays[0]),
                                   ProgramRun::kMainRest, itemNamed("1: 9bandEq")));
        EXPECT_TRUE(eventually([&] { return EngineSeam::channels(run.engine)[0].fx[0].load() != nullptr; }));
        for (int c = 0; c < kChannels; ++c) {
            const int shift = kStripPitch * c;
            dragBy(run.console,
                   {kFader.x + kFaderTrack.x + kFaderTrack.width / 2 + shift,
                    kFader.y + kFaderTrack.y + kFaderTrack.height / 2},
                   0, faderMoves[c], ProgramRun::kMainRest);
            dragBy(run.console,
                   {kPan.x + kPanTrack.x + kPanTrack.width / 2 + shift,
                    kPan.y + kPanTrack.y + kPanTrack.height / 2},
                   panMoves[c], 0, ProgramRun::kMainRest);
        }
        const Box& masterFader = kMasterFaders[0];
        const Box& masterTrack = kMasterTracks[0];
        dragBy(run.console,
               {masterFader.x + masterTrack.x + masterTrack.width / 2,
                masterFader.y + masterTrack.y + masterTrack.height / 2},
               0, 16, ProgramRun::kMainRest);
        engine::StereoMixer& mixer = EngineSeam::mixer(run.engine);
        EXPECT_TRUE(eventually([&] {
            bool set = mixer.getMasterVolume() == master;
            for (int c = 0; c < kChannels; ++c)
                set &= mixer.getVolume(c) == strips[c].volume && mixer.getPan(c) == strips[c].pan;
            return set;
        }));

        // The output writes a file into the recordings folder and plays nothing.
        EXPECT_TRUE(clickAnswering(
            modal, output, centreOf(brolet::kFileSwitch), outputRest, [&](WindowHandle dialog, int) {
                EXPECT_EQ(plat::ui::windowTitle(dialog), "Configure Wavefile Writing");
                EXPECT_TRUE(plat::ui::pressDialogButton(dialog, kDialogBrowse));
                EXPECT_EQ(plat::ui::dlgItemText(dialog, kDialogFolder), recordings.path());
                EXPECT_TRUE(plat::ui::setDlgItemText(dialog, kDialogTemplate, "Session"));
                EXPECT_TRUE(plat::ui::pressDialogButton(dialog, plat::ui::kIdOk));
            }));
        EXPECT_TRUE(clickAnswering(
            modal, output, centreOf(brolet::kSoundSwitch), outputRest,
            [](WindowHandle box, int) { EXPECT_TRUE(plat::ui::pressDialogButton(box, plat::ui::kIdYes)); }));

        // All four synchronised, so one play starts them in the same block.
        for (int c = 0; c < kChannels; ++c)
            clickAt(player, centreOf(tindle::inStrip(tindle::kSyncButton, c)), playerRest);
        clickAt(player, centreOf(tindle::kPlayButton), playerRest);
        ASSERT_TRUE(eventually(
            [&] { return !run.engine.carried(toWire(engine::Event::StopStreaming)).empty(); }, 30s));
        const std::vector<CarriedEvent> starts = run.engine.carried(toWire(engine::Event::StartStreaming));
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].answer, 1);

        // The user moves both of the user interface's windows by their skins before quitting.
        mainPlace = placeOf(run.mainWindow).offsetBy(40, 30);
        consolePlace = placeOf(run.console).offsetBy(-20, 50);
        // A window dragged holds the mouse until it is let go: input meant
        // for another window waits until the first has arrived and let go.
        const auto arrived = [](WindowHandle window, const Rect& place) {
            return eventually(
                [&] { return placeOf(window) == place && plat::ui::headless::capture() == nullptr; });
        };
        dragBy(run.mainWindow, ProgramRun::kMainRest, 40, 30, ProgramRun::kMainRest);
        EXPECT_TRUE(arrived(run.mainWindow, mainPlace));
        dragBy(run.console, ProgramRun::kMainRest, -20, 50, ProgramRun::kMainRest);
        EXPECT_TRUE(arrived(run.console, consolePlace));
        // The window manager moves the player's and the output's windows.
        for (auto [window, place, dx] : {std::tuple{player, &playerPlace, 70}, {output, &outputPlace, -35}}) {
            *place = placeOf(window).offsetBy(dx, 25);
            EXPECT_TRUE(plat::ui::setWindowPos(window, place->left, place->top, 0, 0, plat::ui::kPosNoSize));
        }
        ASSERT_TRUE(run.quit());
        EXPECT_TRUE(run.engine.errors().empty());
    }

    // The recording, read by sox, against the mix.
    std::vector<fs::path> written;
    for (const fs::directory_entry& entry : fs::directory_iterator(recordings.path()))
        written.push_back(entry.path());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].filename().string().starts_with("Session ")) << written[0];
    const std::vector<int16_t> recorded = soxSamples(written[0].string());
    const std::vector<int16_t> expected = expectedMix(inputs, strips, master);
    ASSERT_EQ(recorded.size(), expected.size());
    const auto differs = std::mismatch(recorded.begin(), recorded.end(), expected.begin());
    EXPECT_TRUE(differs.first == recorded.end()) << "frame " << (differs.first - recorded.begin()) / 2 << ": "
                                                 << *differs.first << " instead of " << *differs.second;

    const std::string settings = readText(config.file("velmoraaudioengine.ini"));
    for (const char* line :
         {"LastAudioInput1=Tindle.vin\n", "LastAudioInput2=\n", "LastAudioOutput=Brolet.vwo\n",
          "LastRealtimeFX1=VelmoraEQ.vfx\n", "MixerVisible=1\n", "bFileOutput=1\n", "bSoundOutput=0\n",
          "OutFilename=Session\n"})
        EXPECT_NE(settings.find(line), std::string::npos) << line << " in\n" << settings;

    // The second start restores the player and the output (effects are not
    // restored) and puts every window back where it was left.
    ProgramRun again;
    ASSERT_NE(again.mainWindow, nullptr);
    const WindowHandle player = windowOnceShown("Velmora Fennet");
    const WindowHandle output = windowOnceShown("Velmora Brolet Blaster");
    ASSERT_TRUE(player != nullptr && output != nullptr);
    EXPECT_EQ(placeOf(player), playerPlace);
    EXPECT_EQ(placeOf(output), outputPlace);
    EXPECT_EQ(plat::ui::findWindow(nullptr, "Velmora 9BandEq"), nullptr);
    EXPECT_EQ(placeOf(again.mainWindow), mainPlace);
    EXPECT_EQ(placeOf(again.console), consolePlace);
    EXPECT_TRUE(eventually([&] { return plat::ui::isWindowVisible(again.console); }));
    EXPECT_EQ(EngineSeam::effects(again.engine)[0], nullptr);
    EXPECT_TRUE(again.quit());
}

// A first start with fresh settings lays out the desk: each window shown (the
// console and the effects and the live recorder picked later too) sits inside
// the work area beside the others, none over another or the main window; the
// next start puts each window back exactly where the first left it.
TEST_F(SessionTest, AFirstStartLaysTheWindowsOutSideBySideAndTheNextKeepsTheirPlaces)
{
    using namespace velmoraui;
    const auto desk = [] {
        std::map<std::string, Rect> places;
        for (const plat::ui::WindowListEntry& entry : plat::ui::topLevelWindows())
            if (plat::ui::isWindowVisible(entry.window) && !plat::ui::isTopmost(entry.window))
                places[entry.title] = placeOf(entry.window);
        const Rect workArea = plat::ui::workArea();
        for (auto one = places.begin(); one != places.end(); ++one) {
            EXPECT_EQ(one->second.intersect(workArea), one->second) << one->first;
            for (auto other = std::next(one); other != places.end(); ++other)
                EXPECT_FALSE(one->second.intersects(other->second)) << one->first << " / " << other->first;
        }
        return places;
    };
    const auto shows = [](const char* title) {
        const WindowHandle window = windowOnceShown(title);
        return eventually([&] { return plat::ui::isWindowVisible(window); });
    };
    const char* started[] = {"Velmora Fennet", "PlevNT Input Module", "Velmora Brolet Blaster",
                             "Velmora 9BandEq"};
    std::map<std::string, Rect> left;
    {
        ProgramRun run;
        ASSERT_NE(run.mainWindow, nullptr);
        for (const char* title : started)
            ASSERT_TRUE(shows(title)) << title;
        EXPECT_EQ(desk().size(), std::size(started) + 1);
        clickAt(run.mainWindow, centreOf(kConsoleButton), ProgramRun::kMainRest);
        ASSERT_TRUE(eventually([&] { return plat::ui::isWindowVisible(run.console); }));
        choose(run, kEffectDisplays[1], "Reverb");
        choose(run, kEffectDisplays[2], "Velmorizer");
        choose(run, kInputDisplays[1], "dor-vik");
        for (const char* title : {"Velmora SimpleReverb", "Velmorizer Distortion", "Velmora mr. dorvish"})
            ASSERT_TRUE(shows(title)) << title;
        left = desk();
        EXPECT_EQ(left.size(), 8u);
        ASSERT_TRUE(run.quit());
    }
    ProgramRun again;
    ASSERT_NE(again.mainWindow, nullptr);
    EXPECT_TRUE(eventually([&] { return plat::ui::isWindowVisible(again.console); }));
    for (const char* title : {"Velmora Audio Engine", "Mixing Console", "Velmora Fennet",
                              "Velmora Brolet Blaster", "Velmora mr. dorvish"})
        EXPECT_EQ(placeOf(windowOnceShown(title)), left[title]) << title;
    EXPECT_TRUE(again.quit());
}

// The output's dialog disables only the output's window: the user picks
// "none" for the output in the main window, whose menu opens inside the
// dialog's loop. The dialog ends as Cancel, and the output's window and
// library go only once its loop has returned into the output's code.
TEST_F(SessionTest, AnOutputUnloadedWhileItsDialogIsOpenGoesOnceTheDialogEndedAsCancel)
{
    startFromAnEmptyDesk();
    ProgramRun run;
    ASSERT_NE(run.mainWindow, nullptr);
    choose(run, velmoraui::kOutputDisplay, "Brolet");
    const WindowHandle output = windowOnceShown("Velmora Brolet Blaster");
    ASSERT_NE(output, nullptr);
    const Point outputRest{brolet::kDisplay.x + 10, brolet::kDisplay.y + 10};
    EXPECT_TRUE(clickAnswering(
        modal, output, centreOf(brolet::kFolderButton), outputRest, [&](WindowHandle dialog, int) {
            EXPECT_TRUE(plat::ui::setDlgItemText(dialog, kDialogTemplate, "Never Kept"));
            modal.then([](WindowHandle menu, int) {
                EXPECT_TRUE(clickMenuItem(menu, itemNamed("none")(plat::ui::menuOfWindow(menu))));
            });
            clickAt(run.mainWindow, menuPoint(velmoraui::kOutputDisplay), ProgramRun::kMainRest);
        }));
    EXPECT_TRUE(eventually([&] { return !plat::ui::isWindow(output); }));
    EXPECT_EQ(EngineSeam::output(run.engine), nullptr);
    // The file is free again once its library has gone, which the main
    // thread finishes a little after the window has closed.
    EXPECT_TRUE(eventually([&] {
        engine::OwnedLock lock(EngineSeam::slotsLock(run.engine));
        const auto& outputs = EngineSeam::audioOutputs(run.engine);
        for (int i = 0; i < outputs.count; ++i)
            if (outputs.itemAt(i)->instance != nullptr)
                return false;
        return true;
    }));
    choose(run, velmoraui::kOutputDisplay, "Brolet");
    EXPECT_NE(windowOnceShown("Velmora Brolet Blaster"), nullptr);
    ASSERT_TRUE(run.quit());
    const std::string settings = readText(config.file("velmoraaudioengine.ini"));
    EXPECT_NE(settings.find("LastAudioOutput=Brolet.vwo\n"), std::string::npos) << settings;
    EXPECT_EQ(settings.find("Never Kept"), std::string::npos) << settings;
}

} // namespace
} // namespace velmora::test

// The program ends its process with std::_Exit once the user interface has
// closed; here the process goes on. The equaliser's window (effects' windows
// stay open at a quit) lived on the user interface's thread, and when that
// thread ended the platform dropped them without the destroy message (nothing
// is left to handle it), so its tooltips' control state stays behind. The
// leak checker finds this among the program's own symbols.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:controlProcedure*Tooltip\n";
}
