// VelmoraEQ.vfx as the engine runs it: what it tells the engine, a preset
// chosen in its window turning the pattern through channel 0 into exactly
// what an equaliser channel makes of it, and a load and unload that never
// opens the window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
    expectDescribedAs("Velmora 9BandEq|9bandEq|equalizer|v0.1b 08/2000", 1);

    // The user loads "Preset 4: Loudness" into channel 1 (the edited one) from the window's menu.
    const WindowHandle window = findWindow(velmoraeq::EqWindow::kClassName, velmoraeq::EqWindow::kTitle);
    ASSERT_NE(window, nullptr);
    ModalScript modal;
    auto chosen = std::make_shared<std::atomic<bool>>(false);
    modal.then([chosen](WindowHandle menu, int) { *chosen = clickMenuItem(menu, 3); });
    headless::click(window, velmoraeq::kPresetButton.x + 10, velmoraeq::kPresetButton.y + 9);
    ASSERT_TRUE(eventually([&] { return chosen->load(); }));
    onWindowThread([] { return 0; });

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

TEST_F(EqEngineTest, LoadedAndUnloadedWithoutItsWindowLeavesNothingBehind)
{
    loadAndUnloadWithoutWindow();
}

} // namespace
} // namespace velmora::test
