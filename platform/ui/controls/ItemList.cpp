#include "platform/ui/controls/ItemList.h"

#include <algorithm>
#include <cstring>
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

namespace {

std::string textParam(intptr_t lparam)
{
    const char* text = reinterpret_cast<const char*>(lparam);
    return text != nullptr ? text : "";
}

} // namespace

ItemList::Answer ItemList::handleMessage(const ItemMessages& messages, uint32_t message, uintptr_t wparam,
                                         intptr_t lparam, bool sorted)
{
    const int index = static_cast<int>(static_cast<intptr_t>(wparam));
    const intptr_t error = messages.error;
    if (message == messages.addString)
        return {Outcome::ItemsChanged, add(textParam(lparam), sorted)};
    if (message == messages.insertString) {
        int at = insert(index, textParam(lparam));
        return {Outcome::ItemsChanged, at < 0 ? error : at};
    }
    if (message == messages.deleteString) {
        int left = remove(index);
        return {Outcome::ItemsChanged, left < 0 ? error : left};
    }
    if (message == messages.resetContent) {
        clear();
        return {Outcome::ItemsChanged, 0};
    }
    if (message == messages.getCount)
        return {Outcome::Answered, count()};
    if (message == messages.getCurSel)
        return {Outcome::Answered, selected()};
    if (message == messages.setCurSel) {
        bool ok = select(index);
        if (!ok && messages.badSelectionClears)
            select(-1);
        return {Outcome::SelectionSet, ok && index != -1 ? index : error};
    }
    if (message == messages.getText) {
        if (!valid(index) || lparam == 0)
            return {Outcome::Answered, error};
        const std::string& text = at(index).text;
        std::memcpy(reinterpret_cast<char*>(lparam), text.c_str(), text.size() + 1);
        return {Outcome::Answered, static_cast<intptr_t>(text.size())};
    }
    if (message == messages.getTextLen)
        return {Outcome::Answered, valid(index) ? static_cast<intptr_t>(at(index).text.size()) : error};
    if (message == messages.getItemData)
        return {Outcome::Answered, valid(index) ? at(index).data : error};
    if (message == messages.setItemData) {
        if (!valid(index))
            return {Outcome::Answered, error};
        at(index).data = lparam;
        return {Outcome::Answered, 0};
    }
    if (message == messages.findString || message == messages.findStringExact)
        return {Outcome::Answered, find(index, textParam(lparam), message == messages.findStringExact)};
    return {Outcome::NotMine, 0};
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
