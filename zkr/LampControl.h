#pragma once

#include "zkr/Control.h"

namespace zkr {

class BitmapObject;

// A lamp with a lit and a dark picture; its owner switches it.
class LampControl : public Control {
public:
    explicit LampControl(UserInterface* owner = nullptr);

    // The lamp takes the lit image's size at x, y. The images are not owned.
    void place(int x, int y, const BitmapObject* litImage, const BitmapObject* darkImage);
    // Sets the lit flag and repaints.
    void setLit(bool on);

    void paint(plat::ui::Painter* dc) override;

    const BitmapObject* litImage = nullptr;
    const BitmapObject* darkImage = nullptr;
    bool lit = false;
};

} // namespace zkr
