#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"
#include "support/Watchdog.h"
#include "zkr/Dialog.h"
#include "api/Protocol.h"
#include "zkr/UserInterfaceTestKit.h"
#include "zkr/Window.h"

using namespace plat::ui;
using velmora::test::HelpRecordingApplication;
using velmora::test::ModalScript;
using velmora::test::pumpPending;
using velmora::test::RecordingApplication;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr const char* kFrameworkClass = "ZkrFrameworkTestWindow";

// A window that records the handler calls it gets and answers as told.
class ProbeWindow : public zkr::Window {
public:
    bool onCreate() override { return createAnswer; }
    bool onClose() override
    {
        ++closeRequests;
        return closeAnswer;
    }
    int onDestroy() override
    {
        ++destroys;
        return 1;
    }
    void afterClose() override { ++afterCloses; }
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override
    {
        userMessages.push_back({message, lparam, wparam});
        return 77;
    }
    bool onDropFiles(int x, int y, const std::vector<std::string>& files) override
    {
        dropAt = Point{x, y};
        dropped = files;
        return dropAnswer;
    }

    WindowHandle make(const char* title = "probe window")
    {
        static const bool registered = [] {
            WindowClass windowClass;
            windowClass.procedure = zkr::WindowBase::windowProcedure;
            windowClass.name = kFrameworkClass;
            return registerClass(windowClass);
        }();
        EXPECT_TRUE(registered);
        return createWindow(kExStyleAcceptFiles, kFrameworkClass, title, kStylePopup | kStyleVisible, 50, 60,
                            200, 100, nullptr, 0, nullptr, this);
    }

    struct UserCall {
        uint32_t message;
        intptr_t lparam;
        uintptr_t wparam;
        bool operator==(const UserCall&) const = default;
    };
    bool createAnswer = true;
    bool closeAnswer = true;
    bool dropAnswer = true;
    int closeRequests = 0;
    int destroys = 0;
    int afterCloses = 0;
    std::vector<UserCall> userMessages;
    Point dropAt;
    std::vector<std::string> dropped;
};

} // namespace

// ---- the window procedure ---------------------------------------------------------------------

TEST(WindowProcedure, CreationStoresTheObjectAndFailsWhenOnCreateRefuses)
{
    ProbeWindow probe;
    WindowHandle window = probe.make();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(probe.window, window);
    EXPECT_EQ(zkr::WindowBase::fromWindow(window), &probe);
    ProbeWindow refusing;
    refusing.createAnswer = false;
    EXPECT_EQ(refusing.make(), nullptr);
    EXPECT_EQ(refusing.window, nullptr);
    EXPECT_EQ(refusing.destroys, 0);
    (void)destroyWindow(window);
    EXPECT_EQ(probe.window, nullptr);
}

TEST(WindowProcedure, OnlyMessagesAbove32768ReachOnUserMessageWithLparamBeforeWparam)
{
    ProbeWindow probe;
    WindowHandle window = probe.make();
    EXPECT_EQ(sendMessage(window, 32768, 1, 2), 0);
    EXPECT_TRUE(probe.userMessages.empty());
    EXPECT_EQ(sendMessage(window, 32769, 3, 4), 77);
    EXPECT_EQ(probe.userMessages, (std::vector<ProbeWindow::UserCall>{{32769, 4, 3}}));
    (void)destroyWindow(window);
}

TEST(WindowProcedure, CloseDestroysOnlyWhenAllowedAndAfterCloseRunsEitherWay)
{
    ProbeWindow probe;
    probe.closeAnswer = false;
    WindowHandle window = probe.make();
    sendMessage(window, kMsgClose, 0, 0);
    // OK and Cancel of a window are close requests too.
    sendMessage(window, kMsgCommand, kIdOk, 0);
    sendMessage(window, kMsgCommand, kIdCancel, 0);
    EXPECT_TRUE(isWindow(window));
    EXPECT_EQ(probe.closeRequests, 3);
    EXPECT_EQ(probe.afterCloses, 3);
    probe.closeAnswer = true;
    sendMessage(window, kMsgCommand, kIdOk, 0);
    EXPECT_FALSE(isWindow(window));
    EXPECT_EQ(probe.destroys, 1);
    EXPECT_EQ(probe.afterCloses, 4);
}

TEST(WindowProcedure, DefaultHelpAsksTheApplicationOnlyForAWindowWithHelp)
{
    HelpRecordingApplication application;
    ProbeWindow probe;
    WindowHandle window = probe.make();
    HelpInfo request;
    request.contextId = 9;
    probe.helpTopic = 4;
    EXPECT_EQ(sendMessage(window, kMsgHelp, 0, reinterpret_cast<intptr_t>(&request)), 1);
    request.contextType = kHelpInfoMenuItem;
    EXPECT_EQ(sendMessage(window, kMsgHelp, 0, reinterpret_cast<intptr_t>(&request)), 0);
    request.contextType = kHelpInfoWindow;
    probe.helpTopic = -1;
    EXPECT_EQ(sendMessage(window, kMsgHelp, 0, reinterpret_cast<intptr_t>(&request)), 0);
    EXPECT_EQ(application.help, (std::vector<std::pair<int, int>>{{4, 9}}));
    (void)destroyWindow(window);
}

