#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/ItemList.h"

namespace plat::ui::detail {

// Answers the dropped list window (the original platform's combo box information message).
constexpr uint32_t kMsgComboListWindow = 0x0164;

namespace {

constexpr const char* kDropListClass = "ComboLBox";
constexpr int kMaxDropRows = 8;

constexpr ItemMessages kComboItemMessages{
    .addString = kMsgComboAddString,
    .insertString = kMsgComboInsertString,
    .deleteString = kMsgComboDeleteString,
    .resetContent = kMsgComboResetContent,
    .getCount = kMsgComboGetCount,
    .getCurSel = kMsgComboGetCurSel,
    .setCurSel = kMsgComboSetCurSel,
    .getText = kMsgComboGetLbText,
    .getTextLen = kMsgComboGetLbTextLen,
    .getItemData = kMsgComboGetItemData,
    .setItemData = kMsgComboSetItemData,
    .findString = kMsgComboFindString,
    .findStringExact = kMsgComboFindStringExact,
    .error = kComboError,
    .badSelectionClears = true,
};

// A drop-down list: the chosen item in a field with a button; pressing it
// shows the items in a list of their own below (a top-level window, so it may
// reach outside the dialog), which takes the mouse until it closes.
class ComboBox : public Control {
public:
    ComboBox(WindowHandle window, const CreateInfo& info)
        : Control(window, info), module_(info.module), templateHeight_(info.height)
    {
        fitHeight();
    }

    ~ComboBox() override
    {
        if (list_ != nullptr) {
            WindowHandle list = list_;
            list_ = nullptr;
            (void)destroyWindow(list);
        }
    }

    WindowHandle listWindow() const { return list_; }

    intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam) override
    {
        const ItemList::Answer itemAnswer =
            items_.handleMessage(kComboItemMessages, message, wparam, lparam, (style() & kComboSort) != 0);
        if (itemAnswer.outcome == ItemList::Outcome::ItemsChanged) {
            changedItems();
        } else if (itemAnswer.outcome == ItemList::Outcome::SelectionSet) {
            highlight_ = items_.selected();
            invalidate();
        }
        if (itemAnswer.outcome != ItemList::Outcome::NotMine)
            return itemAnswer.result;
        switch (message) {
        case kMsgComboShowDropDown:
            if (wparam != 0)
                drop();
            else
                closeUp(false);
            return 1;
        case kMsgComboGetDroppedState:
            return list_ != nullptr ? 1 : 0;
        case kMsgComboListWindow:
            return reinterpret_cast<intptr_t>(list_);
        case kMsgSetFont: {
            intptr_t answer = Control::handle(message, wparam, lparam);
            fitHeight();
            return answer;
        }
        case kMsgGetText: {
            if (wparam == 0 || lparam == 0)
                return 0;
            std::string text = selectedText();
            size_t length = std::min<size_t>(text.size(), wparam - 1);
            std::memcpy(reinterpret_cast<char*>(lparam), text.data(), length);
            reinterpret_cast<char*>(lparam)[length] = '\0';
            return static_cast<intptr_t>(length);
        }
        case kMsgGetTextLength:
            return static_cast<intptr_t>(selectedText().size());
        case kMsgLButtonDown:
        case kMsgLButtonDoubleClick:
            noteMouseKeys(wparam);
            if (!focused())
                setFocus(window());
            if (list_ != nullptr)
                closeUp(false);
            else
                drop();
            return 0;
        case kMsgKillFocus:
            if (list_ != nullptr)
                closeUp(false);
            return Control::handle(message, wparam, lparam);
        case kMsgMouseWheel:
            if (list_ == nullptr)
                choose(std::clamp(items_.selected() - wheelDeltaOf(wparam) / kWheelDelta, 0,
                                  items_.count() - 1));
            return 0;
        default:
            return Control::handle(message, wparam, lparam);
        }
    }

