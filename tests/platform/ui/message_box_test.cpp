#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/core/Notice.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/headless/Headless.h"
#include "support/ScopedEnv.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::ModalScript;
using velmora::test::ScopedEnv;
using velmora::test::TestWindowBehaviour;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr int kTextId = 0xFFFF;
const char* const kCaption = "Velmora Audio Engine v0.1b";

} // namespace

TEST(MessageBox, ShowsItsTextOnTopAndInFrontAndAnswersTheButtonPressed)
{
    Watchdog watchdog(10s);
    std::string shownText;
    std::string shownCaption;
    bool onTop = false;
    bool inFront = false;
    ModalScript script;
    script.then([&](WindowHandle box, int) {
        shownText = dlgItemText(box, kTextId);
        shownCaption = windowTitle(box);
        onTop = headless::windowState(box).topmost;
        inFront = headless::foreground() == box;
        EXPECT_TRUE(pressDialogButton(box, kIdOk));
    });
    int answer = messageBox(nullptr, "Failed to open x!", kCaption,
                            plat::kNoticeIconStop | plat::kNoticeTopmost | plat::kNoticeForeground);
    EXPECT_EQ(answer, kIdOk);
    EXPECT_EQ(shownText, "Failed to open x!");
    EXPECT_EQ(shownCaption, kCaption);
    EXPECT_TRUE(onTop);
    EXPECT_TRUE(inFront);
}

TEST(MessageBox, EnterTakesTheChosenDefaultAndEscapeOnlyClosesABoxWithOk)
{
    Watchdog watchdog(10s);
    {
        ModalScript script;
        script.then([](WindowHandle box, int) { headless::pressKey(box, kVkReturn); });
        EXPECT_EQ(messageBox(nullptr, "Quit?", kCaption, plat::kNoticeYesNo | plat::kNoticeIconQuestion),
                  kIdYes);
    }
    {
        ModalScript script;
        script.then([](WindowHandle box, int) { headless::pressKey(box, kVkReturn); });
        EXPECT_EQ(messageBox(nullptr, "Quit?", kCaption, plat::kNoticeYesNo | plat::kNoticeDefaultButton2),
                  kIdNo);
    }
    {
        // Escape and the close button do nothing to a Yes/No question.
        bool stillOpen = false;
        ModalScript script;
        script.then([](WindowHandle box, int) { headless::pressKey(box, kVkEscape); })
            .then([](WindowHandle box, int) { headless::closeRequest(box); })
            .then([&](WindowHandle box, int) {
                stillOpen = isWindowVisible(box);
                EXPECT_TRUE(pressDialogButton(box, kIdNo));
            });
        EXPECT_EQ(messageBox(nullptr, "Quit?", kCaption, plat::kNoticeYesNo), kIdNo);
        EXPECT_TRUE(stillOpen);
    }
    {
        ModalScript script;
        script.then([](WindowHandle box, int) { headless::pressKey(box, kVkEscape); });
        EXPECT_EQ(messageBox(nullptr, "Note", kCaption, plat::kNoticeIconInformation), kIdOk);
    }
}

TEST(MessageBox, TaskModalBoxDisablesTheThreadsWindowsMeanwhile)
{
    Watchdog watchdog(10s);
    TestWindowBehaviour plain;
    WindowHandle window = velmora::test::makeTopLevel(plain, "busy");
    ASSERT_NE(window, nullptr);
    bool disabled = false;
    ModalScript script;
    script.then([&](WindowHandle box, int) {
        disabled = !isWindowEnabled(window);
        EXPECT_TRUE(pressDialogButton(box, kIdOk));
    });
    (void)messageBox(nullptr, "Wait", kCaption, plat::kNoticeTaskModal);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(isWindowEnabled(window));
    (void)destroyWindow(window);
}

TEST(MessageBox, IsThePresenterOfNotices)
{
    Watchdog watchdog(10s);
    std::string caption;
    ModalScript script;
    script.then([&](WindowHandle box, int) {
        caption = windowTitle(box);
        EXPECT_TRUE(pressDialogButton(box, kIdNo));
    });
    EXPECT_EQ(plat::showNotice("Velmora Audio Engine just runs once", kCaption, plat::kNoticeYesNo),
              plat::kNoticeAnswerNo);
    EXPECT_EQ(caption, kCaption);
}

TEST(MessageBox, HeadlessDefaultAnswerTakesTheDefaultButtonAndWritesTheText)
{
    Watchdog watchdog(10s);
    ScopedEnv answer("VELMORA_HEADLESS_ANSWER", "default");
    testing::internal::CaptureStderr();
    EXPECT_EQ(messageBox(nullptr, "Replace it?", "Save", plat::kNoticeYesNo | plat::kNoticeDefaultButton2),
              kIdNo);
    EXPECT_EQ(messageBox(nullptr, "Done.", "Save", plat::kNoticeOk), kIdOk);
    std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("Save: Replace it?"), std::string::npos);
    EXPECT_NE(written.find("Save: Done."), std::string::npos);
}
