#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Font.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"
#include "support/ScopedEnv.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::ModalScript;
using velmora::test::pumpPending;
using velmora::test::ScopedEnv;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr int kOther = 10;
constexpr int kNested = 11;
constexpr int kEdit = 20;
constexpr int kDisabled = 21;
constexpr int kRadioA = 30;
constexpr int kRadioB = 31;
constexpr int kRadioC = 32;
constexpr int kLabel = 40;

constexpr uint32_t kVisible = kStyleVisible;

const DialogItemTemplate kItems[] = {
    {"STATIC", "Some words", kLabel, 5, 5, 100, 8, kVisible | kStaticLeft},
    {"EDIT", "text", kEdit, 5, 16, 80, 12, kVisible | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Disabled", kDisabled, 90, 16, 50, 14, kVisible | kStyleTabStop | kStyleDisabled},
    {"BUTTON", "A", kRadioA, 5, 34, 40, 10, kVisible | kStyleTabStop | kStyleGroup | kButtonAutoRadio},
    {"BUTTON", "B", kRadioB, 50, 34, 40, 10, kVisible | kButtonAutoRadio},
    {"BUTTON", "C", kRadioC, 95, 34, 40, 10, kVisible | kButtonAutoRadio},
    {"BUTTON", "Other", kOther, 5, 50, 50, 14, kVisible | kStyleTabStop | kStyleGroup | kButtonPush},
    {"BUTTON", "Nested", kNested, 60, 50, 50, 14, kVisible | kStyleTabStop | kButtonPush},
    {"BUTTON", "OK", kIdOk, 115, 50, 50, 14, kVisible | kStyleTabStop | kButtonDefPush},
    {"BUTTON", "Cancel", kIdCancel, 170, 50, 50, 14, kVisible | kStyleTabStop | kButtonPush},
};

const DialogTemplate kTemplate{
    7, "Test dialog", kStylePopup | kStyleCaption | kDialogStyleCentre, 0, 0, 0, 230, 70, nullptr, 8, kItems};

// What the dialog procedure saw, and how it behaves.
struct Probe {
    intptr_t initParameter = 0;
    std::vector<int> commands;
    bool refuseClose = false; // OK, Cancel and close leave the dialog open
    int depth = 0;            // nesting: the nested button runs another dialog
    intptr_t nestedAnswer = 0;
};
Probe* probe = nullptr;

intptr_t probeProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgInitDialog:
        probe->initParameter = lparam;
        return 1;
    case kMsgCommand: {
        int id = loWord(wparam);
        if (hiWord(wparam) != kButtonClicked)
            return 1; // the edit field's notifications
        probe->commands.push_back(id);
        if (id == kNested) {
            probe->nestedAnswer = dialogBoxIndirectParam(nullptr, kTemplate, dialog, &probeProc, 99);
            return 1;
        }
        if (id == kOther) {
            (void)endDialog(dialog, 42);
            return 1;
        }
        if ((id == kIdOk || id == kIdCancel) && !probe->refuseClose)
            (void)endDialog(dialog, id);
        return 1;
    }
    case kMsgClose:
        if (!probe->refuseClose)
            (void)endDialog(dialog, kIdCancel);
        return 1;
    default:
        return 0;
    }
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { probe = &seen; }
    void TearDown() override { probe = nullptr; }
    Probe seen;
};

intptr_t runTestDialog(WindowHandle owner = nullptr, intptr_t parameter = 5)
{
    return dialogBoxIndirectParam(nullptr, kTemplate, owner, &probeProc, parameter);
}

} // namespace

TEST_F(DialogTest, ModalDialogGetsItsParameterDisablesItsOwnerAndEndsWithTheValueGiven)
{
    Watchdog watchdog(10s);
    velmora::test::TestWindowBehaviour plain;
    WindowHandle owner = velmora::test::makeTopLevel(plain, "owner");
    ASSERT_NE(owner, nullptr);
    bool ownerDisabled = false;
    bool dialogShown = false;
    ModalScript script;
    script.then([&](WindowHandle modal, int) {
        ownerDisabled = !isWindowEnabled(owner);
        dialogShown = isWindowVisible(modal) && windowTitle(modal) == "Test dialog";
        EXPECT_TRUE(pressDialogButton(modal, kOther));
    });
    EXPECT_EQ(runTestDialog(owner, 1234), 42);
    EXPECT_EQ(seen.initParameter, 1234);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(isWindowEnabled(owner));
    (void)destroyWindow(owner);
}

TEST_F(DialogTest, AModalDialogEndedByAMessageFromAnotherThreadReturns)
{
    Watchdog watchdog(10s);
    std::thread closer;
    ModalScript script;
    script.then([&](WindowHandle modal, int) {
        closer = std::thread([modal] { sendMessage(modal, kMsgClose, 0, 0); });
    });
    EXPECT_EQ(runTestDialog(), kIdCancel);
    closer.join();
}

