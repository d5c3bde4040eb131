#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "platform/ui/TrayIcon.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/headless/Headless.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::TestWindowBehaviour;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {
const char* const kCaption = "Velmora Audio Engine v0.1b";
}

TEST(TrayIcon, OneIconPerOwnerAndIdAddedChangedAndRemoved)
{
    Watchdog watchdog(10s);
    TestWindowBehaviour plain;
    WindowHandle owner = velmora::test::makeTopLevel(plain, "tray owner");
    NotifyIconData data;
    data.window = owner;
    data.id = 1;
    data.flags = kNotifyFlagMessage | kNotifyFlagIcon | kNotifyFlagTip;
    data.callbackMessage = kMsgApp + 5;
    std::snprintf(data.tip, sizeof data.tip, "%s", kCaption);
    const size_t before = headless::trayIcons().size();
    EXPECT_TRUE(shellNotifyIcon(kNotifyAdd, data));
    EXPECT_FALSE(shellNotifyIcon(kNotifyAdd, data)); // once only
    ASSERT_EQ(headless::trayIcons().size(), before + 1);
    EXPECT_EQ(headless::trayIcons().back().tip, kCaption);
    EXPECT_EQ(headless::trayIcons().back().callbackMessage, kMsgApp + 5);

    NotifyIconData change;
    change.window = owner;
    change.id = 1;
    change.flags = kNotifyFlagTip;
    std::snprintf(change.tip, sizeof change.tip, "%s", "Streaming");
    EXPECT_TRUE(shellNotifyIcon(kNotifyModify, change));
    EXPECT_EQ(headless::trayIcons().back().tip, "Streaming");
    EXPECT_EQ(headless::trayIcons().back().callbackMessage, kMsgApp + 5); // kept

    EXPECT_TRUE(shellNotifyIcon(kNotifyDelete, change));
    EXPECT_FALSE(shellNotifyIcon(kNotifyDelete, change));
    EXPECT_EQ(headless::trayIcons().size(), before);
    (void)destroyWindow(owner);
}
