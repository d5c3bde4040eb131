#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"

// Inside the platform library: the common part of every standard control.
// A control object lives in its window's first extra slot from kMsgCreate to
// kMsgDestroy and is used on the window's thread only.
namespace plat::ui::detail {

// Which modifier keys are down, as the key and mouse messages of the calling
// thread have told (the platform has no key-state query).
bool shiftDown();
bool controlDown();
void noteKeyMessage(uint32_t message, uintptr_t wparam);
void noteMouseKeys(uintptr_t wparam);

// Tab, Enter, Escape and arrows a control does not use go to its dialog.
// True when the dialog did something with the key.
bool forwardKeyToDialog(WindowHandle control, uint32_t key);

class Control {
public:
    Control(WindowHandle window, const CreateInfo& info);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    virtual intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam);

protected:
    // Paints the whole client area (the painter has the control's font).
    virtual void paint(Painter& painter, const Rect& area) = 0;
    // What of the keyboard the control wants in a dialog (kDialogCode...).
    virtual intptr_t dialogCode() const { return 0; }
    // A key the control may use; false passes it to the dialog.
    virtual bool onKey(uint32_t /*key*/) { return false; }

    WindowHandle window() const { return window_; }
    WindowHandle parent() const { return parentWindow(window_); }
    int id() const { return dialogControlId(window_); }
    uint32_t style() const { return static_cast<uint32_t>(windowLongPtr(window_, kGwlStyle)); }
    bool enabled() const { return isWindowEnabled(window_); }
    bool focused() const { return focusWindow() == window_; }
    const Font& font() const;
    Rect client() const;
    std::string text() const { return windowTitle(window_); }
    void invalidate() const { (void)invalidateRect(window_, nullptr, true); }
    // kMsgCommand (id, code) to the parent, sent.
    intptr_t notifyCommand(uint16_t code) const;
    // Asks the parent for colours (kMsgCtlColor...): answers the brush to fill with.
    Brush askColours(Painter& painter, uint32_t message) const;

private:
    WindowHandle window_;
    const Font* font_ = nullptr; // kMsgSetFont; null: the default dialog font
};

// The window procedure of a control class T (T(WindowHandle, const CreateInfo&)).
template <class T>
intptr_t controlProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    auto* control = reinterpret_cast<Control*>(windowLongPtr(window, 0));
    if (message == kMsgCreate && control == nullptr) {
        control = new T(window, *reinterpret_cast<const CreateInfo*>(lparam));
        setWindowLongPtr(window, 0, reinterpret_cast<intptr_t>(control));
    }
    if (control == nullptr)
        return defWindowProc(window, message, wparam, lparam);
    intptr_t answer = control->handle(message, wparam, lparam);
    if (message == kMsgDestroy) {
        setWindowLongPtr(window, 0, 0);
        delete control;
    }
    return answer;
}

// Registers a control class with one pointer of extra bytes for its object.
// False only when out of memory; creating such a control then fails, which its creator sees.
[[nodiscard]] bool registerControlClass(const char* name, WindowProc procedure,
                                        uint32_t classStyle = kClassDoubleClicks);

// The drawn 32 x 32 icons of message boxes (kNoticeIcon... style values 0x10..0x40).
const class Surface* messageIcon(uint32_t iconStyle);

} // namespace plat::ui::detail
