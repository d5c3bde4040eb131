#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <set>
#include <string>
#include <thread>

#include "platform/ui/Font.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"
#include "shared/Services.h"
#include "shared/SharedUiTestKit.h"
#include "support/Watchdog.h"
#include "zkr/SharedServices.h"

namespace {

using namespace plat::ui;
using velmora::test::dialogsTitled;
using velmora::test::ModalSteps;
using velmora::test::Watchdog;

constexpr const char* kTitle = "Velmora Audio Engine v0.1b";
constexpr int kContext = 1000;
constexpr int kErrorText = 1001;

std::string caption(int code, int counter)
{
    return std::string(kTitle) + " - Code " + std::to_string(code) + " (" + std::to_string(counter) + ")";
}

const Font* fontOf(WindowHandle dialog, int id)
{
    return reinterpret_cast<const Font*>(sendDlgItemMessage(dialog, id, kMsgGetFont, 0, 0));
}

// The picture control of the dialog (the one static without an id of its own).
bool showsErrorSymbol(WindowHandle dialog)
{
    for (WindowHandle child : childWindows(dialog)) {
        if (sendMessage(child, kMsgStaticGetImage, kImageBitmap, 0) != 0)
            return true;
    }
    return false;
}

TEST(ErrorDialog, ShowsTheErrorWithBoldContextAndOkEndsItWith1)
{
    Watchdog watchdog(std::chrono::seconds(20), "error dialog");
    const int beepsBefore = messageBeepCount();
    WindowHandle seen = nullptr;
    ModalSteps steps([&](WindowHandle modal, int call) {
        if (call != 0)
            return;
        seen = modal;
        EXPECT_EQ(windowTitle(modal), caption(8, 1));
        EXPECT_EQ(dlgItemText(modal, kContext), "take1.wav");
        EXPECT_EQ(dlgItemText(modal, kErrorText), "Couldn't open this file.");
        const Font* context = fontOf(modal, kContext);
        const Font* text = fontOf(modal, kErrorText);
        ASSERT_NE(context, nullptr);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(context->spec().weight, kWeightBold);
        EXPECT_EQ(context->spec().face, "Tahoma");
        EXPECT_EQ(context->spec().height, heightForPoints(8));
        EXPECT_EQ(text->spec().weight, kWeightNormal);
        EXPECT_EQ(text->spec().face, "Tahoma");
        EXPECT_TRUE(isTopmost(modal));
        EXPECT_TRUE(headless::windowState(modal).toolWindow);
        EXPECT_TRUE(showsErrorSymbol(modal));
        EXPECT_EQ(messageBeepCount(), beepsBefore + 1);
        EXPECT_TRUE(pressDialogButton(modal, kIdOk));
    });
    EXPECT_EQ(shared::showZKRError(8, "take1.wav", "Couldn't open this file."), 1);
    EXPECT_NE(seen, nullptr);
    EXPECT_FALSE(isWindow(seen));
}

TEST(ErrorDialog, ClosingTheWindowEndsWith2AndTheNextDialogCountsFrom1)
{
    Watchdog watchdog(std::chrono::seconds(20), "error dialog close");
    std::string firstCaption;
    std::string secondCaption;
    {
        ModalSteps steps([&](WindowHandle modal, int call) {
            if (call == 0) {
                firstCaption = windowTitle(modal);
                headless::closeRequest(modal);
            }
        });
        EXPECT_EQ(shared::showZKRError(13, "List", "Found an index out of range for whatever reason!"), 2);
    }
    {
        ModalSteps steps([&](WindowHandle modal, int call) {
            if (call == 0) {
                secondCaption = windowTitle(modal);
                EXPECT_TRUE(pressDialogButton(modal, kIdOk));
            }
        });
        EXPECT_EQ(shared::showZKRError(15, "List", "Element not found!"), 1);
    }
    EXPECT_EQ(firstCaption, caption(13, 1));
    EXPECT_EQ(secondCaption, caption(15, 1));
}

TEST(ErrorDialog, ALaterErrorUpdatesTheOpenDialogAndReturnsAtOnce)
{
    Watchdog watchdog(std::chrono::seconds(20), "error dialog update");
    const int beepsBefore = messageBeepCount();
    int dialogsWhileOpen = 0;
    int laterResult = 0;
    bool checked = false;
    ModalSteps steps([&](WindowHandle modal, int call) {
        if (call == 0) {
            // From another thread: it must not wait for the user.
            std::thread other([&] {
                laterResult = shared::showZKRError(30, "Tindle", "A plugin signaled an internal error!");
            });
            other.join();
            return;
        }
        if (!checked && windowTitle(modal) == caption(30, 2)) {
            checked = true;
            dialogsWhileOpen = static_cast<int>(dialogsTitled(kTitle).size());
            EXPECT_EQ(dlgItemText(modal, kContext), "Tindle");
            EXPECT_EQ(dlgItemText(modal, kErrorText), "A plugin signaled an internal error!");
            EXPECT_EQ(messageBeepCount(), beepsBefore + 2);
            EXPECT_TRUE(pressDialogButton(modal, kIdOk));
        }
    });
    EXPECT_EQ(shared::showZKRError(4, "Wave Input", "Reading operation failed!"), 1);
    EXPECT_EQ(laterResult, 1);
    EXPECT_TRUE(checked);
    EXPECT_EQ(dialogsWhileOpen, 1);
    EXPECT_TRUE(dialogsTitled(kTitle).empty());
}

TEST(ErrorDialog, TwoThreadsAtOnceShareOneDialog)
{
    Watchdog watchdog(std::chrono::seconds(20), "error dialog from two threads");
    std::set<WindowHandle> modalWindows;
    std::atomic<int> dialogsAtTheEnd{0};
    ModalSteps steps([&](WindowHandle modal, int) {
        modalWindows.insert(modal);
        // Both errors are in once the counter reads 2; only then may the user answer.
        const std::string title = windowTitle(modal);
        if (title.size() >= 4 && title.compare(title.size() - 4, 4, " (2)") == 0) {
            dialogsAtTheEnd = static_cast<int>(dialogsTitled(kTitle).size());
            EXPECT_TRUE(pressDialogButton(modal, kIdOk));
        }
    });
    std::latch start(2);
    int results[2] = {0, 0};
    std::thread first([&] {
        start.arrive_and_wait();
        results[0] = shared::showZKRError(5, "Wave Output", "Writing operation failed!");
    });
    std::thread second([&] {
        start.arrive_and_wait();
        results[1] = shared::showZKRError(6, "Wave Output", "Seeking operation failed!");
    });
    first.join();
    second.join();
    EXPECT_EQ(results[0], 1);
    EXPECT_EQ(results[1], 1);
    EXPECT_EQ(modalWindows.size(), 1u);
    EXPECT_EQ(dialogsAtTheEnd.load(), 1);
}

// Texts come from every corner of the system: none at all, or longer than
// the dialog's fields, are shown cut, never read or written past their end.
TEST(ErrorDialog, MissingAndOverlongTextsAreShownSafely)
{
    Watchdog watchdog(std::chrono::seconds(20), "error dialog texts");
    const std::string longName(400, 'n');
    std::string context;
    std::string text;
    ModalSteps steps([&](WindowHandle modal, int call) {
        if (call != 0)
            return;
        context = dlgItemText(modal, kContext);
        text = dlgItemText(modal, kErrorText);
        EXPECT_TRUE(pressDialogButton(modal, kIdOk));
    });
    EXPECT_EQ(shared::showZKRError(1, longName.c_str(), nullptr), 1);
    EXPECT_EQ(context, longName.substr(0, 255));
    EXPECT_EQ(text, "");
}

// An error that arrives while the user is already closing the dialog is not
// lost: it gets a dialog of its own, counted from 1 again.
TEST(ErrorDialog, AnErrorQueuedAsTheDialogClosesIsShownNext)
{
    Watchdog watchdog(std::chrono::seconds(20), "error dialog reopened");
    std::vector<std::string> captions;
    std::vector<std::string> texts;
    ModalSteps steps([&](WindowHandle modal, int call) {
        captions.push_back(windowTitle(modal));
        texts.push_back(dlgItemText(modal, kErrorText));
        if (call == 0) {
            EXPECT_EQ(shared::showZKRError(33, "Engine", "Cannot start streaming."), 1);
        }
        EXPECT_TRUE(pressDialogButton(modal, kIdOk));
    });
    EXPECT_EQ(shared::showZKRError(31, "Engine", "No Audio Output found for application!"), 1);
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_EQ(captions[0], caption(31, 1));
    EXPECT_EQ(texts[0], "No Audio Output found for application!");
    EXPECT_EQ(captions[1], caption(33, 1));
    EXPECT_EQ(texts[1], "Cannot start streaming.");
}

// The dialog as a deliverable reaches it: through the loaded library, whose
// template and error symbol are its own resources.
TEST(ErrorDialog, TheLoadedLibraryShowsItThroughItsExport)
{
    Watchdog watchdog(std::chrono::seconds(20), "error dialog through the library");
    const std::string library = std::string(VELMORA_OUT_DIR) + "/ZKRShared.so";
    ASSERT_EQ(zkr::bindSharedServicesFrom(library.c_str()), 0);
    std::string seenCaption;
    bool symbol = false;
    {
        ModalSteps steps([&](WindowHandle modal, int call) {
            if (call != 0)
                return;
            seenCaption = windowTitle(modal);
            symbol = showsErrorSymbol(modal);
            EXPECT_TRUE(pressDialogButton(modal, kIdOk));
        });
        char text[zkr::kErrorTextSize];
        zkr::sharedServices->getErrorText(18, text);
        EXPECT_EQ(zkr::sharedServices->showZKRError(18, "Velmora", text), 1);
    }
    zkr::releaseSharedServices();
    EXPECT_EQ(seenCaption, caption(18, 1));
    EXPECT_TRUE(symbol);
}

} // namespace
