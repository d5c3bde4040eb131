// The equaliser's window with presets loaded, saved as a docs picture:
// velmoraeq_gallery [folder] (docs/ by default) writes effects-equaliser.png.
// The plug-in's own code runs in this process: its application starts up and
// builds its channels; channel 1 gets "Loudness" and then a hand of its own,
// channel 2 "Bass Boost", channel 3 "Treble Boost", channel 4 "FM Radio" and
// its bypass; then the window opens on a thread with a message loop, editing
// channel 1. Run it under Xvfb on the X11 backend:
//   xvfb-run -a -s "-screen 0 1280x1024x24" velmoraeq_gallery docs
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "plugins/velmoraeq/EqApplication.h"
#include "plugins/velmoraeq/EqWindow.h"
#include "plugins/velmoraeq/Presets.h"
#include "programs/GalleryKit.h"
#include "programs/ServerCapture.h"

using namespace std::chrono_literals;

int main(int argc, char** argv)
{
    const std::string folder = std::filesystem::absolute(argc > 1 ? argv[1] : "docs").string();
    setenv("VELMORA_UI", "x11", 0);
    auto* equaliser = new velmoraeq::EqApplication; // lives until the process ends
    equaliser->startUp();
    equaliser->onSetupFX();
    const unsigned presets[] = {40004, 40002, 40005, 40003};
    for (int channel = 0; channel < 4; ++channel)
        if (equaliser->channel(channel) == nullptr ||
            !velmoraeq::applyPreset(*equaliser->channel(channel), presets[channel]))
            return velmora::gallery::fail("the equaliser's channels are missing");
    // Channel 1's loudness taken further by hand, so its curve parts from the others.
    const int edited[] = {60, 42, 20, 0, -30, -10, 22, 62, 90};
    for (int band = 0; band < 9; ++band)
        equaliser->channel(0)->setBandGain(band, edited[band]);
    equaliser->channel(3)->enabled = false;

    std::promise<bool> created;
    std::thread([equaliser, &created] {
        created.set_value(equaliser->createUserInterface(plat::ui::kShowNormal));
        plat::ui::Message message;
        while (plat::ui::getMessage(message))
            plat::ui::dispatchMessage(message);
    }).detach();
    if (!created.get_future().get())
        return velmora::gallery::fail("the equaliser's window could not be made");
    const plat::ui::WindowHandle window = velmora::gallery::windowTitled(velmoraeq::EqWindow::kTitle);
    if (window == nullptr)
        return velmora::gallery::fail("the equaliser's window is missing");
    std::this_thread::sleep_for(800ms);
    velmora::gallery::finish(velmora::gallery::capture(window, folder + "/effects-equaliser.png") ? 0 : 1);
}
