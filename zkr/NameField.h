#pragma once

#include "platform/ui/Colour.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Painter.h"
#include "zkr/BitmapObject.h"
#include "zkr/LabelControl.h"

namespace zkr {

// A name on a field picture of a skin (a sound card's, a file's, a
// visual's): the text inside its text area in a small bold face, cut with
// "..." when it is too long. With two lines allowed, a "|" splits it, and a
// name too wide for one line breaks once, at a space where it can.
class NameField : public LabelControl {
public:
    explicit NameField(UserInterface* owner = nullptr);

    // The field's picture (kept by the caller; null: black) filling box, the
    // text inside textArea (relative to box).
    void place(const plat::ui::Rect& box, const plat::ui::Rect& textArea, const BitmapObject* picture);
    void paint(plat::ui::Painter* dc) override;

    // The face every name field draws with.
    static const plat::ui::Font* font();

    const BitmapObject* field = nullptr;
    plat::ui::Rect textArea; // client coordinates
    plat::ui::Argb ink = plat::ui::rgb(0xFF, 0xB8, 0x45); // the amber of the skins' displays
    bool twoLines = false;
};

} // namespace zkr
