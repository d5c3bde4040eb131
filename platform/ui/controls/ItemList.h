#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Painter.h"

// Inside the platform library: the items of a list box or drop-down list,
// their selection and scrolling, and how they are drawn.
namespace plat::ui::detail {

// The numbers one control family gives the messages that work on its items, and its error answer.
struct ItemMessages {
    uint32_t addString;
    uint32_t insertString;
    uint32_t deleteString;
    uint32_t resetContent;
    uint32_t getCount;
    uint32_t getCurSel;
    uint32_t setCurSel;
    uint32_t getText;
    uint32_t getTextLen;
    uint32_t getItemData;
    uint32_t setItemData;
    uint32_t findString;
    uint32_t findStringExact;
    intptr_t error;
    bool badSelectionClears; // a selection out of range clears the one there was
};

class ItemList {
public:
    struct Item {
        std::string text;
        intptr_t data = 0;
    };

    // Answers the index of the new item; sorted lists keep byte order without regard to case.
    int add(const std::string& text, bool sorted);
    int insert(int index, const std::string& text); // -1: at the end; -1 answered when out of range
    int remove(int index);                          // answers the count left, -1 when out of range
    void clear();
    int count() const { return static_cast<int>(items_.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }
    const Item& at(int index) const { return items_[static_cast<size_t>(index)]; }
    Item& at(int index) { return items_[static_cast<size_t>(index)]; }
    // Starting after index (-1: from the start): first item beginning with text (exact: equal), without
    // regard to case.
    int find(int after, const std::string& text, bool exact) const;

    int selected() const { return selected_; }
    // -1 clears; false when out of range.
    bool select(int index);

    // Scrolling: the first row shown, kept within range for rows visible.
    int top() const { return top_; }
    void setTop(int top, int visible);
    void showItem(int index, int visible);

    // What handleMessage did, so that the control can redraw.
    enum class Outcome {
        NotMine,      // not an item message: the control handles it
        Answered,     // nothing changed
        ItemsChanged, // items added or removed (even when the request failed)
        SelectionSet, // a request to select; the selection may have changed
    };
    struct Answer {
        Outcome outcome;
        intptr_t result;
    };
    // Handles a message of the family in messages; sorted: added items keep order.
    Answer handleMessage(const ItemMessages& messages, uint32_t message, uintptr_t wparam, intptr_t lparam,
                         bool sorted);

    static int rowHeight(const Font& font) { return font.metrics().height + 2; }
    // Draws rows from top into area; highlight is the row drawn selected (-1 none).
    void paint(Painter& p, const Rect& area, const Font& font, int highlight, bool focusMark,
               bool enabled) const;
    // The item under y in area (rows from top), or -1.
    int itemAt(const Rect& area, const Font& font, int y) const;

private:
    std::vector<Item> items_;
    int selected_ = -1;
    int top_ = 0;
};

} // namespace plat::ui::detail
