// The equaliser's window run from the plug-in's own code in this process, on
// a thread with a message loop, driven by a user's clicks, drags, wheel and
// menu choices through the headless backend; what it does to the channels.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Thread.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/MessageQueue.h"
#include "plugins/velmoraeq/CurveDisplay.h"
#include "plugins/velmoraeq/EqApplication.h"
#include "plugins/velmoraeq/EqWindow.h"
#include "plugins/velmoraeq/Layout.h"
#include "plugins/velmoraeq/Presets.h"
#include "support/Eventually.h"
#include "support/Watchdog.h"
#include "support/WindowPictures.h"
#include "zkr/SliderControl.h"
#include "zkr/ToggleButton.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using velmoraeq::Box;
using velmoraeq::EqWindow;

const bool kHeadless = [] { return setenv("VELMORA_UI", "headless", 1) == 0; }();
constexpr uint32_t kRunMessage = kMsgApp + 0x3E0;

class EqWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kHeadless);
        app.startUp();
        app.onSetupFX();
        ui = std::thread([this] {
            uiThread = plat::currentThreadId();
            opened = app.createUserInterface(kShowNormal) ? 1 : 0;
            Message message;
            while (getMessage(message)) {
                if (message.window == nullptr && message.message == kRunMessage)
                    (*reinterpret_cast<std::function<void()>*>(message.lparam))();
                else
                    dispatchMessage(message);
            }
        });
        ASSERT_TRUE(eventually([&] { return opened.load() >= 0; }));
        ASSERT_EQ(opened.load(), 1);
        window = findWindow(EqWindow::kClassName, EqWindow::kTitle);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        app.destroyUserInterface();
        EXPECT_FALSE(isWindow(window));
        EXPECT_TRUE(eventually([&] { return postThreadMessage(uiThread, kMsgQuit, 0, 0); }));
        ui.join();
        app.shutDown();
    }
    // Work on the window's thread, which owns the controls; returns once done.
    void onWindowThread(const std::function<void()>& work)
    {
        std::atomic<bool> done{false};
        std::function<void()> task = [&] {
            work();
            done = true;
        };
        ASSERT_TRUE(postThreadMessage(uiThread, kRunMessage, 0, reinterpret_cast<intptr_t>(&task)));
        ASSERT_TRUE(eventually([&] { return done.load(); }));
    }
    template <typename ControlType> ControlType& control(int id)
    {
        for (zkr::Control* candidate : app.window->controls)
            if (candidate->id == id)
                return dynamic_cast<ControlType&>(*candidate);
        throw std::runtime_error("no control " + std::to_string(id));
    }
    // Slider positions 0-8, the dry mix, the channel buttons that are down and the edited channel.
    std::string shown()
    {
        std::string text;
        onWindowThread([&] {
            for (int id = EqWindow::kFirstBandId; id <= EqWindow::kDryMixId; ++id)
                text += std::to_string(control<zkr::SliderControl>(id).value) + " ";
            for (int id = EqWindow::kFirstChannelId; id < EqWindow::kFirstBypassId; ++id)
                text += control<zkr::ToggleButton>(id).on ? "X" : "-";
            text += " " + std::to_string(static_cast<EqWindow&>(*app.window).editedChannel());
        });
        return text;
    }
    std::string gains(int channel)
    {
        std::string text;
        for (int band = 0; band < 9; ++band)
            text += std::to_string(app.channel(channel)->bandGain(band)) + " ";
        return text + std::to_string(app.channel(channel)->dryMix.load());
    }
    void click(const Box& box) const
    {
        headless::mouseMove(window, box.x + box.width / 2, box.y + box.height / 2);
        headless::click(window, box.x + box.width / 2, box.y + box.height / 2);
    }
    // Opens the preset menu and chooses the item at position; the menu's texts and screen place.
    std::vector<std::string> choosePreset(int position, Point* menuAt = nullptr)
    {
        std::vector<std::string> items;
        auto answered = std::make_shared<std::atomic<bool>>(false);
        modal.then([&, answered](WindowHandle menuWindow, int) {
            const MenuHandle menu = menuOfWindow(menuWindow);
            for (int item = 0; item < menuItemCount(menu); ++item)
                items.push_back(menuString(menu, static_cast<uint32_t>(item), kMenuByPosition));
            Rect place;
            windowRect(menuWindow, place);
            if (menuAt != nullptr)
                *menuAt = {place.left, place.top};
            EXPECT_TRUE(clickMenuItem(menuWindow, position));
            *answered = true;
        });
        click(velmoraeq::kPresetButton);
        EXPECT_TRUE(eventually([&] { return answered->load(); }));
        onWindowThread([] {});
        return items;
    }
    // The colour the window shows at the curve point of band for gain.
    Argb curvePoint(int band, int gain)
    {
        const Box& display = velmoraeq::kCurveDisplay;
        return settledPicture(window).pixel(display.x + 17 + 35 * band, display.y + 20 - 20 * gain / 100) & 0xFFFFFF;
    }

    Watchdog watchdog{std::chrono::seconds(60), "equaliser window test"};
    ModalScript modal;
    velmoraeq::EqApplication app;
    std::thread ui;
    std::atomic<uint32_t> uiThread{0};
    std::atomic<int> opened{-1};
    WindowHandle window = nullptr;
};

