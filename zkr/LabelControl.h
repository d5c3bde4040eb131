#pragma once

#include "platform/ui/Painter.h"
#include "zkr/Control.h"

namespace zkr {

class BitmapFont;

// A text display: a black field showing the control's name, in a bitmap font
// when it has one, else in green, optionally framed by a sunken edge.
class LabelControl : public Control {
public:
    explicit LabelControl(UserInterface* owner = nullptr);

    // Rectangle x, y .. x + width, y + height, one picture of that size, rectangular region.
    void place(int x, int y, int width, int height);
    // Takes the text (cut to the name field) and repaints.
    void setText(const char* text);

    void paint(plat::ui::Painter* dc) override;

    bool sunken = false;
    // Not owned; must outlive the label. Null: the painter's font in green.
    const BitmapFont* font = nullptr;
    // The face of the green text when there is no bitmap font, for displays
    // too small for the window's font; null: the painter's.
    const plat::ui::Font* textFont = nullptr;
    // Placement of the text without a bitmap font (kText... flags); always one line, no prefixes.
    unsigned alignment = plat::ui::kTextCentre | plat::ui::kTextVCentre;
};

} // namespace zkr
