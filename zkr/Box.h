#pragma once

#include "platform/ui/Geometry.h"

namespace zkr {

// A place on a skin: where a control or a picture sits and how big it is.
// Layouts of skinned windows and the tools that draw their pictures share it.
struct Box {
    int x, y, width, height;

    constexpr plat::ui::Rect rect() const { return plat::ui::Rect::fromSize(x, y, width, height); }
};

} // namespace zkr
