#pragma once

// Driving dialogs, menus and message boxes from inside their modal loops on
// the headless backend: a script of steps, each run when the loop is idle.

#include <deque>
#include <functional>

#include "platform/core/Thread.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/headless/Headless.h"

namespace velmora::test {

// Steps run one per idle moment of any modal loop (window, depth), in order.
class ModalScript {
public:
    using Step = std::function<void(plat::ui::WindowHandle modal, int depth)>;

    ModalScript() { plat::ui::setModalHook(&ModalScript::hook, this); }
    ~ModalScript() { plat::ui::setModalHook(nullptr, nullptr); }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& then(Step step)
    {
        steps_.push_back(std::move(step));
        return *this;
    }
    bool finished() const { return steps_.empty(); }

private:
    static void hook(plat::ui::WindowHandle modal, int depth, void* context)
    {
        auto* self = static_cast<ModalScript*>(context);
        if (self->steps_.empty())
            return;
        Step step = std::move(self->steps_.front());
        self->steps_.pop_front();
        step(modal, depth);
        // The loop sleeps until its next message: one more wakes it for the next step.
        (void)plat::ui::postThreadMessage(plat::currentThreadId(), plat::ui::kMsgNull, 0, 0);
    }

    std::deque<Step> steps_;
};

// Where a window (a control) is inside its top-level window: its centre, or a point from its top left.
inline plat::ui::Point pointIn(plat::ui::WindowHandle window, int dx = -1, int dy = -1)
{
    using namespace plat::ui;
    Rect place;
    Rect top;
    (void)windowRect(window, place);
    (void)windowRect(topLevelOf(window), top);
    int x = dx < 0 ? place.width() / 2 : dx;
    int y = dy < 0 ? place.height() / 2 : dy;
    return {place.left - top.left + x, place.top - top.top + y};
}

// A click on a window (a control) as the user makes it, handled at once when on this thread.
inline void clickOn(plat::ui::WindowHandle window, int dx = -1, int dy = -1)
{
    plat::ui::Point at = pointIn(window, dx, dy);
    plat::ui::headless::click(plat::ui::topLevelOf(window), at.x, at.y);
    pumpPending();
}

// Clicks the item at position in an open pop-up menu's window, as the user
// would; false when the menu has no such item.
inline bool clickMenuItem(plat::ui::WindowHandle menuWindow, int position)
{
    using namespace plat::ui;
    Rect item;
    if (!menuItemRect(menuOfWindow(menuWindow), position, item))
        return false;
    Rect place;
    (void)windowRect(menuWindow, place);
    const int x = item.left - place.left + 8;
    const int y = item.top - place.top + 3;
    headless::mouseMove(menuWindow, x, y);
    headless::click(menuWindow, x, y);
    return true;
}

inline void pressOn(plat::ui::WindowHandle window, uint32_t key)
{
    plat::ui::headless::pressKey(plat::ui::topLevelOf(window), key);
    pumpPending();
}

} // namespace velmora::test
