#pragma once

// A skinned window on the headless backend, on the test's thread, for tests
// of windowless controls: the user's mouse as the backend injects it, the
// window's picture, and the notifications the controls sent.

#include <cstddef>
#include <cstdint>

#include <gtest/gtest.h>

#include "platform/ui/Surface.h"
#include "platform/ui/headless/Headless.h"
#include "zkr/UserInterfaceTestKit.h"

namespace velmora::test {

// What controls under test send: above the system messages, so it reaches onUserMessage.
inline constexpr uint32_t kControlNotification = 0x8001;

class ControlWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(plat::ui::headless::active());
        ASSERT_EQ(ui.create(true, testDescription(300, 300), nullptr, plat::ui::kShowNormal), 0);
        pumpPending();
    }

    void TearDown() override
    {
        if (ui.window != nullptr)
            (void)plat::ui::destroyWindow(ui.window);
        pumpPending();
    }

    // Joins a control to the window, which owns it from then on. The window
    // is painted already, so the control asks for its own picture.
    template <class C> C* add(C* control)
    {
        control->message = kControlNotification;
        ui.addControl(std::unique_ptr<C>(control)).repaint();
        return control;
    }

    // The user's mouse, in the window's client coordinates.
    void press(int x, int y)
    {
        plat::ui::headless::mouseDown(ui.window, x, y);
        pumpPending();
    }
    void release(int x, int y)
    {
        plat::ui::headless::mouseUp(ui.window, x, y);
        pumpPending();
    }
    void dragTo(int x, int y)
    {
        plat::ui::headless::mouseMove(ui.window, x, y, plat::ui::kKeyLButton);
        pumpPending();
    }
    void hover(int x, int y)
    {
        plat::ui::headless::mouseMove(ui.window, x, y);
        pumpPending();
    }
    void wheel(int x, int y, int delta)
    {
        plat::ui::headless::wheel(ui.window, x, y, delta);
        pumpPending();
    }

    // The window as the user sees it.
    plat::ui::Surface picture()
    {
        pumpPending();
        plat::ui::Surface image;
        EXPECT_TRUE(plat::ui::headless::snapshot(ui.window, image));
        return image;
    }

    // Notifications with the control's message, the default wparam and the control as lparam.
    std::size_t notificationsFrom(const zkr::Control* control) const
    {
        std::size_t count = 0;
        for (const RecordingInterface::Fired& fired : ui.fired) {
            if (fired.message == kControlNotification &&
                fired.wparam == zkr::Control::kDefaultMessageWParam &&
                fired.lparam == reinterpret_cast<intptr_t>(control))
                ++count;
        }
        return count;
    }

    RecordingInterface ui;
};

} // namespace velmora::test
