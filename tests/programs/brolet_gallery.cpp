// The output plug-in's window while the engine streams music into it, once
// per visual mode, on air to an Icecast of its own, and its recording folder
// and broadcast dialogs, saved as docs pictures:
// brolet_gallery [folder] (docs/ by default). The real engine loads
// VelmoraUI.vui, the tone input and Brolet.vwo from a program folder of its
// own on the virtual audio backend; the user's clicks on the mode button go
// through the modes, the last one choosing our visual module from the module
// menu. Run it under Xvfb on the X11 backend:
//   xvfb-run -a -s "-screen 0 1280x1024x24" brolet_gallery docs
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "engine/Engine.h"
#include "platform/core/Module.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "plugins/brolet/Layout.h"
#include "programs/GalleryKit.h"
#include "programs/ServerCapture.h"
#include "support/EngineTestSeam.h"
#include "support/Icecast.h"
#include "support/TempFolder.h"

using velmora::test::EngineSeam;

using namespace std::chrono_literals;
using plat::ui::WindowHandle;
using velmora::gallery::fail;
using velmora::gallery::finish;
using velmora::gallery::post;
using velmora::gallery::windowTitled;

namespace {

constexpr char kToneFile[] = "tone_input.vin";
constexpr char kEffectFile[] = "offset_effect.vfx";

// A click of the user's on a control, as the window's procedure receives it;
// the mouse then rests on the display, where no control is.
void click(WindowHandle window, const brolet::Box& box)
{
    const intptr_t at = plat::ui::makePointParam(box.x + box.width / 2, box.y + box.height / 2);
    (void)plat::ui::postMessage(window, plat::ui::kMsgMouseMove, 0, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonDown, plat::ui::kKeyLButton, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonUp, 0, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgMouseMove, 0,
                                plat::ui::makePointParam(brolet::kDisplay.x + 4, brolet::kDisplay.y + 4));
}

// Chooses the first item of the module menu, once it shows.
void chooseFirstModule(WindowHandle menuWindow, int, void* chosen)
{
    plat::ui::setModalHook(nullptr, nullptr);
    plat::ui::Rect item;
    plat::ui::Rect place;
    if (plat::ui::menuItemRect(plat::ui::menuOfWindow(menuWindow), 0, item) &&
        plat::ui::windowRect(menuWindow, place)) {
        const intptr_t at = plat::ui::makePointParam(item.left - place.left + 8, item.top - place.top + 3);
        (void)plat::ui::postMessage(menuWindow, plat::ui::kMsgMouseMove, 0, at);
        (void)plat::ui::postMessage(menuWindow, plat::ui::kMsgLButtonDown, plat::ui::kKeyLButton, at);
        (void)plat::ui::postMessage(menuWindow, plat::ui::kMsgLButtonUp, 0, at);
    } else {
        (void)plat::ui::endMenu();
    }
    static_cast<std::atomic<bool>*>(chosen)->store(true);
}

struct DialogShot {
    std::string path;
    std::atomic<bool> saved{false};
    std::atomic<bool> done{false};
};

// Saves the dialog as it shows, then cancels it.
void shootDialog(WindowHandle dialog, int, void* context)
{
    auto* shot = static_cast<DialogShot*>(context);
    plat::ui::setModalHook(nullptr, nullptr);
    shot->saved = velmora::gallery::capture(dialog, shot->path);
    (void)plat::ui::pressDialogButton(dialog, plat::ui::kIdCancel);
    shot->done = true;
}

bool waitFor(const std::atomic<bool>& flag)
{
    for (int tries = 0; tries < 500 && !flag; ++tries)
        std::this_thread::sleep_for(10ms);
    return flag;
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const std::string folder = fs::absolute(argc > 1 ? argv[1] : "docs").string();
    setenv("VELMORA_AUDIO", "virtual", 1);
    velmora::test::Icecast server;
    if (!server.start())
        return fail("icecast2 did not start");
    velmora::test::TempFolder program;
    velmora::test::TempFolder config;
    setenv("VELMORA_CONFIG_DIR", config.path().c_str(), 1);
    velmora::gallery::installPlugins(program.path(), {"VelmoraUI.vui", "Brolet.vwo"},
                                     {kToneFile, kEffectFile});
    // The output finds its visual modules beside the running program.
    const std::string visuals = plat::programFolder() + "/Plugins/Visuals";
    fs::create_directories(visuals);
    fs::copy_file(velmora::gallery::buildFolder() + "/out/Plugins/Visuals/Prism.svp", visuals + "/Prism.svp",
                  fs::copy_options::overwrite_existing);
    // The tone and the output restored at start; the user interface's window out of the way.
    std::ofstream(config.file("velmoraaudioengine.ini"))
        << "[Velmora Audio Engine v0.1b]\nLastAudioInput1=" << kToneFile
        << "\nLastAudioOutput=Brolet.vwo\n"
           "[Velmora User Interface]\nMainUIPos=860,840\nMixerVisible=0\nbTrayIcon=0\n"
           "[Velmora Brolet Blaster]\nWindowPos=24,24\nVizMode=0\nbSoundOutput=1\nbFileOutput=0\n"
           // A user's folder, not the machine's that makes the pictures.
           "OutPath=/home/dana/Music/Velmora\n"
           "bBroadcastOutput=1\nBroadcastHost=127.0.0.1\nBroadcastMount=/live.ogg\nBroadcastName=Friday Night Mix\n"
           "BroadcastGenre=Electronic\nBroadcastPort="
        << server.port() << "\nBroadcastPassword=" << velmora::test::Icecast::kSourcePassword << "\n";

    engine::Engine* core = velmora::gallery::startEngine(program.path());
    const WindowHandle window = windowTitled("Velmora Brolet Blaster");
    if (window == nullptr)
        return fail("the output's window is missing");
    if (post(*core, toWire(engine::Event::AttachStreams), EngineSeam::inputs(*core)[0]->handle(), 1, 2) !=
            1 ||
        post(*core, toWire(engine::Event::StartStreaming)) != 1)
        return fail("the engine did not stream");
    std::this_thread::sleep_for(1500ms);

    // Mode 0 as stored; the mode button steps through the built-in visuals.
    bool saved = true;
    const char* builtIn[] = {"none", "waveform", "scope", "spectrum-bars", "spectrum-segments"};
    for (int mode = 0; mode < 5; ++mode) {
        if (mode > 0) {
            click(window, brolet::kModeButton);
            std::this_thread::sleep_for(900ms);
        }
        saved &= velmora::gallery::capture(window, folder + "/brolet-" + builtIn[mode] + ".png");
    }
    // Mode 5: the module menu, and our module chosen from it.
    std::atomic<bool> chosen{false};
    plat::ui::setModalHook(&chooseFirstModule, &chosen);
    click(window, brolet::kModeButton);
    if (!waitFor(chosen))
        return fail("the module menu did not open");
    std::this_thread::sleep_for(1500ms);
    saved &= velmora::gallery::capture(window, folder + "/brolet-prism.png");

    DialogShot shot;
    shot.path = folder + "/brolet-file-dialog.png";
    plat::ui::setModalHook(&shootDialog, &shot);
    click(window, brolet::kFolderButton);
    if (!waitFor(shot.done))
        return fail("the file output dialog did not open");
    saved &= shot.saved;

    // On air for a while: the time has gone on.
    std::this_thread::sleep_for(2000ms);
    saved &= velmora::gallery::capture(window, folder + "/brolet-on-air.png");
    DialogShot broadcastShot;
    broadcastShot.path = folder + "/brolet-broadcast-dialog.png";
    plat::ui::setModalHook(&shootDialog, &broadcastShot);
    click(window, brolet::kServerButton);
    if (!waitFor(broadcastShot.done))
        return fail("the broadcast dialog did not open");
    saved &= broadcastShot.saved;
    post(*core, toWire(engine::Event::StopStreaming));
    fs::remove_all(program.path());
    fs::remove_all(config.path());
    finish(saved ? 0 : 1);
}
