// Halvern.vfx as the engine runs it: what it tells the engine, the pattern
// through channel 0 turned into exactly what a reverb channel makes of it,
// and a load and unload that never opens the window.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/core/DynamicLibrary.h"
#include "plugins/halvern/ReverbChannel.h"
#include "support/EffectEngineKit.h"

namespace velmora::test {
namespace {

class HalvernEngineTest : public EffectEngineTest {
protected:
    HalvernEngineTest() : EffectEngineTest("Halvern.vfx") {}
};

TEST_F(HalvernEngineTest, TellsTheEngineWhatItIsAndReverberatesTheChannelItIsOn)
{
    start();
    const engine::EffectPlugin& reverb = *effect();
    EXPECT_EQ(std::tuple(reverb.interfaceVersion, reverb.pluginKind, reverb.channelCount, reverb.info.flags),
              std::tuple(257, 2, 4, 0u));
    const engine::PluginInfo& info = reverb.info;
    EXPECT_EQ(std::string(info.title) + "|" + info.shortName + "|" + info.media + "|" + info.version + "|" +
                  info.copyright + "|" + info.webAddress,
              "Velmora SimpleReverb|Reverb|a simple reverb|v0.1b 08/2000|(c) 2000 the Velmora developers|"
              "http://www.velmora.org/");
    EXPECT_EQ(effect()->execCommandString(false, "delay 200"), 0);

    putOn(0);
    const int blocks = 30; // long enough for the line to come round
    std::vector<int16_t> reverberated = patternBlocks(blocks);
    halvern::ReverbChannel model;
    model.process(reverberated.data(), static_cast<int32_t>(reverberated.size() * 2));
    const std::vector<int16_t> left = runThroughChannel(blocks);
    // The left side carries the channel at its pan (hard left: the sound itself).
    const int leftGain = 100 - core.mixer.getPan(0);
    std::vector<int16_t> expected;
    for (const int16_t sample : reverberated)
        expected.push_back(static_cast<int16_t>(sample * leftGain / 100));
    EXPECT_EQ(left, expected);
    // Another channel, block by block through the engine's own call.
    std::vector<int16_t> block = patternBlocks(blocks);
    for (std::size_t at = 0; at < block.size(); at += kEffectBlockSamples)
        effect()->processChannelBuffer(1, block.data() + at, kEffectBlockSamples * 2);
    EXPECT_EQ(block, reverberated);
}

TEST(HalvernLibrary, LoadedAndUnloadedWithoutItsWindowLeavesNothingBehind)
{
    ASSERT_EQ(setenv("VELMORA_UI", "headless", 1), 0);
    for (const bool cleanedUp : {true, false}) {
        plat::DynamicLibrary library;
        ASSERT_TRUE(library.load(std::string(VELMORA_OUT_DIR) + "/Plugins/Halvern.vfx")) << library.errorText();
        auto setUp = library.function<engine::OnSetupFXFn>(engine::kExportOnSetupFX);
        auto cleanUp = library.function<engine::OnCleanupFXFn>(engine::kExportOnCleanupFX);
        ASSERT_TRUE(setUp != nullptr && cleanUp != nullptr);
        EXPECT_EQ(setUp(), 1);
        // Without a clean-up the unload frees the channels.
        EXPECT_EQ(cleanedUp ? cleanUp() : 1, 1);
    }
}

} // namespace
} // namespace velmora::test
