#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Font.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::clickOn;
using velmora::test::pointIn;
using velmora::test::pressOn;
using velmora::test::pumpPending;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

enum : int {
    kPush = 100,
    kPlainCheck,
    kAutoCheck,
    kRadio1,
    kRadio2,
    kRadio3,
    kEdit = 110,
    kNumber,
    kReadOnly,
    kCombo = 120,
    kList,
    kSortedList,
    kTree,
    kProgress,
    kLabel,
};

constexpr uint32_t kVisible = kStyleVisible;
constexpr uint32_t kTab = kStyleTabStop;

const DialogItemTemplate kItems[] = {
    {"BUTTON", "Push", kPush, 5, 5, 50, 14, kVisible | kTab | kButtonPush},
    {"BUTTON", "Plain", kPlainCheck, 60, 5, 50, 10, kVisible | kTab | kButtonCheckBox},
    {"BUTTON", "Auto", kAutoCheck, 115, 5, 50, 10, kVisible | kTab | kButtonAutoCheckBox},
    {"BUTTON", "R1", kRadio1, 5, 24, 30, 10, kVisible | kTab | kStyleGroup | kButtonAutoRadio},
    {"BUTTON", "R2", kRadio2, 40, 24, 30, 10, kVisible | kButtonAutoRadio},
    {"BUTTON", "R3", kRadio3, 75, 24, 30, 10, kVisible | kStyleGroup | kButtonAutoRadio},
    {"EDIT", "", kEdit, 5, 40, 100, 12, kVisible | kTab | kStyleGroup},
    {"EDIT", "", kNumber, 110, 40, 60, 12, kVisible | kTab | kEditNumber},
    {"EDIT", "fixed", kReadOnly, 175, 40, 60, 12, kVisible | kTab | kEditReadOnly},
    {"COMBOBOX", "", kCombo, 5, 58, 80, 60, kVisible | kTab | kComboDropDownList},
    {"LISTBOX", "", kList, 5, 76, 80, 60, kVisible | kTab | kListNotify},
    {"LISTBOX", "", kSortedList, 90, 76, 60, 40, kVisible | kListSort},
    {"SysTreeView32", "", kTree, 155, 58, 100, 80, kVisible | kTab | kTreeHasButtons | kTreeLinesAtRoot},
    {"msctls_progress32", "", kProgress, 5, 140, 100, 8, kVisible},
    {"STATIC", "Label", kLabel, 110, 140, 60, 10, kVisible | kStaticLeft},
};

const DialogTemplate kTemplate{1, "Controls", kStylePopup | kStyleVisible, 0, 10, 10, 260, 155, nullptr,
                               8, kItems};

struct Command {
    int id;
    uint16_t code;
    bool operator==(const Command&) const = default;
};

struct TreeEvent {
    int32_t code;
    uint32_t action;
    intptr_t oldParam;
    intptr_t newParam;
};

// What the host dialog was told.
struct Host {
    std::vector<Command> commands;
    std::vector<TreeEvent> tree;
    bool vetoSelection = false;
    const Brush* labelBrush = nullptr;
};
Host* host = nullptr;