TEST_F(EqWindowTest, ControlsSitOnTheSkinWithTheirRangesTextsAndTips)
{
    Rect place;
    ASSERT_TRUE(windowRect(window, place));
    EXPECT_EQ(place.width() * 1000 + place.height(), 500283);
    EXPECT_FALSE(headless::windowState(window).shape.empty());
    EXPECT_EQ(shown(), "100 100 100 100 100 100 100 100 100 100 X--- 0");
    onWindowThread([&] {
        std::vector<std::pair<int, Rect>> places{{19, Rect::fromSize(405, 188, 81, 18)},
                                                  {20, Rect::fromSize(17, 221, 315, 40)},
                                                  {18, Rect::fromSize(358, 38, 22, 170)}};
        for (int i = 0; i < 4; ++i) {
            places.push_back({1 + i, Rect::fromSize(407 + 20 * i, 110, 19, 16)});
            places.push_back({5 + i, Rect::fromSize(407 + 20 * i, 138, 19, 16)});
            EXPECT_FALSE(control<zkr::ToggleButton>(5 + i).on);
        }
        for (int j = 0; j < 9; ++j)
            places.push_back({9 + j, Rect::fromSize(28 + 33 * j, 38, 22, 170)});
        for (const auto& [id, rect] : places) {
            zkr::Control& item = control<zkr::Control>(id);
            EXPECT_EQ(item.rect, rect) << id;
            item.onTooltip();
            EXPECT_GT(std::string(item.tooltip).size(), 20u) << id;
        }
        auto& band = control<zkr::SliderControl>(EqWindow::kFirstBandId + 4);
        auto& dry = control<zkr::SliderControl>(EqWindow::kDryMixId);
        EXPECT_EQ(band.range * 1000 + dry.range, 200100);
        std::string texts;
        char text[64];
        for (const int position : {0, 35, 99, 100, 101, 200}) {
            band.setValue(position);
            band.valueText(text, sizeof text);
            texts += std::string(text) + " ";
        }
        dry.setValue(7);
        dry.valueText(text, sizeof text);
        EXPECT_EQ(texts + text, "-100% -65% -1% 0% +1% +100% 7%");
        band.onTooltip();
        EXPECT_NE(std::string(band.tooltip).find("1 kHz band: lift or cut the mids - [+100%]"), std::string::npos);
    });
    // The user's close leaves the window open; only the engine closes it.
    headless::closeRequest(window);
    sendMessage(window, kMsgClose, 0, 0);
    onWindowThread([] {});
    EXPECT_TRUE(isWindow(window));
}

