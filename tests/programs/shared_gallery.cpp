// The shared services library's error dialog and splash window, each saved
// as a PNG picture: shared_gallery [folder] [--library path/ZKRShared.so]
// (docs/ and the build's program folder by default). The library is bound
// as every deliverable binds it. On the X11 backend (under Xvfb) the
// pictures are read back from the X server; on the headless backend they
// are the windows' own pixels.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>

#include "platform/core/Module.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "programs/ServerCapture.h"
#include "zkr/SharedServices.h"

using namespace plat::ui;
using velmora::gallery::capture;

namespace {

struct ErrorShot {
    std::string path;
    bool saved = false;
};

void errorHook(WindowHandle modal, int, void* context)
{
    auto* shot = static_cast<ErrorShot*>(context);
    shot->saved = capture(modal, shot->path);
    (void)pressDialogButton(modal, kIdOk);
}

// The splash runs on its own thread: its first idle moment after the
// status text changed tells the program the picture is ready.
struct SplashShot {
    std::atomic<bool> updated{false};
    std::atomic<bool> announced{false};
    std::atomic<bool> ready{false};
    std::promise<WindowHandle> shown;
    std::promise<void> painted;
};

void splashHook(WindowHandle modal, int, void* context)
{
    auto* shot = static_cast<SplashShot*>(context);
    if (!shot->announced.exchange(true))
        shot->shown.set_value(modal);
    else if (shot->updated && !shot->ready.exchange(true))
        shot->painted.set_value();
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder = "docs";
    std::string library = plat::programFolder() + "/../../out/ZKRShared.so";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--library") == 0 && i + 1 < argc)
            library = argv[++i];
        else
            folder = argv[i];
    }
    setenv("VELMORA_UI", "headless", 0);
    if (zkr::bindSharedServicesFrom(library.c_str()) != 0) {
        std::fprintf(stderr, "%s could not be bound\n", library.c_str());
        return 1;
    }
    const zkr::SharedServices& services = *zkr::sharedServices;

    ErrorShot errorShot{folder + "/error-dialog.png"};
    setModalHook(&errorHook, &errorShot);
    char text[zkr::kErrorTextSize];
    services.getErrorText(8, text);
    services.showZKRError(8, "drums-take1.wav", text);
    setModalHook(nullptr, nullptr);

    SplashShot splashShot;
    setModalHook(&splashHook, &splashShot);
    services.showSplashWindow();
    bool splashSaved = false;
    std::future<WindowHandle> shown = splashShot.shown.get_future();
    if (shown.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
        WindowHandle splash = shown.get();
        services.updateSplashText("Finding Plug-Ins");
        splashShot.updated = true;
        // One more message makes one more idle moment, after the new text is painted.
        (void)postMessage(splash, kMsgNull, 0, 0);
        if (splashShot.painted.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready)
            splashSaved = capture(splash, folder + "/splash-window.png");
    }
    services.closeSplashWindow();
    setModalHook(nullptr, nullptr);
    zkr::releaseSharedServices();
    if (!splashSaved)
        std::printf("could not write %s/splash-window.png\n", folder.c_str());
    return errorShot.saved && splashSaved ? 0 : 1;
}
