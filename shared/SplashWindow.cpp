#include "shared/SplashWindow.h"

#include <chrono>
#include <cstdio>
#include <new>

#include "platform/core/Thread.h"
#include "platform/core/ThreadSafety.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "shared/Services.h"
#include "shared/SharedModule.h"
#include "zkr/Text.h"

namespace shared {

using namespace plat::ui;

namespace {

constexpr uint32_t kDialogStyleSetForeground = 0x200; // DS_SETFOREGROUND

// Asks the splash's thread to show the kept status text.
constexpr uint32_t kMsgShowStatus = kMsgApp + 1;

// How long CloseSplashWindow waits for the splash's thread to end.
constexpr uint32_t kCloseWaitMs = 5000;

const DialogItemTemplate kSplashItems[] = {
    {"STATIC", "#103", -1, 0, 0, 354, 165, kStyleVisible | kStaticBitmap | kStaticRealSizeImage},
    {"STATIC", "Starting up...", SplashWindow::kStatusControl, 50, 142, 125, 8,
     kStyleVisible | kStaticLeftNoWrap, kExStyleTransparent},
};

// A tool window from the start, so the window manager keeps it out of the
// task bar; the start-up handler sets the style too.
const DialogTemplate kSplashTemplate{SplashWindow::kTemplateId,
                                     "",
                                     kStylePopup | kStyleBorder | kDialogStyleCentre |
                                         kDialogStyleSetForeground | kDialogStyleSetFont,
                                     kExStyleToolWindow,
                                     0,
                                     0,
                                     354,
                                     164,
                                     "Small Fonts",
                                     7,
                                     kSplashItems};

DialogRegistrar splashRegistrar(kSplashTemplate);

// The process's one splash. It is never deleted, so a second
// ShowSplashWindow finds it and shows nothing, and a pointer read under the
// lock stays valid after it.
plat::MutexProtected<SplashWindow*> splash;

SplashWindow* currentSplash()
{
    return splash.withLocked([](SplashWindow* current) { return current; });
}

} // namespace

SplashWindow::SplashWindow() : zkr::Dialog(kTemplateId, sharedModule(), nullptr) {}

bool SplashWindow::start()
{
    if (!thread_.create(&SplashWindow::run, this))
        return false;
    return thread_.resume();
}

uint32_t SplashWindow::run(void* parameter)
{
    auto* self = static_cast<SplashWindow*>(parameter);
    (void)self->runModal(); // the splash has no answer to give
    {
        std::lock_guard lock(self->lock_);
        self->ended_ = true;
    }
    self->shownOrEnded_.notify_all();
    return 1;
}

void SplashWindow::setStatus(const char* text)
{
    WindowHandle target = nullptr;
    {
        std::lock_guard lock(lock_);
        std::snprintf(statusText_, sizeof statusText_, "%s...", text != nullptr ? text : "");
        target = shown_;
    }
    if (target != nullptr)
        sendMessage(target, kMsgShowStatus, 0, 0);
}

void SplashWindow::requestClose()
{
    WindowHandle target = nullptr;
    {
        std::lock_guard lock(lock_);
        closing_ = true;
        target = shown_;
    }
    if (target == nullptr)
        return;
    sendMessage(target, kMsgClose, 0, 0);
}

WindowHandle SplashWindow::waitUntilShown(uint32_t timeoutMs)
{
    std::unique_lock lock(lock_);
    shownOrEnded_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return shown_ != nullptr || ended_; });
    return shown_;
}

bool SplashWindow::waitUntilEnded(uint32_t timeoutMs)
{
    return thread_.handle != nullptr && thread_.wait(timeoutMs);
}

bool SplashWindow::onOwnThread() const
{
    return thread_.handle != nullptr && thread_.threadId == plat::currentThreadId();
}

void SplashWindow::onInitDialog()
{
    blackBrush_ = Brush::solid(kBlack);
    setWindowLongPtr(window, kGwlExStyle, windowLongPtr(window, kGwlExStyle) | kExStyleToolWindow);
    (void)setTopmost(window, true);
    bool closeAtOnce = false;
    {
        std::lock_guard lock(lock_);
        shown_ = window;
        closeAtOnce = closing_;
    }
    shownOrEnded_.notify_all();
    showStatus();
    // Closed before its window existed: end before it is ever shown.
    if (closeAtOnce)
        (void)endDialog(window, kIdCancel);
}

bool SplashWindow::onClose()
{
    std::lock_guard lock(lock_);
    return closing_;
}

int SplashWindow::onDestroy()
{
    {
        std::lock_guard lock(lock_);
        shown_ = nullptr;
    }
    blackBrush_ = Brush::null();
    return zkr::Dialog::onDestroy();
}

Brush* SplashWindow::onControlColor(zkr::WindowHandle control, Painter* dc)
{
    if (dc == nullptr || dialogControlId(control) != kStatusControl)
        return nullptr;
    dc->setBackgroundColour(kBlack);
    dc->setTextColour(kWhite);
    return &blackBrush_;
}

intptr_t SplashWindow::onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam)
{
    if (message != kMsgShowStatus)
        return zkr::Dialog::onUserMessage(message, lparam, wparam);
    showStatus();
    return 1;
}

void SplashWindow::showStatus()
{
    char text[kTextSize];
    {
        std::lock_guard lock(lock_);
        zkr::copyText(text, statusText_);
    }
    (void)setDlgItemText(window, kStatusControl, text);
}

int showSplashWindow()
{
    splash.withLocked([](SplashWindow*& current) {
        if (current != nullptr)
            return;
        current = new (std::nothrow) SplashWindow;
        if (current != nullptr && !current->start())
            std::fprintf(stderr, "the splash window's thread could not be started\n");
    });
    return 1;
}

int updateSplashText(const char* text)
{
    SplashWindow* current = currentSplash();
    if (current == nullptr)
        return 0;
    current->setStatus(text);
    return 1;
}

int closeSplashWindow()
{
    SplashWindow* current = currentSplash();
    if (current == nullptr)
        return 0;
    current->requestClose();
    // Start-up goes on only when the splash is gone (its own thread cannot wait for itself).
    if (!current->onOwnThread())
        current->waitUntilEnded(kCloseWaitMs);
    return 1;
}

} // namespace shared
