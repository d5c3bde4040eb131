#include "platform/ui/controls/ItemList.h"

#include <algorithm>
#include <strings.h>

#include "platform/ui/controls/ControlLook.h"

namespace plat::ui::detail {

int ItemList::add(const std::string& text, bool sorted)
{
    size_t index = items_.size();
    if (sorted) {
        index = 0;
        while (index < items_.size() && strcasecmp(items_[index].text.c_str(), text.c_str()) <= 0)
            ++index;
    }
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), Item{text, 0});
    if (selected_ >= static_cast<int>(index))
        ++selected_;
    return static_cast<int>(index);
}

int ItemList::insert(int index, const std::string& text)
{
    if (index == -1)
        index = count();
    if (index < 0 || index > count())
        return -1;
    items_.insert(items_.begin() + index, Item{text, 0});
    if (selected_ >= index)
        ++selected_;
    return index;
}

int ItemList::remove(int index)
{
    if (!valid(index))
        return -1;
    items_.erase(items_.begin() + index);
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
    top_ = std::min(top_, std::max(0, count() - 1));
    return count();
}

void ItemList::clear()
{
    items_.clear();
    selected_ = -1;
    top_ = 0;
}

int ItemList::find(int after, const std::string& text, bool exact) const
{
    const int n = count();
    const int start = (after < -1 || after >= n) ? 0 : after + 1;
    for (int step = 0; step < n; ++step) {
        int index = (start + step) % n;
        const std::string& candidate = items_[static_cast<size_t>(index)].text;
        bool match = exact ? strcasecmp(candidate.c_str(), text.c_str()) == 0
                           : strncasecmp(candidate.c_str(), text.c_str(), text.size()) == 0;
        if (match)
            return index;
    }
    return -1;
}

bool ItemList::select(int index)
{
    if (index != -1 && !valid(index))
        return false;
    selected_ = index;
    return true;
}

void ItemList::setTop(int top, int visible)
{
    top_ = std::clamp(top, 0, std::max(0, count() - std::max(1, visible)));
}

void ItemList::showItem(int index, int visible)
{
    if (!valid(index))
        return;
    if (index < top_)
        setTop(index, visible);
    else if (index >= top_ + visible)
        setTop(index - visible + 1, visible);
}

void ItemList::paint(Painter& p, const Rect& area, const Font& font, int highlight, bool focusMark,
                     bool enabled) const
{
    const int row = rowHeight(font);
    p.setBackgroundMode(BackgroundMode::Transparent);
    Argb normalText = enabled ? p.state().textColour : look::grayText();
    for (int index = top_, y = area.top; index < count() && y < area.bottom; ++index, y += row) {
        Rect line{area.left, y, area.right, y + row};
        bool lit = index == highlight;
        if (lit)
            p.fillRect(line, look::selection());
        p.setTextColour(lit ? look::selectionText() : normalText);
        p.drawText(at(index).text, line.inflatedBy(-2, 0),
                   kTextLeft | kTextVCentre | kTextSingleLine | kTextNoPrefix | kTextEndEllipsis);
        if (lit && focusMark)
            p.drawFocusRect(line);
    }
    p.setTextColour(normalText);
}

int ItemList::itemAt(const Rect& area, const Font& font, int y) const
{
    if (y < area.top || y >= area.bottom)
        return -1;
    int index = top_ + (y - area.top) / rowHeight(font);
    return valid(index) ? index : -1;
}

} // namespace plat::ui::detail
