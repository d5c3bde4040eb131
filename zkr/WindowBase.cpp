#include "zkr/WindowBase.h"

#include <cstring>

#include "api/Protocol.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "zkr/Application.h"
#include "zkr/ClassKinds.h"
#include "api/Protocol.h"
#include "zkr/Text.h"

namespace zkr {

using namespace plat::ui;

namespace {

// The answer to the command that asks for every dropped file's count.
constexpr uint32_t kDropCountQuery = 0xFFFFFFFFu;

bool isDialogWindow(WindowHandle window)
{
    return windowClassName(window) == kDialogClass;
}

} // namespace

WindowBase::WindowBase()
{
    kind = kKindWindowed;
    module = plat::programModule();
}

int WindowBase::getName(char* buffer)
{
    if (buffer == nullptr)
        return kind;
    if (window == nullptr)
        return ObjectBase::getName(buffer);
    // The kept title is read without a message, so errors may be named from any thread.
    copyText(buffer, kCaptionSize, windowTitle(window).c_str());
    return kind;
}

bool WindowBase::onCreate()
{
    return true;
}

void WindowBase::onInitDialog() {}

bool WindowBase::onClose()
{
    return true;
}

int WindowBase::onDestroy()
{
    return 1;
}

bool WindowBase::onCommand(uintptr_t, intptr_t)
{
    return false;
}

void WindowBase::onNotify(uintptr_t, intptr_t) {}
void WindowBase::onPaint(Painter*, PaintInfo&) {}
void WindowBase::onMouseDown(intptr_t, uintptr_t) {}
void WindowBase::onMouseUp(intptr_t, uintptr_t) {}
void WindowBase::onDoubleClick(intptr_t, uintptr_t) {}
void WindowBase::onMouseMove(intptr_t, uintptr_t) {}
void WindowBase::onWheel(uintptr_t, int, int, int) {}
void WindowBase::onKey(int, uintptr_t, intptr_t) {}
void WindowBase::onDeactivate(int, WindowHandle) {}

bool WindowBase::onContextMenu(int, int)
{
    return false;
}

void WindowBase::onTimer(uintptr_t, intptr_t) {}

int WindowBase::onHelp(const HelpInfo* helpInfo)
{
    Application* application = theApplication;
    if (helpTopic == -1 || application == nullptr || helpInfo == nullptr ||
        helpInfo->contextType != kHelpInfoWindow)
        return 0;
    application->showHelp(helpTopic, static_cast<int>(helpInfo->contextId));
    return 1;
}

Brush* WindowBase::onControlColor(WindowHandle, Painter*)
{
    return nullptr;
}

intptr_t WindowBase::onUserMessage(uint32_t, intptr_t, uintptr_t)
{
    return 0;
}

intptr_t WindowBase::onCopyData(uintptr_t, intptr_t)
{
    return 0;
}

bool WindowBase::onDropFiles(int, int, const std::vector<std::string>&)
{
    return false;
}

void WindowBase::afterClose() {}

WindowBase* WindowBase::fromWindow(WindowHandle window)
{
    return reinterpret_cast<WindowBase*>(windowUserData(window));
}

bool WindowBase::dispatchDrop(int x, int y, const std::vector<std::string>& files)
{
    return onDropFiles(x, y, files);
}

void WindowBase::handleDrop(DropHandle drop)
{
    uint32_t count = dragQueryFile(drop, kDropCountQuery, nullptr, 0);
    std::vector<std::string> files;
    files.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        // Asked for its length first, so that every path arrives whole.
        std::string path(dragQueryFile(drop, i, nullptr, 0), '\0');
        const auto size = static_cast<uint32_t>(path.size() + 1); // room for the terminator
        path.resize(dragQueryFile(drop, i, path.data(), size));
        files.push_back(std::move(path));
    }
    Point point;
    dragQueryPoint(drop, point);
    if (!dispatchDrop(point.x, point.y, files))
        setError(toWire(engine::Error::DropRefused));
}

intptr_t WindowBase::handleClose()
{
    if (isDialog) {
        // A refused close is still handled: left to the dialog's default
        // handling it would come back as Cancel and ask onClose a second time.
        if (!onClose())
            return 1;
        if (modeless)
            (void)destroyWindow(window);
        else
            (void)endDialog(window, kIdCancel);
        afterClose();
        return 1;
    }
    if (onClose())
        (void)destroyWindow(window);
    afterClose();
    return 0;
}

