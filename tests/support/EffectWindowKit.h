#pragma once

// An effect's window run from its application object in the test's process,
// made on the test's own thread: the test pumps the window's queue itself, so
// whatever it reads after a gesture has been handled, with no second thread
// to hand work to and wait for. Input goes through the headless backend as a
// user's would (WindowTestKit.h chooses that backend for the program).

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "platform/ui/WindowTestKit.h"
#include "platform/ui/headless/Headless.h"
#include "support/Watchdog.h"
#include "zkr/Box.h"
#include "zkr/Control.h"

namespace velmora::test {

template <typename Application> class EffectWindowTest : public ::testing::Test {
protected:
    // Unloads as the engine does: the window, the processing objects, the application.
    void TearDown() override
    {
        closeAsEngine();
        if (setUp_)
            application.onCleanupFX();
        application.shutDown();
    }

    // Loads the effect, sets it up unless told not to, and opens its window.
    void open(bool setUp = true)
    {
        ASSERT_TRUE(plat::ui::headless::active());
        application.startUp();
        setUp_ = setUp;
        if (setUp)
            application.onSetupFX();
        openWindow();
    }
    // The engine closes the window and later makes it again: it must show the effect as it was left.
    void reopen()
    {
        closeAsEngine();
        openWindow();
    }

    // The control once everything that reached the window is handled.
    template <typename ControlType> ControlType& control(int id)
    {
        pumpPending();
        for (const auto& candidate : application.window->controls)
            if (candidate->id == id)
                return dynamic_cast<ControlType&>(*candidate);
        throw std::runtime_error("no control " + std::to_string(id));
    }

    // ---- the user's gestures, each handled before it returns ----
    static plat::ui::Point centreOf(const zkr::Box& box)
    {
        return {box.x + box.width / 2, box.y + box.height / 2};
    }
    // A click dx, dy from the box's corner; a negative offset takes the centre's.
    void click(const zkr::Box& box, int dx = -1, int dy = -1)
    {
        const plat::ui::Point centre = centreOf(box);
        plat::ui::headless::click(window, dx < 0 ? centre.x : box.x + dx, dy < 0 ? centre.y : box.y + dy);
        pumpPending();
    }
    // Notches of the wheel over the box's centre, away from the user when positive.
    void wheel(const zkr::Box& box, int notches)
    {
        const plat::ui::Point centre = centreOf(box);
        plat::ui::headless::wheel(window, centre.x, centre.y, notches * plat::ui::kWheelDelta);
        pumpPending();
    }
    // The title bar's close and the close message itself: only the engine's close may take the window.
    void closeAsUser()
    {
        plat::ui::headless::closeRequest(window);
        plat::ui::sendMessage(window, plat::ui::kMsgClose, 0, 0);
        pumpPending();
    }

    // First, so that it still watches while the application goes.
    Watchdog watchdog{std::chrono::seconds(60), "effect window test"};
    Application application;
    plat::ui::WindowHandle window = nullptr;

private:
    void openWindow()
    {
        ASSERT_TRUE(application.createUserInterface(plat::ui::kShowNormal));
        window = application.window->window;
    }
    void closeAsEngine()
    {
        application.destroyUserInterface();
        EXPECT_FALSE(plat::ui::isWindow(window));
    }

    bool setUp_ = false;
};

} // namespace velmora::test
