// VelmoraEQ.vfx as the engine runs it: what it tells the engine, a preset
// chosen in its window turning the pattern through channel 0 into exactly
// what an equaliser channel makes of it, and a load and unload that never
// opens the window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/core/DynamicLibrary.h"
#include "platform/ui/ControlTestKit.h"
#include "plugins/velmoraeq/EqWindow.h"
#include "plugins/velmoraeq/Layout.h"
#include "plugins/velmoraeq/Presets.h"
#include "support/EffectEngineKit.h"

namespace velmora::test {
namespace {

using namespace plat::ui;

class EqEngineTest : public EffectEngineTest {
protected:
    EqEngineTest() : EffectEngineTest("VelmoraEQ.vfx") {}
};

TEST_F(EqEngineTest, TellsTheEngineWhatItIsAndEqualisesTheChannelAsItsPresetSays)
{
    start();
    const engine::EffectPlugin& eq = *effect();
    EXPECT_EQ(std::vector<int>({eq.interfaceVersion, eq.pluginKind, eq.channelCount, int(eq.info.flags)}),
              std::vector<int>({257, 2, 4, 1}));
    EXPECT_EQ(std::string(eq.info.title) + "|" + eq.info.shortName + "|" + eq.info.media + "|" +
                  eq.info.version + "|" + eq.info.copyright + "|" + eq.info.webAddress,
              "Velmora 9BandEq|9bandEq|equalizer|v0.1b 08/2000|(c) 2000 the Velmora developers|"
              "http://www.velmora.org/");
    EXPECT_EQ(effect()->execCommandString(false, "preset 4"), 0);

    // The user loads "Preset 4: Loudness" into channel 1 (the edited one) from the window's menu.
    const WindowHandle window = findWindow(velmoraeq::EqWindow::kClassName, velmoraeq::EqWindow::kTitle);
    ASSERT_NE(window, nullptr);
    ModalScript modal;
    auto chosen = std::make_shared<std::atomic<bool>>(false);
    modal.then([chosen](WindowHandle menu, int) { *chosen = clickMenuItem(menu, 3); });
    headless::click(window, velmoraeq::kPresetButton.x + 10, velmoraeq::kPresetButton.y + 9);
    ASSERT_TRUE(eventually([&] { return chosen->load(); }));
    onWindowThread([] {});

    putOn(0);
    const int blocks = 4;
    std::vector<int16_t> expected = patternBlocks(blocks);
    velmoraeq::EqChannel model;
    ASSERT_TRUE(model.addStandardBands());
    ASSERT_TRUE(velmoraeq::applyPreset(model, 40004));
    for (std::size_t at = 0; at < expected.size(); at += kEffectBlockSamples)
        model.process(expected.data() + at, kEffectBlockSamples * 2);
    EXPECT_EQ(runThroughChannel(blocks), expected);
}

TEST(VelmoraEqLibrary, LoadedAndUnloadedWithoutItsWindowLeavesNothingBehind)
{
    const bool headless = setenv("VELMORA_UI", "headless", 1) == 0;
    ASSERT_TRUE(headless);
    for (int round = 0; round < 2; ++round) {
        plat::DynamicLibrary library;
        ASSERT_TRUE(library.load(std::string(VELMORA_OUT_DIR) + "/Plugins/VelmoraEQ.vfx"))
            << library.errorText();
        auto setUp = library.function<engine::OnSetupFXFn>(engine::kExportOnSetupFX);
        auto cleanUp = library.function<engine::OnCleanupFXFn>(engine::kExportOnCleanupFX);
        auto process = library.function<engine::ProcessChannelBufferFn>(engine::kExportProcessChannelBuffer);
        ASSERT_TRUE(setUp != nullptr && cleanUp != nullptr && process != nullptr);
        EXPECT_EQ(setUp(), 1);
        std::vector<int16_t> block(2048, 100);
        EXPECT_EQ(process(3, block.data(), 4096), 1);
        EXPECT_EQ(process(4, block.data(), 4096), 1);
        EXPECT_EQ(block, std::vector<int16_t>(2048, 100));
        // The second round leaves its channels to the unload.
        if (round == 0) {
            EXPECT_EQ(cleanUp(), 1);
        }
    }
}

} // namespace
} // namespace velmora::test
