#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <utility>

#include "platform/ui/headless/Headless.h"
#include "shared/Services.h"
#include "shared/SharedUiTestKit.h"
#include "shared/SplashWindow.h"
#include "support/Watchdog.h"

namespace {

using namespace plat::ui;
using velmora::test::ModalSteps;
using velmora::test::Watchdog;

constexpr int kStatus = shared::SplashWindow::kStatusControl;
constexpr uint32_t kTimeoutMs = 10000;

// Splash windows: dialogs with the status control.
int splashWindowCount()
{
    int count = 0;
    for (const WindowListEntry& entry : topLevelWindows()) {
        if (windowClassName(entry.window) == kDialogClass && dialogItem(entry.window, kStatus) != nullptr)
            ++count;
    }
    return count;
}

// ---- the splash window -----------------------------------------------------------------

TEST(SplashWindow, TextSetBeforeTheWindowExistsIsShownWithDots)
{
    Watchdog watchdog(std::chrono::seconds(20), "splash text");
    shared::SplashWindow splash;
    splash.setStatus("Finding Plug-Ins");
    ASSERT_TRUE(splash.start());
    WindowHandle window = splash.waitUntilShown(kTimeoutMs);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(dlgItemText(window, kStatus), "Finding Plug-Ins...");
    splash.setStatus("Creating User Interface");
    EXPECT_EQ(dlgItemText(window, kStatus), "Creating User Interface...");
    EXPECT_TRUE(isTopmost(window));
    EXPECT_NE(windowLongPtr(window, kGwlExStyle) & kExStyleToolWindow, 0);
    EXPECT_EQ(windowTitle(window), "");
    splash.requestClose();
    EXPECT_TRUE(splash.waitUntilEnded(kTimeoutMs));
    EXPECT_FALSE(isWindow(window));
}

TEST(SplashWindow, TheUserCannotCloseItUntilTheEngineDoes)
{
    Watchdog watchdog(std::chrono::seconds(20), "splash refuses to close");
    shared::SplashWindow splash;
    splash.setStatus("Initializing");
    bool survived = false;
    ModalSteps steps([&](WindowHandle modal, int call) {
        if (call == 0) {
            // Alt+F4 reaches a window as the window manager's close request;
            // Escape and Enter are the dialog's Cancel and OK.
            headless::keyDown(modal, kVkMenu);
            headless::pressKey(modal, kVkF1 + 3);
            headless::keyUp(modal, kVkMenu);
            headless::closeRequest(modal);
            headless::pressKey(modal, kVkEscape);
            headless::pressKey(modal, kVkReturn);
            return;
        }
        if (call == 1) {
            survived = isWindow(modal) && isWindowVisible(modal);
            EXPECT_EQ(dlgItemText(modal, kStatus), "Initializing...");
            splash.requestClose();
        }
    });
    EXPECT_EQ(splash.runModal(), kIdCancel);
    EXPECT_TRUE(survived);
}

TEST(SplashWindow, StatusLineIsWhiteOnBlack)
{
    Watchdog watchdog(std::chrono::seconds(20), "splash colours");
    shared::SplashWindow splash;
    splash.setStatus("Initializing");
    bool checked = false;
    ModalSteps steps([&](WindowHandle modal, int call) {
        if (call != 0)
            return;
        WindowHandle status = dialogItem(modal, kStatus);
        Surface picture;
        ASSERT_TRUE(headless::snapshot(status, picture));
        int light = 0;
        int black = 0;
        int tinted = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const Argb pixel = picture.pixel(x, y);
                const int r = redOf(pixel);
                const int g = greenOf(pixel);
                const int b = blueOf(pixel);
                if (sameColour(pixel, kBlack))
                    ++black;
                else if (r >= 0x80 && g >= 0x80 && b >= 0x80)
                    ++light;
                if (std::max({r, g, b}) - std::min({r, g, b}) > 8)
                    ++tinted;
            }
        // Smoothed white letters on a black field: greys only, mostly black.
        EXPECT_GT(black, picture.width() * picture.height() / 2);
        EXPECT_GT(light, 0);
        EXPECT_EQ(tinted, 0);
        checked = true;
        splash.requestClose();
    });
    (void)splash.runModal();
    EXPECT_TRUE(checked);
}

// A splash closed before its thread has made the window never stays up.
TEST(SplashWindow, ClosedBeforeItsWindowExistsEndsAtOnce)
{
    Watchdog watchdog(std::chrono::seconds(20), "splash closed early");
    shared::SplashWindow splash;
    splash.requestClose();
    ASSERT_TRUE(splash.start());
    EXPECT_TRUE(splash.waitUntilEnded(kTimeoutMs));
    EXPECT_EQ(splashWindowCount(), 0);
}

