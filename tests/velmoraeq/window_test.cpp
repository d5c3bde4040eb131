// The equaliser's window driven by a user's clicks, drags, wheel and menu
// choices; what it does to the channels and what its curve shows.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/ui/ControlTestKit.h"
#include "plugins/velmoraeq/EqApplication.h"
#include "plugins/velmoraeq/EqWindow.h"
#include "plugins/velmoraeq/Layout.h"
#include "support/EffectWindowKit.h"
#include "support/WindowPictures.h"
#include "zkr/SliderControl.h"
#include "zkr/ToggleButton.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using velmoraeq::EqWindow;

class EqWindowTest : public EffectWindowTest<velmoraeq::EqApplication> {
protected:
    void SetUp() override { open(); }
    // Slider positions 0-8, the dry mix, the channel buttons that are down and the edited channel.
    std::string shown()
    {
        std::string text;
        for (int id = EqWindow::kFirstBandId; id <= EqWindow::kDryMixId; ++id)
            text += std::to_string(control<zkr::SliderControl>(id).value) + " ";
        for (int id = EqWindow::kFirstChannelId; id < EqWindow::kFirstBandId; ++id)
            text += std::string(id == EqWindow::kFirstBypassId ? " " : "") +
                    (control<zkr::ToggleButton>(id).on ? "X" : "-");
        return text + " " + std::to_string(static_cast<EqWindow&>(*application.window).editedChannel());
    }
    // The channel's gains and dry mix, and "off" when bypassed, once the window has taken the user's turn.
    std::string gains(int channel)
    {
        pumpPending();
        std::string text;
        for (int band = 0; band < 9; ++band)
            text += std::to_string(application.channel(channel)->bandGain(band)) + " ";
        return text + std::to_string(application.channel(channel)->dryMix.load()) +
               (application.channel(channel)->enabled.load() ? "" : " off");
    }
    // Opens the preset menu and chooses the item at position; the menu's texts and its place on the screen.
    std::string choosePreset(int position)
    {
        // Shared: a step that never ran must not write to this call's frame in a later menu.
        auto shown = std::make_shared<std::string>();
        modal.then([position, shown](WindowHandle menuWindow, int) {
            const MenuHandle menu = menuOfWindow(menuWindow);
            for (int item = 0; item < menuItemCount(menu); ++item)
                *shown += menuString(menu, static_cast<uint32_t>(item), kMenuByPosition) + "|";
            Rect place;
            EXPECT_TRUE(windowRect(menuWindow, place));
            *shown += std::to_string(place.left) + "," + std::to_string(place.top);
            EXPECT_TRUE(clickMenuItem(menuWindow, position));
        });
        click(velmoraeq::kPresetButton); // returns once the menu's own loop has ended
        EXPECT_TRUE(modal.finished());
        return *shown;
    }
    // The colour the window shows at the curve point of band for gain.
    Argb curvePoint(int band, int gain)
    {
        const zkr::Box& display = velmoraeq::kCurveDisplay;
        return settledPicture(window).pixel(display.x + 17 + 35 * band, display.y + 20 - 20 * gain / 100) &
               0xFFFFFF;
    }

    ModalScript modal;
};

TEST_F(EqWindowTest, ControlsSitOnTheSkinWithTheirRangesTextsAndTips)
{
    Rect place;
    ASSERT_TRUE(windowRect(window, place));
    EXPECT_EQ(place.width() * 1000 + place.height(), 500283);
    EXPECT_FALSE(headless::windowState(window).shape.empty());
    EXPECT_EQ(findWindow(EqWindow::kClassName, EqWindow::kTitle), window);
    EXPECT_EQ(shown(), "100 100 100 100 100 100 100 100 100 100 X--- ---- 0");
    const Rect others[] = {Rect::fromSize(358, 38, 22, 170), Rect::fromSize(405, 188, 81, 18),
                           Rect::fromSize(17, 221, 315, 40)};
    for (int id = 1; id <= 20; ++id) {
        const Rect expected = id <= 4    ? Rect::fromSize(407 + 20 * (id - 1), 110, 19, 16)
                              : id <= 8  ? Rect::fromSize(407 + 20 * (id - 5), 138, 19, 16)
                              : id <= 17 ? Rect::fromSize(28 + 33 * (id - 9), 38, 22, 170)
                                         : others[id - 18];
        zkr::Control& item = control<zkr::Control>(id);
        EXPECT_EQ(item.rect, expected) << id;
        item.onTooltip();
        EXPECT_GT(std::string(item.tooltip).size(), 20u) << id;
    }
    auto& band = control<zkr::SliderControl>(EqWindow::kFirstBandId + 4);
    auto& dry = control<zkr::SliderControl>(EqWindow::kDryMixId);
    std::string texts = std::to_string(band.range) + " " + std::to_string(dry.range);
    char text[64];
    for (const int position : {0, 35, 99, 100, 101, 200}) {
        band.setValue(position);
        band.valueText(text, sizeof text);
        texts += std::string(" ") + text;
    }
    dry.setValue(7);
    dry.valueText(text, sizeof text);
    band.onTooltip();
    EXPECT_EQ(texts + " " + text + " " + band.tooltip,
              "200 100 -100% -65% -1% 0% +1% +100% 7% 1 kHz band: lift or cut the mids - [+100%]");
    closeAsUser();
    EXPECT_TRUE(isWindow(window)); // only the engine's close takes it
}