    // Messages of the dropped list window.
    intptr_t listMessage(WindowHandle list, uint32_t message, uintptr_t wparam, intptr_t lparam)
    {
        switch (message) {
        case kMsgPaint: {
            PaintInfo info;
            if (Painter* p = beginPaint(list, info)) {
                Rect area;
                (void)clientRect(list, area);
                p->setFont(&font());
                p->fillRect(area, look::fieldBackground());
                p->frameRect(area, look::darkShadow());
                p->setTextColour(look::text());
                if (hasScrollBar())
                    look::drawScrollBar(*p, scrollBarArea(list), items_.top(), dropRows(), items_.count());
                p->intersectClip(listRows(list));
                items_.paint(*p, listRows(list), font(), highlight_, false, true);
                (void)endPaint(list, info);
            }
            return 0;
        }
        case kMsgEraseBackground:
            return 1;
        case kMsgMouseMove: {
            Point at = pointFromParam(lparam);
            Rect area;
            (void)clientRect(list, area);
            if (area.contains(at)) {
                const int index =
                    listRows(list).contains(at) ? items_.itemAt(listRows(list), font(), at.y) : -1;
                if (index >= 0 && index != highlight_) {
                    highlight_ = index;
                    (void)invalidateRect(list, nullptr, false);
                }
                armed_ = true;
            }
            return 0;
        }
        case kMsgLButtonDown: {
            Point at = pointFromParam(lparam);
            Rect area;
            (void)clientRect(list, area);
            if (!area.contains(at)) {
                closeUp(false);
                return 0;
            }
            armed_ = true;
            if (hasScrollBar() && at.x >= scrollBarArea(list).left) {
                const int step =
                    look::scrollBarRows(at.y - scrollBarArea(list).top, scrollBarArea(list).height(),
                                        items_.top(), dropRows(), items_.count());
                items_.setTop(items_.top() + step, dropRows());
                (void)invalidateRect(list, nullptr, false);
                return 0;
            }
            int index = items_.itemAt(listRows(list), font(), at.y);
            if (index >= 0) {
                highlight_ = index;
                (void)invalidateRect(list, nullptr, false);
            }
            return 0;
        }
        case kMsgLButtonUp: {
            Point at = pointFromParam(lparam);
            // The release of the click that opened the list chooses nothing.
            if (!armed_)
                return 0;
            if (listRows(list).contains(at) && items_.itemAt(listRows(list), font(), at.y) >= 0) {
                highlight_ = items_.itemAt(listRows(list), font(), at.y);
                closeUp(true);
            }
            return 0;
        }
        case kMsgMouseWheel:
            items_.setTop(items_.top() - wheelDeltaOf(wparam) / kWheelDelta, dropRows());
            (void)invalidateRect(list, nullptr, false);
            return 0;
        case kMsgCaptureChanged:
            if (reinterpret_cast<WindowHandle>(lparam) != list && list_ == list && !closing_)
                closeUp(false);
            return 0;
        default:
            return defWindowProc(list, message, wparam, lparam);
        }
    }

protected:
    intptr_t dialogCode() const override
    {
        return list_ != nullptr ? kDialogCodeWantAllKeys : kDialogCodeWantArrows | kDialogCodeWantChars;
    }

    bool onKey(uint32_t key) override
    {
        if (list_ != nullptr) {
            switch (key) {
            case kVkUp:
                moveHighlight(std::max(0, highlight_ - 1));
                return true;
            case kVkDown:
                moveHighlight(std::min(items_.count() - 1, highlight_ + 1));
                return true;
            case kVkHome:
                moveHighlight(0);
                return true;
            case kVkEnd:
                moveHighlight(items_.count() - 1);
                return true;
            case kVkReturn:
            case kVkF1 + 3: // F4
                closeUp(true);
                return true;
            case kVkEscape:
                closeUp(false);
                return true;
            case kVkTab:
                closeUp(true);
                return false;
            default:
                return true;
            }
        }
        switch (key) {
        case kVkUp:
        case kVkLeft:
            choose(std::max(0, items_.selected() - 1));
            return true;
        case kVkDown:
        case kVkRight:
            choose(items_.selected() < 0 ? 0 : std::min(items_.count() - 1, items_.selected() + 1));
            return true;
        case kVkHome:
            choose(0);
            return true;
        case kVkEnd:
            choose(items_.count() - 1);
            return true;
        case kVkF1 + 3: // F4 opens the list
            drop();
            return true;
        default:
            return false;
        }
    }

    void paint(Painter& p, const Rect&) override
    {
        Rect area = client();
        Brush brush = askColours(p, kMsgCtlColorEdit);
        p.fillRect(area, brush);
        Rect inner = p.drawEdge(area, kEdgeSunken, kSidesRect);
        Rect button{inner.right - look::kComboButtonWidth, inner.top, inner.right, inner.bottom};
        bool pressed = list_ != nullptr;
        Rect face = pressed ? (p.frameRect(button, look::shadow()), button.inflatedBy(-1, -1))
                            : p.drawEdge(button, kEdgeRaised, kSidesRect | kEdgeMiddle);
        p.fillRect(face, look::face());
        look::drawArrow(p, face.offsetBy(pressed ? 1 : 0, pressed ? 1 : 0), true,
                        enabled() ? look::text() : look::grayText());
        Rect field{inner.left + 1, inner.top + 1, button.left - 1, inner.bottom - 1};
        bool lit = focused() && list_ == nullptr;
        if (lit)
            p.fillRect(field, look::selection());
        p.setBackgroundMode(BackgroundMode::Transparent);
        if (!enabled())
            p.setTextColour(look::grayText());
        else if (lit)
            p.setTextColour(look::selectionText());
        p.drawText(selectedText(), field.inflatedBy(-2, 0),
                   kTextLeft | kTextVCentre | kTextSingleLine | kTextNoPrefix | kTextEndEllipsis);
        if (lit)
            p.drawFocusRect(field);
    }

private:
    std::string selectedText() const
    {
        return items_.valid(items_.selected()) ? items_.at(items_.selected()).text : std::string();
    }

