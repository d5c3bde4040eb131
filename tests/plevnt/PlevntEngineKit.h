#pragma once

// The media player as the engine runs it, on the engine rig: this process's
// plug-in object in input slot 0 with its window on the rig's window thread,
// the main loop carrying out its events, streaming into the recording output.
// The decoder modules are our own, in Plugins/Decoders beside the test
// program (where the plug-in looks for them).

#include <unistd.h>

#include <filesystem>
#include <string>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "plugins/plevnt/PlevntPlugin.h"
#include "support/EngineRigTest.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"
#include "support/WindowThread.h"

namespace velmora::test {

// Plugins/Decoders beside this program, with the build's three modules. A
// module the build made anew replaces the old one by a rename (a test that
// has the old one loaded keeps it) and the players' copies of it go, so no
// test runs a stale module.
inline std::string testDecoderFolder()
{
    namespace fs = std::filesystem;
    const std::string folder = plevnt::decoderFolder();
    fs::create_directories(folder);
    for (const std::string module : {"ELAMP.ESP", "WAVMP.ESP", "WMAMP.ESP"}) {
        const fs::path built = builtPluginPath("Decoders/" + module);
        const fs::path placed = folder + "/" + module;
        std::error_code error;
        if (fs::exists(placed, error) &&
            fs::last_write_time(placed, error) >= fs::last_write_time(built, error))
            continue;
        const fs::path fresh = placed.string() + ".new" + std::to_string(getpid());
        fs::copy_file(built, fresh, fs::copy_options::overwrite_existing);
        fs::rename(fresh, placed);
        for (const char* copy : {".1", ".2"})
            fs::remove(placed.string() + copy, error);
    }
    return folder;
}

struct PlevntModule {
    static constexpr int kChannels = plevnt::kPlayerCount;
    static plevnt::PlevntPlugin* plugin() { return plevnt::plugin(); }
    static void start() { plevnt::startPlugin(); }
    static void stop() { plevnt::stopPlugin(); }
    static void fillInfo(engine::PluginInfo* info) { plevnt::fillPluginInfo(info); }
};

class PlevntEngineTest : public EngineRigTest<> {
protected:
    PlevntEngineTest() : EngineRigTest(90s, "PlevNT engine test")
    {
        rig.place(testPluginPath(coretest::kRecordingOutputFile));
        decoders = testDecoderFolder();
        for (int number = 1; number <= plevnt::kPlayerCount; ++number)
            std::filesystem::remove(plevnt::PlevntPlugin::playlistPath(number));
    }

    // The engine with the recording output, the window thread, the plug-in with its window.
    void start()
    {
        rig.writeSettings("");
        ASSERT_TRUE(rig.loadRecordingOutput());
        rig.startMainLoop();
        ASSERT_TRUE(rig.startWindowThread());
        ASSERT_TRUE(rig.loadInProcess<PlevntModule>(true));
        resetOutput();
    }
    plevnt::Player& player(int index) { return plevnt::plugin()->player(index); }
    void resetOutput() { rig.output.reset(); }
    std::vector<int16_t> outputSamples() { return rig.output.samples(); }

    std::string decoders;
};

} // namespace velmora::test
