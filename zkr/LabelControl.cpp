#include "zkr/LabelControl.h"

#include "platform/ui/Colour.h"
#include "zkr/BitmapFont.h"
#include "zkr/Text.h"

namespace zkr {

using namespace plat::ui;

namespace {

// What a sunken edge takes of each side.
constexpr int kSunkenEdge = 2;

} // namespace

LabelControl::LabelControl(UserInterface* owner) : Control(owner) {}

void LabelControl::place(int x, int y, int w, int h)
{
    rect = Rect::fromSize(x, y, w, h);
    width = w;
    height = h;
    region = Region(rect);
}

void LabelControl::setText(const char* text)
{
    copyText(name, text);
    repaint();
}

void LabelControl::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    const PainterState saved = dc->state();
    dc->fillRect(rect, kBlack);
    if (sunken)
        dc->drawEdge(rect, kEdgeSunken, kSidesRect);
    if (font != nullptr) {
        // Inside the edge: a long name is cut there instead of running over it.
        font->drawCentred(*dc, sunken ? rect.inflatedBy(-kSunkenEdge, -kSunkenEdge) : rect, name);
    } else {
        if (textFont != nullptr)
            dc->setFont(textFont);
        dc->setTextColour(fromColorRef(colorRef(0, 255, 0)));
        dc->setBackgroundColour(kBlack);
        dc->setBackgroundMode(BackgroundMode::Opaque);
        dc->drawText(name, rect, alignment | kTextSingleLine | kTextNoPrefix);
    }
    dc->restoreState(saved);
}

} // namespace zkr
