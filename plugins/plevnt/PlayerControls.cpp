#include "plugins/plevnt/PlayerControls.h"

#include <algorithm>
#include <utility>

#include "platform/ui/Messages.h"

namespace plevnt {

using namespace plat::ui;

namespace {

constexpr unsigned kOneLine = kTextSingleLine | kTextVCentre | kTextNoPrefix;

// Draws text on the display in ink, clipped to area.
void writeText(Painter& dc, const Rect& area, std::string_view text, Argb ink, unsigned format)
{
    const PainterState saved = dc.state();
    dc.intersectClip(area);
    dc.setFont(displayFont());
    dc.setTextColour(ink);
    dc.setBackgroundMode(BackgroundMode::Transparent);
    dc.drawText(text, area, format);
    dc.restoreState(saved);
}

} // namespace

const Font* displayFont()
{
    FontSpec spec;
    spec.face = "DejaVu Sans Condensed";
    spec.height = -9;
    spec.weight = kWeightNormal;
    return Font::get(spec);
}

void DisplayControl::place(const Box& box)
{
    rect = box.rect();
    width = box.width;
    height = box.height;
    region = Region(rect);
}

// ---- time ---------------------------------------------------------------------------

void TimeDisplay::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    dc->fillRect(rect, kScreenColour);
    FontSpec spec;
    spec.face = "DejaVu Sans Mono";
    spec.height = -12;
    spec.weight = kWeightBold;
    const PainterState saved = dc->state();
    dc->setFont(Font::get(spec));
    dc->setTextColour(kScreenInk);
    dc->setBackgroundMode(BackgroundMode::Transparent);
    dc->drawText(text_, rect, kOneLine | kTextCentre);
    dc->restoreState(saved);
}

void TimeDisplay::show(const std::string& text)
{
    if (text == text_)
        return;
    text_ = text;
    repaint();
}

// ---- progress -----------------------------------------------------------------------

void ProgressBar::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    dc->fillRect(rect, kScreenColour);
    const int filled = rect.width() * percent_ / 100;
    if (filled > 0)
        dc->fillRect(Rect::fromSize(rect.left, rect.top + 1, filled, rect.height() - 2), kProgressColour);
}

void ProgressBar::show(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == percent_)
        return;
    percent_ = percent;
    repaint();
}

// ---- information --------------------------------------------------------------------

void InfoView::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    dc->fillRect(rect, kScreenColour);
    int top = rect.top + 2;
    std::size_t start = 0;
    while (start <= text_.size() && top + kInfoLineHeight <= rect.bottom) {
        const std::size_t end = std::min(text_.find('\n', start), text_.size());
        writeText(*dc, Rect::fromSize(rect.left + 4, top, rect.width() - 8, kInfoLineHeight),
                  std::string_view(text_).substr(start, end - start), kScreenInk, kOneLine | kTextEndEllipsis);
        top += kInfoLineHeight;
        start = end + 1;
    }
}

void InfoView::show(const std::string& text)
{
    if (text == text_)
        return;
    text_ = text;
    repaint();
}

// ---- playlist -----------------------------------------------------------------------

PlaylistView::PlaylistView(zkr::UserInterface* owner) : DisplayControl(owner)
{
    takesKeys = true;
}

int PlaylistView::visibleRows() const
{
    return std::max(1, (rect.height() - 4) / kPlaylistRowHeight);
}

int PlaylistView::rowAt(int y) const
{
    if (y < 2)
        return -1;
    const int row = first_ + (y - 2) / kPlaylistRowHeight;
    return row < static_cast<int>(rows_.size()) ? row : -1;
}