TEST_F(DialogTest, ModalDialogsNestAndEachEndsWithItsOwnValue)
{
    Watchdog watchdog(10s);
    WindowHandle outer = nullptr;
    bool outerDisabledMeanwhile = false;
    ModalScript script;
    script
        .then([&](WindowHandle modal, int depth) {
            EXPECT_EQ(depth, 1);
            outer = modal;
            EXPECT_TRUE(pressDialogButton(modal, kNested));
        })
        .then([&](WindowHandle modal, int depth) {
            EXPECT_EQ(depth, 2);
            EXPECT_NE(modal, outer);
            outerDisabledMeanwhile = !isWindowEnabled(outer);
            EXPECT_TRUE(pressDialogButton(modal, kOther));
        })
        .then([&](WindowHandle modal, int depth) {
            EXPECT_EQ(depth, 1);
            EXPECT_EQ(modal, outer);
            EXPECT_TRUE(isWindowEnabled(outer));
            EXPECT_TRUE(pressDialogButton(modal, kIdCancel));
        });
    EXPECT_EQ(runTestDialog(), kIdCancel);
    EXPECT_EQ(seen.nestedAnswer, 42);
    EXPECT_TRUE(outerDisabledMeanwhile);
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(isWindow(outer));
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonOrTheFocusedPushButtonAndEscapeCancels)
{
    Watchdog watchdog(10s);
    {
        // Focus in the edit field: Enter is the default button (OK).
        ModalScript script;
        script.then([](WindowHandle modal, int) { headless::pressKey(modal, kVkReturn); });
        EXPECT_EQ(runTestDialog(), kIdOk);
    }
    {
        ModalScript script;
        script.then([](WindowHandle modal, int) {
            setFocus(dialogItem(modal, kOther));
            headless::pressKey(modal, kVkReturn);
        });
        EXPECT_EQ(runTestDialog(), 42);
    }
    {
        ModalScript script;
        script.then([](WindowHandle modal, int) { headless::pressKey(modal, kVkEscape); });
        EXPECT_EQ(runTestDialog(), kIdCancel);
    }
    {
        // The window's close request comes to the dialog procedure.
        ModalScript script;
        script.then([](WindowHandle modal, int) { headless::closeRequest(modal); });
        EXPECT_EQ(runTestDialog(), kIdCancel);
    }
}

TEST_F(DialogTest, ADialogThatRefusesToCloseStaysOpenAfterOkCancelAndTheCloseButton)
{
    Watchdog watchdog(10s);
    seen.refuseClose = true;
    bool stillOpen = false;
    ModalScript script;
    script.then([](WindowHandle modal, int) { headless::pressKey(modal, kVkReturn); })
        .then([](WindowHandle modal, int) { headless::pressKey(modal, kVkEscape); })
        .then([](WindowHandle modal, int) { headless::closeRequest(modal); })
        .then([](WindowHandle modal, int) { EXPECT_TRUE(pressDialogButton(modal, kIdOk)); })
        .then([&](WindowHandle modal, int) {
            stillOpen = isWindowVisible(modal);
            EXPECT_TRUE(pressDialogButton(modal, kOther));
        });
    EXPECT_EQ(runTestDialog(), 42);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(seen.commands, (std::vector<int>{kIdOk, kIdCancel, kIdOk, kOther}));
}

TEST_F(DialogTest, TabMovesAlongTheTabStopsAndArrowsWithinAGroup)
{
    Watchdog watchdog(10s);
    std::vector<int> focusOrder;
    auto noteFocus = [&](WindowHandle) { focusOrder.push_back(dialogControlId(focusWindow())); };
    ModalScript script;
    script
        .then([&](WindowHandle modal, int) {
            EXPECT_TRUE(checkDlgButton(modal, kRadioB, kButtonChecked));
            noteFocus(modal);
            headless::pressKey(modal, kVkTab); // the disabled button is skipped; the group's checked radio
        })
        .then([&](WindowHandle modal, int) {
            noteFocus(modal);
            headless::pressKey(modal, kVkRight); // the next radio of the group, which checks it
        })
        .then([&](WindowHandle modal, int) {
            noteFocus(modal);
            EXPECT_EQ(isDlgButtonChecked(modal, kRadioC), kButtonChecked);
            EXPECT_EQ(isDlgButtonChecked(modal, kRadioB), kButtonUnchecked);
            headless::pressKey(modal, kVkRight); // wraps within the group
        })
        .then([&](WindowHandle modal, int) {
            noteFocus(modal);
            headless::pressKey(modal, kVkTab);
        })
        .then([&](WindowHandle modal, int) {
            noteFocus(modal);
            headless::keyDown(modal, kVkShift);
            headless::pressKey(modal, kVkTab);
            headless::keyUp(modal, kVkShift);
        })
        .then([&](WindowHandle modal, int) {
            noteFocus(modal);
            EXPECT_TRUE(pressDialogButton(modal, kIdCancel));
        });
    EXPECT_EQ(runTestDialog(), kIdCancel);
    EXPECT_EQ(focusOrder, (std::vector<int>{kEdit, kRadioB, kRadioC, kRadioA, kOther, kRadioA}));
}

