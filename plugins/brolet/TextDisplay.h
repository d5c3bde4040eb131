#pragma once

#include "platform/ui/Font.h"
#include "platform/ui/Painter.h"
#include "plugins/brolet/Layout.h"
#include "zkr/BitmapObject.h"
#include "zkr/LabelControl.h"

namespace brolet {

// A name field of the output window (the sound card's, the visual's): its
// field picture with the name inside the text area, in the window's display
// font and colour, cut with "..." when it is too long.
class TextDisplay : public zkr::LabelControl {
public:
    explicit TextDisplay(zkr::UserInterface* owner = nullptr);

    // The field's picture (kept by the caller; null: black) at box, the text
    // inside textArea (relative to box).
    void place(const Box& box, const Box& textArea, const zkr::BitmapObject* picture);
    void paint(plat::ui::Painter* dc) override;

    // The font every name field draws with.
    static const plat::ui::Font* font();

    const zkr::BitmapObject* field = nullptr;
    plat::ui::Rect textArea; // client coordinates
};

} // namespace brolet
