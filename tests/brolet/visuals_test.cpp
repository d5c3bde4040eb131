// The output plug-in's visuals on a headless window: modes and labels, the
// spectrum display, the module host with modules of the tests' own and ours.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <tuple>
#include <vector>

#include "platform/core/DynamicLibrary.h"
#include "platform/core/Files.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Painter.h"
#include "plugins/VisualProbe.h"
#include "plugins/brolet/Spectrum.h"
#include "plugins/brolet/Texts.h"
#include "plugins/brolet/VisualModuleHost.h"
#include "plugins/brolet/VisualsHost.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"
#include "zkr/ErrorRecording.h"

namespace {

using namespace plat::ui;
using brolet::VisualsHost;

constexpr int kWidth = 220;
constexpr int kHeight = 100;
const Rect kDisplay = Rect::fromSize(10, 20, kWidth, kHeight);
const std::string kModules = VELMORA_TEST_PLUGINS_DIR "/visuals/";

struct Block : std::vector<int16_t> {
    uint32_t bytes() const { return uint32_t(size() * 2); }
};

// Interleaved stereo: a sine of cycles per block on the left (and, when given, on the right).
Block tone(int frames, double cycles, double amplitude, double right = 0)
{
    Block block;
    for (int i = 0; i < frames; ++i) {
        const double wave = std::sin(2 * std::numbers::pi * cycles * i / frames);
        block.push_back(int16_t(std::lround(amplitude * wave)));
        block.push_back(int16_t(std::lround(right * wave)));
    }
    return block;
}

TEST(SpectrumTest, AToneLightsItsBandOnlyThenLevelsHalveAndPeaksFall)
{
    brolet::Spectrum spectrum(kWidth, kHeight);
    // 50 Hz is bin 0, shown as bin 1; 4050 Hz bin 11; 20050 Hz bin 58.
    EXPECT_EQ(
        std::tuple(brolet::Spectrum::bandBin(0), brolet::Spectrum::bandBin(2), brolet::Spectrum::bandBin(10)),
        std::tuple(1, 11, 58));
    // 128 frames are read one by one: 11 cycles are bin 11 (3790 Hz), 8000 x 64 / 6553.6 = 78 %.
    const Block loud = tone(128, 11, 8000);
    spectrum.feed(loud.data(), loud.bytes());
    for (int band = 0; band < brolet::Spectrum::kBands; ++band)
        EXPECT_EQ(spectrum.level(brolet::Spectrum::bandBin(band)), band == 2 ? 78 : 0) << band;

    // Band 2 from x = 6 + 2 x 20 for 20 - 6 pixels; bar and peak line reach up to row 100 - 78.
    Surface field(kWidth, kHeight, rgb(5, 5, 5));
    Surface picture(kWidth, kHeight);
    spectrum.render(picture, &field);
    const auto lit = [&](int x, int y) { return picture.pixel(x, y) != field.pixel(x, y); };
    EXPECT_TRUE(lit(46, 99) && lit(59, 22) && lit(46, 22));
    EXPECT_FALSE(lit(46, 21) || lit(60, 99) || lit(45, 99) || lit(66, 99) || lit(26, 99));

    const Block silence = tone(128, 0, 0);
    for (const auto& [level, peak] : {std::pair{39, 73}, std::pair{19, 68}}) {
        spectrum.feed(silence.data(), silence.bytes());
        EXPECT_EQ(spectrum.level(11), level);
        EXPECT_EQ(spectrum.peak(11), peak);
    }
    // Segments: 19 x 100 / 300 = 6 of 3 pixels, one every 5 from the bottom.
    spectrum.style = brolet::Spectrum::Style::Segments;
    spectrum.render(picture, &field);
    EXPECT_TRUE(lit(46, 99) && lit(46, 97) && lit(46, 72));
    EXPECT_FALSE(lit(46, 96) || lit(46, 95) || lit(46, 69) || lit(46, 67));

    // A block of 2048 frames is read every 16th frame: 11 cycles in it land in bin 11.
    spectrum.clear();
    EXPECT_EQ(spectrum.peak(11), 0);
    const Block block = tone(2048, 11, 8000);
    spectrum.feed(block.data(), block.bytes());
    EXPECT_EQ(spectrum.level(11), 78);
}

class VisualsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        brolet::registerTexts();
        behaviour.log = &log;
        behaviour.handler = [this](WindowHandle window, uint32_t message, uintptr_t, intptr_t,
                                   bool& handled) {
            handled = message == VisualsHost::kFrameMessage || message == kMsgPaint;
            if (message == VisualsHost::kFrameMessage)
                host.presentFrame();
            if (message == kMsgPaint) {
                PaintInfo info;
                host.paintDisplay(*beginPaint(window, info));
                (void)endPaint(window, info);
            }
            return intptr_t(0);
        };
        window = velmora::test::makeTopLevel(behaviour, "visuals", {0, 0, 300, 200});
        background.create(kWidth, kHeight, rgb(20, 30, 40));
        background.bitmap().setPixel(0, kHeight - 1, rgb(1, 2, 3));
    }
    void TearDown() override
    {
        host.destroy();
        (void)destroyWindow(window);
        brolet::unregisterTexts();
    }

    int create() { return host.create(window, kDisplay, &background, &label, folder.path()); }
    void addModule(const std::string& built, const std::string& as)
    {
        ASSERT_TRUE(plat::copyFile(built, folder.file(as), false)) << built;
    }
    // The display as the window shows it, once every message has been handled.
    Surface shown()
    {
        velmora::test::pumpPending();
        return backBuffer(window)->view(kDisplay).clone();
    }
    // The next menu's item texts are kept and item position chosen (-1: dismissed).
    void onMenu(int position)
    {
        script.then([this, position](WindowHandle menuWindow, int) {
            const MenuHandle menu = menuOfWindow(menuWindow);
            menuItems.clear();
            for (int i = 0; i < menuItemCount(menu); ++i)
                menuItems.push_back(menuString(menu, uint32_t(i), kMenuByPosition));
            if (position < 0)
                (void)endMenu();
            else
                velmora::test::clickMenuItem(menuWindow, position);
        });
    }
    void expectMode(int mode, const std::string& text)
    {
        EXPECT_EQ(host.mode(), mode);
        EXPECT_EQ(host.label(), text);
        EXPECT_STREQ(label.name, text.c_str());
    }

    velmora::test::Watchdog watchdog{std::chrono::seconds(60), "visuals test"};
    velmora::test::TempFolder folder;
    velmora::test::MessageLog log;
    velmora::test::TestWindowBehaviour behaviour;
    velmora::test::ModalScript script;
    std::vector<std::string> menuItems;
    WindowHandle window = nullptr;
    zkr::BitmapObject background;
    zkr::LabelControl label;
    VisualsHost host;
};

