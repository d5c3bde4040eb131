#include <algorithm>

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"

namespace plat::ui::detail {

namespace {

// Push buttons (default and flat), check boxes, radio buttons and group boxes.
class Button : public Control {
public:
    Button(WindowHandle window, const CreateInfo& info) : Control(window, info)
    {
        // Clicks inside a group box belong to the controls it frames.
        if (type() == kButtonGroupBox)
            setWindowLongPtr(window, kGwlExStyle, windowLongPtr(window, kGwlExStyle) | kExStyleTransparent);
    }

    intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam) override
    {
        switch (message) {
        case kMsgLButtonDown:
        case kMsgLButtonDoubleClick:
            noteMouseKeys(wparam);
            if (type() == kButtonGroupBox)
                return 0;
            if (!focused())
                setFocus(window());
            setCapture(window());
            tracking_ = true;
            setPushed(true);
            return 0;
        case kMsgMouseMove:
            if (tracking_)
                setPushed(client().contains(pointFromParam(lparam)));
            return 0;
        case kMsgLButtonUp:
            if (!tracking_)
                return 0;
            tracking_ = false;
            releaseCapture();
            if (pushed_) {
                setPushed(false);
                click();
            }
            return 0;
        case kMsgCaptureChanged:
            if (tracking_ && reinterpret_cast<WindowHandle>(lparam) != window()) {
                tracking_ = false;
                setPushed(false);
            }
            return 0;
        case kMsgKeyUp:
            noteKeyMessage(message, wparam);
            if (wparam == kVkSpace && pushed_ && !tracking_) {
                setPushed(false);
                click();
            }
            return 0;
        case kMsgChar:
            return 0;
        case kMsgKillFocus:
            if (pushed_ && !tracking_)
                setPushed(false);
            invalidateDefaultSiblings();
            return Control::handle(message, wparam, lparam);
        case kMsgSetFocus:
            invalidateDefaultSiblings();
            return Control::handle(message, wparam, lparam);
        case kMsgButtonGetCheck:
            return checked_;
        case kMsgButtonSetCheck:
            if (checked_ != static_cast<uint32_t>(wparam)) {
                checked_ = static_cast<uint32_t>(wparam);
                invalidate();
            }
            return 0;
        case kMsgButtonGetState:
            return checked_ | (pushed_ ? kButtonStatePushed : 0) | (focused() ? kButtonStateFocus : 0);
        case kMsgButtonSetState:
            setPushed(wparam != 0);
            return 0;
        case kMsgButtonSetStyle: {
            intptr_t old = windowLongPtr(window(), kGwlStyle);
            setWindowLongPtr(window(), kGwlStyle,
                             (old & ~intptr_t(0xFFFF)) | static_cast<intptr_t>(wparam & 0xFFFF));
            if (lparam != 0)
                invalidate();
            return 0;
        }
        case kMsgButtonClick:
            if (enabled() && type() != kButtonGroupBox)
                click();
            return 0;
        default:
            return Control::handle(message, wparam, lparam);
        }
    }

protected:
    intptr_t dialogCode() const override
    {
        switch (type()) {
        case kButtonDefPush:
            return kDialogCodeButton | kDialogCodeDefPushButton;
        case kButtonPush:
            return kDialogCodeButton | kDialogCodeUndefPushButton;
        case kButtonRadio:
        case kButtonAutoRadio:
            return kDialogCodeButton | kDialogCodeRadioButton;
        case kButtonGroupBox:
            return kDialogCodeStatic;
        default:
            return kDialogCodeButton;
        }
    }

    bool onKey(uint32_t key) override
    {
        if (key != kVkSpace || type() == kButtonGroupBox)
            return false;
        setPushed(true);
        return true;
    }

    void paint(Painter& p, const Rect&) override
    {
        switch (type()) {
        case kButtonPush:
        case kButtonDefPush:
            paintPush(p);
            break;
        case kButtonGroupBox:
            paintGroup(p);
            break;
        default:
            paintMark(p);
            break;
        }
    }

private:
    uint32_t type() const { return style() & kButtonTypeMask; }
    bool isPush() const { return type() == kButtonPush || type() == kButtonDefPush; }

    static bool isPushButton(WindowHandle w)
    {
        if (w == nullptr || windowClassName(w) != kButtonClass)
            return false;
        auto t = static_cast<uint32_t>(windowLongPtr(w, kGwlStyle)) & kButtonTypeMask;
        return t == kButtonPush || t == kButtonDefPush;
    }

