#include "zkr/ToggleButton.h"

namespace zkr {

ToggleButton::ToggleButton(UserInterface* owner) : BitmapButton(owner) {}

void ToggleButton::onMouseUp(intptr_t point, uintptr_t keys)
{
    // Only a release that ends a press on this button flips it: the release
    // fires only then, and the owner must hear of every change.
    if (toggleable && state == kStatePressed)
        on = !on;
    BitmapButton::onMouseUp(point, keys);
}

int ToggleButton::currentFrame() const
{
    return BitmapButton::currentFrame() + (on ? 4 : 0);
}

void ToggleButton::setOn(bool value)
{
    if (on == value)
        return;
    on = value;
    repaint();
}

} // namespace zkr
