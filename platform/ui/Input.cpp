// Input from the backend: routed to the window that takes it and queued to
// that window's thread.

#include <cstdlib>

#include "platform/core/Time.h"
#include "platform/ui/UiState.h"

namespace plat::ui {

namespace {

uint32_t buttonFlag(MouseButton button)
{
    switch (button) {
    case MouseButton::Right:
        return kKeyRButton;
    case MouseButton::Middle:
        return kKeyMButton;
    default:
        return kKeyLButton;
    }
}

uint32_t downMessage(MouseButton button)
{
    switch (button) {
    case MouseButton::Right:
        return kMsgRButtonDown;
    case MouseButton::Middle:
        return kMsgMButtonDown;
    default:
        return kMsgLButtonDown;
    }
}

// The top-level window input for window arrives at, with the point made
// relative to it; null when the window is gone.
WindowRecord* inputTopLocked(WindowHandle window, Point& client) REQUIRES(uiMutex)
{
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return nullptr;
    if (!record->isTopLevel()) {
        const Point offset = offsetInTopLevelLocked(record);
        client.x += offset.x;
        client.y += offset.y;
        record = topLevelLocked(record);
    }
    return record->queue->alive ? record : nullptr;
}

// Where a mouse event at client (of top) goes: the capture, or the window
// under the pointer. Null when the input is dropped.
WindowRecord* mouseTargetLocked(WindowRecord* top, Point client, Point& screen) REQUIRES(uiMutex)
{
    UiState::Fields& state = uiState().locked();
    screen = Point{top->rect.left + client.x, top->rect.top + client.y};
    state.cursor = screen;
    WindowRecord* capture = liveWindowLocked(state.capture);
    if (capture != nullptr)
        return capture->queue->alive ? capture : nullptr;
    if (!top->enabledFlag())
        return nullptr;
    WindowRecord* target = hitTestLocked(top, client);
    return isEnabledForInputLocked(target) ? target : nullptr;
}

Point clientOfLocked(const WindowRecord* window, Point screen) REQUIRES(uiMutex)
{
    const Point origin = screenOriginLocked(window);
    return Point{screen.x - origin.x, screen.y - origin.y};
}

Message inputMessageLocked(WindowRecord* target, uint32_t message, uintptr_t wparam, intptr_t lparam)
    REQUIRES(uiMutex)
{
    return Message{target, message, wparam, lparam, tickCount(), uiState().locked().cursor};
}

} // namespace

void deliverMouseMove(WindowHandle window, Point client, uint32_t keys)
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* top = inputTopLocked(window, client);
    if (top == nullptr)
        return;
    Point screen;
    WindowRecord* target = mouseTargetLocked(top, client, screen);
    if (target == nullptr)
        return;
    const uintptr_t wparam = keys | uiState().locked().buttonsDown;
    const intptr_t lparam = pointParam(clientOfLocked(target, screen));
    ThreadQueue* queue = target->queue;
    // Moves coalesce: only the latest position of a run of moves is kept.
    if (!queue->posted.empty()) {
        Message& last = queue->posted.back().message;
        if (last.message == kMsgMouseMove && last.window == target) {
            last = inputMessageLocked(target, kMsgMouseMove, wparam, lparam);
            return;
        }
    }
    postLocked(queue, inputMessageLocked(target, kMsgMouseMove, wparam, lparam), kQsMouseMove);
}

void deliverMouseButton(WindowHandle window, MouseButton button, bool down, Point client, uint32_t keys)
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* top = inputTopLocked(window, client);
    if (top == nullptr)
        return;
    UiState::Fields& state = uiState().locked();
    const uint32_t flag = buttonFlag(button);
    if (down)
        state.buttonsDown |= flag;
    else
        state.buttonsDown &= ~flag;
    Point screen;
    WindowRecord* target = mouseTargetLocked(top, client, screen);
    if (target == nullptr)
        return;
    uint32_t message = downMessage(button) + (down ? 0 : 1);
    if (down) {
        const uint64_t now = tickCount64();
        const Size box = doubleClickSize();
        const bool takesDoubleClicks =
            target->windowClass && (target->windowClass->description.style & kClassDoubleClicks) != 0;
        if (takesDoubleClicks && state.lastClickWindow == target && state.lastClickButton == button &&
            now - state.lastClickTime <= doubleClickTime() &&
            std::abs(screen.x - state.lastClickPoint.x) * 2 <= box.width &&
            std::abs(screen.y - state.lastClickPoint.y) * 2 <= box.height) {
            message = downMessage(button) + 2;
            state.lastClickWindow = nullptr; // a third click starts again
        } else {
            state.lastClickWindow = target;
            state.lastClickButton = button;
            state.lastClickTime = now;
            state.lastClickPoint = screen;
        }
    }
    postLocked(target->queue,
               inputMessageLocked(target, message, keys | state.buttonsDown,
                                  pointParam(clientOfLocked(target, screen))),
               kQsMouseButton);
}

void deliverMouseWheel(WindowHandle window, Point client, int delta, uint32_t keys)
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* top = inputTopLocked(window, client);
    if (top == nullptr)
        return;
    Point screen;
    WindowRecord* target = mouseTargetLocked(top, client, screen);
    if (target == nullptr)
        return;
    const uintptr_t wparam = makeWParam(static_cast<uint16_t>(keys | uiState().locked().buttonsDown),
                                        static_cast<uint16_t>(static_cast<int16_t>(delta)));
    postLocked(target->queue, inputMessageLocked(target, kMsgMouseWheel, wparam, pointParam(screen)),
               kQsMouseButton);
}

