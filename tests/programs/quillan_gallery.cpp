// The live input's window while it records into the mixer, saved as
// docs/quillan.png: quillan_gallery [folder] (docs/ by default). The real
// engine loads VelmoraUI.vui, Quillan.vin and Brolet.vwo from a program
// folder of its own on the virtual audio backend (the input device is the
// 1 kHz test signal); the window is connected in stereo and started by clicks
// as a user would. Run it under Xvfb on the X11 backend:
//   xvfb-run -a -s "-screen 0 1280x1024x24" quillan_gallery docs
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/core/Module.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "plugins/quillan/Layout.h"
#include "programs/GalleryKit.h"
#include "programs/ServerCapture.h"
#include "support/TempFolder.h"

using namespace std::chrono_literals;
using plat::ui::WindowHandle;
using velmora::gallery::fail;
using velmora::gallery::finish;

namespace {

constexpr char kEffectFile[] = "offset_effect.vfx";

// A click of the user's on a control, as the window's procedure receives it;
// the mouse then rests on the bare skin below the well.
void click(WindowHandle window, const quillan::Box& box)
{
    const intptr_t at = plat::ui::makePointParam(box.x + box.width / 2, box.y + box.height / 2);
    (void)plat::ui::postMessage(window, plat::ui::kMsgMouseMove, 0, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonDown, plat::ui::kKeyLButton, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonUp, 0, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgMouseMove, 0, plat::ui::makePointParam(30, 190));
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const std::string folder = fs::absolute(argc > 1 ? argv[1] : "docs").string();
    setenv("VELMORA_AUDIO", "virtual", 1);
    velmora::test::TempFolder program;
    velmora::test::TempFolder config;
    setenv("VELMORA_CONFIG_DIR", config.path().c_str(), 1);
    velmora::gallery::installPlugins(program.path(), {"VelmoraUI.vui", "Quillan.vin", "Brolet.vwo"},
                                     {kEffectFile});
    // The input and the output restored at start, stereo chosen; the other windows out of the way.
    std::ofstream(config.file("velmoraaudioengine.ini"))
        << "[Velmora Audio Engine v0.1b]\nLastAudioInput1=Quillan.vin\nLastAudioOutput=Brolet.vwo\n"
           "[Velmora User Interface]\nMainUIPos=860,840\nMixerVisible=0\nbTrayIcon=0\n"
           "[Velmora Brolet Blaster]\nWindowPos=860,620\nVizMode=1\nbSoundOutput=1\nbFileOutput=0\n"
           "[mr. dorvish]\nMainWndPos=24,24\nbLiveStereo=1\n";

    velmora::gallery::startEngine(program.path());
    const WindowHandle window = velmora::gallery::windowTitled("Velmora mr. dorvish");
    if (window == nullptr)
        return fail("the live input's window is missing");

    click(window, quillan::kConnectButton);
    std::this_thread::sleep_for(500ms);
    click(window, quillan::kRecordButton);
    std::this_thread::sleep_for(1500ms);
    const bool saved = velmora::gallery::capture(window, folder + "/quillan.png");
    click(window, quillan::kRecordButton);
    std::this_thread::sleep_for(500ms);

    fs::remove_all(program.path());
    fs::remove_all(config.path());
    finish(saved ? 0 : 1);
}
