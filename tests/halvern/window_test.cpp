// The reverb's window run from the plug-in's code in this process on a thread
// with a message loop, turned and clicked as a user would through the
// headless backend, and what that does to the four channels.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/headless/Headless.h"
#include "plugins/halvern/ReverbApplication.h"
#include "plugins/halvern/ReverbWindow.h"
#include "support/Eventually.h"
#include "support/Watchdog.h"
#include "zkr/KnobControl.h"
#include "zkr/LabelControl.h"
#include "zkr/ToggleButton.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using Window = halvern::ReverbWindow;

const bool kHeadless = setenv("VELMORA_UI", "headless", 1) == 0;

class ReverbWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.startUp();
        app.onSetupFX();
        ui = std::thread([this] {
            uiThread = plat::currentThreadId();
            opened = app.createUserInterface(kShowNormal);
            for (Message message; getMessage(message);)
                if (message.window == nullptr && message.message == kRunMessage)
                    (*reinterpret_cast<std::function<void()>*>(message.lparam))();
                else
                    dispatchMessage(message);
        });
        ASSERT_TRUE(kHeadless && eventually([&] { return opened.load(); }));
        window = findWindow(Window::kClassName, Window::kTitle);
    }
    void TearDown() override
    {
        app.destroyUserInterface();
        EXPECT_TRUE(eventually([&] { return postThreadMessage(uiThread, kMsgQuit, 0, 0); }));
        ui.join();
        app.onCleanupFX();
        app.shutDown();
    }
    // Runs work on the window's thread, which owns the controls, and waits for it.
    void onWindowThread(const std::function<void()>& work)
    {
        std::atomic<bool> done{false};
        std::function<void()> task = [&] { work(), done = true; };
        ASSERT_TRUE(postThreadMessage(uiThread, kRunMessage, 0, reinterpret_cast<intptr_t>(&task)));
        ASSERT_TRUE(eventually([&] { return done.load(); }));
    }
    template <typename ControlType> ControlType& control(int id)
    {
        const auto& all = app.window->controls;
        return dynamic_cast<ControlType&>(**std::find_if(all.begin(), all.end(), [&](auto* c) { return c->id == id; }));
    }
    // The knob's value, its frame and the display's text; every channel's delay follows the knob.
    std::string shownDelay()
    {
        std::string shown;
        onWindowThread([&] {
            const auto& knob = control<zkr::KnobControl>(Window::kDelayKnobId);
            shown = std::to_string(knob.value) + " " + std::to_string(knob.currentFrame) + " " +
                    control<zkr::LabelControl>(Window::kDelayDisplayId).name;
        });
        for (int index = 0; index < 4; ++index)
            EXPECT_EQ(app.channels.at(index)->delay(), std::stoi(shown)) << index;
        return shown;
    }
    // A block with a click at 0 (or silence) through the channel's slot: whether an echo came out.
    bool echoes(int channel, int16_t click = 0)
    {
        std::vector<int16_t> samples(2048);
        samples[0] = click;
        app.processChannelBuffer(channel, samples.data(), 4096);
        return std::any_of(samples.begin() + 1, samples.end(), [](int16_t sample) { return sample != 0; });
    }

    static constexpr uint32_t kRunMessage = kMsgUser + 0x3A2;
    Watchdog watchdog{std::chrono::seconds(60), "reverb window test"};
    halvern::ReverbApplication app;
    std::thread ui;
    std::atomic<uint32_t> uiThread{0};
    std::atomic<bool> opened{false};
    WindowHandle window = nullptr;
};

TEST_F(ReverbWindowTest, TheKnobShowsChannelZerosDelayAndSetsEveryChannels)
{
    Rect place;
    EXPECT_TRUE(windowRect(window, place) && place == Rect::fromSize(0, 0, 237, 119));
    EXPECT_FALSE(headless::windowState(window).shape.empty());
    onWindowThread([&] {
        auto& knob = control<zkr::KnobControl>(Window::kDelayKnobId);
        auto& display = control<zkr::LabelControl>(Window::kDelayDisplayId);
        auto& bypass = control<zkr::ToggleButton>(Window::kBypassId);
        EXPECT_EQ(knob.rect, Rect::fromSize(162, 53, 30, 30));
        EXPECT_EQ(display.rect, Rect::fromSize(150, 83, 55, 17));
        EXPECT_EQ(bypass.rect, Rect::fromSize(100, 26, 40, 16));
        EXPECT_TRUE(knob.range == 1000 && display.sunken && !bypass.on);
        knob.onTooltip(); // as the tooltip asks for its text
        EXPECT_STREQ(knob.tooltip, "Delay: time from a sound to its echo, for all four channels - [100ms]");
        EXPECT_TRUE(display.tooltip[0] != 0 && bypass.tooltip[0] != 0);
    });
    EXPECT_EQ(shownDelay(), "100 1 100ms");
    const int cx = 162 + 15;
    const int cy = 53 + 15;
    headless::mouseDown(window, cx, cy);
    headless::mouseMove(window, cx, cy - 12, kKeyLButton); // the top: half the scale
    EXPECT_EQ(shownDelay(), "500 5 500ms");
    headless::mouseMove(window, cx + 12, cy, kKeyLButton); // the right: 225 of 270 degrees
    headless::mouseUp(window, cx + 12, cy);
    EXPECT_EQ(shownDelay(), "833 8 833ms");
    // The wheel moves it by 110 a notch, within its range.
    for (const auto& [notches, shown] : {std::pair{1, "943 9 943ms"}, {1, "1000 10 1000ms"}, {-1, "890 8 890ms"}}) {
        headless::wheel(window, cx, cy, notches * kWheelDelta);
        EXPECT_EQ(shownDelay(), shown);
    }
    // Made again, the window shows channel 0's delay.
    app.destroyUserInterface();
    app.channels.at(0)->setDelay(350);
    onWindowThread([&] { ASSERT_TRUE(app.createUserInterface(kShowNormal)); });
    window = findWindow(Window::kClassName, Window::kTitle);
    onWindowThread([&] { EXPECT_EQ(control<zkr::KnobControl>(Window::kDelayKnobId).currentFrame, 3); });
}

TEST_F(ReverbWindowTest, BypassForgetsEveryEchoAndTheEngineReachesOneChannelAtATime)
{
    for (int channel = 0; channel < 4; ++channel)
        app.channels.at(channel)->setDelay(10); // echoes of 1000 every 441 samples run into the next block
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_TRUE(echoes(channel, 1000)) << channel;
    headless::click(window, 110, 34);
    onWindowThread([&] { EXPECT_TRUE(control<zkr::ToggleButton>(Window::kBypassId).on); });
    EXPECT_FALSE(echoes(0, 1000)); // the sound passes untouched
    headless::click(window, 130, 34); // elsewhere on it: not a double click
    onWindowThread([&] { EXPECT_FALSE(control<zkr::ToggleButton>(Window::kBypassId).on); });
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_FALSE(echoes(channel)) << channel; // no old echo comes back

    app.onFXParamChange(1, 75);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_EQ(app.channels.at(channel)->parameter.load(), channel == 1 ? 75 : 50) << channel;
    // A channel's reset forgets its echo alone.
    for (int channel = 0; channel < 4; ++channel)
        echoes(channel, 1000);
    app.resetFXChannel(2);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_EQ(echoes(channel), channel != 2) << channel;
    // The user's close leaves the window open.
    headless::closeRequest(window);
    onWindowThread([] {});
    EXPECT_TRUE(isWindow(window));
}

} // namespace
} // namespace velmora::test