intptr_t hostProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgCommand:
        host->commands.push_back({loWord(wparam), hiWord(wparam)});
        return 1;
    case kMsgNotify: {
        const auto* header = reinterpret_cast<const NotifyHeader*>(lparam);
        if (header->id != kTree)
            return 0;
        const auto* notify = reinterpret_cast<const TreeNotify*>(lparam);
        host->tree.push_back({header->code, notify->action, notify->itemOld.param, notify->itemNew.param});
        if (header->code == kTreeSelChanging && host->vetoSelection) {
            setWindowLongPtr(dialog, kDialogMsgResult, 1);
            return 1;
        }
        return 0;
    }
    case kMsgCtlColorStatic:
        if (reinterpret_cast<WindowHandle>(lparam) == dialogItem(dialog, kLabel) &&
            host->labelBrush != nullptr)
            return reinterpret_cast<intptr_t>(host->labelBrush);
        return 0;
    default:
        return 0;
    }
}

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = &seen;
        dialog = createDialogIndirectParam(nullptr, kTemplate, nullptr, &hostProc, 0);
        ASSERT_NE(dialog, nullptr);
        pumpPending();
        seen.commands.clear();
    }
    void TearDown() override
    {
        (void)destroyWindow(dialog);
        pumpPending();
        host = nullptr;
    }
    WindowHandle item(int id) const { return dialogItem(dialog, id); }
    intptr_t send(int id, uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0) const
    {
        return sendDlgItemMessage(dialog, id, message, wparam, lparam);
    }
    std::vector<Command> commandsOf(int id) const
    {
        std::vector<Command> found;
        for (const Command& command : seen.commands)
            if (command.id == id)
                found.push_back(command);
        return found;
    }
    void addStrings(int id, uint32_t message, std::initializer_list<const char*> texts) const
    {
        for (const char* text : texts)
            send(id, message, 0, reinterpret_cast<intptr_t>(text));
    }

    Host seen;
    WindowHandle dialog = nullptr;
    Watchdog watchdog{10s};
};

TreeItem insertItem(WindowHandle tree, TreeItem parent, const char* text, intptr_t param)
{
    TreeInsertRecord record;
    record.parent = parent;
    record.item.mask = kTreeItemText | kTreeItemParam;
    record.item.text = const_cast<char*>(text);
    record.item.param = param;
    return static_cast<TreeItem>(
        sendMessage(tree, kMsgTreeInsertItem, 0, reinterpret_cast<intptr_t>(&record)));
}

} // namespace

TEST_F(ControlsTest, PushButtonFiresWhenReleasedOverItOnly)
{
    WindowHandle push = item(kPush);
    clickOn(push);
    EXPECT_EQ(commandsOf(kPush), (std::vector<Command>{{kPush, kButtonClicked}}));
    EXPECT_EQ(focusWindow(), push);

    // Pressed, moved off and released: nothing, and it stops looking pressed once off.
    Point at = pointIn(push);
    headless::mouseDown(dialog, at.x, at.y);
    pumpPending();
    EXPECT_NE(send(kPush, kMsgButtonGetState) & kButtonStatePushed, 0);
    headless::mouseMove(dialog, at.x + 200, at.y + 100, kKeyLButton);
    pumpPending();
    EXPECT_EQ(send(kPush, kMsgButtonGetState) & kButtonStatePushed, 0);
    headless::mouseUp(dialog, at.x + 200, at.y + 100);
    pumpPending();
    EXPECT_EQ(commandsOf(kPush).size(), 1u);

    pressOn(push, kVkSpace);
    EXPECT_EQ(commandsOf(kPush).size(), 2u);

    enableWindow(push, false);
    clickOn(push);
    send(kPush, kMsgButtonClick);
    EXPECT_EQ(commandsOf(kPush).size(), 2u);
}

TEST_F(ControlsTest, CheckBoxesAndRadioButtons)
{
    clickOn(item(kAutoCheck));
    EXPECT_EQ(send(kAutoCheck, kMsgButtonGetCheck), kButtonChecked);
    clickOn(item(kAutoCheck));
    EXPECT_EQ(send(kAutoCheck, kMsgButtonGetCheck), kButtonUnchecked);
    // A plain check box tells the click and leaves the mark to its owner.
    clickOn(item(kPlainCheck));
    EXPECT_EQ(send(kPlainCheck, kMsgButtonGetCheck), kButtonUnchecked);
    EXPECT_EQ(commandsOf(kPlainCheck), (std::vector<Command>{{kPlainCheck, kButtonClicked}}));

    // Radio 3 starts a group of its own.
    send(kRadio3, kMsgButtonSetCheck, kButtonChecked);
    clickOn(item(kRadio1));
    clickOn(item(kRadio2));
    EXPECT_EQ(send(kRadio1, kMsgButtonGetCheck), kButtonUnchecked);
    EXPECT_EQ(send(kRadio2, kMsgButtonGetCheck), kButtonChecked);
    EXPECT_EQ(send(kRadio3, kMsgButtonGetCheck), kButtonChecked);
    EXPECT_EQ(commandsOf(kRadio2), (std::vector<Command>{{kRadio2, kButtonClicked}}));
}

