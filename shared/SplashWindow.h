#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/ui/Painter.h"
#include "zkr/Dialog.h"
#include "zkr/ThreadObject.h"

namespace shared {

// The start-up splash: a captionless picture with one status line, run
// modally on a thread of its own so it keeps painting while the engine's
// thread works. The user cannot close it; only requestClose ends it. Other
// threads reach it only through its window (a sent message each).
class SplashWindow : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 105;
    static constexpr int kStatusControl = 1002;
    static constexpr int kTextSize = 256;

    SplashWindow();

    // Starts the thread that runs the dialog; false when it cannot be made.
    bool start();
    // Shows text followed by "..."; before the window exists the text is
    // kept and shown when it appears.
    void setStatus(const char* text);
    // Lets the splash close and closes it; a splash whose window is not made
    // yet ends as soon as it is.
    void requestClose();
    // The window once the dialog is up, null when it ended (or never came)
    // within timeoutMs.
    plat::ui::WindowHandle waitUntilShown(uint32_t timeoutMs);
    // True when the splash's thread has ended within timeoutMs.
    bool waitUntilEnded(uint32_t timeoutMs);
    // Whether the calling thread is the splash's own.
    bool onOwnThread() const;

    void onInitDialog() override;
    bool onClose() override;
    int onDestroy() override;
    plat::ui::Brush* onControlColor(zkr::WindowHandle control, plat::ui::Painter* dc) override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;

private:
    static uint32_t run(void* parameter);
    // Puts the kept status text into control 1002 (the splash's thread).
    void showStatus();

    std::mutex lock_;
    std::condition_variable shownOrEnded_;   // with lock_
    char statusText_[kTextSize] = {};        // guarded by lock_
    bool closing_ = false;                   // guarded by lock_
    bool ended_ = false;                     // guarded by lock_
    plat::ui::WindowHandle shown_ = nullptr; // guarded by lock_: the window while it exists
    plat::ui::Brush blackBrush_;             // the splash's thread only
    zkr::ThreadObject thread_;               // started once by start(), then only waited for
};

} // namespace shared
