// The main window run by the real engine: choosing the slots' plug-ins
// through the engine's menus, the streaming lamp and clock, the tray icon and
// closing, which the engine may refuse.

#include "plugins/velmoraui/MainPanel.h"
#include "support/EngineTestSeam.h"
#include "velmoraui/VelmoraUiKit.h"

namespace {

using namespace velmora::test;
using namespace velmoraui;
using plat::ui::headless::trayIcons;

class MainWindowTest : public VelmoraUiTest {
protected:
    static Box nameArea(const Box& display)
    {
        return {display.x + kSelectionNameArea.x, display.y + kSelectionNameArea.y, kSelectionNameArea.width,
                kSelectionNameArea.height};
    }
    void chooseIn(const Box& display, int position)
    {
        const Box area = nameArea(display);
        choose(mainWindow, area.x + area.width / 2, area.y + area.height / 2, position);
    }
    bool showsSlot(const Box& display, const std::string& name, bool lit)
    {
        return showsText(mainWindow, nameArea(display), name) &&
               shows(mainWindow, display.x + kSelectionLampArea.x, display.y + kSelectionLampArea.y,
                     bitmap(lit ? kLampLitBitmap : kLampDarkBitmap));
    }
    // The main menu's "Display Tray Icon" item, looked at while the menu is open.
    bool trayItemChecked()
    {
        auto state = std::make_shared<std::atomic<uint32_t>>(~0u);
        menus.then([state](WindowHandle menu, int) {
            *state = plat::ui::menuState(plat::ui::menuOfWindow(menu), MainPanel::kTrayIconCommand,
                                         plat::ui::kMenuByCommand);
            (void)plat::ui::endMenu();
        });
        click(mainWindow, kMenuButton);
        EXPECT_TRUE(eventually([&] { return *state != ~0u; }));
        return (*state & plat::ui::kMenuChecked) != 0;
    }
    bool showsStreaming(bool lit)
    {
        return shows(mainWindow, kStreamingLamp.x, kStreamingLamp.y,
                     bitmap(lit ? kLampLitBitmap : kLampDarkBitmap));
    }
};

TEST_F(MainWindowTest, SlotsClockStreamingAndClosingAsTheUserAndTheEngineSeeThem)
{
    start();
    ASSERT_EQ(trayIcons().size(), 1u) << "bTrayIcon is 1 by default";
    EXPECT_EQ(trayIcons()[0].owner, mainWindow);
    EXPECT_TRUE(trayItemChecked());

    // The lamp of an empty slot still flips and asks for the plug-in's window.
    const Box& input = kInputDisplays[0];
    click(mainWindow, input.x + kSelectionLampArea.x + 5, input.y + kSelectionLampArea.y + 5);
    ASSERT_TRUE(eventually([&] { return engine.carried(toWire(engine::Event::ShowWindow)).size() == 1; }));
    const CarriedEvent lamp = engine.carried(toWire(engine::Event::ShowWindow))[0];
    EXPECT_EQ(lamp.target, toWire(engine::EventKind::Input));
    EXPECT_EQ(lamp.index, 0);
    EXPECT_EQ(lamp.value, 1);
    EXPECT_TRUE(showsSlot(input, "none", true));

    // The name areas open the engine's menus; the displays take their answers.
    chooseIn(input, 0);
    EXPECT_TRUE(showsSlot(input, "Pattern", true));
    EXPECT_NE(EngineSeam::inputs(engine)[0], nullptr);
    chooseIn(input, 0); // "none" heads a filled slot's menu
    EXPECT_TRUE(showsSlot(input, "none", false));
    EXPECT_EQ(EngineSeam::inputs(engine)[0], nullptr);
    chooseIn(input, 0);
    chooseIn(kOutputDisplay, 0);
    chooseIn(kEffectDisplays[2], 0);
    EXPECT_TRUE(showsSlot(input, "Pattern", true));
    EXPECT_TRUE(showsSlot(kOutputDisplay, "Recorder", true));
    EXPECT_TRUE(showsSlot(kEffectDisplays[2], "Offset", true));
    EXPECT_TRUE(showsSlot(kEffectDisplays[0], "none", false));
    EXPECT_NE(EngineSeam::effects(engine)[2], nullptr);

    engine.updateGeneralValue(0, toWire(engine::Value::Elapsed), 3599999);
    EXPECT_TRUE(showsText(mainWindow, kTimeDisplay, "00:59:59"));
    engine.updateGeneralValue(0, toWire(engine::Value::Elapsed), 360000000);
    EXPECT_TRUE(showsText(mainWindow, kTimeDisplay, "100:00:00"));

    // Streaming: a stereo pair of the pattern input into the recorder, which
    // holds its third block until the stop.
    plat::DynamicLibrary patterns;
    plat::DynamicLibrary recorder;
    ASSERT_TRUE(patterns.load(plugin(coretest::kPatternInputFile)) &&
                recorder.load(plugin(coretest::kRecordingOutputFile)));
    const coretest::StreamScript endless{-1, 0, 0, -1};
    for (int32_t stream : {0, 1})
        patterns.function<coretest::InputScriptFn>(coretest::kInputScript)(stream, &endless);
    coretest::OutputScript held;
    held.holdAt = 2;
    recorder.function<coretest::OutputScriptFn>(coretest::kOutputScript)(&held);
    ASSERT_EQ(post(toWire(engine::Event::AttachStreams), EngineSeam::inputs(engine)[0]->handle(), 1, 2), 1);
    ASSERT_EQ(post(toWire(engine::Event::StartStreaming)), 1);
    EXPECT_TRUE(showsStreaming(true));

    // The engine refuses to quit while it streams: the window flashes once and
    // everything stays, unsaved.
    plat::ui::headless::closeRequest(mainWindow);
    EXPECT_TRUE(eventually([&] { return plat::ui::headless::windowState(mainWindow).flashCount == 1; }));
    EXPECT_EQ(engine.carried(toWire(engine::Event::Quit)).size(), 1u);
    EXPECT_TRUE(plat::ui::isWindow(mainWindow) && plat::ui::isWindow(console));
    EXPECT_EQ(settingsText().find(kSection), std::string::npos);

    ASSERT_EQ(post(toWire(engine::Event::StopStreaming)), 1);
    ASSERT_TRUE(eventually([&] { return !engine.audio().streamThreadAlive(); }));
    EXPECT_TRUE(showsStreaming(false));

    // An output faster than real time (a file only): past 2 s of sound the window is drawn at its
    // own pace, not once per block, and its clock runs with the stream.
    recorder.function<coretest::OutputResetFn>(coretest::kOutputReset)();
    ASSERT_EQ(post(toWire(engine::Event::StartStreaming)), 1);
    const auto blocks = recorder.function<coretest::OutputBlockCountFn>(coretest::kOutputBlockCount);
    ASSERT_TRUE(eventually([&] { return blocks() > 50; }));
    constexpr int kRests = 20;
    const int presented = plat::ui::headless::windowState(mainWindow).presentCount;
    std::this_thread::sleep_for(kRests * std::chrono::milliseconds(UpdateMailbox::kRestMs));
    ASSERT_LE(plat::ui::headless::windowState(mainWindow).presentCount - presented, 2 * kRests);
    EXPECT_FALSE(showsText(mainWindow, kTimeDisplay, "00:00:00"));
    ASSERT_EQ(post(toWire(engine::Event::StopStreaming)), 1);
    ASSERT_TRUE(eventually([&] { return !engine.audio().streamThreadAlive(); }));
    closeForGood();
    const std::string settings = settingsText();
    for (const char* key : {kSection, "MainUIPos=", "bTrayIcon=1", "MixerUIPos=", "MixerVisible=0"})
        EXPECT_NE(settings.find(key), std::string::npos) << key << " in\n" << settings;
    EXPECT_TRUE(trayIcons().empty());
}

TEST_F(MainWindowTest, ATrayIconStoredOffIsNotShownAndStaysOff)
{
    start(std::string(kSection) + "\nbTrayIcon=0\n");
    EXPECT_TRUE(trayIcons().empty());
    EXPECT_FALSE(trayItemChecked());
    closeForGood();
    EXPECT_NE(settingsText().find("bTrayIcon=0"), std::string::npos);
}

} // namespace