TEST(WindowProcedure, DroppedFilesArriveAsWholePathsHoweverLongAndARefusalIsDropRefusedWithTheCaption)
{
    RecordingApplication application;
    ProbeWindow probe;
    WindowHandle window = probe.make("drop target");
    const std::string longPath = "/tmp/" + std::string(295, 'p'); // 300 bytes
    headless::dropFiles(window, 12, 34, {"/music/a.wav", longPath, "/music/b.wav"});
    pumpPending();
    EXPECT_EQ(probe.dropAt, (Point{12, 34}));
    EXPECT_EQ(probe.dropped, (std::vector<std::string>{"/music/a.wav", longPath, "/music/b.wav"}));
    EXPECT_TRUE(application.shown.empty());
    probe.dropAnswer = false;
    headless::dropFiles(window, 1, 1, {"/x.wav"});
    pumpPending();
    EXPECT_EQ(probe.lastError, toWire(engine::Error::DropRefused));
    EXPECT_EQ(application.shown,
              (std::vector<velmora::test::ShownError>{{toWire(engine::Error::DropRefused), "drop target"}}));
    (void)destroyWindow(window);
}

// ---- dialogs -----------------------------------------------------------------------------------

namespace {

constexpr int kAllowButton = 10;

const DialogItemTemplate kDialogItems[] = {
    {"BUTTON", "Allow", kAllowButton, 5, 5, 50, 14, kStyleVisible | kStyleTabStop | kButtonPush},
    {"BUTTON", "OK", kIdOk, 60, 5, 50, 14, kStyleVisible | kStyleTabStop | kButtonDefPush},
    {"BUTTON", "Cancel", kIdCancel, 115, 5, 50, 14, kStyleVisible | kStyleTabStop | kButtonPush},
};
const DialogTemplate kDialogTemplate{
    300, "Framework dialog", kStylePopup | kStyleCaption, 0, 0, 0, 170, 30, nullptr, 8, kDialogItems};

class ProbeDialog : public zkr::Dialog {
public:
    ProbeDialog() : zkr::Dialog(kDialogTemplate) {}
    bool onClose() override
    {
        ++closeRequests;
        return closeAnswer;
    }
    void afterClose() override { ++afterCloses; }
    bool onCommand(uintptr_t wparam, intptr_t) override
    {
        closeAnswer = closeAnswer || loWord(wparam) == kAllowButton;
        return loWord(wparam) == kAllowButton;
    }
    intptr_t onUserMessage(uint32_t, intptr_t, uintptr_t) override { return 5; }

    bool closeAnswer = false;
    int closeRequests = 0;
    int afterCloses = 0;
};

} // namespace

TEST(FrameworkDialog, ARefusingDialogStaysOpenAfterOkCancelAndTheCloseButtonAlike)
{
    Watchdog watchdog(10s);
    ProbeDialog dialog;
    bool stillOpen = false;
    int requestsWhileRefusing = 0;
    ModalScript script;
    script.then([](WindowHandle modal, int) { EXPECT_TRUE(pressDialogButton(modal, kIdOk)); })
        .then([](WindowHandle modal, int) { EXPECT_TRUE(pressDialogButton(modal, kIdCancel)); })
        .then([](WindowHandle modal, int) { headless::closeRequest(modal); })
        .then([](WindowHandle modal, int) { headless::pressKey(modal, kVkEscape); })
        .then([&](WindowHandle modal, int) {
            stillOpen = isWindowVisible(modal);
            requestsWhileRefusing = dialog.closeRequests;
            // A user message's answer comes back through the dialog.
            EXPECT_EQ(sendMessage(modal, 32769, 0, 0), 5);
            EXPECT_TRUE(pressDialogButton(modal, kAllowButton));
        })
        .then([](WindowHandle modal, int) { EXPECT_TRUE(pressDialogButton(modal, kIdOk)); });
    EXPECT_EQ(dialog.runModal(), kIdOk);
    EXPECT_TRUE(stillOpen);
    // Each request asked once: a refused close does not come back as Cancel.
    EXPECT_EQ(requestsWhileRefusing, 4);
    EXPECT_EQ(dialog.afterCloses, 0);
    EXPECT_EQ(dialog.window, nullptr);
}

TEST(FrameworkDialog, AnAcceptedCloseEndsAModalDialogWith2AndAModelessOneIsDestroyed)
{
    Watchdog watchdog(10s);
    ProbeDialog modal;
    modal.closeAnswer = true;
    ModalScript script;
    script.then([](WindowHandle window, int) { headless::closeRequest(window); });
    EXPECT_EQ(modal.runModal(), 2);
    EXPECT_EQ(modal.afterCloses, 1);

    ProbeDialog modeless;
    modeless.closeAnswer = true;
    ASSERT_TRUE(modeless.createModeless());
    WindowHandle window = modeless.window;
    EXPECT_TRUE(pressDialogButton(window, kIdOk));
    pumpPending();
    EXPECT_FALSE(isWindow(window));
    EXPECT_EQ(modeless.afterCloses, 1);
}
