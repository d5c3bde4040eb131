#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/ui/Menu.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/headless/Headless.h"
#include "support/FileText.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"
#include "zkr/ErrorRecording.h"
#include "zkr/Registry.h"
#include "zkr/WindowHelpers.h"

namespace {

using namespace std::chrono_literals;
using plat::ui::Rect;
using plat::ui::WindowHandle;
using velmora::test::TestWindowBehaviour;
constexpr int kScreenWidth = plat::ui::headless::kScreenWidth;
constexpr int kScreenHeight = plat::ui::headless::kScreenHeight;

std::string duration(uint32_t milliseconds)
{
    char text[zkr::kDurationTextSize];
    zkr::formatDuration(milliseconds, text);
    return text;
}

Rect placeOf(WindowHandle window)
{
    Rect place;
    EXPECT_TRUE(plat::ui::windowRect(window, place));
    return place;
}

// A 300 x 200 window at 100,120 and an application whose store has a current section.
class WindowPositionTest : public testing::Test {
protected:
    void SetUp() override
    {
        store.setFileName(folder.file("velmoraaudioengine.ini").c_str());
        store.silent = true;
        store.createMissingKeys = true;
        ASSERT_EQ(store.selectSection("Velmora User Interface", true), 0);
        window = velmora::test::makeTopLevel(behaviour, "main", Rect::fromSize(100, 120, 300, 200));
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { (void)plat::ui::destroyWindow(window); }

    velmora::test::Watchdog watchdog{10s};
    velmora::test::TempFolder folder;
    velmora::test::RecordingApplication application;
    zkr::Registry& store = application.settings;
    TestWindowBehaviour behaviour;
    WindowHandle window = nullptr;
};

} // namespace

TEST(FormatDurationTest, HoursMinutesAndSecondsOfTwoDigitsAtLeast)
{
    EXPECT_EQ(duration(3725000), "01:02:05");
    EXPECT_EQ(duration(0), "00:00:00");
    EXPECT_EQ(duration(59999), "00:00:59");
    EXPECT_EQ(duration(36000000), "10:00:00");
    // Hours are not limited to two digits.
    EXPECT_EQ(duration(100u * 3600000u + 61000u), "100:01:01");
    EXPECT_EQ(duration(0xFFFFFFFFu), "1193:02:47");
}

TEST(CentreOnScreenTest, MovesToTheMiddleKeepingTheSize)
{
    TestWindowBehaviour behaviour;
    WindowHandle window = velmora::test::makeTopLevel(behaviour, "centred", Rect::fromSize(5, 7, 301, 200));
    ASSERT_TRUE(zkr::centreOnScreen(window));
    EXPECT_EQ(placeOf(window), Rect::fromSize((kScreenWidth - 301) / 2, (kScreenHeight - 200) / 2, 301, 200));
    (void)plat::ui::destroyWindow(window);
    EXPECT_FALSE(zkr::centreOnScreen(window));
}

TEST(MenuItemTest, AppendedItemsAndACheckMarkThatKeepsTheOtherStateBits)
{
    using namespace plat::ui;
    MenuHandle menu = createPopupMenu();
    ASSERT_TRUE(zkr::appendMenuItem(menu, 10, "&Tray icon", true));
    ASSERT_TRUE(zkr::appendMenuItem(menu, 11, "Mixer", false));
    EXPECT_EQ(menuString(menu, 10, kMenuByCommand), "&Tray icon");
    EXPECT_EQ(menuState(menu, 10, kMenuByCommand) & kMenuGrayed, 0u);
    EXPECT_NE(menuState(menu, 11, kMenuByCommand) & kMenuGrayed, 0u);

    uint32_t state = 0;
    for (bool check : {true, false}) {
        EXPECT_TRUE(zkr::setMenuCheck(menu, 11, check));
        ASSERT_TRUE(menuItemState(menu, 11, false, state));
        EXPECT_EQ((state & kMenuStateChecked) != 0, check);
        EXPECT_NE(state & kMenuStateGrayed, 0u);
    }
    EXPECT_FALSE(zkr::setMenuCheck(menu, 99, true));
    (void)destroyMenu(menu);
}

TEST_F(WindowPositionTest, SavedPositionsComeBackIncludingNegativeOnes)
{
    EXPECT_EQ(zkr::Registry::savePosition(window, "MainUIPos"), 0);
    EXPECT_TRUE(plat::ui::moveWindow(window, 400, 300, 300, 200, false));
    EXPECT_TRUE(zkr::Registry::restorePosition(window, "MainUIPos"));
    EXPECT_EQ(placeOf(window), Rect::fromSize(100, 120, 300, 200));

    (void)store.setPoint("MainUIPos", -50, -20); // partly past the edges
    EXPECT_TRUE(zkr::Registry::restorePosition(window, "MainUIPos"));
    EXPECT_EQ(placeOf(window), Rect::fromSize(-50, -20, 300, 200));
    (void)store.setPoint("MainUIPos", kScreenWidth - 32, kScreenHeight - 16); // 32 x 16 show, to grab
    EXPECT_TRUE(zkr::Registry::restorePosition(window, "MainUIPos"));

    // Saving goes to the current section, and to the file on saveSection.
    (void)zkr::Registry::savePosition(window, "MixerUIPos");
    ASSERT_EQ(store.saveSection(), 0);
    const std::string text = velmora::test::readText(folder.file("velmoraaudioengine.ini"));
    EXPECT_NE(text.find("[Velmora User Interface]"), std::string::npos) << text;
    EXPECT_NE(text.find("MixerUIPos=1248,1008"), std::string::npos) << text;
}

TEST_F(WindowPositionTest, ZeroMissingAndOffScreenPositionsAreNotRestored)
{
    EXPECT_FALSE(zkr::Registry::restorePosition(window, "MainUIPos")); // missing

    // A window saved exactly at 0,0 is not restored.
    EXPECT_TRUE(plat::ui::moveWindow(window, 0, 0, 300, 200, false));
    (void)zkr::Registry::savePosition(window, "MainUIPos");
    EXPECT_TRUE(plat::ui::moveWindow(window, 100, 120, 300, 200, false));
    EXPECT_FALSE(zkr::Registry::restorePosition(window, "MainUIPos"));

    // Too little to grab: one pixel, 31 x 200, 300 x 15.
    for (const char* value : {"5000,10", "10,5000", "1280,10", "10,1024", "-300,10", "10,-200", "junk",
                              "1279,1023", "-269,10", "10,-185"}) {
        (void)store.setString("MainUIPos", value);
        EXPECT_FALSE(zkr::Registry::restorePosition(window, "MainUIPos")) << value;
    }
    EXPECT_EQ(placeOf(window), Rect::fromSize(100, 120, 300, 200));
}
