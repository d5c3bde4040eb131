#pragma once

#include "zkr/BitmapButton.h"

namespace zkr {

// A bitmap button with an "on" position: its bitmap holds 8 frames, the
// last four repeating normal, disabled, hot and pressed for while it is on.
// Releasing the mouse after pressing it flips it (when toggleable) before it
// fires.
class ToggleButton : public BitmapButton {
public:
    explicit ToggleButton(UserInterface* owner = nullptr);

    void onMouseUp(intptr_t point, uintptr_t keys) override;
    int currentFrame() const override;

    // Sets the position without firing, repainting when it changes.
    void setOn(bool value);

    bool toggleable = true;
    bool on = false;

protected:
    int frameCount() const override { return 8; }
};

} // namespace zkr