intptr_t WindowBase::handleOkCancel(int id)
{
    if (!isDialog || modeless) {
        sendMessage(window, kMsgClose, 0, 0);
        return isDialog ? 1 : 0;
    }
    closingWith = id;
    const bool closes = onClose();
    closingWith = 0;
    if (closes)
        (void)endDialog(window, id);
    return 1;
}

intptr_t WindowBase::handleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, bool& handled)
{
    handled = true;
    if (message > kLastSystemMessage)
        return onUserMessage(message, lparam, wparam);
    switch (message) {
    case kMsgClose:
        return handleClose();
    case kMsgCommand: {
        int id = loWord(wparam);
        if (id == kIdOk || id == kIdCancel)
            return handleOkCancel(id);
        handled = onCommand(wparam, lparam);
        return 0;
    }
    case kMsgDestroy: {
        int result = onDestroy();
        if (result == 2)
            postQuitMessage(0);
        return 0;
    }
    case kMsgActivate:
        if (loWord(wparam) == kWaInactive)
            onDeactivate(hiWord(wparam), reinterpret_cast<WindowHandle>(lparam));
        // The default handling still moves the focus on activation.
        handled = false;
        return 0;
    case kMsgPaint: {
        PaintInfo info;
        Painter* dc = beginPaint(window, info);
        if (dc != nullptr) {
            onPaint(dc, info);
            (void)endPaint(window, info);
        }
        return 0;
    }
    case kMsgDropFiles:
        handleDrop(reinterpret_cast<DropHandle>(wparam));
        return 0;
    case kMsgContextMenu:
        handled = onContextMenu(pointX(lparam), pointY(lparam));
        return handled ? 1 : 0;
    case kMsgHelp:
        return onHelp(reinterpret_cast<const HelpInfo*>(lparam));
    case kMsgCtlColorStatic:
        return reinterpret_cast<intptr_t>(
            onControlColor(reinterpret_cast<WindowHandle>(lparam), reinterpret_cast<Painter*>(wparam)));
    case kMsgCopyData:
        return onCopyData(wparam, lparam);
    case kMsgNotify:
        onNotify(wparam, lparam);
        return 0;
    case kMsgTimer:
        onTimer(wparam, lparam);
        return 0;
    case kMsgLButtonDown:
        onMouseDown(lparam, wparam);
        return 0;
    case kMsgLButtonUp:
        onMouseUp(lparam, wparam);
        return 0;
    case kMsgLButtonDoubleClick:
        onDoubleClick(lparam, wparam);
        return 0;
    case kMsgMouseMove:
        onMouseMove(lparam, wparam);
        return 0;
    case kMsgMouseWheel:
        onWheel(wparam, wheelDeltaOf(wparam), pointX(lparam), pointY(lparam));
        return 0;
    case kMsgKeyDown:
    case kMsgKeyUp:
        onKey(message == kMsgKeyUp ? 1 : 0, wparam, lparam);
        // Keys still get their default handling (F1 asks for help there).
        handled = false;
        return 0;
    default:
        handled = false;
        return 0;
    }
}

intptr_t WindowBase::windowProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (message == kMsgCreate) {
        const auto* info = reinterpret_cast<const CreateInfo*>(lparam);
        auto* self = info != nullptr ? static_cast<WindowBase*>(info->parameter) : nullptr;
        if (self == nullptr)
            return defWindowProc(window, message, wparam, lparam);
        setWindowUserData(window, reinterpret_cast<intptr_t>(self));
        self->window = window;
        if (self->onCreate())
            return 0;
        // A failed creation leaves no window behind.
        self->window = nullptr;
        return -1;
    }
    if (message == kMsgInitDialog) {
        auto* self = reinterpret_cast<WindowBase*>(lparam);
        if (self == nullptr)
            return 0;
        setWindowUserData(window, lparam);
        self->window = window;
        self->onInitDialog();
        return 1;
    }
    WindowBase* self = fromWindow(window);
    if (self == nullptr)
        return isDialogWindow(window) ? 0 : defWindowProc(window, message, wparam, lparam);

    bool dialog = self->isDialog;
    bool handled = false;
    intptr_t answer = self->handleMessage(message, wparam, lparam, handled);
    if (message == kMsgDestroy && fromWindow(window) == self) {
        // The handle is refused from now on; forget it.
        setWindowUserData(window, 0);
        self->window = nullptr;
    }
    if (dialog) {
        // A dialog's answers travel through its result slot.
        if (answer != 0 && isWindow(window))
            setWindowLongPtr(window, kDialogMsgResult, answer);
        return handled ? answer : 0;
    }
    return handled ? answer : defWindowProc(window, message, wparam, lparam);
}

} // namespace zkr
