#pragma once

// What a window shows on the headless backend, looked at once it has
// settled: its pixels, and whether a picture stands at a place in them.

#include <chrono>
#include <thread>

#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"
#include "platform/ui/headless/Headless.h"
#include "support/Eventually.h"

namespace velmora::test {

// The window's pixels once it has stopped presenting new ones.
inline plat::ui::Surface settledPicture(plat::ui::WindowHandle window)
{
    int last = -1;
    for (int same = 0; same < 3; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
        const int count = plat::ui::headless::windowState(window).presentCount;
        same = count == last ? same + 1 : 0;
        last = count;
    }
    plat::ui::Surface image;
    (void)plat::ui::headless::snapshot(window, image);
    return image;
}

// Whether the window shows expected at x, y (colours only), once it settles within a few seconds.
inline bool showsPicture(plat::ui::WindowHandle window, int x, int y, const plat::ui::Surface& expected)
{
    return eventually([&] {
        const plat::ui::Surface image = settledPicture(window);
        for (int row = 0; row < expected.height(); ++row)
            for (int column = 0; column < expected.width(); ++column)
                if (((image.pixel(x + column, y + row) ^ expected.pixel(column, row)) & 0xFFFFFF) != 0)
                    return false;
        return true;
    });
}

} // namespace velmora::test
