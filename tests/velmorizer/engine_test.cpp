// Velmorizer.vfx as the engine runs it: loaded into effect slot 0 with its
// window, put on channel 0, switched on and set through that window as a
// user would; and loaded and unloaded without ever opening its window.
#include <gtest/gtest.h>

#include <string>

#include "platform/ui/headless/Headless.h"
#include "plugins/velmorizer/DistortionUnit.h"
#include "plugins/velmorizer/Layout.h"
#include "support/EffectEngineKit.h"

namespace velmora::test {
namespace {

using namespace plat::ui;

class VelmorizerEngineTest : public EffectEngineTest {
protected:
    VelmorizerEngineTest() : EffectEngineTest("Velmorizer.vfx") {}
};

TEST_F(VelmorizerEngineTest, TellsTheEngineWhatItIsAndDistortsTheChannelAsItsWindowIsSet)
{
    start();
    expectDescribedAs("Velmorizer Distortion|Velmorizer|distortion|v0.1b 08/2000", 1);

    // On; gain 254 %, cutoff 92 (threshold 2621: the last block's loudest samples clip), drive 155 %.
    putOn(0);
    WindowHandle shown = nullptr;
    for (const WindowListEntry& entry : topLevelWindows())
        shown = entry.title == "Velmorizer Distortion" ? entry.window : shown;
    ASSERT_NE(shown, nullptr);
    // A click on box, or notches of the wheel over it.
    const auto operate = [shown](const velmorizer::Box& box, int notches) {
        const Point centre{box.x + box.width / 2, box.y + box.height / 2};
        if (notches == 0)
            headless::click(shown, centre.x, centre.y);
        else
            headless::wheel(shown, centre.x, centre.y, notches * kWheelDelta);
    };
    operate(velmorizer::kSwitch, 0);
    operate(velmorizer::kGainKnob, 7);
    operate(velmorizer::kCutoffKnob, 2);
    operate(velmorizer::kDriveKnob, 1);
    onWindowThread([] { return 0; });
    velmorizer::DistortionUnit unit;
    unit.inputGain = 254;
    unit.threshold = 2621;
    unit.outputGain = 155;
    std::vector<int16_t> expected = patternBlocks(4);
    unit.process(expected.data(), static_cast<int32_t>(expected.size() * 2));
    EXPECT_EQ(runThroughChannel(4), expected);
}

TEST_F(VelmorizerEngineTest, LoadsSetsUpCleansUpAndUnloadsWithoutItsWindow)
{
    loadAndUnloadWithoutWindow();
}

} // namespace
} // namespace velmora::test
