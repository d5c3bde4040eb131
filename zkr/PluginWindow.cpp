#include "zkr/PluginWindow.h"

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "zkr/SkinImages.h"
#include "zkr/Text.h"

namespace zkr {

bool PluginWindow::openWindow(WindowDescription description, unsigned iconId, unsigned cursorId,
                              int showCommand)
{
    if (window != nullptr && plat::ui::isWindow(window))
        return true;
    plat::ui::initControls();
    if (icon_.isEmpty())
        (void)plat::ui::loadImage(ownModule(), plat::ui::ImageKind::Icon, iconId, icon_);
    if (cursor_.isEmpty())
        (void)plat::ui::loadImage(ownModule(), plat::ui::ImageKind::Cursor, cursorId, cursor_);
    if (!icon_.isEmpty()) {
        description.icon = &icon_;
        description.smallIcon = &icon_;
    }
    if (!cursor_.isEmpty())
        description.cursor = &cursor_;
    // Nothing but a saved place (restored while the window is made) keeps it from the desk's next free spot.
    description.besideShownWindows = true;
    unregisterClass();
    destroying = false;
    return create(true, description, ownModule(), showCommand) == 0;
}

bool PluginWindow::openWindow(const char* className, const char* title, unsigned iconId, unsigned cursorId,
                              int showCommand)
{
    WindowDescription description;
    copyText(description.className, className);
    copyText(description.title, title);
    description.width = kRequestedWidth;
    description.height = kRequestedHeight;
    return openWindow(description, iconId, cursorId, showCommand);
}

void PluginWindow::closeByEngine()
{
    destroying = true;
    const plat::ui::WindowHandle target = handle_.load();
    if (target == nullptr)
        return;
    // Carried out by the window's own thread; the send returns once the
    // window has saved what it keeps and is gone.
    plat::ui::sendMessage(target, plat::ui::kMsgClose, 0, 0);
    if (plat::ui::isWindow(target))
        (void)plat::ui::destroyWindow(target);
}

void PluginWindow::showByEngine(bool show)
{
    if (const plat::ui::WindowHandle target = handle_.load())
        (void)plat::ui::postMessage(target, kShowMessage, show ? 1 : 0, 0);
}

intptr_t PluginWindow::onUserMessage(uint32_t message, intptr_t, uintptr_t wparam)
{
    if (message == kShowMessage)
        showPlaced(wparam != 0 ? plat::ui::kShowNormal : plat::ui::kShowHide);
    return 0;
}

} // namespace zkr
