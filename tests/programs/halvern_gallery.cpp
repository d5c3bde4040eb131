// The reverb's window with its delay at 350 ms, saved as a docs picture:
// halvern_gallery [folder] (docs/ by default) writes effects-reverb.png. The
// plug-in's own code runs in this process: its application starts up, builds
// its channels and makes its window on a thread with a message loop. Run it
// under Xvfb on the X11 backend:
//   xvfb-run -a -s "-screen 0 1280x1024x24" halvern_gallery docs
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "plugins/halvern/ReverbApplication.h"
#include "plugins/halvern/ReverbWindow.h"
#include "programs/GalleryKit.h"
#include "programs/ServerCapture.h"

using namespace std::chrono_literals;

int main(int argc, char** argv)
{
    const std::string folder = std::filesystem::absolute(argc > 1 ? argv[1] : "docs").string();
    setenv("VELMORA_UI", "x11", 0);
    auto* reverb = new halvern::ReverbApplication; // lives until the process ends
    reverb->startUp();
    reverb->onSetupFX();
    for (int channel = 0; channel < halvern::ReverbChannels::kCount; ++channel)
        reverb->channels.at(channel)->setDelay(350);

    std::promise<bool> created;
    std::thread([reverb, &created] {
        created.set_value(reverb->createUserInterface(plat::ui::kShowNormal));
        plat::ui::Message message;
        while (plat::ui::getMessage(message))
            plat::ui::dispatchMessage(message);
    }).detach();
    if (!created.get_future().get())
        return velmora::gallery::fail("the reverb's window could not be made");
    const plat::ui::WindowHandle window = velmora::gallery::windowTitled(halvern::ReverbWindow::kTitle);
    if (window == nullptr)
        return velmora::gallery::fail("the reverb's window is missing");
    std::this_thread::sleep_for(800ms);
    velmora::gallery::finish(velmora::gallery::capture(window, folder + "/effects-reverb.png") ? 0 : 1);
}