TEST_F(DialogTest, ModelessDialogTakesDialogKeysInAPlainMessageLoop)
{
    Watchdog watchdog(10s);
    DialogItemTemplate items[] = {kItems[1], kItems[6], kItems[8]};
    DialogTemplate modeless = kTemplate;
    modeless.style |= kStyleVisible;
    modeless.items = items;
    WindowHandle dialog = createDialogIndirectParam(nullptr, modeless, nullptr, &probeProc, 3);
    ASSERT_NE(dialog, nullptr);
    pumpPending();
    EXPECT_TRUE(isWindowVisible(dialog));
    EXPECT_EQ(seen.initParameter, 3);
    EXPECT_EQ(dialogControlId(focusWindow()), kEdit);
    headless::pressKey(dialog, kVkTab);
    pumpPending();
    EXPECT_EQ(dialogControlId(focusWindow()), kOther);
    headless::pressKey(dialog, kVkReturn);
    pumpPending();
    EXPECT_EQ(seen.commands, std::vector<int>{kOther});
    // endDialog is for modal dialogs; a modeless one is destroyed.
    EXPECT_TRUE(isWindow(dialog));
    EXPECT_TRUE(destroyWindow(dialog));
    EXPECT_FALSE(isWindow(dialog));
}

TEST_F(DialogTest, ADialogWithAControlThatCannotBeMadeFails)
{
    Watchdog watchdog(10s);
    DialogItemTemplate items[] = {kItems[0], {"NoSuchClass", "", 5, 0, 0, 10, 10, kVisible}};
    DialogTemplate broken = kTemplate;
    broken.items = items;
    testing::internal::CaptureStderr();
    EXPECT_EQ(dialogBoxIndirectParam(nullptr, broken, nullptr, &probeProc, 0), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("NoSuchClass"), std::string::npos);
    EXPECT_EQ(dialogBoxParam(nullptr, 4711, nullptr, &probeProc, 0), -1); // no such template
}

TEST_F(DialogTest, HeadlessDefaultAnswerPressesTheDefaultButtonAndWritesTheTexts)
{
    Watchdog watchdog(10s);
    ScopedEnv answer("VELMORA_HEADLESS_ANSWER", "default");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runTestDialog(), kIdOk);
    std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("Test dialog"), std::string::npos);
    EXPECT_NE(written.find("Some words"), std::string::npos);
}

TEST_F(DialogTest, AQuitMessageEndsTheModalLoopAndReachesTheOuterLoop)
{
    Watchdog watchdog(10s);
    ModalScript script;
    script.then([](WindowHandle, int) { postQuitMessage(3); });
    EXPECT_EQ(runTestDialog(), 0);
    Message message;
    EXPECT_FALSE(getMessage(message));
    EXPECT_EQ(message.wparam, 3u);
}

TEST_F(DialogTest, ItemHelpersReadAndWriteControls)
{
    Watchdog watchdog(10s);
    DialogTemplate modeless = kTemplate;
    WindowHandle dialog = createDialogIndirectParam(nullptr, modeless, nullptr, &probeProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(setDlgItemInt(dialog, kEdit, -17));
    bool ok = false;
    EXPECT_EQ(dlgItemInt(dialog, kEdit, &ok), -17);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(setDlgItemText(dialog, kEdit, "abc"));
    dlgItemInt(dialog, kEdit, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(checkRadioButton(dialog, kRadioA, kRadioC, kRadioC));
    EXPECT_EQ(isDlgButtonChecked(dialog, kRadioC), kButtonChecked);
    EXPECT_EQ(isDlgButtonChecked(dialog, kRadioA), kButtonUnchecked);
    intptr_t defId = sendMessage(dialog, kMsgDialogGetDefId, 0, 0);
    EXPECT_EQ(loWord(static_cast<uintptr_t>(defId)), kIdOk);
    sendMessage(dialog, kMsgDialogSetDefId, kOther, 0);
    defId = sendMessage(dialog, kMsgDialogGetDefId, 0, 0);
    EXPECT_EQ(loWord(static_cast<uintptr_t>(defId)), kOther);
    Rect units{0, 0, 4, 8};
    EXPECT_TRUE(mapDialogRect(dialog, units));
    EXPECT_EQ(units.right, Font::defaultGui()->metrics().aveCharWidth);
    EXPECT_EQ(units.bottom, Font::defaultGui()->metrics().height);
    (void)destroyWindow(dialog);
}