TEST_F(VisualsTest, ModesCycleWithTheirLabelsAndFallBackToNoVisualWithoutModules)
{
    ASSERT_EQ(create(), 0);
    EXPECT_EQ(host.moduleCount(), 0);
    host.applyMode(VisualsHost::kModeExternal); // nothing loaded: no visual
    expectMode(0, "no visual");
    EXPECT_TRUE(shown().samePixels(background.bitmap()));
    const char* const labels[] = {"Built-In Waveform v0.1", "Built-In Scope v0.1", "Built-In Spectrum1 v0.1",
                                  "Built-In Spectrum2 v0.1"};
    for (int mode = 1; mode <= 4; ++mode) {
        host.cycleMode();
        expectMode(mode, labels[mode - 1]);
    }
    onMenu(-1);
    host.cycleMode(); // no module: no menu
    expectMode(0, "no visual");
    EXPECT_FALSE(script.finished());
    EXPECT_EQ(host.loadModule(0), 13);

    // A frame is announced once until shown; a cleared spectrum shows the bare background.
    host.applyMode(VisualsHost::kModeSpectrumBars);
    const Block block = tone(2048, 11, 8000, 8000);
    velmora::test::pumpPending();
    log.clear();
    host.feedVisual(block.data(), block.bytes());
    host.feedVisual(block.data(), block.bytes());
    EXPECT_FALSE(shown().samePixels(background.bitmap()));
    EXPECT_EQ(log.of(VisualsHost::kFrameMessage).size(), 1u);
    host.clearVisual();
    EXPECT_TRUE(shown().samePixels(background.bitmap()));
    host.applyMode(VisualsHost::kModeWaveform);
    host.feedVisual(block.data(), block.bytes());
    EXPECT_FALSE(shown().samePixels(background.bitmap()));
    EXPECT_EQ(log.of(VisualsHost::kFrameMessage).size(), 3u);
}

