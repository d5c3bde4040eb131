#pragma once

// The output plug-in as the engine runs it, on the engine rig: the engine
// core loads the pattern input and Brolet.vwo from the rig's program folder,
// the output's window (headless) on the rig's window thread, while the
// test's thread is the engine's main thread (start and stop).

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "plugins/brolet/BroletOutput.h"
#include "support/ChildProcess.h"
#include "support/EngineRigTest.h"
#include "support/Eventually.h"
#include "support/Sox.h"

namespace velmora::test {

inline constexpr char kBroletFile[] = "Brolet.vwo";
// One stereo block of the engine's default set-up: 2048 frames.
inline constexpr int kBlockFrames = kBlockSamples;
inline constexpr int kStereoBlockBytes = kBlockFrames * 4;

// Blocks 0 to count - 1 of pattern streams 0 (left) and 1 (right).
inline std::vector<int16_t> stereoPattern(int count)
{
    std::vector<int16_t> samples;
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < kBlockFrames; ++i)
            samples.insert(samples.end(),
                           {coretest::patternSample(0, k, i), coretest::patternSample(1, k, i)});
    return samples;
}

class BroletTest : public EngineRigTest<RecordingEngine> {
protected:
    BroletTest() : EngineRigTest(60s, "Brolet test")
    {
        rig.place(builtPluginPath(kBroletFile));
        rig.place(testPluginPath(coretest::kPatternInputFile));
    }

    // The settings file with these lines in the output's section, then the
    // pattern input and the output loaded and the audio system set up.
    void start(const std::string& broletLines = "")
    {
        rig.writeSettings(std::string("[") + brolet::kSettingsSection + "]\n" + broletLines);
        ASSERT_EQ(core.slots().loadInput(0, plugin(coretest::kPatternInputFile).c_str(), -1), 0);
        ASSERT_TRUE(inputLibrary.load(plugin(coretest::kPatternInputFile)));
        inputLibrary.function<coretest::InputResetFn>(coretest::kInputReset)();
        ASSERT_TRUE(rig.startWindowThread());
        ASSERT_EQ(rig.loadOutput(plugin(kBroletFile)), 0);
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), 0);
    }

    void script(int stream, coretest::StreamScript script)
    {
        inputLibrary.function<coretest::InputScriptFn>(coretest::kInputScript)(stream, &script);
    }
    coretest::InputRecord inputRecord()
    {
        coretest::InputRecord record{};
        inputLibrary.function<coretest::InputRecordFn>(coretest::kInputRecord)(&record);
        return record;
    }
    // Streams 0 and 1 of the pattern for blocks blocks, played to their end.
    void playPattern(int blocks)
    {
        script(0, {blocks, 0, 0, -1});
        script(1, {blocks, 0, 0, -1});
        ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 2), 1);
        ASSERT_EQ(core.startStreaming(), 1);
        ASSERT_TRUE(core.waitForEvent(toWire(engine::Event::StopStreaming)));
        core.audio().stopStreaming();
    }
    static void inChild(const std::function<void()>& body) { runInChild(body, "Brolet test child"); }

    RecordingEngine& core = engine;
    TempFolder& recordings = files;
    plat::DynamicLibrary inputLibrary;
};

} // namespace velmora::test
