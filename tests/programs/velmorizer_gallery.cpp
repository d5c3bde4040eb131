// The distortion's window switched on, driven into a warm crunch, saved as a
// docs picture: velmorizer_gallery [folder] (docs/ by default) writes
// effects-distortion.png. The plug-in's own code runs in this process: its
// application starts up, makes its unit and its window on a thread with a
// message loop. Run it under Xvfb on the X11 backend:
//   xvfb-run -a -s "-screen 0 1280x1024x24" velmorizer_gallery docs
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "plugins/velmorizer/DistortionApplication.h"
#include "plugins/velmorizer/DistortionWindow.h"
#include "programs/GalleryKit.h"
#include "programs/ServerCapture.h"

using namespace std::chrono_literals;

int main(int argc, char** argv)
{
    const std::string folder = std::filesystem::absolute(argc > 1 ? argv[1] : "docs").string();
    setenv("VELMORA_UI", "x11", 0);
    auto* distortion = new velmorizer::DistortionApplication; // lives until the process ends
    distortion->startUp();
    distortion->onSetupFX();
    // Gain knob 140, cutoff 82 %, drive 100: on.
    velmorizer::DistortionUnit* unit = distortion->unit();
    if (unit == nullptr)
        return velmora::gallery::fail("the distortion's unit could not be made");
    unit->inputGain = 240;
    unit->threshold = (18 * 32767) / 100;
    unit->outputGain = 200;
    distortion->distortionWindow()->on = true;

    std::promise<bool> created;
    std::thread([distortion, &created] {
        created.set_value(distortion->createUserInterface(plat::ui::kShowNormal));
        plat::ui::Message message;
        while (plat::ui::getMessage(message))
            plat::ui::dispatchMessage(message);
    }).detach();
    if (!created.get_future().get())
        return velmora::gallery::fail("the distortion's window could not be made");
    const plat::ui::WindowHandle window =
        velmora::gallery::windowTitled(velmorizer::DistortionWindow::kTitle);
    if (window == nullptr)
        return velmora::gallery::fail("the distortion's window is missing");
    std::this_thread::sleep_for(800ms);
    velmora::gallery::finish(velmora::gallery::capture(window, folder + "/effects-distortion.png") ? 0 : 1);
}
