#pragma once

// The wave file player as the engine runs it, on the engine rig: the main
// loop carries out the player's events, the output is the recording output.
// The player in input slot 0 is either the library the engine loads
// (loadLibrary: its windows on the rig's window thread, driven through the
// headless backend) or this process's own plug-in object (loadInProcess),
// whose ChannelSet a test drives on the window thread and whose channels it
// may read itself while nothing streams. Errors the in-process player reports
// reach the engine's application object, which records them.

#include <string>
#include <vector>

#include "plugins/tindle/TindlePlugin.h"
#include "support/EngineRigTest.h"
#include "support/Eventually.h"
#include "support/Sox.h"

namespace velmora::test {

inline constexpr char kTindleFile[] = "Tindle.vin";

// A wave file made by sox (see soxWave), checked.
inline std::string soxWaveFile(const std::string& path, const std::string& format, const std::string& synth)
{
    EXPECT_TRUE(soxWave(path, format, synth)) << "sox cannot make " << path;
    return path;
}

struct TindleModule {
    static constexpr int kChannels = tindle::kChannelCount;
    static tindle::TindlePlugin* plugin() { return tindle::plugin(); }
    static void start() { tindle::startPlugin(); }
    static void stop() { tindle::stopPlugin(); }
    static void fillInfo(engine::PluginInfo* info) { tindle::fillPluginInfo(info); }
};

class TindleTest : public EngineRigTest<> {
protected:
    TindleTest() : EngineRigTest(60s, "Tindle test")
    {
        rig.place(builtPluginPath(kTindleFile));
        rig.place(testPluginPath(coretest::kRecordingOutputFile));
    }

    tindle::ChannelSet& channels() { return tindle::plugin()->channels; }

    // The settings file with these lines in the player's section, the
    // recording output loaded, the main loop and the window thread running.
    void start(const std::string& playerLines = "")
    {
        rig.writeSettings(std::string("[") + tindle::kSettingsSection + "]\n" + playerLines);
        ASSERT_TRUE(rig.loadRecordingOutput());
        rig.startMainLoop();
        ASSERT_TRUE(rig.startWindowThread());
    }
    // The real Tindle.vin into input slot 0, as the user interface loads it.
    void loadLibrary() { ASSERT_EQ(rig.loadInput(0, plugin(kTindleFile)), 0); }
    // This process's own plug-in object into input slot 0, with its window
    // or without: then no view is shown and pictures are built without the
    // progress dialog.
    void loadInProcess(bool withWindow) { ASSERT_TRUE(rig.loadInProcess<TindleModule>(withWindow)); }
    // A read of the in-process player as the streaming thread makes it
    // (nothing may stream meanwhile): the samples, none when paused or not
    // delivered; delivered gets the answer.
    std::vector<int16_t> read(int channel, bool* delivered = nullptr)
    {
        const int16_t* block = nullptr;
        int32_t bytes = 0;
        const bool answer = tindle::plugin()->readStreamChannel(channel, &block, &bytes);
        if (delivered != nullptr)
            *delivered = answer;
        return answer ? std::vector<int16_t>(block, block + bytes / 2) : std::vector<int16_t>{};
    }
    std::vector<int16_t> outputSamples() { return rig.output.samples(); }
};

} // namespace velmora::test
