#pragma once

#include "platform/ui/Painter.h"
#include "platform/ui/Surface.h"
#include "zkr/BitmapObject.h"
#include "zkr/ObjectBase.h"

namespace zkr {

// A bitmap of its own, selected into its own memory drawing context, for
// pictures drawn away from the screen and copied onto it later. At
// construction it holds a plain rectangle: a black frame around white.
class OffscreenBitmap : public ObjectBase {
public:
    OffscreenBitmap(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    // False when the size was below 1 and there is no bitmap.
    bool hasBitmap() const { return !picture_.isEmpty(); }

    BitmapObject& picture() { return picture_; }
    const BitmapObject& picture() const { return picture_; }
    // Only valid while hasBitmap().
    plat::ui::Surface& bitmap() { return picture_.bitmap(); }
    const plat::ui::Surface& bitmap() const { return picture_.bitmap(); }
    plat::ui::Painter& dc() { return picture_.dc(); }

private:
    int width_;
    int height_;
    BitmapObject picture_;
};

} // namespace zkr
