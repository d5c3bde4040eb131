#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/core/Api.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Scale.h"
#include "platform/ui/Surface.h"

namespace plat::ui {

class Font;

// Text of a window's back buffer drawn once more at the screen's
// resolution, so that scaled windows show sharp letters instead of enlarged
// pixels. The painter records each run of text as the screen shows it; a
// run is shown only while the back buffer still holds exactly the pixels
// the run left there, so anything drawn over it later (by any means) brings
// back the plain enlarged pixels instead of stale letters. Used by the
// thread that uses the back buffer.
class PLAT_API ScreenText {
public:
    explicit ScreenText(Scale scale) : scale_(scale) {}

    Scale scale() const { return scale_; }

    // A run about to be drawn over area (back buffer pixels, inside it): its
    // screen pixels start as the enlarged pixels now there.
    Surface& beginRun(const Surface& backBuffer, const Rect& area);
    // The run is drawn into the back buffer too: it holds from now on.
    void endRun(const Surface& backBuffer);

    // Draws the runs still holding over the screen pixels of area; screen
    // is the whole back buffer enlarged. Drops the runs that no longer hold.
    void overlay(const Surface& backBuffer, const Rect& area, Surface& screen);

private:
    struct Run {
        Rect area;     // back buffer pixels
        Surface drawn; // the back buffer's pixels of area once the run was drawn
        Surface screen;
    };
    static bool holds(const Run& run, const Surface& backBuffer);

    Scale scale_;
    std::vector<Run> runs_;
    Run pending_;
};

// The screen text of a window's back buffer: made (or made anew when the
// scale changed) by attach, taken away by detach when the buffer goes; null
// for a surface without.
PLAT_API void attachScreenText(const Surface& backBuffer, Scale scale);
PLAT_API void detachScreenText(const Surface& backBuffer);
PLAT_API std::shared_ptr<ScreenText> screenTextOf(const Surface& surface);

// Deletes a window's back buffer and its screen text.
struct BackBufferDeleter {
    PLAT_API void operator()(Surface* backBuffer) const;
};
using BackBuffer = std::unique_ptr<Surface, BackBufferDeleter>;

// Enlarges area of a back buffer into screen (the whole buffer's screen
// size) by nearest neighbour, then lays the buffer's screen text over it.
PLAT_API void renderScaled(const Surface& backBuffer, const Rect& area, Scale scale, Surface& screen);

// The font for drawing text of font on the screen at scale.
PLAT_API const Font& screenFont(const Font& font, Scale scale);

} // namespace plat::ui