TEST_F(ControlsTest, EditFieldTypingSelectionAndItsOptions)
{
    WindowHandle edit = item(kEdit);
    clickOn(edit);
    headless::typeText(dialog, "hello");
    pumpPending();
    EXPECT_EQ(windowText(edit), "hello");
    EXPECT_EQ(commandsOf(kEdit).size(), 6u); // set focus, then one change per character
    EXPECT_EQ(commandsOf(kEdit).back(), (Command{kEdit, kEditChange}));

    // Shift+Home selects back to the start; typing replaces the selection.
    pressOn(edit, kVkLeft);
    headless::keyDown(dialog, kVkShift);
    headless::pressKey(dialog, kVkHome);
    headless::keyUp(dialog, kVkShift);
    pumpPending();
    uint32_t start = 99;
    uint32_t end = 99;
    send(kEdit, kMsgEditGetSel, reinterpret_cast<uintptr_t>(&start), reinterpret_cast<intptr_t>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 4u);
    headless::typeText(dialog, "J");
    pressOn(edit, kVkEnd);
    pressOn(edit, kVkBack);
    pumpPending();
    EXPECT_EQ(windowText(edit), "J");

    // A click far to the right puts the caret at the end.
    send(kEdit, kMsgEditSetSel, 0, 0);
    Rect place;
    EXPECT_TRUE(windowRect(edit, place));
    clickOn(edit, place.width() - 4, place.height() / 2);
    send(kEdit, kMsgEditGetSel, reinterpret_cast<uintptr_t>(&start), reinterpret_cast<intptr_t>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 1u);

    clickOn(item(kNumber));
    headless::typeText(dialog, "4a2-");
    pumpPending();
    EXPECT_EQ(windowText(item(kNumber)), "42");

    clickOn(item(kReadOnly));
    headless::typeText(dialog, "xyz");
    pressOn(item(kReadOnly), kVkBack);
    EXPECT_EQ(windowText(item(kReadOnly)), "fixed");
    send(kReadOnly, kMsgEditSetSel, 1, -1);
    send(kReadOnly, kMsgEditGetSel, reinterpret_cast<uintptr_t>(&start), reinterpret_cast<intptr_t>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 5u);
}

TEST_F(ControlsTest, DropDownListChoosesFromItsPopUpList)
{
    addStrings(kCombo, kMsgComboAddString, {"1024", "2048", "4096"});
    EXPECT_EQ(send(kCombo, kMsgComboGetCount), 3);
    EXPECT_EQ(send(kCombo, kMsgComboSetCurSel, 1), 1);
    EXPECT_EQ(send(kCombo, kMsgComboSetCurSel, 7), kComboError); // out of range: no selection
    EXPECT_EQ(send(kCombo, kMsgComboGetCurSel), -1);
    send(kCombo, kMsgComboSetCurSel, 1);
    EXPECT_TRUE(commandsOf(kCombo).empty()); // setting it is no user change
    EXPECT_EQ(windowText(item(kCombo)), "2048");

    clickOn(item(kCombo));
    WindowHandle list = comboListWindow(item(kCombo));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(send(kCombo, kMsgComboGetDroppedState), 1);
    const int row = Font::defaultGui()->metrics().height + 2;
    headless::mouseMove(list, 10, 1 + 2 * row + row / 2);
    headless::click(list, 10, 1 + 2 * row + row / 2);
    pumpPending();
    EXPECT_EQ(comboListWindow(item(kCombo)), nullptr);
    EXPECT_EQ(send(kCombo, kMsgComboGetCurSel), 2);
    std::vector<Command> told = commandsOf(kCombo);
    ASSERT_EQ(told.size(), 4u);
    EXPECT_EQ(told[0].code, kComboDropDown);
    EXPECT_EQ(told[1].code, kComboSelChange);
    EXPECT_EQ(told[2].code, kComboSelEndOk);
    EXPECT_EQ(told[3].code, kComboCloseUp);

    // A click outside the dropped list closes it without a change.
    seen.commands.clear();
    clickOn(item(kCombo));
    ASSERT_NE(comboListWindow(item(kCombo)), nullptr);
    headless::click(comboListWindow(item(kCombo)), -50, -50);
    pumpPending();
    EXPECT_EQ(comboListWindow(item(kCombo)), nullptr);
    EXPECT_EQ(send(kCombo, kMsgComboGetCurSel), 2);
    told = commandsOf(kCombo);
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[1].code, kComboSelEndCancel);

    // Keys change the selection of a closed list at once.
    seen.commands.clear();
    pressOn(item(kCombo), kVkUp);
    EXPECT_EQ(send(kCombo, kMsgComboGetCurSel), 1);
    EXPECT_EQ(commandsOf(kCombo), (std::vector<Command>{{kCombo, kComboSelChange}}));
    char text[16] = {};
    EXPECT_EQ(send(kCombo, kMsgComboGetLbText, 0, reinterpret_cast<intptr_t>(text)), 4);
    EXPECT_STREQ(text, "1024");
    EXPECT_EQ(send(kCombo, kMsgComboFindStringExact, static_cast<uintptr_t>(-1),
                   reinterpret_cast<intptr_t>("4096")),
              2);
}

