#pragma once

// An effect library as the engine runs it, on the engine rig: the real
// engine core loads it into effect slot 0 on the rig's window thread (the
// effect's window is made there, headless, and served by the thread's
// message loop), beside the pattern input and the recording output; the
// test's thread is the engine's main thread. runThroughChannel plays pattern
// stream 0 through channel 0, panned hard left at full volume, so the left
// samples the output receives are exactly what the effect made of the pattern.

#include <string>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "support/EngineRigTest.h"
#include "support/Eventually.h"

namespace velmora::test {

// Samples of one mono block of the engine's default set-up.
inline constexpr int kEffectBlockSamples = kBlockSamples;

// Blocks 0 to count - 1 of pattern stream 0, as the input delivers them.
inline std::vector<int16_t> patternBlocks(int count)
{
    std::vector<int16_t> samples;
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < kEffectBlockSamples; ++i)
            samples.push_back(coretest::patternSample(0, k, i));
    return samples;
}

class EffectEngineTest : public EngineRigTest<RecordingEngine> {
protected:
    // file: the effect library's name in the program folder's Plugins.
    explicit EffectEngineTest(std::string file)
        : EngineRigTest(60s, "effect engine test"), file_(std::move(file))
    {
        EXPECT_TRUE(rig.output.load(testPluginPath(coretest::kRecordingOutputFile)));
    }

    std::string effectPath() const { return builtPluginPath(file_); }

    // Loads the pattern input, the recording output and the effect (slot 0,
    // its window made on the rig's window thread), and sets the audio system up.
    void start()
    {
        inputControls.get<coretest::InputResetFn>(coretest::kInputReset)();
        rig.output.reset();
        EngineSeam::inputs(core)[0] = loadTestPlugin<engine::InputPlugin>(coretest::kPatternInputFile);
        EngineSeam::output(core) = loadTestPlugin<engine::OutputPlugin>(coretest::kRecordingOutputFile);
        ASSERT_TRUE(rig.startWindowThread());
        ASSERT_EQ(rig.loadEffect(0, effectPath()), 0);
        ASSERT_NE(effect(), nullptr);
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), toWire(engine::Error::Ok));
    }

    engine::EffectPlugin* effect() { return EngineSeam::effects(core)[0].get(); }

    // What every effect tells the engine: the interface version, the effect kind, four
    // channels, no commands; texts "title|short name|media|version", flags.
    void expectDescribedAs(const std::string& texts, uint32_t flags)
    {
        const engine::EffectPlugin& plugin = *effect();
        const engine::PluginInfo& info = plugin.info;
        EXPECT_EQ(std::vector<int>({plugin.interfaceVersion, plugin.pluginKind, plugin.channelCount}),
                  std::vector<int>({257, 2, 4}));
        EXPECT_EQ(info.flags, flags);
        EXPECT_EQ(std::string(info.title) + "|" + info.shortName + "|" + info.media + "|" + info.version,
                  texts);
        EXPECT_STREQ(info.copyright, "(c) 2000 the Velmora developers");
        EXPECT_STREQ(info.webAddress, "http://www.velmora.org/");
        EXPECT_EQ(effect()->execCommandString(false, "any command"), 0);
    }

    // Loads the library, sets it up and unloads it without ever opening its
    // window, twice: once cleaned up, once leaving that to the unload, as
    // the engine's exit does (the sanitizer build shows anything left).
    // Channels outside 0 to 3 are ignored in between.
    void loadAndUnloadWithoutWindow() const
    {
        for (const bool cleanedUp : {true, false}) {
            plat::DynamicLibrary library;
            ASSERT_TRUE(library.load(effectPath())) << library.errorText();
            auto setUp = library.function<engine::OnSetupFXFn>(engine::kExportOnSetupFX);
            auto cleanUp = library.function<engine::OnCleanupFXFn>(engine::kExportOnCleanupFX);
            auto process =
                library.function<engine::ProcessChannelBufferFn>(engine::kExportProcessChannelBuffer);
            ASSERT_TRUE(setUp != nullptr && cleanUp != nullptr && process != nullptr);
            EXPECT_EQ(setUp(), 1);
            std::vector<int16_t> block(kEffectBlockSamples, 100);
            EXPECT_EQ(process(4, block.data(), kEffectBlockSamples * 2) + process(-1, block.data(), 2), 2);
            EXPECT_EQ(block, std::vector<int16_t>(kEffectBlockSamples, 100));
            if (cleanedUp) {
                EXPECT_EQ(cleanUp(), 1);
            }
        }
    }

    // Puts the effect on channel, in the channel's first slot.
    void putOn(int channel)
    {
        ASSERT_EQ(core.audio().setChannelEffect(channel, 0, effect()), toWire(engine::Error::Ok));
    }

    // Plays blocks of pattern stream 0 through channel 0 (which must hold
    // the effect) and answers the left samples of every block the output
    // received with sound.
    std::vector<int16_t> runThroughChannel(int blocks)
    {
        rig.output.reset();
        coretest::StreamScript script{blocks, 0, 0, -1};
        inputControls.get<coretest::InputScriptFn>(coretest::kInputScript)(0, &script);
        EXPECT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 0), 1);
        // Attaching centres the channel: hard left afterwards.
        EngineSeam::mixer(core).setPan(0, 0);
        EXPECT_EQ(core.startStreaming(), 1);
        EXPECT_TRUE(core.waitForEvent(toWire(engine::Event::StopStreaming)));
        core.audio().stopStreaming();
        // The next run attaches the stream afresh, to channel 0 again.
        core.audio().detachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 0);
        core.clearRecords();

        std::vector<int16_t> left;
        for (const OutputProbe::Block& block : rig.output.blocks())
            for (size_t i = 0; !block.empty && i < block.samples.size(); i += 2)
                left.push_back(block.samples[i]);
        return left;
    }

    RecordingEngine& core = engine;
    TestControls inputControls{coretest::kPatternInputFile};

private:
    std::string file_;
};

} // namespace velmora::test
