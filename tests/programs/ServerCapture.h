#pragma once

// What the galleries save: a window as the X server shows it under Xvfb, or
// on the headless backend the window's own pixels.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/ui/Png.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"
#include "platform/ui/headless/Headless.h"

namespace velmora::gallery {

// Reads the window's place on the screen back from the X server (no window
// manager runs under Xvfb, so the window is where the platform put it).
inline bool captureFromServer(plat::ui::WindowHandle window, const std::string& path)
{
    using namespace plat::ui;
    Rect place;
    if (!windowRect(window, place))
        return false;
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    // Let the platform's last presentation reach the server first.
    usleep(300000);
    XSync(display, False);
    XImage* image = XGetImage(display, DefaultRootWindow(display), place.left, place.top,
                              static_cast<unsigned>(place.width()), static_cast<unsigned>(place.height()),
                              AllPlanes, ZPixmap);
    bool saved = false;
    if (image != nullptr) {
        Surface picture(place.width(), place.height());
        for (int y = 0; y < place.height(); ++y)
            for (int x = 0; x < place.width(); ++x)
                picture.setPixel(x, y, opaque(static_cast<Argb>(XGetPixel(image, x, y))));
        XDestroyImage(image);
        saved = savePng(picture, path);
    }
    XCloseDisplay(display);
    return saved;
}

inline bool capture(plat::ui::WindowHandle window, const std::string& path)
{
    const bool ok = std::strcmp(plat::ui::backendName(), "x11") == 0
                        ? captureFromServer(window, path)
                        : plat::ui::headless::savePng(window, path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
    return ok;
}

} // namespace velmora::gallery
