#include "zkr/OffscreenBitmap.h"

namespace zkr {

OffscreenBitmap::OffscreenBitmap(int width, int height)
    : width_(width), height_(height), picture_(width, height, plat::ui::kWhite)
{
    kind = kKindGraphics;
    // A fresh context draws with a black pen and a white brush.
    if (hasBitmap())
        picture_.dc().rectangle({0, 0, width_, height_});
}

} // namespace zkr
