#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "platform/core/Thread.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Font.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"
#include "support/Watchdog.h"
#include "zkr/BitmapObject.h"
#include "api/Protocol.h"
#include "zkr/UserInterfaceTestKit.h"

using namespace plat::ui;
using velmora::test::HelpRecordingApplication;
using velmora::test::kHotColour;
using velmora::test::kNormalColour;
using velmora::test::kPressedColour;
using velmora::test::ModalScript;
using velmora::test::pumpPending;
using velmora::test::RecordingApplication;
using velmora::test::RecordingControl;
using velmora::test::RecordingInterface;
using velmora::test::testDescription;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr Argb kSkin = 0xFF203040;
const Rect kFirst{20, 20, 60, 40};
const Rect kSecond{100, 20, 140, 40};

// An interface with two controls on a dark skin, made on the test's thread.
class SkinnedInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui.background = &skin;
        ui.makeControls = [this](RecordingInterface& self) {
            first = self.add(kFirst);
            second = self.add(kSecond);
            zkr::copyText(first->tooltip, "first tip");
            second->hasDirectHelp = false;
        };
        ASSERT_EQ(ui.create(true, testDescription(), nullptr, kShowNormal), 0);
        pumpPending();
    }
    Point screenOf(int x, int y)
    {
        Point point{x, y};
        EXPECT_TRUE(clientToScreen(ui.window, point));
        return point;
    }
    Argb pixelAt(int x, int y)
    {
        Surface image;
        EXPECT_TRUE(headless::snapshot(ui.window, image));
        return image.pixel(x, y);
    }

    zkr::BitmapObject skin{200, 100, kSkin};
    RecordingInterface ui;
    RecordingControl* first = nullptr;
    RecordingControl* second = nullptr;
};

} // namespace

// ---- creation ----------------------------------------------------------------------------------

TEST(UserInterfaceCreate, StartsUpInOrderWithTooltipsFontAndBackBufferThenShows)
{
    RecordingInterface ui;
    zkr::WindowDescription description = testDescription(120, 80);
    description.centre = true;
    description.inTaskBar = 0;
    ASSERT_EQ(ui.create(true, description, nullptr, kShowNormal), 0);
    EXPECT_EQ(ui.stages,
              (std::vector<std::string>{"preCreate", "stageOne", "stageTwo", "finish", "beforeShow"}));
    EXPECT_TRUE(isWindowVisible(ui.window));
    EXPECT_EQ(
        headless::windowState(ui.window).bounds,
        Rect::fromSize((headless::kScreenWidth - 120) / 2, (headless::kScreenHeight - 80) / 2, 120, 80));
    ASSERT_NE(ui.tooltipWindow, nullptr);
    EXPECT_EQ(windowClassName(ui.tooltipWindow), kTooltipClass);
    EXPECT_EQ(ownerWindow(ui.tooltipWindow), ui.window);
    ASSERT_NE(ui.interfaceFont, nullptr);
    EXPECT_EQ(ui.interfaceFont->spec().face, "Small Fonts");
    EXPECT_EQ(ui.interfaceFont->spec().height, -9);
    EXPECT_EQ(ui.backBuffer.size(), (Size{120, 80}));

    // Without a background: white inside the default pen's black frame.
    Surface image;
    ASSERT_TRUE(headless::snapshot(ui.window, image));
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(60, 40) & 0xFFFFFF, 0xFFFFFFu);

    WindowHandle window = ui.window;
    (void)destroyWindow(window);
    EXPECT_EQ(ui.stages.back(), "beforeDestroy");
    // The thread goes on serving its other windows: no quit for it.
    Message message;
    bool quit = false;
    while (peekMessage(message, nullptr, 0, 0, kPeekRemove))
        quit = quit || message.message == kMsgQuit;
    EXPECT_FALSE(quit);
    EXPECT_EQ(ui.tooltipWindow, nullptr);
    EXPECT_TRUE(ui.controls.empty());
    ui.unregisterClass();
    EXPECT_FALSE(isClassRegistered(ui.description.className));
}