    // A focused push button looks like the default one, and the default one
    // stops looking so meanwhile.
    bool looksDefault() const
    {
        WindowHandle focus = focusWindow();
        if (focus == window())
            return true;
        if (type() != kButtonDefPush)
            return false;
        return !(isPushButton(focus) && parentWindow(focus) == parent());
    }

    void invalidateDefaultSiblings() const
    {
        if (!isPush() || parent() == nullptr)
            return;
        for (WindowHandle sibling : childWindows(parent()))
            if (sibling != window() && isPushButton(sibling))
                (void)invalidateRect(sibling, nullptr, true);
    }

    void setPushed(bool pushed)
    {
        if (pushed_ == pushed)
            return;
        pushed_ = pushed;
        invalidate();
    }

    void click()
    {
        switch (type()) {
        case kButtonAutoCheckBox:
            checked_ = checked_ == kButtonChecked ? kButtonUnchecked : kButtonChecked;
            invalidate();
            break;
        case kButtonAutoRadio:
            checkInGroup();
            break;
        default:
            break;
        }
        notifyCommand(kButtonClicked);
    }

    // Checks this radio button and clears the other automatic ones of its group.
    void checkInGroup()
    {
        WindowHandle dialog = parent();
        if (dialog != nullptr) {
            WindowHandle at = nextDlgGroupItem(dialog, window(), false);
            while (at != nullptr && at != window()) {
                if (windowClassName(at) == kButtonClass &&
                    (static_cast<uint32_t>(windowLongPtr(at, kGwlStyle)) & kButtonTypeMask) ==
                        kButtonAutoRadio)
                    sendMessage(at, kMsgButtonSetCheck, kButtonUnchecked, 0);
                WindowHandle next = nextDlgGroupItem(dialog, at, false);
                if (next == at)
                    break;
                at = next;
            }
        }
        if (checked_ != kButtonChecked) {
            checked_ = kButtonChecked;
            invalidate();
        }
    }

    void paintPush(Painter& p)
    {
        bool flat = (style() & kButtonFlat) != 0;
        Rect inner = look::drawButtonFrame(p, client(), pushed_, looksDefault(), flat);
        p.setTextColour(look::text());
        look::drawLabel(p, text(), inner, kTextCentre | kTextVCentre | kTextSingleLine, enabled());
        if (focused())
            p.drawFocusRect(client().inflatedBy(-4, -4).offsetBy(pushed_ ? 1 : 0, pushed_ ? 1 : 0));
    }

    void paintMark(Painter& p)
    {
        Rect area = client();
        Brush brush = askColours(p, kMsgCtlColorStatic);
        p.fillRect(area, brush);
        const bool radio = type() == kButtonRadio || type() == kButtonAutoRadio;
        const int box = radio ? 12 : 13;
        const bool leftText = (style() & kButtonLeftText) != 0;
        int boxX = leftText ? area.right - box : 0;
        int boxY = (area.height() - box) / 2;
        if (radio)
            look::drawRadio(p, boxX, boxY, checked_ == kButtonChecked, enabled(), pushed_);
        else
            look::drawCheckBox(p, boxX, boxY, checked_ == kButtonChecked, enabled(), pushed_);
        Rect label = leftText ? Rect{0, 0, area.right - box - 4, area.bottom}
                              : Rect{box + 4, 0, area.right, area.bottom};
        Size extent = p.textExtent(text());
        look::drawLabel(p, text(), label, kTextLeft | kTextVCentre | kTextSingleLine, enabled());
        if (focused() && !text().empty()) {
            int top = (area.height() - extent.height) / 2;
            Rect focus{label.left - 1, top - 1, std::min(label.right, label.left + extent.width + 1),
                       top + extent.height + 1};
            p.drawFocusRect(focus);
        }
    }

    void paintGroup(Painter& p)
    {
        Rect area = client();
        Brush brush = askColours(p, kMsgCtlColorStatic);
        Size extent = p.textExtent(text());
        int lineY = extent.height / 2;
        // Only the frame and the caption: what is inside belongs to other controls.
        p.drawEdge({0, lineY, area.right, area.bottom}, kEdgeEtched, kSidesRect);
        if (!text().empty()) {
            Rect label = Rect::fromSize(8, 0, extent.width + 4, extent.height);
            p.fillRect(label, brush);
            look::drawLabel(p, text(), label.offsetBy(2, 0), kTextLeft | kTextTop | kTextSingleLine,
                            enabled());
        }
    }

    uint32_t checked_ = kButtonUnchecked;
    bool pushed_ = false;
    bool tracking_ = false; // the left button went down on it; it has the capture
};

} // namespace

void registerButtonClass()
{
    (void)registerControlClass(kButtonClass, &controlProcedure<Button>);
}

} // namespace plat::ui::detail
