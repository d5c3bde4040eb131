#include "plugins/brolet/TextDisplay.h"

#include "platform/ui/Colour.h"

namespace brolet {

namespace {

// The amber of the engine's other displays.
constexpr plat::ui::Argb kInk = plat::ui::rgb(0xFF, 0xB8, 0x45);

} // namespace

TextDisplay::TextDisplay(zkr::UserInterface* owner) : zkr::LabelControl(owner) {}

void TextDisplay::place(const Box& box, const Box& text, const zkr::BitmapObject* picture)
{
    zkr::LabelControl::place(box.x, box.y, box.width, box.height);
    field = picture;
    textArea = plat::ui::Rect::fromSize(box.x + text.x, box.y + text.y, text.width, text.height);
}

const plat::ui::Font* TextDisplay::font()
{
    plat::ui::FontSpec spec;
    spec.face = "DejaVu Sans Condensed";
    spec.height = -9;
    spec.weight = plat::ui::kWeightBold;
    return plat::ui::Font::get(spec);
}

void TextDisplay::paint(plat::ui::Painter* dc)
{
    if (dc == nullptr)
        return;
    const plat::ui::PainterState saved = dc->state();
    if (field != nullptr && !field->isEmpty())
        field->blitAll(*dc, rect.left, rect.top);
    else
        dc->fillRect(rect, plat::ui::kBlack);
    dc->setFont(font());
    dc->setTextColour(kInk);
    dc->setBackgroundMode(plat::ui::BackgroundMode::Transparent);
    dc->drawText(name, textArea,
                 plat::ui::kTextLeft | plat::ui::kTextVCentre | plat::ui::kTextSingleLine |
                     plat::ui::kTextNoPrefix | plat::ui::kTextEndEllipsis);
    dc->restoreState(saved);
}

} // namespace brolet
