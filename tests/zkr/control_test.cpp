#include <gtest/gtest.h>

#include <vector>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/headless/Headless.h"
#include "zkr/UserInterfaceTestKit.h"

using namespace plat::ui;
using velmora::test::pumpPending;
using velmora::test::RecordingControl;
using velmora::test::RecordingInterface;
using velmora::test::testDescription;

namespace {

constexpr uint32_t kFireMessage = 32770;
const Rect kButton{20, 20, 60, 40};

// One button-like control on an interface made on the test's thread.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui.makeControls = [this](RecordingInterface& self) {
            button = self.add(kButton);
            button->message = kFireMessage;
        };
        ASSERT_EQ(ui.create(true, testDescription(), nullptr, kShowNormal), 0);
        pumpPending();
    }
    void at(void (*inject)(WindowHandle, int, int, MouseButton), int x, int y)
    {
        inject(ui.window, x, y, MouseButton::Left);
        pumpPending();
    }

    RecordingInterface ui;
    RecordingControl* button = nullptr;
};

} // namespace

TEST_F(ControlTest, PressingMovingOffAndReleasingDoesNotFire)
{
    at(headless::mouseDown, 30, 30);
    EXPECT_EQ(button->state, zkr::Control::kStatePressed);
    headless::mouseMove(ui.window, 80, 30);
    pumpPending();
    EXPECT_EQ(button->state, zkr::Control::kStateNormal);
    at(headless::mouseUp, 80, 30);
    EXPECT_TRUE(ui.fired.empty());
    // Back over it, it shows pressed again while the button is held (the
    // press is away from the last one, so it is no double click).
    at(headless::mouseDown, 45, 35);
    headless::mouseMove(ui.window, 80, 30);
    pumpPending();
    EXPECT_EQ(button->state, zkr::Control::kStateNormal);
    headless::mouseMove(ui.window, 35, 30);
    pumpPending();
    EXPECT_EQ(button->state, zkr::Control::kStatePressed);
}

TEST_F(ControlTest, FiresOnReleaseAfterAPressWithItsMessage)
{
    at(headless::mouseDown, 30, 30);
    EXPECT_TRUE(ui.fired.empty());
    at(headless::mouseUp, 31, 31);
    using Fired = RecordingInterface::Fired;
    EXPECT_EQ(ui.fired, (std::vector<Fired>{{kFireMessage, 512, reinterpret_cast<intptr_t>(button)}}));
    EXPECT_EQ(button->state, zkr::Control::kStateNormal);
    EXPECT_EQ(button->previousState, zkr::Control::kStatePressed);
    // A release without a press on it (pressed elsewhere) does not fire.
    at(headless::mouseDown, 5, 5);
    at(headless::mouseUp, 30, 30);
    EXPECT_EQ(ui.fired.size(), 1u);
}

TEST_F(ControlTest, FiresOnPressWhenAskedAndNotAgainOnRelease)
{
    button->firesOnPress = true;
    button->messageWParam = 9;
    at(headless::mouseDown, 30, 30);
    ASSERT_EQ(ui.fired.size(), 1u);
    EXPECT_EQ(ui.fired[0].wparam, 9u);
    at(headless::mouseUp, 30, 30);
    EXPECT_EQ(ui.fired.size(), 1u);
}

TEST_F(ControlTest, SetStateRemembersThePreviousStateAndRepaintsOnlyOnAChange)
{
    Rect invalid;
    EXPECT_FALSE(updateRect(ui.window, invalid));
    button->setState(zkr::Control::kStateNormal);
    EXPECT_FALSE(updateRect(ui.window, invalid));
    button->setState(zkr::Control::kStateHot);
    EXPECT_EQ(button->previousState, zkr::Control::kStateNormal);
    ASSERT_TRUE(updateRect(ui.window, invalid));
    EXPECT_EQ(invalid, kButton);
}