void deliverKey(WindowHandle window, uint32_t virtualKey, bool down, char character)
{
    plat::ScopedLock lock(uiMutex);
    Point unused;
    WindowRecord* top = inputTopLocked(window, unused);
    if (top == nullptr || !top->enabledFlag())
        return;
    // The focus of the window's thread when it is inside this window, else the window itself.
    WindowRecord* target = top;
    WindowRecord* focus = liveWindowLocked(top->queue->focus);
    if (focus != nullptr && isDescendantLocked(top, focus) && isEnabledForInputLocked(focus))
        target = focus;
    // Repeat count 1; for a release the previous-state and transition bits.
    const intptr_t keyData = down ? 1 : static_cast<intptr_t>(0xC0000001u);
    postLocked(target->queue, inputMessageLocked(target, down ? kMsgKeyDown : kMsgKeyUp, virtualKey, keyData),
               kQsKey);
    if (down && character != 0)
        postLocked(target->queue,
                   inputMessageLocked(target, kMsgChar, static_cast<uint8_t>(character), keyData), kQsKey);
    if (down && virtualKey == kVkF1)
        postLocked(target->queue, inputMessageLocked(target, kMsgKeyF1, 0, 0), kQsKey);
}

void deliverActivation(WindowHandle window, bool active)
{
    WindowRecord* record = nullptr;
    {
        plat::ScopedLock lock(uiMutex);
        Point unused;
        record = inputTopLocked(window, unused);
        if (record == nullptr)
            return;
        if (!active) {
            if (uiState().locked().active != record)
                return;
            uiState().locked().active = nullptr;
            postLocked(record->queue, inputMessageLocked(record, kMsgActivate, makeWParam(kWaInactive, 0), 0),
                       kQsPostMessage);
            return;
        }
        if (uiState().locked().active == record)
            return;
    }
    activateTopLevel(record, false);
}

void deliverCloseRequest(WindowHandle window)
{
    plat::ScopedLock lock(uiMutex);
    Point unused;
    WindowRecord* top = inputTopLocked(window, unused);
    // A window disabled by a modal dialog is not closed under it.
    if (top == nullptr || !top->enabledFlag())
        return;
    postLocked(top->queue, inputMessageLocked(top, kMsgClose, 0, 0), kQsPostMessage);
}

void deliverExpose(WindowHandle window, const Rect& area)
{
    plat::ScopedLock lock(uiMutex);
    Point unused;
    WindowRecord* top = inputTopLocked(window, unused);
    if (top == nullptr)
        return;
    // The back buffer still holds the pixels: showing them again is enough.
    Rect whole{0, 0, top->rect.width(), top->rect.height()};
    Rect cut = area.intersect(whole);
    if (cut.isEmpty())
        return;
    top->pendingPresent.push_back(cut);
    postTaskLocked(top->queue, [top] {
        presentPendingOf(top);
        return intptr_t{0};
    });
}

void deliverBounds(WindowHandle window, const Rect& screenBounds)
{
    plat::ScopedLock lock(uiMutex);
    Point unused;
    WindowRecord* top = inputTopLocked(window, unused);
    // Even a report that matches the place now goes: an older one may still be
    // queued, and must not be the last word. Applying an unchanged place does nothing.
    if (top == nullptr)
        return;
    postTaskLocked(top->queue, [top, screenBounds] {
        applyBoundsFromBackend(top, screenBounds);
        return intptr_t{0};
    });
}

void deliverSize(WindowHandle window, Size size)
{
    plat::ScopedLock lock(uiMutex);
    Point unused;
    WindowRecord* top = inputTopLocked(window, unused);
    if (top == nullptr || (top->rect.width() == size.width && top->rect.height() == size.height))
        return;
    // The place is read when the task runs: a move made meanwhile stays.
    postTaskLocked(top->queue, [top, size] {
        Rect now;
        if (windowRect(top, now))
            applyBoundsFromBackend(top, Rect::fromSize(now.left, now.top, size.width, size.height));
        return intptr_t{0};
    });
}

void deliverMinimised(WindowHandle window, bool minimised)
{
    plat::ScopedLock lock(uiMutex);
    Point unused;
    WindowRecord* top = inputTopLocked(window, unused);
    if (top == nullptr || top->minimised == minimised)
        return;
    top->minimised = minimised;
    if (!minimised)
        invalidateLocked(top, Rect{0, 0, top->rect.width(), top->rect.height()}, false);
    top->queue->refresh();
}

void deliverDrop(WindowHandle window, Point client, const std::vector<std::string>& paths)
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* top = inputTopLocked(window, client);
    if (top == nullptr || !top->enabledFlag() || paths.empty())
        return;
    // The window under the drop that takes files, or one of its parents.
    WindowRecord* target = hitTestLocked(top, client);
    while (target != nullptr && (target->exStyle & kExStyleAcceptFiles) == 0)
        target = target->isTopLevel() ? nullptr : target->parent;
    if (target == nullptr)
        return;
    const Point screen{top->rect.left + client.x, top->rect.top + client.y};
    const Point point = clientOfLocked(target, screen);
    const bool inClient = Rect{0, 0, target->rect.width(), target->rect.height()}.contains(point);
    DropHandle drop = makeDropLocked(paths, point, inClient);
    if (drop == nullptr)
        return;
    postLocked(target->queue, inputMessageLocked(target, kMsgDropFiles, reinterpret_cast<uintptr_t>(drop), 0),
               kQsPostMessage);
}

void deliverTrayMouse(const TrayIconSpec& icon, uint32_t mouseMessage)
{
    // The owner may have gone while its icon was still shown.
    (void)postMessage(icon.owner, icon.callbackMessage, icon.id, static_cast<intptr_t>(mouseMessage));
}

} // namespace plat::ui