// The exports keep one splash per process, for good: this test must be the
// only one here that calls them.
TEST(SplashExports, OneSplashPerProcessThatNeverComesBack)
{
    // The splash is once per process, so a repeated run has nothing left to show.
    static bool ranBefore = false;
    if (std::exchange(ranBefore, true))
        GTEST_SKIP() << "the process's splash was used by an earlier run";
    Watchdog watchdog(std::chrono::seconds(20), "splash exports");
    EXPECT_EQ(shared::updateSplashText("Initializing"), 0);

    std::promise<WindowHandle> shown;
    std::atomic<bool> announced{false};
    ModalSteps steps([&](WindowHandle modal, int) {
        if (!announced.exchange(true))
            shown.set_value(modal);
    });
    EXPECT_NE(shared::showSplashWindow(), 0);
    std::future<WindowHandle> window = shown.get_future();
    ASSERT_EQ(window.wait_for(std::chrono::milliseconds(kTimeoutMs)), std::future_status::ready);
    WindowHandle splash = window.get();

    EXPECT_EQ(shared::updateSplashText("Finding Plug-Ins"), 1);
    EXPECT_EQ(dlgItemText(splash, kStatus), "Finding Plug-Ins...");
    EXPECT_NE(shared::showSplashWindow(), 0);
    EXPECT_EQ(splashWindowCount(), 1);

    EXPECT_EQ(shared::closeSplashWindow(), 1);
    EXPECT_FALSE(isWindow(splash));
    EXPECT_EQ(splashWindowCount(), 0);

    // Shown once, never again; its object stays, so texts are still taken.
    EXPECT_NE(shared::showSplashWindow(), 0);
    EXPECT_EQ(shared::updateSplashText("Creating User Interface"), 1);
    EXPECT_EQ(shared::closeSplashWindow(), 1);
    EXPECT_EQ(splashWindowCount(), 0);
    EXPECT_TRUE(announced.load());
}

// ---- the tray icon -------------------------------------------------------------------------

constexpr uint32_t kTrayMessage = kMsgApp + 7;

intptr_t ownerProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    return defWindowProc(window, message, wparam, lparam);
}

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override
    {
        WindowClass windowClass;
        windowClass.procedure = &ownerProcedure;
        windowClass.name = "VelmoraSharedTrayOwner";
        (void)registerClass(windowClass);
        owner_ = createWindow(0, "VelmoraSharedTrayOwner", "owner", kStylePopup, 0, 0, 10, 10, nullptr, 0,
                              nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override
    {
        shared::setVelmoraTrayIcon(reinterpret_cast<intptr_t>(owner_), kTrayMessage, 0);
        (void)destroyWindow(owner_);
    }
    intptr_t owner() const { return reinterpret_cast<intptr_t>(owner_); }

    WindowHandle owner_ = nullptr;
};

TEST_F(TrayIcon, ShowingTwiceAddsOneIcon)
{
    EXPECT_EQ(shared::setVelmoraTrayIcon(owner(), kTrayMessage, 1), 1);
    EXPECT_EQ(shared::setVelmoraTrayIcon(owner(), kTrayMessage, 1), 1);
    const auto icons = headless::trayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].owner, owner_);
    EXPECT_EQ(icons[0].id, 1u);
    EXPECT_EQ(icons[0].callbackMessage, kTrayMessage);
    EXPECT_EQ(icons[0].tip, "Velmora Audio Engine v0.1b");
}

TEST_F(TrayIcon, HidingTwiceIsHarmlessAndItCanBeShownAgain)
{
    EXPECT_EQ(shared::setVelmoraTrayIcon(owner(), kTrayMessage, 1), 1);
    EXPECT_EQ(shared::setVelmoraTrayIcon(owner(), kTrayMessage, 0), 1);
    EXPECT_EQ(shared::setVelmoraTrayIcon(owner(), kTrayMessage, 0), 1);
    EXPECT_TRUE(headless::trayIcons().empty());
    EXPECT_EQ(shared::setVelmoraTrayIcon(owner(), kTrayMessage, 1), 1);
    EXPECT_EQ(headless::trayIcons().size(), 1u);
}

// An icon the tray refused (its owner is no window) is not taken for shown.
TEST_F(TrayIcon, ARefusedIconDoesNotBlockTheNextOne)
{
    EXPECT_EQ(shared::setVelmoraTrayIcon(0, kTrayMessage, 1), 1);
    EXPECT_TRUE(headless::trayIcons().empty());
    EXPECT_EQ(shared::setVelmoraTrayIcon(owner(), kTrayMessage, 1), 1);
    ASSERT_EQ(headless::trayIcons().size(), 1u);
    EXPECT_EQ(headless::trayIcons()[0].owner, owner_);
}

} // namespace
