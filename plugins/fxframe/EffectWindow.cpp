#include "plugins/fxframe/EffectWindow.h"

#include "zkr/Text.h"

namespace fxframe {

EffectWindow::EffectWindow(const Look& look) : look_(look) {}

EffectWindow::~EffectWindow()
{
    // The derived controls and state are used by the window until it is gone.
    endWindow();
}

bool EffectWindow::open(int showCommand)
{
    return openWindow(look_.className, look_.title, kIconId, kCursorId, showCommand);
}

bool EffectWindow::onClose()
{
    return destroying.load();
}

intptr_t EffectWindow::onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam)
{
    if (message != kControlMessage)
        return PluginWindow::onUserMessage(message, lparam, wparam);
    auto* control = reinterpret_cast<zkr::Control*>(lparam);
    if (wparam != kControlNotification || control == nullptr)
        return 0;
    return onControl(control->id, *control) ? 1 : 0;
}

bool EffectWindow::createStageOne()
{
    images.clear();
    if (!zkr::applySkin(*this, images, look_.skinBitmap, look_.maskBitmap))
        return false;
    return createControls() && !images.failed();
}

int EffectWindow::finishCreate()
{
    loadControls();
    handle_ = window;
    return 0;
}

void EffectWindow::beforeDestroy()
{
    handle_ = nullptr;
    forgetControls();
}

} // namespace fxframe
