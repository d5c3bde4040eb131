#include "platform/ui/controls/ControlBase.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/controls/ControlLook.h"

namespace plat::ui::detail {

namespace {
// Per thread: keys belong to the thread whose windows get them.
thread_local bool shiftIsDown = false;
thread_local bool controlIsDown = false;
} // namespace

bool shiftDown()
{
    return shiftIsDown;
}

bool controlDown()
{
    return controlIsDown;
}

void noteKeyMessage(uint32_t message, uintptr_t wparam)
{
    if (message != kMsgKeyDown && message != kMsgKeyUp)
        return;
    bool down = message == kMsgKeyDown;
    if (wparam == kVkShift)
        shiftIsDown = down;
    else if (wparam == kVkControl)
        controlIsDown = down;
}

void noteMouseKeys(uintptr_t wparam)
{
    shiftIsDown = (wparam & kKeyShift) != 0;
    controlIsDown = (wparam & kKeyControl) != 0;
}

Control::Control(WindowHandle window, const CreateInfo&) : window_(window) {}

const Font& Control::font() const
{
    if (font_ != nullptr)
        return *font_;
    return *Font::defaultGui();
}

Rect Control::client() const
{
    Rect area;
    (void)clientRect(window_, area);
    return area;
}

intptr_t Control::notifyCommand(uint16_t code) const
{
    WindowHandle owner = parent();
    if (owner == nullptr)
        return 0;
    return sendMessage(owner, kMsgCommand, makeWParam(static_cast<uint16_t>(id()), code),
                       reinterpret_cast<intptr_t>(window_));
}

Brush Control::askColours(Painter& painter, uint32_t message) const
{
    bool field = message == kMsgCtlColorEdit || message == kMsgCtlColorListBox;
    painter.setTextColour(enabled() ? look::text() : look::grayText());
    painter.setBackgroundColour(field ? look::fieldBackground() : look::face());
    painter.setBackgroundMode(BackgroundMode::Opaque);
    WindowHandle owner = parent();
    if (owner != nullptr) {
        intptr_t answer = sendMessage(owner, message, reinterpret_cast<uintptr_t>(&painter),
                                      reinterpret_cast<intptr_t>(window_));
        if (answer != 0)
            return *reinterpret_cast<const Brush*>(answer);
    }
    return Brush::solid(field ? look::fieldBackground() : look::face());
}

intptr_t Control::handle(uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgSetFont:
        font_ = reinterpret_cast<const Font*>(wparam);
        if (lparam != 0)
            invalidate();
        return 0;
    case kMsgGetFont:
        return reinterpret_cast<intptr_t>(font_);
    case kMsgEnable:
    case kMsgSetFocus:
    case kMsgKillFocus:
        invalidate();
        return 0;
    case kMsgSetText: {
        intptr_t answer = defWindowProc(window_, message, wparam, lparam);
        invalidate();
        return answer;
    }
    case kMsgEraseBackground:
        return 1;
    case kMsgPaint: {
        PaintInfo info;
        if (Painter* painter = beginPaint(window_, info)) {
            painter->setFont(&font());
            paint(*painter, info.paint);
            (void)endPaint(window_, info);
        }
        return 0;
    }
    case kMsgGetDialogCode:
        return dialogCode();
    case kMsgKeyDown:
        noteKeyMessage(message, wparam);
        if (onKey(static_cast<uint32_t>(wparam)))
            return 0;
        forwardKeyToDialog(window_, static_cast<uint32_t>(wparam));
        return 0;
    case kMsgKeyUp:
        noteKeyMessage(message, wparam);
        return 0;
    default:
        if (isMouseMessage(message) && message != kMsgMouseWheel)
            noteMouseKeys(wparam);
        return defWindowProc(window_, message, wparam, lparam);
    }
}

bool registerControlClass(const char* name, WindowProc procedure, uint32_t classStyle)
{
    if (isClassRegistered(name))
        return true;
    WindowClass windowClass;
    windowClass.style = classStyle;
    windowClass.procedure = procedure;
    windowClass.extraBytes = static_cast<int>(sizeof(void*));
    windowClass.name = name;
    windowClass.module = nullptr;
    return registerClass(windowClass) || isClassRegistered(name);
}

} // namespace plat::ui::detail
