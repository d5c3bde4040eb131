#include <gtest/gtest.h>

#include <chrono>

#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Resources.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/headless/Headless.h"
#include "support/ScopedEnv.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::MessageLog;
using velmora::test::ModalScript;
using velmora::test::pumpPending;
using velmora::test::ScopedEnv;
using velmora::test::TestWindowBehaviour;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

const MenuItemTemplate kSubItems[] = {
    {61, "&Inner", 0, {}},
    {62, "Inner &grey", kMenuGrayed, {}},
};
const MenuItemTemplate kTrayItems[] = {
    {40003, "&About...", 0, {}},         {40005, "&HTMLHelp Index", 0, {}},
    {0, nullptr, kMenuSeparator, {}},    {40008, "&Update Velmora", kMenuGrayed, {}},
    {0, "&More", kMenuPopup, kSubItems}, {40006, "Audio &System Setup...", kMenuChecked, {}},
};
const MenuItemTemplate kBar[] = {{0, "TrayMenu", kMenuPopup, kTrayItems}};
const MenuTemplate kMenu{120, kBar};

// Clicks the item at position of the open menu.
void clickItem(MenuHandle menu, int position)
{
    Rect item;
    ASSERT_TRUE(menuItemRect(menu, position, item));
    for (const WindowListEntry& entry : topLevelWindows()) {
        Rect place;
        EXPECT_TRUE(windowRect(entry.window, place));
        if (windowClassName(entry.window) == "#32768" && place.contains(item.left + 5, item.top + 2)) {
            headless::mouseMove(entry.window, item.left - place.left + 8, item.top - place.top + 3);
            headless::click(entry.window, item.left - place.left + 8, item.top - place.top + 3);
            return;
        }
    }
    FAIL() << "no menu window holds the item";
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = velmora::test::makeTopLevel(behaviour, "menu owner");
        ASSERT_NE(owner, nullptr);
        bar = loadMenuIndirect(kMenu);
        tray = subMenu(bar, 0);
        ASSERT_NE(tray, nullptr);
    }
    void TearDown() override
    {
        (void)destroyMenu(bar);
        (void)destroyWindow(owner);
        pumpPending();
    }
    intptr_t track(uint32_t flags = kTrackReturnCommand)
    {
        return trackPopupMenu(tray, flags, 300, 200, owner);
    }

    Watchdog watchdog{10s};
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle owner = nullptr;
    MenuHandle bar = nullptr;
    MenuHandle tray = nullptr;
};

} // namespace

TEST_F(MenuTest, MadeFromATemplateWithItsItemsInOrder)
{
    ASSERT_EQ(menuItemCount(tray), 6);
    EXPECT_EQ(menuItemId(tray, 0), 40003);
    EXPECT_EQ(menuItemId(tray, 2), 0);  // separator
    EXPECT_EQ(menuItemId(tray, 4), -1); // pop-up
    EXPECT_EQ(menuString(tray, 40005, kMenuByCommand), "&HTMLHelp Index");
    EXPECT_EQ(menuState(tray, 2, kMenuByPosition) & kMenuSeparator, kMenuSeparator);
    EXPECT_EQ(menuState(tray, 40008, kMenuByCommand) & kMenuGrayed, kMenuGrayed);
    EXPECT_EQ(menuState(tray, 12345, kMenuByCommand), kMenuFailed);
    EXPECT_EQ(menuItemId(subMenu(tray, 4), 0), 61);
    EXPECT_EQ(loadMenu(nullptr, 9999), nullptr);
}

TEST_F(MenuTest, CheckAndGreyStatesChange)
{
    EXPECT_EQ(checkMenuItem(tray, 40003, kMenuChecked), kMenuUnchecked);
    EXPECT_EQ(checkMenuItem(tray, 40003, kMenuUnchecked), kMenuChecked);
    uint32_t state = 0;
    ASSERT_TRUE(menuItemState(tray, 5, true, state));
    EXPECT_EQ(state & kMenuStateChecked, kMenuStateChecked);
    EXPECT_TRUE(setMenuItemState(tray, 40006, false, state & ~kMenuStateChecked));
    EXPECT_EQ(menuState(tray, 40006, kMenuByCommand) & kMenuChecked, 0u);
    EXPECT_EQ(enableMenuItem(tray, 40008, kMenuEnabled), kMenuGrayed);
    EXPECT_EQ(menuState(tray, 40008, kMenuByCommand) & kMenuGrayed, 0u);
    // Commands are found in pop-ups too.
    EXPECT_EQ(checkMenuItem(tray, 61, kMenuChecked), kMenuUnchecked);

    MenuHandle built = createPopupMenu();
    EXPECT_TRUE(appendMenu(built, kMenuString, 1, "one"));
    EXPECT_TRUE(appendMenu(built, kMenuString, 3, "three"));
    EXPECT_TRUE(insertMenu(built, 3, kMenuByCommand | kMenuString, 2, "two"));
    EXPECT_EQ(menuItemId(built, 1), 2);
    EXPECT_TRUE(deleteMenu(built, 0, kMenuByPosition));
    EXPECT_EQ(menuItemCount(built), 2);
    EXPECT_TRUE(destroyMenu(built));
    EXPECT_FALSE(isMenu(built));
    EXPECT_FALSE(appendMenu(built, kMenuString, 4, "four"));
}