TEST_F(EqWindowTest, SlidersAndButtonsWorkOnTheEditedChannelOnly)
{
    const Box first = velmoraeq::bandSlider(0);
    headless::wheel(window, first.x + 11, first.y + 20, kWheelDelta); // 20 a notch
    const Box last = velmoraeq::bandSlider(8);
    headless::mouseDown(window, last.x + 11, 123); // the thumb at 0%
    headless::mouseMove(window, last.x + 11, 160, kKeyLButton);
    headless::mouseUp(window, last.x + 11, 160);
    const Box dry = velmoraeq::kDryMixSlider;
    headless::wheel(window, dry.x + 11, dry.y + 20, -2 * kWheelDelta);
    EXPECT_EQ(shown(), "120 100 100 100 100 100 100 100 51 80 X--- 0");
    EXPECT_EQ(gains(0), "20 0 0 0 0 0 0 0 -49 80");
    EXPECT_EQ(curvePoint(0, 20), 0xFF0000u);
    EXPECT_EQ(curvePoint(8, -49), 0xFF0000u);

    click(velmoraeq::channelButton(1));
    EXPECT_EQ(shown(), "100 100 100 100 100 100 100 100 100 100 -X-- 1");
    headless::wheel(window, velmoraeq::bandSlider(3).x + 11, 100, -kWheelDelta);
    click(velmoraeq::channelButton(1)); // pressed again it stays down
    EXPECT_EQ(shown(), "100 100 100 80 100 100 100 100 100 100 -X-- 1");
    EXPECT_EQ(gains(1), "0 0 0 -20 0 0 0 0 0 100");
    EXPECT_EQ(gains(0), "20 0 0 0 0 0 0 0 -49 80");
    EXPECT_EQ(curvePoint(3, -20), 0x00FF00u);
    EXPECT_EQ(curvePoint(0, 20), 0xFF0000u);

    // Bypass, twice quickly: down, then up again.
    click(velmoraeq::bypassButton(2));
    onWindowThread([] {});
    EXPECT_FALSE(app.channel(2)->enabled.load());
    EXPECT_TRUE(app.channel(1)->enabled.load());
    click(velmoraeq::bypassButton(2));
    onWindowThread([] {});
    EXPECT_TRUE(app.channel(2)->enabled.load());
    click(velmoraeq::bypassButton(3));
    onWindowThread([] {});
    EXPECT_FALSE(app.channel(3)->enabled.load());

    // Opened again, the window edits channel 1 and shows the bypass as it is.
    app.destroyUserInterface();
    onWindowThread([&] { ASSERT_TRUE(app.createUserInterface(kShowNormal)); });
    window = findWindow(EqWindow::kClassName, EqWindow::kTitle);
    EXPECT_EQ(shown(), "120 100 100 100 100 100 100 100 51 80 X--- 0");
    onWindowThread([&] { EXPECT_EQ(control<zkr::ToggleButton>(8).on, true); });
    EXPECT_EQ(curvePoint(3, -20), 0x00FF00u);
}

TEST_F(EqWindowTest, ThePresetMenuOpensAtTheButtonAndLoadsTheEditedChannel)
{
    Point menuAt;
    const std::vector<std::string> items = choosePreset(3, &menuAt);
    EXPECT_EQ(items, (std::vector<std::string>{"Preset 1: Ground Zero", "Preset 2: Bass Boost", "Preset 3: FM Radio",
                                                "Preset 4: Loudness", "Preset 5: Treble Boost"}));
    Point corner{velmoraeq::kPresetButton.x, velmoraeq::kPresetButton.y};
    clientToScreen(window, corner);
    EXPECT_EQ(menuAt.x * 10000 + menuAt.y, corner.x * 10000 + corner.y);
    EXPECT_EQ(gains(0), "74 50 33 14 0 14 33 50 74 90");
    EXPECT_EQ(shown(), "174 150 133 114 100 114 133 150 174 90 X--- 0");
    EXPECT_EQ(curvePoint(8, 74), 0xFF0000u);

    click(velmoraeq::channelButton(2));
    choosePreset(2);
    EXPECT_EQ(gains(2), "0 0 0 0 0 100 50 0 0 0");
    EXPECT_EQ(shown(), "100 100 100 100 100 200 150 100 100 0 --X- 2");
    EXPECT_EQ(curvePoint(5, 100), 0x0000FFu);
    EXPECT_EQ(curvePoint(0, 74), 0xFF0000u);
    choosePreset(0);
    EXPECT_EQ(gains(2), "0 0 0 0 0 0 0 0 0 100");
    EXPECT_EQ(gains(0), "74 50 33 14 0 14 33 50 74 90");
}

} // namespace
} // namespace velmora::test
