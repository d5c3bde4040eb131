#include "zkr/Control.h"

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "zkr/ClassKinds.h"
#include "zkr/UserInterface.h"

namespace zkr {

using namespace plat::ui;

Control::Control(UserInterface* ui)
{
    kind = kKindControl;
    Control::setup();
    if (ui != nullptr)
        attachTo(ui);
}

void Control::attachTo(UserInterface* ui)
{
    owner = ui;
    parent = ui->window;
    module = ui->module;
}

int Control::setup()
{
    state = kStateNormal;
    previousState = kStateNormal;
    enabled = true;
    visible = true;
    hasTooltip = true;
    message = 0;
    messageWParam = kDefaultMessageWParam;
    messageLParam = reinterpret_cast<intptr_t>(this);
    takesKeys = false;
    firesOnPress = false;
    hasDirectHelp = true;
    helpNumber = 0;
    return 0;
}

int Control::update()
{
    return 0;
}

void Control::paint(Painter*) {}
void Control::onTooltip() {}
void Control::onMouseMove(intptr_t, uintptr_t) {}
void Control::onWheel(int, uintptr_t) {}
void Control::onKey(int, uintptr_t, bool) {}
void Control::onDoubleClick(intptr_t, uintptr_t) {}

void Control::onMouseDown(intptr_t, uintptr_t)
{
    previousState = state;
    state = kStatePressed;
    if (firesOnPress && message != 0)
        fire();
    repaint();
}

void Control::onMouseUp(intptr_t, uintptr_t)
{
    previousState = state;
    state = kStateNormal;
    repaint();
    // A button fires when it is released after being pressed.
    if (!firesOnPress && previousState == kStatePressed && message != 0)
        fire();
}

void Control::setState(int32_t newState)
{
    if (newState == state)
        return;
    previousState = state;
    state = newState;
    repaint();
}

static WindowHandle targetOf(const Control& control)
{
    return control.owner != nullptr && control.owner->window != nullptr ? control.owner->window
                                                                        : control.parent;
}

Point Control::bottomLeftOnScreen() const
{
    Point corner{rect.left, rect.bottom};
    if (owner != nullptr)
        (void)clientToScreen(owner->window, corner);
    return corner;
}

void Control::repaint()
{
    WindowHandle target = targetOf(*this);
    if (target != nullptr)
        (void)invalidateRect(target, &rect, true);
}

void Control::fire()
{
    WindowHandle target = targetOf(*this);
    if (target != nullptr)
        sendMessage(target, message, messageWParam, messageLParam);
}

intptr_t controlPoint(const Control& control, int x, int y)
{
    return makePointParam(x - control.rect.left, y - control.rect.top);
}

} // namespace zkr