TEST_F(ControlsTest, ListBoxSelectionAndDoubleClick)
{
    addStrings(kList, kMsgListAddString, {"one", "two", "three"});
    const int row = Font::defaultGui()->metrics().height + 2;
    clickOn(item(kList), 10, 2 + row + row / 2);
    EXPECT_EQ(send(kList, kMsgListGetCurSel), 1);
    EXPECT_EQ(commandsOf(kList), (std::vector<Command>{{kList, kListSelChange}}));
    Point at = pointIn(item(kList), 10, 2 + 2 * row + row / 2);
    headless::doubleClick(dialog, at.x, at.y);
    pumpPending();
    EXPECT_EQ(send(kList, kMsgListGetCurSel), 2);
    EXPECT_EQ(commandsOf(kList).back(), (Command{kList, kListDoubleClick}));
    pressOn(item(kList), kVkHome);
    EXPECT_EQ(send(kList, kMsgListGetCurSel), 0);

    // Deleting above the selection keeps the same item selected.
    send(kList, kMsgListSetCurSel, 2);
    EXPECT_EQ(send(kList, kMsgListDeleteString, 0), 2);
    EXPECT_EQ(send(kList, kMsgListGetCurSel), 1);
    EXPECT_EQ(send(kList, kMsgListDeleteString, 5), kListError);

    addStrings(kSortedList, kMsgListAddString, {"pear", "Apple", "fig"});
    char text[16] = {};
    send(kSortedList, kMsgListGetText, 0, reinterpret_cast<intptr_t>(text));
    EXPECT_STREQ(text, "Apple");
    EXPECT_EQ(
        send(kSortedList, kMsgListFindString, static_cast<uintptr_t>(-1), reinterpret_cast<intptr_t>("PE")),
        2);
}