// On a screen of twice the pixels: the skin enlarged pixel for pixel, the
// shape with it, the mouse mapped back to the same controls, the menus' text
// drawn at the screen's resolution; at 1.5 every pixel is still one of the skin's.
TEST_F(MainWindowTest, AScaledScreenShowsTheSameWindowsCrispAndTheMouseReachesTheSameControls)
{
    using plat::ui::Scale;
    using plat::ui::Surface;
    namespace headless = plat::ui::headless;
    constexpr Scale kTwice = Scale::fromHalves(4);
    constexpr Scale kOneAndHalf = Scale::fromHalves(3);
    headless::setScale(kTwice);
    struct Restore {
        ~Restore() { headless::setScale(Scale{}); }
    } restore;
    start();

    // Every screen pixel shows the skin's pixel it stands for, in the shape exactly where that pixel is.
    const auto matchesLogical = [](const Surface& screen, const Surface& logical, Scale scale,
                                   const headless::NativeState& state) {
        const auto inside = [](const std::vector<plat::ui::Rect>& rects, int x, int y) {
            return rects.empty() || std::any_of(rects.begin(), rects.end(), [&](const plat::ui::Rect& rect) {
                       return rect.contains(x, y);
                   });
        };
        int wrong = 0;
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x) {
                const int lx = scale.toLogical(x);
                const int ly = scale.toLogical(y);
                wrong += screen.pixel(x, y) != logical.pixel(lx, ly) ? 1 : 0;
                wrong += inside(state.screenShape, x, y) != inside(state.shape, lx, ly) ? 1 : 0;
            }
        return wrong;
    };
    const Surface logical = picture(mainWindow);
    Surface screen;
    ASSERT_TRUE(headless::screenPicture(mainWindow, screen));
    EXPECT_EQ(screen.size(), kTwice.toScreen(logical.size()));
    EXPECT_EQ(matchesLogical(screen, logical, kTwice, headless::windowState(mainWindow)), 0);

    // The last screen pixel of the menu button opens the main menu, whose
    // letters have edges finer than a logical pixel.
    Surface menuScreen;
    Surface menuLogical;
    std::atomic<bool> pictured{false};
    menus.then([&](WindowHandle menu, int) {
        EXPECT_TRUE(headless::screenPicture(menu, menuScreen) && headless::snapshot(menu, menuLogical));
        pictured = true;
        (void)plat::ui::endMenu();
    });
    const Box& button = kMenuButton;
    headless::clickScreenPixel(mainWindow, {kTwice.toScreen(button.x + button.width) - 1,
                                            kTwice.toScreen(button.y + button.height) - 1});
    ASSERT_TRUE(eventually([&] { return pictured.load(); }));
    EXPECT_EQ(menuScreen.size(), kTwice.toScreen(menuLogical.size()));
    int finerBlocks = 0;
    for (int y = 0; y + 1 < menuScreen.height(); y += 2)
        for (int x = 0; x + 1 < menuScreen.width(); x += 2)
            finerBlocks += menuScreen.pixel(x, y) != menuScreen.pixel(x + 1, y + 1) ? 1 : 0;
    EXPECT_GT(finerBlocks, 50) << "the menu's text is enlarged, not drawn at the screen's resolution";

    // The lamp's screen pixels reach the lamp.
    const int carried = static_cast<int>(engine.carried(toWire(engine::Event::ShowWindow)).size());
    const Box& input = kInputDisplays[0];
    const plat::ui::Point lamp{input.x + kSelectionLampArea.x + 5, input.y + kSelectionLampArea.y + 5};
    headless::clickScreenPixel(mainWindow, kTwice.toScreen(lamp));
    EXPECT_TRUE(eventually([&] {
        return static_cast<int>(engine.carried(toWire(engine::Event::ShowWindow)).size()) == carried + 1;
    })) << "a click on the lamp's screen pixels did not reach the lamp";

    headless::setScale(kOneAndHalf);
    ASSERT_TRUE(plat::ui::invalidateRect(mainWindow, nullptr, false));
    ASSERT_TRUE(headless::screenPicture(mainWindow, screen));
    EXPECT_EQ(screen.size(), kOneAndHalf.toScreen(logical.size()));
    EXPECT_EQ(matchesLogical(screen, picture(mainWindow), kOneAndHalf, {}), 0);
}
