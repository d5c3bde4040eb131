// The reverb's window turned and clicked as a user would, and what that does
// to the four channels.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugins/halvern/Layout.h"
#include "plugins/halvern/ReverbApplication.h"
#include "plugins/halvern/ReverbWindow.h"
#include "support/EffectWindowKit.h"
#include "zkr/KnobControl.h"
#include "zkr/LabelControl.h"
#include "zkr/ToggleButton.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using Window = halvern::ReverbWindow;

class ReverbWindowTest : public EffectWindowTest<halvern::ReverbApplication> {
protected:
    void SetUp() override { open(); }
    // The knob's value, its frame and the display's text; every channel's delay follows the knob.
    std::string shownDelay()
    {
        const auto& knob = control<zkr::KnobControl>(Window::kDelayKnobId);
        for (int index = 0; index < 4; ++index)
            EXPECT_EQ(application.channels.at(index)->delay(), knob.value) << index;
        return std::to_string(knob.value) + " " + std::to_string(knob.currentFrame) + " " +
               control<zkr::LabelControl>(Window::kDelayDisplayId).name;
    }
    // A block with a click at 0 (or silence) through the channel's slot: whether an echo came out.
    bool echoes(int channel, int16_t click = 0)
    {
        std::vector<int16_t> samples(2048);
        samples[0] = click;
        application.processChannelBuffer(channel, samples.data(), 4096);
        return std::any_of(samples.begin() + 1, samples.end(), [](int16_t sample) { return sample != 0; });
    }
};

TEST_F(ReverbWindowTest, TheKnobShowsChannelZerosDelayAndSetsEveryChannels)
{
    Rect place;
    EXPECT_TRUE(windowRect(window, place) && place == Rect::fromSize(0, 0, 237, 119));
    EXPECT_FALSE(headless::windowState(window).shape.empty());
    EXPECT_EQ(findWindow(Window::kClassName, Window::kTitle), window);
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

    EXPECT_EQ(shownDelay(), "100 1 100ms");
    const Point centre = centreOf(halvern::kKnob);
    headless::mouseDown(window, centre.x, centre.y);
    headless::mouseMove(window, centre.x, centre.y - 12, kKeyLButton); // the top: half the scale
    EXPECT_EQ(shownDelay(), "500 5 500ms");
    headless::mouseMove(window, centre.x + 12, centre.y, kKeyLButton); // the right: 225 of 270 degrees
    headless::mouseUp(window, centre.x + 12, centre.y);
    EXPECT_EQ(shownDelay(), "833 8 833ms");
    // The wheel moves it by 110 a notch, within its range.
    for (const auto& [notches, shown] :
         {std::pair{1, "943 9 943ms"}, {1, "1000 10 1000ms"}, {-1, "890 8 890ms"}}) {
        wheel(halvern::kKnob, notches);
        EXPECT_EQ(shownDelay(), shown);
    }
    // Made again, the window shows channel 0's delay.
    application.channels.at(0)->setDelay(350);
    reopen();
    EXPECT_EQ(control<zkr::KnobControl>(Window::kDelayKnobId).currentFrame, 3);
}

TEST_F(ReverbWindowTest, BypassForgetsEveryEchoAndTheEngineReachesOneChannelAtATime)
{
    // Echoes of 1000 every 441 samples, which run into the next block.
    for (int channel = 0; channel < 4; ++channel)
        application.channels.at(channel)->setDelay(10);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_TRUE(echoes(channel, 1000)) << channel;
    click(halvern::kBypassButton, 10);
    EXPECT_TRUE(control<zkr::ToggleButton>(Window::kBypassId).on);
    EXPECT_FALSE(echoes(0, 1000));     // the sound passes untouched
    click(halvern::kBypassButton, 30); // elsewhere on it: not a double click
    EXPECT_FALSE(control<zkr::ToggleButton>(Window::kBypassId).on);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_FALSE(echoes(channel)) << channel; // no old echo comes back

    application.onFXParamChange(1, 75);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_EQ(application.channels.at(channel)->parameter.load(), channel == 1 ? 75 : 50) << channel;
    // A channel's reset forgets its echo alone.
    for (int channel = 0; channel < 4; ++channel)
        echoes(channel, 1000);
    application.resetFXChannel(2);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_EQ(echoes(channel), channel != 2) << channel;
    closeAsUser();
    EXPECT_TRUE(isWindow(window)); // only the engine's close takes it
}

} // namespace
} // namespace velmora::test
