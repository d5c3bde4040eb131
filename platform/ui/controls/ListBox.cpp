#include <algorithm>
#include <string>

#include "platform/core/Time.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/ItemList.h"

namespace plat::ui::detail {

namespace {

constexpr ItemMessages kListItemMessages{
    .addString = kMsgListAddString,
    .insertString = kMsgListInsertString,
    .deleteString = kMsgListDeleteString,
    .resetContent = kMsgListResetContent,
    .getCount = kMsgListGetCount,
    .getCurSel = kMsgListGetCurSel,
    .setCurSel = kMsgListSetCurSel,
    .getText = kMsgListGetText,
    .getTextLen = kMsgListGetTextLen,
    .getItemData = kMsgListGetItemData,
    .setItemData = kMsgListSetItemData,
    .findString = kMsgListFindString,
    .findStringExact = kMsgListFindStringExact,
    .error = kListError,
    .badSelectionClears = false,
};

// Letters typed within this time of each other make one prefix to look for.
constexpr uint32_t kTypeAheadPauseMs = 1000;

// A list box with one selection; kListNotify makes it tell selection changes
// and double clicks to its parent.
class ListBox : public Control {
public:
    ListBox(WindowHandle window, const CreateInfo& info) : Control(window, info) {}

    intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam) override
    {
        const ItemList::Answer itemAnswer =
            items_.handleMessage(kListItemMessages, message, wparam, lparam, (style() & kListSort) != 0);
        if (itemAnswer.outcome == ItemList::Outcome::SelectionSet)
            items_.showItem(static_cast<int>(static_cast<intptr_t>(wparam)), visibleRows());
        if (itemAnswer.outcome == ItemList::Outcome::ItemsChanged ||
            itemAnswer.outcome == ItemList::Outcome::SelectionSet)
            invalidate();
        if (itemAnswer.outcome != ItemList::Outcome::NotMine)
            return itemAnswer.result;
        switch (message) {
        case kMsgListGetTopIndex:
            return items_.top();
        case kMsgListSetTopIndex:
            items_.setTop(static_cast<int>(wparam), visibleRows());
            invalidate();
            return 0;
        case kMsgLButtonDown: {
            noteMouseKeys(wparam);
            if (!focused())
                setFocus(window());
            Point at = pointFromParam(lparam);
            if (hasScrollBar() && at.x >= scrollBarArea().left) {
                scrollByBar(at.y - scrollBarArea().top);
                return 0;
            }
            choose(items_.itemAt(rows(), font(), at.y));
            dragging_ = true;
            setCapture(window());
            return 0;
        }
        case kMsgMouseMove:
            if (dragging_) {
                Point at = pointFromParam(lparam);
                int index = items_.itemAt(rows(), font(), at.y);
                if (index >= 0)
                    choose(index);
            }
            return 0;
        case kMsgLButtonUp:
            if (dragging_) {
                dragging_ = false;
                releaseCapture();
            }
            return 0;
        case kMsgCaptureChanged:
            dragging_ = false;
            return 0;
        case kMsgLButtonDoubleClick: {
            Point at = pointFromParam(lparam);
            if (hasScrollBar() && at.x >= scrollBarArea().left)
                return 0;
            int index = items_.itemAt(rows(), font(), at.y);
            if (index >= 0) {
                choose(index);
                if ((style() & kListNotify) != 0)
                    notifyCommand(kListDoubleClick);
            }
            return 0;
        }
        case kMsgChar:
            typeAhead(wparam);
            return 0;
        case kMsgMouseWheel:
            items_.setTop(items_.top() - wheelDeltaOf(wparam) / kWheelDelta * 3, visibleRows());
            invalidate();
            return 0;
        default:
            return Control::handle(message, wparam, lparam);
        }
    }

protected:
    intptr_t dialogCode() const override { return kDialogCodeWantArrows | kDialogCodeWantChars; }

    bool onKey(uint32_t key) override
    {
        int selected = items_.selected();
        int page = std::max(1, visibleRows() - 1);
        switch (key) {
        case kVkUp:
            choose(selected <= 0 ? 0 : selected - 1);
            return true;
        case kVkDown:
            choose(selected < 0 ? 0 : std::min(items_.count() - 1, selected + 1));
            return true;
        case kVkHome:
            choose(0);
            return true;
        case kVkEnd:
            choose(items_.count() - 1);
            return true;
        case kVkPrior:
            choose(std::max(0, selected - page));
            return true;
        case kVkNext:
            choose(std::min(items_.count() - 1, selected + page));
            return true;
        default:
            return false;
        }
    }

    void paint(Painter& p, const Rect&) override
    {
        Rect area = client();
        Brush brush = askColours(p, kMsgCtlColorListBox);
        p.fillRect(area, brush);
        p.drawEdge(area, kEdgeSunken, kSidesRect);
        if (hasScrollBar())
            look::drawScrollBar(p, scrollBarArea(), items_.top(), visibleRows(), items_.count());
        Rect list = rows();
        p.intersectClip(list);
        items_.paint(p, list, font(), items_.selected(), focused(), enabled());
    }

private:
    Rect inner() const { return client().inflatedBy(-2, -2); }
    int visibleRows() const { return std::max(1, inner().height() / ItemList::rowHeight(font())); }
    bool hasScrollBar() const { return items_.count() > visibleRows(); }
    Rect scrollBarArea() const { return look::scrollBarStrip(inner()); }
    Rect rows() const { return look::besideScrollBar(inner(), hasScrollBar()); }

    void scrollByBar(int y)
    {
        int step =
            look::scrollBarRows(y, scrollBarArea().height(), items_.top(), visibleRows(), items_.count());
        if (step != 0)
            items_.setTop(items_.top() + step, visibleRows());
        invalidate();
    }

    // Typing letters goes to the first item that starts with them, as in
    // desktop file lists; the same letter again goes on to the next such item.
    void typeAhead(uintptr_t character)
    {
        // Item texts are compared byte by byte: letters beyond ASCII are left to the mouse.
        if (character < ' ' || character > '~')
            return;
        const char typed = static_cast<char>(character);
        const uint32_t now = plat::tickCount();
        if (now - lastTyped_ > kTypeAheadPauseMs)
            typed_.clear();
        lastTyped_ = now;
        typed_ += typed;
        const bool oneLetterAgain = typed_.size() > 1 && typed_.find_first_not_of(typed_[0]) == std::string::npos;
        if (oneLetterAgain) {
            choose(items_.find(items_.selected(), std::string(1, typed_[0]), false));
            return;
        }
        choose(items_.find(-1, typed_, false));
    }

    void choose(int index)
    {
        if (!items_.valid(index))
            return;
        items_.showItem(index, visibleRows());
        if (index == items_.selected()) {
            invalidate();
            return;
        }
        items_.select(index);
        invalidate();
        if ((style() & kListNotify) != 0)
            notifyCommand(kListSelChange);
    }

    ItemList items_;
    bool dragging_ = false;
    std::string typed_; // the type-ahead prefix so far
    uint32_t lastTyped_ = 0;
};

} // namespace

void registerListBoxClass()
{
    (void)registerControlClass(kListBoxClass, &controlProcedure<ListBox>);
}

} // namespace plat::ui::detail