TEST(UserInterfaceCreate, FailedStartUpsReportCreateUserInterfaceAndLeaveNoClassBehind)
{
    RecordingApplication application;
    RecordingInterface refusing;
    refusing.preCreateAnswer = false;
    zkr::WindowDescription description = testDescription();
    EXPECT_EQ(refusing.create(true, description, nullptr, kShowNormal),
              toWire(engine::Error::CreateUserInterface));
    EXPECT_EQ(refusing.window, nullptr);
    EXPECT_FALSE(isClassRegistered(description.className));

    RecordingInterface unfinished;
    unfinished.finishStatus = 1;
    unfinished.makeControls = [](RecordingInterface& self) { self.add(kFirst); };
    EXPECT_EQ(unfinished.create(true, testDescription(), nullptr, kShowNormal),
              toWire(engine::Error::CreateUserInterface));
    EXPECT_TRUE(unfinished.controls.empty());
    ASSERT_EQ(application.shown.size(), 2u);
    EXPECT_EQ(application.shown[0].code, toWire(engine::Error::CreateUserInterface));
}

TEST(UserInterfaceOwnThread, RunsOnAThreadOfItsOwnUntilClosed)
{
    Watchdog watchdog(10s);
    auto ui = std::make_unique<RecordingInterface>();
    RecordingControl* button = nullptr;
    ui->makeControls = [&](RecordingInterface& self) {
        button = self.add(kFirst);
        button->message = 32769;
    };
    ASSERT_EQ(ui->runOnOwnThread(testDescription(), nullptr, kShowNormal), 0);
    WindowHandle window = ui->window;
    ASSERT_NE(window, nullptr);
    EXPECT_NE(windowThreadId(window), plat::currentThreadId());
    EXPECT_FALSE(ui->closedEvent().wait(0));

    // A refused close keeps it open and does not count as closed.
    ui->closeAnswer = false;
    sendMessage(window, kMsgClose, 0, 0);
    EXPECT_TRUE(isWindow(window));
    EXPECT_FALSE(ui->closedEvent().wait(0));
    ui->closeAnswer = true; // the send above handed the window's thread over

    // The window's thread handles its input; the click's message arrives there.
    headless::click(window, 30, 30);
    headless::closeRequest(window);
    EXPECT_TRUE(ui->closedEvent().wait(5000));
    EXPECT_EQ(ui->firedCount.load(), 1);
    ui.reset(); // joins the thread
    EXPECT_FALSE(isWindow(window));
}

// ---- painting ----------------------------------------------------------------------------------

TEST_F(SkinnedInterfaceTest, PaintsTheSkinAndEachControlThroughTheBackBuffer)
{
    EXPECT_EQ(pixelAt(5, 5), kSkin);
    EXPECT_EQ(pixelAt(30, 30), kNormalColour);
    EXPECT_EQ(pixelAt(110, 30), kNormalColour);
    headless::mouseDown(ui.window, 30, 30);
    pumpPending();
    EXPECT_EQ(pixelAt(30, 30), kPressedColour);
    EXPECT_EQ(ui.backBuffer.pixel(30, 30), kPressedColour);
}

// ---- mouse routing -----------------------------------------------------------------------------

TEST_F(SkinnedInterfaceTest, ControlsGetTheMouseRelativeToTheirRectangle)
{
    headless::mouseMove(ui.window, 25, 27);
    headless::mouseDown(ui.window, 25, 27);
    headless::mouseUp(ui.window, 26, 28);
    headless::wheel(ui.window, 110, 30, -120);
    pumpPending();
    EXPECT_EQ(first->moves, (std::vector<Point>{{5, 7}}));
    EXPECT_EQ(first->downs, (std::vector<Point>{{5, 7}}));
    EXPECT_EQ(first->ups, (std::vector<Point>{{6, 8}}));
    EXPECT_EQ(second->wheels, (std::vector<int>{-120}));
    // A disabled control is passed over.
    first->enabled = false;
    EXPECT_EQ(ui.controlAt(30, 30), nullptr);
    EXPECT_EQ(ui.controlAt(110, 30), second);
}

