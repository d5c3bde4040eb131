#include "zkr/NameField.h"

#include <string_view>
#include <utility>

namespace zkr {

using namespace plat::ui;

namespace {

constexpr unsigned kLine = kTextLeft | kTextVCentre | kTextSingleLine | kTextNoPrefix | kTextEndEllipsis;

// The name's two lines: split at "|", else where a line too wide for width
// breaks (at the last space that fits, else mid-word); the second is empty
// when the name fits.
std::pair<std::string_view, std::string_view> splitLines(std::string_view text, const Font& font, int width)
{
    if (const std::size_t bar = text.find('|'); bar != std::string_view::npos)
        return {text.substr(0, bar), text.substr(bar + 1)};
    if (font.textWidth(text) <= width)
        return {text, {}};
    std::size_t fits = 1;
    while (fits < text.size() && font.textWidth(text.substr(0, fits + 1)) <= width)
        ++fits;
    const std::size_t space = text.substr(0, fits + 1).rfind(' ');
    if (space != std::string_view::npos && space > 0)
        return {text.substr(0, space), text.substr(space + 1)};
    return {text.substr(0, fits), text.substr(fits)};
}

} // namespace

NameField::NameField(UserInterface* owner) : LabelControl(owner) {}

void NameField::place(const Rect& box, const Rect& text, const BitmapObject* picture)
{
    LabelControl::place(box.left, box.top, box.width(), box.height());
    field = picture;
    textArea = text.offsetBy(box.left, box.top);
}

const Font* NameField::font()
{
    FontSpec spec;
    spec.face = "DejaVu Sans Condensed";
    spec.height = -9;
    spec.weight = kWeightBold;
    return Font::get(spec);
}

void NameField::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    const PainterState saved = dc->state();
    if (field != nullptr && !field->isEmpty())
        field->blitAll(*dc, rect.left, rect.top);
    else
        dc->fillRect(rect, kBlack);
    const Font* face = font();
    dc->setFont(face);
    dc->setTextColour(ink);
    dc->setBackgroundMode(BackgroundMode::Transparent);
    const auto [first, second] =
        twoLines ? splitLines(name, *face, textArea.width()) : std::pair<std::string_view, std::string_view>{name, {}};
    if (second.empty() && first.size() == std::string_view(name).size()) {
        dc->drawText(first, textArea, kLine);
    } else {
        const int middle = textArea.top + textArea.height() / 2;
        dc->drawText(first, Rect{textArea.left, textArea.top, textArea.right, middle}, kLine);
        dc->drawText(second, Rect{textArea.left, middle, textArea.right, textArea.bottom}, kLine);
    }
    dc->restoreState(saved);
}

} // namespace zkr