void PlaylistView::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    dc->fillRect(rect, kScreenColour);
    const int last = std::min(static_cast<int>(rows_.size()), first_ + visibleRows());
    const Font* face = displayFont();
    for (int row = first_; row < last; ++row) {
        const Row& entry = rows_[std::size_t(row)];
        const Rect line = Rect::fromSize(rect.left + 2, rect.top + 2 + (row - first_) * kPlaylistRowHeight,
                                         rect.width() - 4, kPlaylistRowHeight);
        if (row == selected_)
            dc->fillRect(line, kSelectionColour);
        const Argb ink = row == current_ ? kCurrentInk : kScreenInk;
        const int timeWidth = entry.time.empty() ? 0 : face->textWidth(entry.time) + 6;
        char number[16];
        std::snprintf(number, sizeof number, "%i.", row + 1);
        writeText(*dc, {line.left + 2, line.top, line.left + 28, line.bottom}, number, kScreenDimInk,
                  kOneLine | kTextRight);
        writeText(*dc, {line.left + 32, line.top, line.right - timeWidth - 2, line.bottom}, entry.name, ink,
                  kOneLine | kTextEndEllipsis);
        if (!entry.time.empty())
            writeText(*dc, {line.right - timeWidth, line.top, line.right - 2, line.bottom}, entry.time, ink,
                      kOneLine | kTextRight);
    }
    // Where the shown rows lie in the whole list, when it does not fit.
    const int total = static_cast<int>(rows_.size());
    if (total > visibleRows()) {
        const int track = rect.height() - 4;
        const int thumb = std::max(6, track * visibleRows() / total);
        const int top = (track - thumb) * first_ / std::max(1, total - visibleRows());
        dc->fillRect(Rect::fromSize(rect.right - 3, rect.top + 2 + top, 2, thumb), kScreenDimInk);
    }
}

void PlaylistView::show(std::vector<Row> rows, int current)
{
    rows_ = std::move(rows);
    current_ = current;
    if (selected_ >= static_cast<int>(rows_.size()))
        selected_ = -1;
    scrollTo(first_);
    repaint();
}

void PlaylistView::scrollTo(int first)
{
    const int lastFirst = std::max(0, static_cast<int>(rows_.size()) - visibleRows());
    first = std::clamp(first, 0, lastFirst);
    if (first == first_)
        return;
    first_ = first;
    repaint();
}

void PlaylistView::select(int row)
{
    if (row < -1 || row >= static_cast<int>(rows_.size()))
        return;
    if (row >= 0) {
        if (row < first_)
            scrollTo(row);
        else if (row >= first_ + visibleRows())
            scrollTo(row - visibleRows() + 1);
    }
    if (row != selected_) {
        selected_ = row;
        repaint();
    }
}

void PlaylistView::onMouseDown(intptr_t point, uintptr_t)
{
    select(rowAt(pointY(point)));
}

void PlaylistView::onMouseUp(intptr_t, uintptr_t) {}

void PlaylistView::onDoubleClick(intptr_t point, uintptr_t)
{
    const int row = rowAt(pointY(point));
    if (row < 0)
        return;
    select(row);
    activatedRow = row;
    if (message != 0)
        fire();
}

void PlaylistView::onWheel(int delta, uintptr_t)
{
    // One notch (120) scrolls three rows.
    scrollTo(first_ - delta / 40);
}

void PlaylistView::onKey(int up, uintptr_t key, bool hovered)
{
    if (up != 0 || !hovered || rows_.empty())
        return;
    const int page = visibleRows();
    switch (key) {
    case kVkUp:
        select(std::max(0, selected_ - 1));
        break;
    case kVkDown:
        select(std::min(static_cast<int>(rows_.size()) - 1, selected_ + 1));
        break;
    case kVkPrior:
        select(std::max(0, selected_ - page));
        break;
    case kVkNext:
        select(std::min(static_cast<int>(rows_.size()) - 1, std::max(0, selected_) + page));
        break;
    case kVkHome:
        select(0);
        break;
    case kVkEnd:
        select(static_cast<int>(rows_.size()) - 1);
        break;
    case kVkReturn:
        if (selected_ >= 0 && message != 0) {
            activatedRow = selected_;
            fire();
        }
        break;
    default:
        break;
    }
}

} // namespace plevnt