    void changedItems()
    {
        highlight_ = items_.selected();
        invalidate();
        if (list_ != nullptr)
            (void)invalidateRect(list_, nullptr, false);
    }

    // As on the original platform, the height a template gives is that of the
    // field with its list dropped; the field itself is one line high.
    void fitHeight()
    {
        int height = font().metrics().height + 8;
        Rect area = client();
        if (area.height() != height)
            (void)setWindowPos(window(), 0, 0, area.width(), height,
                               kPosNoMove | kPosNoZOrder | kPosNoActivate);
    }

    int dropRows() const
    {
        int rows = (templateHeight_ - (font().metrics().height + 8)) / ItemList::rowHeight(font());
        if (rows < 3)
            rows = kMaxDropRows;
        return std::clamp(items_.count(), 1, rows);
    }

    // More items than the list shows: a scroll bar beside the rows reaches the rest.
    bool hasScrollBar() const { return items_.count() > dropRows(); }

    Rect listInside(WindowHandle list) const
    {
        Rect area;
        (void)clientRect(list, area);
        return area.inflatedBy(-1, -1);
    }

    Rect scrollBarArea(WindowHandle list) const { return look::scrollBarStrip(listInside(list)); }
    Rect listRows(WindowHandle list) const { return look::besideScrollBar(listInside(list), hasScrollBar()); }

    void choose(int index)
    {
        if (!items_.valid(index) || index == items_.selected())
            return;
        items_.select(index);
        highlight_ = index;
        invalidate();
        notifyCommand(kComboSelChange);
    }

    void moveHighlight(int index)
    {
        if (!items_.valid(index))
            return;
        highlight_ = index;
        items_.showItem(index, dropRows());
        (void)invalidateRect(list_, nullptr, false);
    }

    void drop();
    void closeUp(bool accept);

    ItemList items_;
    ModuleHandle module_;
    int templateHeight_;          // the field and its dropped list
    WindowHandle list_ = nullptr; // the dropped list, while shown
    int highlight_ = -1;          // the item lit in the dropped list
    bool armed_ = false;          // the mouse moved into the list since it dropped
    bool closing_ = false;
};

intptr_t dropListProcedure(WindowHandle list, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    auto* owner = reinterpret_cast<ComboBox*>(windowLongPtr(list, 0));
    if (message == kMsgCreate) {
        owner = static_cast<ComboBox*>(reinterpret_cast<const CreateInfo*>(lparam)->parameter);
        setWindowLongPtr(list, 0, reinterpret_cast<intptr_t>(owner));
        return 0;
    }
    if (message == kMsgDestroy) {
        setWindowLongPtr(list, 0, 0);
        return 0;
    }
    if (owner == nullptr)
        return defWindowProc(list, message, wparam, lparam);
    return owner->listMessage(list, message, wparam, lparam);
}

void ComboBox::drop()
{
    if (list_ != nullptr || !enabled())
        return;
    notifyCommand(kComboDropDown);
    Rect area = client();
    Point origin{0, area.bottom};
    (void)clientToScreen(window(), origin);
    int height = dropRows() * ItemList::rowHeight(font()) + 2;
    Size screen = screenSize();
    if (origin.y + height > screen.height) {
        Point top{0, 0};
        (void)clientToScreen(window(), top);
        origin.y = std::max(0, top.y - height);
    }
    highlight_ = items_.selected();
    armed_ = false;
    WindowHandle list = createWindow(kExStyleTopmost | kExStyleToolWindow | kExStyleNoActivate,
                                     kDropListClass, "", kStylePopup, origin.x, origin.y, area.width(),
                                     height, topLevelOf(window()), 0, module_, this);
    if (list == nullptr)
        return;
    list_ = list;
    items_.showItem(highlight_ < 0 ? 0 : highlight_, dropRows());
    showWindow(list, kShowNoActivate);
    setCapture(list);
    invalidate();
}

void ComboBox::closeUp(bool accept)
{
    if (list_ == nullptr || closing_)
        return;
    closing_ = true;
    WindowHandle list = list_;
    list_ = nullptr;
    if (captureWindow() == list)
        releaseCapture();
    (void)destroyWindow(list);
    closing_ = false;
    invalidate();
    if (accept && items_.valid(highlight_) && highlight_ != items_.selected()) {
        items_.select(highlight_);
        notifyCommand(kComboSelChange);
    }
    notifyCommand(accept ? kComboSelEndOk : kComboSelEndCancel);
    notifyCommand(kComboCloseUp);
}

} // namespace

void registerComboBoxClass()
{
    (void)registerControlClass(kComboBoxClass, &controlProcedure<ComboBox>);
    (void)registerControlClass(kDropListClass, &dropListProcedure, 0);
}

} // namespace plat::ui::detail

namespace plat::ui {

WindowHandle comboListWindow(WindowHandle combo)
{
    if (combo == nullptr || windowClassName(combo) != kComboBoxClass)
        return nullptr;
    return reinterpret_cast<WindowHandle>(sendMessage(combo, detail::kMsgComboListWindow, 0, 0));
}

} // namespace plat::ui
