// The wave file player's main window with a stereo and a mono file loaded,
// one playing with its cursor moved, then its pre-recorder while it records,
// saved as docs pictures: tindle_gallery [folder] (docs/ by default). The
// real engine loads VelmoraUI.vui, Tindle.vin and Brolet.vwo from a program
// folder of its own on the virtual audio backend; the files (music made by
// sox) are opened through the player's open dialog as a user would. Run it
// under Xvfb on the X11 backend:
//   xvfb-run -a -s "-screen 0 1280x1024x24" tindle_gallery docs
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/Engine.h"
#include "platform/core/Module.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Window.h"
#include "plugins/tindle/Layout.h"
#include "plugins/tindle/RecorderLayout.h"
#include "programs/GalleryKit.h"
#include "programs/ServerCapture.h"
#include "support/TempFolder.h"

using namespace std::chrono_literals;
using plat::ui::WindowHandle;
using velmora::gallery::fail;
using velmora::gallery::finish;
using velmora::gallery::windowTitled;

namespace {

constexpr char kEffectFile[] = "offset_effect.vfx";
// The platform's file dialog: its name field.
constexpr int kNameField = 1152;

// A click of the user's on a control, as the window's procedure receives it;
// the mouse then rests on the title strip, where no control is.
void click(WindowHandle window, const tindle::Box& box)
{
    const intptr_t at = plat::ui::makePointParam(box.x + box.width / 2, box.y + box.height / 2);
    (void)plat::ui::postMessage(window, plat::ui::kMsgMouseMove, 0, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonDown, plat::ui::kKeyLButton, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonUp, 0, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgMouseMove, 0, plat::ui::makePointParam(300, 4));
}

bool waitFor(const std::atomic<bool>& flag)
{
    for (int tries = 0; tries < 1000 && !flag; ++tries)
        std::this_thread::sleep_for(10ms);
    return flag;
}

// Notes of 0.4 s dying away on both sides, each side its own line, one after the other.
bool makeArpeggio(const std::string& folder, const std::string& path)
{
    const char* left[] = {"C3", "G3", "C4", "E4", "A2", "E3", "A3", "C4",
                          "F2", "C3", "F3", "A3", "G2", "D3", "G3", "B3"};
    const char* right[] = {"E4", "C5", "G4", "C5", "C5", "A4", "E5", "A4",
                           "A4", "F5", "C5", "F4", "B4", "G4", "D5", "G5"};
    std::string notes;
    for (int note = 0; note < 16; ++note) {
        const std::string file = folder + "/note" + std::to_string(note) + ".wav";
        const std::string command = "sox -n -r 44100 -b 16 -c 2 '" + file + "' synth 0.4 triangle " +
                                    left[note] + " triangle " + right[note] + " fade t 0.005 0.4 0.39 vol " +
                                    (note % 4 == 0   ? "0.95"
                                     : note % 2 == 0 ? "0.6"
                                                     : "0.4");
        if (std::system(command.c_str()) != 0)
            return false;
        notes += " '" + file + "'";
    }
    return std::system(("sox" + notes + " '" + path + "'").c_str()) == 0;
}

// A slow swell of a filtered saw bass, trembling.
bool makeSwell(const std::string& path)
{
    const std::string command = "sox -n -r 44100 -b 16 -c 1 '" + path +
                                "' synth 6 sawtooth 55 sawtooth 110 remix 1,2 lowpass 900 "
                                "tremolo 1.5 60 fade h 2 6 2 gain -n -2";
    return std::system(command.c_str()) == 0;
}

struct OpenAnswer {
    std::string path;
    std::atomic<bool> answered{false};
};

// Answers the open dialog with the file; the progress dialog after it is left alone.
void answerOpen(WindowHandle modal, int, void* context)
{
    auto* answer = static_cast<OpenAnswer*>(context);
    if (answer->answered || plat::ui::windowTitle(modal).rfind("Open Wave Ch", 0) != 0)
        return;
    (void)plat::ui::setDlgItemText(modal, kNameField, answer->path.c_str());
    (void)plat::ui::pressDialogButton(modal, plat::ui::kIdOk);
    answer->answered = true;
}

// Opens path into channel through the strip's open button and the dialog.
bool openThroughDialog(WindowHandle window, int channel, const std::string& path)
{
    OpenAnswer answer;
    answer.path = path;
    plat::ui::setModalHook(&answerOpen, &answer);
    click(window, tindle::inStrip(tindle::kOpenButton, channel));
    const bool answered = waitFor(answer.answered);
    // The picture is built while the progress dialog shows.
    std::this_thread::sleep_for(1500ms);
    plat::ui::setModalHook(nullptr, nullptr);
    return answered;
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const std::string folder = fs::absolute(argc > 1 ? argv[1] : "docs").string();
    setenv("VELMORA_AUDIO", "virtual", 1);
    velmora::test::TempFolder program;
    velmora::test::TempFolder config;
    velmora::test::TempFolder music;
    setenv("VELMORA_CONFIG_DIR", config.path().c_str(), 1);
    velmora::gallery::installPlugins(program.path(), {"VelmoraUI.vui", "Tindle.vin", "Brolet.vwo"},
                                     {kEffectFile});
    const std::string arpeggio = music.file("Night Arpeggio.wav");
    const std::string swell = music.file("Bass Swell.wav");
    if (!makeArpeggio(music.path(), arpeggio) || !makeSwell(swell))
        return fail("sox could not make the music");
    // The player and the output restored at start; the other windows out of the way.
    std::ofstream(config.file("velmoraaudioengine.ini"))
        << "[Velmora Audio Engine v0.1b]\nLastAudioInput1=Tindle.vin\nLastAudioOutput=Brolet.vwo\n"
           "[Velmora User Interface]\nMainUIPos=860,840\nMixerVisible=0\nbTrayIcon=0\n"
           "[Velmora Brolet Blaster]\nWindowPos=860,620\nVizMode=0\nbSoundOutput=1\nbFileOutput=0\n"
           "[Velmora Fennet]\nMainWndPos=24,24\n";

    velmora::gallery::startEngine(program.path());
    const WindowHandle window = windowTitled("Velmora Fennet");
    if (window == nullptr)
        return fail("the player's window is missing");

    // The stereo file fills channels 1 and 2, the mono one channel 3; the
    // stereo one loops and plays.
    if (!openThroughDialog(window, 0, arpeggio) || !openThroughDialog(window, 2, swell))
        return fail("the open dialog did not come");
    click(window, tindle::inStrip(tindle::kLoopButton, 0));
    click(window, tindle::inStrip(tindle::kSyncButton, 2));
    click(window, tindle::inStrip(tindle::kPlayButton, 0));
    std::this_thread::sleep_for(2600ms);
    bool saved = velmora::gallery::capture(window, folder + "/tindle-main.png");

    // The pre-recorder beside the player, recording the virtual input.
    click(window, tindle::kPreRecorderButton);
    std::this_thread::sleep_for(500ms);
    const WindowHandle recorder = windowTitled("pre-recorder");
    if (recorder == nullptr)
        return fail("the pre-recorder did not show");
    click(recorder, tindle::recorder::kStartButton);
    std::this_thread::sleep_for(1500ms);
    saved &= velmora::gallery::capture(recorder, folder + "/tindle-prerecorder.png");
    click(recorder, tindle::recorder::kStopButton);
    std::this_thread::sleep_for(500ms);

    fs::remove_all(program.path());
    fs::remove_all(config.path());
    finish(saved ? 0 : 1);
}
