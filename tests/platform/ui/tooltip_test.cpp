#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::pumpPending;
using velmora::test::TestWindowBehaviour;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

class TooltipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        initControls();
        behaviour.handler = [this](WindowHandle, uint32_t message, uintptr_t, intptr_t lparam,
                                   bool& handled) {
            handled = message == kMsgNotify;
            if (handled) {
                auto* request = reinterpret_cast<TooltipTextRequest*>(lparam);
                if (request->header.code == kTooltipNeedText) {
                    ++asked;
                    lastAskedId = request->header.id;
                    std::snprintf(request->buffer, sizeof request->buffer, "tip %d", asked);
                }
            }
            return intptr_t{0};
        };
        host = velmora::test::makeTopLevel(behaviour, "host", {100, 100, 400, 300});
        ASSERT_NE(host, nullptr);
        tooltip = createWindow(kExStyleTopmost, kTooltipClass, nullptr, 0, kUseDefault, kUseDefault,
                               kUseDefault, kUseDefault, host, 0, nullptr, nullptr);
        ASSERT_NE(tooltip, nullptr);
        sendMessage(tooltip, kMsgTooltipSetDelayTime, kTooltipDelayInitial, 1);
        ToolInfo asking;
        asking.flags = kTooltipSubclass;
        asking.window = host;
        asking.id = 7;
        asking.rect = {10, 10, 60, 40};
        asking.text = kTooltipTextCallback;
        ASSERT_EQ(sendMessage(tooltip, kMsgTooltipAddTool, 0, reinterpret_cast<intptr_t>(&asking)), 1);
        ToolInfo fixed = asking;
        fixed.id = 8;
        fixed.rect = {100, 10, 150, 40};
        fixed.text = const_cast<char*>("Fixed text");
        ASSERT_EQ(sendMessage(tooltip, kMsgTooltipAddTool, 0, reinterpret_cast<intptr_t>(&fixed)), 1);
    }
    void TearDown() override
    {
        (void)destroyWindow(tooltip);
        (void)destroyWindow(host);
        pumpPending();
    }

    // Handles messages until the tip is shown (true) or the time is up.
    bool waitShown(std::chrono::milliseconds limit = 2s)
    {
        auto until = std::chrono::steady_clock::now() + limit;
        std::string text;
        while (!tooltipShownText(tooltip, text)) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            plat::Handle none = nullptr;
            (void)msgWaitForMultipleObjects(0, &none, false, 20, kQsAllInput);
            pumpPending();
        }
        return true;
    }
    std::string shown()
    {
        std::string text;
        return tooltipShownText(tooltip, text) ? text : std::string("(none)");
    }

    Watchdog watchdog{10s};
    TestWindowBehaviour behaviour;
    WindowHandle host = nullptr;
    WindowHandle tooltip = nullptr;
    int asked = 0;
    uintptr_t lastAskedId = 0;
};

} // namespace

TEST_F(TooltipTest, TheTextIsAskedForEachTimeTheTipShows)
{
    EXPECT_EQ(sendMessage(tooltip, kMsgTooltipGetToolCount, 0, 0), 2);
    headless::mouseMove(host, 20, 20);
    ASSERT_TRUE(waitShown());
    EXPECT_EQ(shown(), "tip 1");
    EXPECT_EQ(lastAskedId, 7u);
    EXPECT_TRUE(isWindowVisible(tooltip));
    Rect place;
    EXPECT_TRUE(windowRect(tooltip, place));
    EXPECT_GE(place.top, 100 + 20); // below the pointer
    EXPECT_GT(place.width(), 0);

    headless::mouseMove(host, 200, 200); // off every tool
    pumpPending();
    EXPECT_EQ(shown(), "(none)");
    EXPECT_FALSE(isWindowVisible(tooltip));

    headless::mouseMove(host, 30, 30);
    ASSERT_TRUE(waitShown());
    EXPECT_EQ(shown(), "tip 2");
}

TEST_F(TooltipTest, ToolsWithTextOfTheirOwnAskNothing)
{
    headless::mouseMove(host, 120, 20);
    ASSERT_TRUE(waitShown());
    EXPECT_EQ(shown(), "Fixed text");
    EXPECT_EQ(asked, 0);
}

TEST_F(TooltipTest, AClickPutsTheTipAwayUntilThePointerLeavesTheTool)
{
    headless::mouseMove(host, 20, 20);
    ASSERT_TRUE(waitShown());
    headless::click(host, 20, 20);
    pumpPending();
    EXPECT_EQ(shown(), "(none)");
    headless::mouseMove(host, 22, 22);
    EXPECT_FALSE(waitShown(100ms));
    headless::mouseMove(host, 200, 200);
    pumpPending(); // moves in a row are merged
    headless::mouseMove(host, 20, 20);
    EXPECT_TRUE(waitShown());
}

TEST_F(TooltipTest, AnInactiveTooltipShowsNothing)
{
    sendMessage(tooltip, kMsgTooltipActivate, 0, 0);
    headless::mouseMove(host, 20, 20);
    EXPECT_FALSE(waitShown(100ms));
    EXPECT_EQ(asked, 0);
}
