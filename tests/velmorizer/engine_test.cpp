// Velmorizer.vfx as the engine runs it: loaded into effect slot 0 with its
// window, put on channel 0, switched on and set through that window as a
// user would; and loaded and unloaded without ever opening its window.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/DynamicLibrary.h"
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
    const engine::EffectPlugin& effect = *this->effect();
    const engine::PluginInfo& info = effect.info;
    EXPECT_EQ(std::vector({effect.interfaceVersion, effect.pluginKind, effect.channelCount, int(info.flags)}),
              std::vector({257, 2, 4, 1}));
    EXPECT_EQ(std::vector<std::string>(
                  {info.title, info.shortName, info.media, info.version, info.copyright, info.webAddress}),
              std::vector<std::string>({"Velmorizer Distortion", "Velmorizer", "distortion", "v0.1b 08/2000",
                                        "(c) 2000 the Velmora developers", "http://www.velmora.org/"}));
    EXPECT_EQ(this->effect()->execCommandString(true, "distort"), 0);

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
    onWindowThread([] {});
    velmorizer::DistortionUnit unit;
    unit.inputGain = 254;
    unit.threshold = 2621;
    unit.outputGain = 155;
    std::vector<int16_t> expected = patternBlocks(4);
    unit.process(expected.data(), static_cast<int32_t>(expected.size() * 2));
    EXPECT_EQ(runThroughChannel(4), expected);
}

TEST(VelmorizerLibrary, LoadsSetsUpCleansUpAndUnloadsWithoutItsWindow)
{
    for (int round = 0; round < 2; ++round) {
        plat::DynamicLibrary library;
        ASSERT_TRUE(library.load(std::string(VELMORA_OUT_DIR) + "/Plugins/Velmorizer.vfx"))
            << library.errorText();
        auto setUp = library.function<engine::OnSetupFXFn>(engine::kExportOnSetupFX);
        auto cleanUp = library.function<engine::OnCleanupFXFn>(engine::kExportOnCleanupFX);
        ASSERT_TRUE(setUp != nullptr && cleanUp != nullptr);
        EXPECT_EQ(setUp(), 1);
        // The second round leaves the clean-up to the unload, as the engine's exit does.
        if (round == 0) {
            EXPECT_EQ(cleanUp(), 1);
        }
    }
}

} // namespace
} // namespace velmora::test