TEST_F(VisualsTest, AModuleWantingOnlySpectrumGetsZeroedWaveformsAndDrawsBottomUp)
{
    addModule(kModules + "probe.svp", "probe.svp");
    plat::DynamicLibrary probeLibrary; // the host's copy: loaded once per process
    ASSERT_TRUE(probeLibrary.load(folder.file("probe.svp")));
    const ProbeRecord& probe = *probeLibrary.function<ProbeRecordFn>("ProbeRecordOf")();
    ASSERT_EQ(create(), 0);
    host.applyMode(VisualsHost::kModeSpectrumSegments);
    onMenu(-1);
    host.cycleMode();
    EXPECT_EQ(menuItems, (std::vector<std::string>{"probe.svp", "", "none"}));
    expectMode(0, "no visual");

    host.applyMode(VisualsHost::kModeSpectrumSegments);
    onMenu(0);
    host.cycleMode();
    expectMode(5, "External Visual");
    EXPECT_EQ(std::pair(probe.initialised, std::string(probe.loadedFrom)),
              std::pair(1, folder.file("visuals.ini")));

    // 2048 frames read every 4th: 44 cycles are bin 44 of 512; 8000 x 256 / 26214.4 = 78 %, x 255 / 100 =
    // 198.
    const Block block = tone(2048, 44, 8000, -8000);
    host.feedVisual(block.data(), block.bytes());
    ASSERT_EQ(probe.renders, 1);
    EXPECT_EQ(probe.data.blockCount, 1);
    const visual::VisualData zero{};
    EXPECT_TRUE(std::memcmp(probe.data.waveform, zero.waveform, sizeof zero.waveform) == 0 &&
                std::memcmp(probe.data.spectrum[0], probe.data.spectrum[1], visual::kSpectrumBins) == 0);
    EXPECT_EQ(std::pair(int(probe.data.spectrum[0][44]), int(probe.data.spectrum[0][40])), std::pair(198, 0));
    EXPECT_EQ(std::tuple(probe.width, probe.height, probe.rowLength), std::tuple(kWidth, kHeight, kWidth));
    EXPECT_EQ(probe.firstPixelOnEntry, 0x010203u); // the background's bottom-left pixel
    const Surface display = shown();
    EXPECT_EQ(display.pixel(0, kHeight - 1), 0xFF000000u | kProbeMark);
    EXPECT_EQ(display.pixel(1, kHeight - 1), background.bitmap().pixel(1, kHeight - 1));

    onMenu(2); // "none"
    host.cycleMode();
    expectMode(0, "no visual");
    EXPECT_EQ(std::string(probe.savedTo), folder.file("visuals.ini"));
    host.feedVisual(block.data(), block.bytes());
    EXPECT_EQ(probe.renders, 1);
}

TEST_F(VisualsTest, RefusedModulesAreReportedAndLeaveNothingLoaded)
{
    velmora::test::RecordingApplication application;
    addModule(kModules + "no_query.svp", "no_query.svp");
    addModule(kModules + "no_descriptor.svp", "no_descriptor.svp");
    addModule(kModules + "probe.svp", "PROBE.SVP");
    addModule(kModules + "probe.svp", "probe.so");
    EXPECT_EQ(host.create(nullptr, kDisplay, &background, &label, folder.path()), 23);
    ASSERT_EQ(create(), 0);
    ASSERT_EQ(host.moduleCount(), 3); // byte order, the case of the extension aside
    brolet::VisualModuleHost modules;
    // A braced list is evaluated left to right.
    EXPECT_EQ(
        (std::vector<int>{host.loadModule(1), host.loadModule(2), host.loadModule(3), host.loadModule(0),
                          modules.loadFile(folder.file("probe.so")), modules.loaded()}),
        (std::vector<int>{toWire(engine::Error::PluginInitFailed), toWire(engine::Error::CorruptExports),
                          toWire(engine::Error::IndexOutOfRange), toWire(engine::Error::Ok),
                          toWire(engine::Error::NotImplemented), false}));
    EXPECT_EQ(application.shown, (std::vector<velmora::test::ShownError>{
                                     {toWire(engine::Error::DrawingClipper), "DirectDraw"},
                                     {toWire(engine::Error::PluginInitFailed), "no_descriptor.svp"},
                                     {toWire(engine::Error::CorruptExports), "no_query.svp"},
                                     {toWire(engine::Error::IndexOutOfRange), "DirectDraw"},
                                     {toWire(engine::Error::NotImplemented), "probe.so"}}));
}

TEST_F(VisualsTest, OurModuleIsFoundLoadedFedAndUnloaded)
{
    const std::string prism = VELMORA_OUT_DIR "/Plugins/Visuals/Prism.svp";
    ASSERT_TRUE(plat::fileExists(prism));
    addModule(prism, "Prism.svp");
    ASSERT_EQ(create(), 0);
    host.applyMode(VisualsHost::kModeSpectrumSegments);
    onMenu(0);
    host.cycleMode();
    EXPECT_EQ(host.mode(), 5);
    EXPECT_TRUE(host.label() != "Prism.svp" && host.label() != "External Visual") << host.label();
    onMenu(-1);
    host.cycleMode(); // dismissed with a module loaded: stays
    EXPECT_EQ(std::pair(menuItems.front(), host.mode()), std::pair(host.label(), 5));

    const Surface before = shown();
    for (const Block& block :
         {tone(2048, 20, 12000, 6000), tone(2048, 90, 3000, 9000), tone(2048, 300, 9000)})
        host.feedVisual(block.data(), block.bytes());
    EXPECT_FALSE(shown().samePixels(before));
    EXPECT_FALSE(plat::fileExists(folder.file("visuals.ini")));
    host.unloadModule();
    EXPECT_TRUE(plat::fileExists(folder.file("visuals.ini")));
}

} // namespace