TEST_F(SkinnedInterfaceTest, PressingTheSkinDragsTheWholeWindow)
{
    Rect before;
    EXPECT_TRUE(windowRect(ui.window, before));
    headless::mouseDown(ui.window, 5, 5);
    pumpPending();
    EXPECT_TRUE(ui.dragging);
    EXPECT_EQ(captureWindow(), ui.window);
    headless::mouseMove(ui.window, 25, 15);
    pumpPending();
    Rect after;
    EXPECT_TRUE(windowRect(ui.window, after));
    EXPECT_EQ(after, before.offsetBy(20, 10));
    EXPECT_EQ(first->moves.size(), 0u);
    headless::mouseUp(ui.window, 5, 5);
    pumpPending();
    EXPECT_FALSE(ui.dragging);
    EXPECT_FALSE(ui.mouseCaptured);
    EXPECT_EQ(captureWindow(), nullptr);
}

// ---- context menu, help, tooltips, drops ---------------------------------------------------------

TEST_F(SkinnedInterfaceTest, DirectHelpIsGreyWithoutAHelpTopicAndOpensTheControlsHelpOtherwise)
{
    Watchdog watchdog(10s);
    HelpRecordingApplication application;
    first->helpNumber = 33;
    WindowHandle window = ui.window;
    auto chooseFirstItem = [window](WindowHandle, int) {
        headless::pressKey(window, kVkDown);
        headless::pressKey(window, kVkReturn);
        headless::pressKey(window, kVkEscape);
    };
    ui.helpTopic = -1;
    {
        ModalScript script;
        script.then(chooseFirstItem);
        headless::click(window, 30, 30, MouseButton::Right);
        pumpPending();
        EXPECT_TRUE(script.finished());
    }
    EXPECT_TRUE(application.help.empty());
    ui.helpTopic = 12;
    {
        ModalScript script;
        script.then(chooseFirstItem);
        headless::click(window, 30, 30, MouseButton::Right);
        pumpPending();
        EXPECT_TRUE(script.finished());
    }
    EXPECT_EQ(application.help, (std::vector<std::pair<int, int>>{{12, 33}}));
    EXPECT_TRUE(ui.contextMenus.empty());
}

TEST_F(SkinnedInterfaceTest, HelpRequestsNameTheControlUnderThePosition)
{
    HelpRecordingApplication application;
    first->helpNumber = 7;
    ui.helpTopic = 5;
    HelpInfo request;
    request.mousePosition = screenOf(30, 30);
    EXPECT_EQ(sendMessage(ui.window, kMsgHelp, 0, reinterpret_cast<intptr_t>(&request)), 1);
    request.mousePosition = screenOf(5, 5);
    EXPECT_EQ(sendMessage(ui.window, kMsgHelp, 0, reinterpret_cast<intptr_t>(&request)), 0);
    ui.helpTopic = -1;
    EXPECT_EQ(sendMessage(ui.window, kMsgHelp, 0, reinterpret_cast<intptr_t>(&request)), 0);
    EXPECT_EQ(application.help, (std::vector<std::pair<int, int>>{{5, 7}, {5, -1}}));
}

TEST_F(SkinnedInterfaceTest, TooltipsAskTheControlUnderTheCursorForItsText)
{
    EXPECT_EQ(sendMessage(ui.tooltipWindow, kMsgTooltipGetToolCount, 0, 0), 2);
    TooltipTextRequest request;
    request.header.from = ui.tooltipWindow;
    request.header.code = kTooltipNeedText;
    headless::setCursorPosition(screenOf(30, 30));
    sendMessage(ui.window, kMsgNotify, 0, reinterpret_cast<intptr_t>(&request));
    ASSERT_NE(request.text, nullptr);
    EXPECT_STREQ(request.text, "first tip");
    EXPECT_EQ(first->tooltipCalls, 1);
}

TEST_F(SkinnedInterfaceTest, DroppedFilesGoToTheControlUnderTheDropAndARefusalIsDropRefused)
{
    RecordingApplication application;
    headless::dropFiles(ui.window, 30, 30, {"/a.wav", "/b.wav"});
    pumpPending();
    EXPECT_EQ(ui.dropControl, first);
    EXPECT_EQ(ui.dropCount, 2);
    EXPECT_TRUE(application.shown.empty());
    ui.dropAnswer = false;
    headless::dropFiles(ui.window, 5, 5, {"/c.wav"});
    pumpPending();
    EXPECT_EQ(ui.dropControl, nullptr);
    ASSERT_EQ(application.shown.size(), 1u);
    EXPECT_EQ(application.shown[0].code, toWire(engine::Error::DropRefused));
}
