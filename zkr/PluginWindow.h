#pragma once

#include <atomic>
#include <cstdint>

#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"
#include "zkr/UserInterface.h"

namespace zkr {

// A plug-in's own skinned window, made on the thread that asks for it and
// then shown, hidden and closed for good by calls that may come from any
// thread (the engine's). The icon and cursor are the module's resources.
class PluginWindow : public UserInterface {
public:
    // Posted by showByEngine: show (wparam 1) or hide (0).
    static constexpr uint32_t kShowMessage = 0x8203;

    // The size a plug-in window asks for before its skin gives it its own.
    static constexpr int kRequestedWidth = 320;
    static constexpr int kRequestedHeight = 200;

    // Makes the window on the calling thread from description with the
    // icon and cursor resources of this module; false when it cannot be made.
    // A window made again registers its class anew.
    [[nodiscard]] bool openWindow(WindowDescription description, unsigned iconId, unsigned cursorId,
                                  int showCommand);
    // The same for a window of this class and caption at the requested size.
    [[nodiscard]] bool openWindow(const char* className, const char* title, unsigned iconId,
                                  unsigned cursorId, int showCommand);
    // Sets destroying and has the window's thread close the window; returns
    // once it is gone. Any thread.
    void closeByEngine();
    // Any thread.
    void showByEngine(bool show);

    // Handles kShowMessage; derived windows hand it the messages they do not know.
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;

    // Set by closeByEngine: the close is for good (save and go), not the user's.
    std::atomic<bool> destroying{false};

protected:
    // The window for other threads: derived windows publish it once the
    // window is built (finishCreate) and withdraw it before it goes.
    std::atomic<plat::ui::WindowHandle> handle_{nullptr};

private:
    // Kept while the window class is registered.
    plat::ui::Surface icon_;
    plat::ui::Surface cursor_;
};

} // namespace zkr
