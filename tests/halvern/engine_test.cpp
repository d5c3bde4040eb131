// Halvern.vfx as the engine runs it: what it tells the engine, the pattern
// through channel 0 turned into exactly what a reverb channel makes of it,
// and a load and unload that never opens the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    expectDescribedAs("Velmora SimpleReverb|Reverb|a simple reverb|v0.1b 08/2000", 0);

    putOn(0);
    const int blocks = 30; // long enough for the line to come round
    std::vector<int16_t> reverberated = patternBlocks(blocks);
    halvern::ReverbChannel model;
    model.process(reverberated.data(), static_cast<int32_t>(reverberated.size() * 2));
    EXPECT_EQ(runThroughChannel(blocks), reverberated);
    // Another channel, block by block through the engine's own call.
    std::vector<int16_t> block = patternBlocks(blocks);
    for (std::size_t at = 0; at < block.size(); at += kEffectBlockSamples)
        effect()->processChannelBuffer(1, block.data() + at, kEffectBlockSamples * 2);
    EXPECT_EQ(block, reverberated);
}

TEST_F(HalvernEngineTest, LoadedAndUnloadedWithoutItsWindowLeavesNothingBehind)
{
    loadAndUnloadWithoutWindow();
}

} // namespace
} // namespace velmora::test