TEST_F(EqWindowTest, SlidersAndButtonsWorkOnTheEditedChannelOnly)
{
    wheel(velmoraeq::bandSlider(0), 1);                    // 20 a notch
    const Point last = centreOf(velmoraeq::bandSlider(8)); // the thumb at 0%
    headless::mouseDown(window, last.x, last.y);
    headless::mouseMove(window, last.x, 160, kKeyLButton);
    headless::mouseUp(window, last.x, 160);
    wheel(velmoraeq::kDryMixSlider, -2);
    EXPECT_EQ(shown(), "120 100 100 100 100 100 100 100 51 80 X--- ---- 0");
    EXPECT_EQ(gains(0), "20 0 0 0 0 0 0 0 -49 80");
    EXPECT_EQ(curvePoint(8, -49), 0xFF0000u);

    click(velmoraeq::channelButton(1));
    EXPECT_EQ(shown(), "100 100 100 100 100 100 100 100 100 100 -X-- ---- 1");
    wheel(velmoraeq::bandSlider(3), -1);
    click(velmoraeq::channelButton(1)); // pressed again it stays down
    EXPECT_EQ(shown(), "100 100 100 80 100 100 100 100 100 100 -X-- ---- 1");
    EXPECT_EQ(gains(1) + " / " + gains(0), "0 0 0 -20 0 0 0 0 0 100 / 20 0 0 0 0 0 0 0 -49 80");
    EXPECT_EQ(curvePoint(3, -20), 0x00FF00u);

    // Bypass down, then quickly up again; then channel 4's down.
    click(velmoraeq::bypassButton(2));
    EXPECT_EQ(gains(2), "0 0 0 0 0 0 0 0 0 100 off");
    click(velmoraeq::bypassButton(2));
    click(velmoraeq::bypassButton(3));
    EXPECT_EQ(gains(2) + " / " + gains(3), "0 0 0 0 0 0 0 0 0 100 / 0 0 0 0 0 0 0 0 0 100 off");

    // Opened again, the window edits channel 1 and shows the bypass as it is.
    reopen();
    EXPECT_EQ(shown(), "120 100 100 100 100 100 100 100 51 80 X--- ---X 0");
}

TEST_F(EqWindowTest, ThePresetMenuOpensAtTheButtonAndLoadsTheEditedChannel)
{
    Point corner{velmoraeq::kPresetButton.x, velmoraeq::kPresetButton.y};
    EXPECT_TRUE(clientToScreen(window, corner));
    EXPECT_EQ(choosePreset(3),
              "Preset 1: Ground Zero|Preset 2: Bass Boost|Preset 3: FM Radio|Preset 4: Loudness|"
              "Preset 5: Treble Boost|" +
                  std::to_string(corner.x) + "," + std::to_string(corner.y));
    EXPECT_EQ(gains(0), "74 50 33 14 0 14 33 50 74 90");
    EXPECT_EQ(shown(), "174 150 133 114 100 114 133 150 174 90 X--- ---- 0");
    EXPECT_EQ(curvePoint(8, 74), 0xFF0000u);

    click(velmoraeq::channelButton(2));
    choosePreset(2);
    EXPECT_EQ(gains(2), "0 0 0 0 0 100 50 0 0 0");
    EXPECT_EQ(shown(), "100 100 100 100 100 200 150 100 100 0 --X- ---- 2");
    EXPECT_EQ(curvePoint(5, 100), 0x0000FFu);
    EXPECT_EQ(curvePoint(0, 74), 0xFF0000u);
}

} // namespace
} // namespace velmora::test