TEST_F(ControlsTest, TreeViewTellsSelectionChangesAndKeepsItsItems)
{
    WindowHandle tree = item(kTree);
    TreeItem root = insertItem(tree, kTreeRoot, "Root", 1);
    TreeItem first = insertItem(tree, root, "First", 2);
    TreeItem second = insertItem(tree, root, "Second", 3);
    TreeItem deep = insertItem(tree, second, "Deep", 4);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetCount, 0, 0), 4);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeNextRoot, 0), root);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeChild, root), first);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeNext, first), second);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeParent, deep), second);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeNext, second), 0);

    sendMessage(tree, kMsgTreeExpand, kTreeExpandIt, root);
    EXPECT_TRUE(seen.tree.empty()); // expanding by message tells nothing

    // A click on the second row's label selects "First".
    const int row = Font::defaultGui()->metrics().height + 3;
    clickOn(tree, 2 + 2 * 19 + 8, 2 + row + row / 2);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeCaret, 0), first);
    ASSERT_EQ(seen.tree.size(), 2u);
    EXPECT_EQ(seen.tree[0].code, kTreeSelChanging);
    EXPECT_EQ(seen.tree[1].code, kTreeSelChanged);
    EXPECT_EQ(seen.tree[1].action, kTreeByMouse);
    EXPECT_EQ(seen.tree[1].oldParam, 0);
    EXPECT_EQ(seen.tree[1].newParam, 2);

    // Keys: Down to "Second", Right expands it, Down to "Deep".
    seen.tree.clear();
    pressOn(tree, kVkDown);
    pressOn(tree, kVkRight);
    pressOn(tree, kVkDown);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeCaret, 0), deep);
    EXPECT_EQ(seen.tree.back().action, kTreeByKeyboard);
    EXPECT_EQ(seen.tree.back().newParam, 4);

    // Collapsing an item above the selection moves the selection to it.
    seen.tree.clear();
    sendMessage(tree, kMsgTreeExpand, kTreeCollapse, second);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeCaret, 0), second);
    ASSERT_FALSE(seen.tree.empty());
    EXPECT_EQ(seen.tree.back().oldParam, 4);
    EXPECT_EQ(seen.tree.back().newParam, 3);

    // The parent may refuse a change.
    seen.vetoSelection = true;
    EXPECT_EQ(sendMessage(tree, kMsgTreeSelectItem, kTreeCaret, first), 0);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeCaret, 0), second);
    seen.vetoSelection = false;

    char text[32] = {};
    TreeItemRecord record;
    record.mask = kTreeItemText | kTreeItemParam;
    record.item = second;
    record.text = text;
    record.textMax = sizeof text;
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetItem, 0, reinterpret_cast<intptr_t>(&record)), 1);
    EXPECT_STREQ(text, "Second");
    EXPECT_EQ(record.param, 3);

    // Deleting an item deletes its children; stale handles find nothing.
    EXPECT_EQ(sendMessage(tree, kMsgTreeDeleteItem, 0, second), 1);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetCount, 0, 0), 2);
    record.item = deep;
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetItem, 0, reinterpret_cast<intptr_t>(&record)), 0);
    EXPECT_EQ(sendMessage(tree, kMsgTreeGetNextItem, kTreeCaret, 0), 0);
}

TEST_F(ControlsTest, ProgressBarKeepsItsPositionInRange)
{
    EXPECT_EQ(send(kProgress, kMsgProgressSetPos, 30), 0);
    EXPECT_EQ(send(kProgress, kMsgProgressSetPos, 250), 30);
    EXPECT_EQ(send(kProgress, kMsgProgressGetPos), 100);
    send(kProgress, kMsgProgressSetRange, 0, makePointParam(10, 20));
    EXPECT_EQ(send(kProgress, kMsgProgressGetPos), 20);
    EXPECT_EQ(send(kProgress, kMsgProgressGetRange, 1), 10);
    send(kProgress, kMsgProgressSetStep, 4);
    send(kProgress, kMsgProgressSetPos, 18);
    send(kProgress, kMsgProgressStepIt);
    EXPECT_EQ(send(kProgress, kMsgProgressGetPos), 12); // past the end starts again
    EXPECT_EQ(send(kProgress, kMsgProgressDeltaPos, -5), 12);
    EXPECT_EQ(send(kProgress, kMsgProgressGetPos), 10);
}

TEST_F(ControlsTest, StaticTextTakesItsColoursFromItsParent)
{
    const Brush red = Brush::solid(rgb(0xFF, 0, 0));
    seen.labelBrush = &red;
    (void)invalidateRect(item(kLabel), nullptr, true);
    Surface picture;
    ASSERT_TRUE(headless::snapshot(item(kLabel), picture));
    EXPECT_TRUE(sameColour(picture.pixel(picture.width() - 2, picture.height() - 2), rgb(0xFF, 0, 0)));
    seen.labelBrush = nullptr;
    (void)invalidateRect(item(kLabel), nullptr, true);
    ASSERT_TRUE(headless::snapshot(item(kLabel), picture));
    EXPECT_TRUE(
        sameColour(picture.pixel(picture.width() - 2, picture.height() - 2), sysColour(kColourButtonFace)));
}