TEST_F(MenuTest, ClickingAnItemReturnsItsCommand)
{
    ModalScript script;
    script.then([&](WindowHandle, int) { clickItem(tray, 1); });
    EXPECT_EQ(track(), 40005);
    EXPECT_TRUE(script.finished());
    for (const WindowListEntry& entry : topLevelWindows())
        EXPECT_NE(windowClassName(entry.window), "#32768"); // the menu's windows are gone
}

TEST_F(MenuTest, AMenuWindowTellsWhichMenuItShows)
{
    ModalScript script;
    MenuHandle shown = nullptr;
    MenuHandle ofOwner = tray;
    script.then([&](WindowHandle menuWindow, int) {
        shown = menuOfWindow(menuWindow);
        ofOwner = menuOfWindow(owner);
        (void)endMenu();
    });
    EXPECT_EQ(track(), 0);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(shown, tray);
    EXPECT_EQ(ofOwner, nullptr);
    // Once tracking has ended no window shows a menu.
    EXPECT_EQ(menuOfWindow(owner), nullptr);
}

TEST_F(MenuTest, GreyItemsSeparatorsAndOutsideClicks)
{
    ModalScript script;
    script
        .then([&](WindowHandle, int) { clickItem(tray, 3); }) // grey: stays open
        .then([&](WindowHandle, int) { clickItem(tray, 2); }) // separator: stays open
        .then([&](WindowHandle menuWindow, int) { headless::click(menuWindow, -40, -40); });
    EXPECT_EQ(track(), 0);
    EXPECT_TRUE(script.finished());
}

TEST_F(MenuTest, KeysMoveOpenPopUpsAndChoose)
{
    ModalScript script;
    script.then([&](WindowHandle, int) {
        // Down thrice skips the separator; the grey item can be lit but not chosen.
        headless::pressKey(owner, kVkDown);
        headless::pressKey(owner, kVkDown);
        headless::pressKey(owner, kVkDown);
        headless::pressKey(owner, kVkReturn);
        headless::pressKey(owner, kVkDown); // "More"
        headless::pressKey(owner, kVkRight);
        headless::pressKey(owner, kVkReturn); // "Inner"
    });
    EXPECT_EQ(track(), 61);

    ModalScript escapes;
    escapes.then([&](WindowHandle, int) {
        headless::pressKey(owner, kVkUp);     // the last item
        headless::pressKey(owner, kVkUp);     // "More"
        headless::pressKey(owner, kVkRight);  // opens it
        headless::pressKey(owner, kVkEscape); // closes only the pop-up
        headless::pressKey(owner, kVkEscape); // dismisses the menu
    });
    EXPECT_EQ(track(), 0);

    ModalScript letters;
    letters.then([&](WindowHandle, int) { headless::typeText(owner, "a"); });
    EXPECT_EQ(track(), 40003);
}

TEST_F(MenuTest, SubMenuItemsAreChosenWithTheMouse)
{
    MenuHandle more = subMenu(tray, 4);
    ModalScript script;
    script.then([&](WindowHandle, int) { clickItem(tray, 4); }).then([&](WindowHandle, int) {
        clickItem(more, 0);
    });
    EXPECT_EQ(track(), 61);
}

TEST_F(MenuTest, WithoutReturnCommandTheOwnerGetsTheCommand)
{
    ModalScript script;
    script.then([&](WindowHandle, int) { clickItem(tray, 0); });
    EXPECT_EQ(track(0), 1);
    pumpPending();
    auto commands = log.of(kMsgCommand);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(loWord(commands[0].wparam), 40003);
}

TEST_F(MenuTest, HeadlessDefaultAnswerDismissesMenus)
{
    ScopedEnv answer("VELMORA_HEADLESS_ANSWER", "default");
    EXPECT_EQ(track(), 0);
}
