#include "plugins/tindle/StripControls.h"

#include <string_view>
#include <utility>

#include "platform/ui/Colour.h"

namespace tindle {

using namespace plat::ui;

// ---- the title ------------------------------------------------------------------

namespace {

// The title's one or two lines: split at "|", else where a line too wide
// for width would be broken.
std::pair<std::string_view, std::string_view> titleLines(std::string_view text, const Font& font, int width)
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

TitleField::TitleField(zkr::UserInterface* owner) : zkr::LabelControl(owner) {}

void TitleField::place(const Box& box, const Box& text, const zkr::BitmapObject* picture)
{
    zkr::LabelControl::place(box.x, box.y, box.width, box.height);
    field = picture;
    textArea = Rect::fromSize(box.x + text.x, box.y + text.y, text.width, text.height);
}

const Font* TitleField::font()
{
    FontSpec spec;
    spec.face = "DejaVu Sans Condensed";
    spec.height = -9;
    spec.weight = kWeightBold;
    return Font::get(spec);
}

void TitleField::paint(Painter* dc)
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
    dc->setTextColour(kTitleInk);
    dc->setBackgroundMode(BackgroundMode::Transparent);
    constexpr unsigned kLine = kTextLeft | kTextVCentre | kTextSingleLine | kTextNoPrefix | kTextEndEllipsis;
    const auto [first, second] = titleLines(name, *face, textArea.width());
    if (second.empty() && first.size() == std::string_view(name).size()) {
        dc->drawText(first, textArea, kLine);
    } else {
        const int middle = textArea.top + textArea.height() / 2;
        dc->drawText(first, Rect{textArea.left, textArea.top, textArea.right, middle}, kLine);
        dc->drawText(second, Rect{textArea.left, middle, textArea.right, textArea.bottom}, kLine);
    }
    dc->restoreState(saved);
}

// ---- the display ----------------------------------------------------------------

WaveformDisplay::WaveformDisplay(zkr::UserInterface* owner) : zkr::Control(owner) {}

void WaveformDisplay::place(const Box& box)
{
    rect = Rect::fromSize(box.x, box.y, box.width, box.height);
    width = box.width;
    height = box.height;
    region = plat::ui::Region(rect);
}

void WaveformDisplay::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    if (picture_.isEmpty()) {
        dc->fillRect(rect, kEmptyDisplayColour);
    } else {
        dc->blit(rect.left, rect.top, picture_);
        dc->fillRect(Rect::fromSize(rect.left + cursorX, rect.top, 1, rect.height()), kCursorColour);
    }
    if (overlay != nullptr && overlay->visible)
        overlay->paint(dc);
}

void WaveformDisplay::show(const Surface& picture, uint32_t lengthMs)
{
    picture_ = picture.clone();
    totalMs = lengthMs > 0 ? lengthMs : 1;
    positionMs = 0;
    cursorX = 0;
    previousCursorX = 0;
    repaint();
}

void WaveformDisplay::clear()
{
    picture_ = Surface();
    positionMs = 0;
    cursorX = 0;
    previousCursorX = 0;
    repaint();
}

void WaveformDisplay::rewind()
{
    positionMs = 0;
    placeCursor(0);
}

void WaveformDisplay::advance(bool restarted, uint32_t blocks)
{
    if (restarted)
        positionMs = 0;
    for (uint32_t block = 0; block < blocks; ++block) {
        positionMs += advanceMs;
        if (positionMs >= totalMs)
            positionMs = 0;
    }
    placeCursor(static_cast<int32_t>(int64_t(width) * positionMs / totalMs));
}

void WaveformDisplay::placeCursor(int32_t x)
{
    previousCursorX = cursorX;
    cursorX = x;
    if (cursorX != previousCursorX && hasPicture())
        repaint();
}

} // namespace tindle
