// The sound card path through the live input: ALSA's default capture device,
// routed by an ALSA configuration of the test's own to a raw file that sox
// made, recorded by Quillan in the real engine, reaches the mixer's output
// sample for sample, mono and then split into left and right.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/audio/Devices.h"
#include "quillan/QuillanEngineKit.h"
#include "support/ChildProcess.h"
#include "support/EngineTestSeam.h"
#include "support/FileText.h"
#include "support/Sox.h"
#include "support/Watchdog.h"

using namespace velmora::test;
using namespace std::chrono_literals;

namespace {

constexpr int kBlockFrames = 2048; // one channel block of the default set-up
constexpr int kStereoBlocks = 8;

// Records until the output holds more than blocks blocks, stops, and
// answers what those blocks held. The stop must end the engine's stream by
// itself.
StereoSides record(QuillanEngineKit& kit, int blocks)
{
    kit.resetOutput();
    EXPECT_TRUE(kit.startRecording());
    EXPECT_TRUE(eventually([&] { return kit.outputBlockCount() > blocks; }, 10s));
    EXPECT_TRUE(kit.stopRecording());
    return kit.outputSides(0, blocks);
}

std::vector<int16_t> everyOther(const std::vector<int16_t>& samples, size_t first)
{
    std::vector<int16_t> chosen;
    for (size_t i = first; i < samples.size(); i += 2)
        chosen.push_back(samples[i]);
    return chosen;
}

} // namespace

TEST(QuillanAlsaCapture, RecordsTheDefaultCaptureDevicesFileMonoThenSplitIntoLeftAndRight)
{
    Watchdog watchdog{60s, "Quillan ALSA capture"};
    TempFolder folder;
    const std::string infile = folder.file("in.raw");
    ASSERT_TRUE(soxWave(infile, "-r 44100 -c 2 -b 16 -e signed -t raw",
                        std::to_string(kStereoBlocks * kBlockFrames) + "s sine 300 sine 700"));
    writeText(folder.file("asound.conf"), "</usr/share/alsa/alsa.conf>\n"
                                          "pcm.!default { type file slave.pcm null file \"/dev/null\" infile \"" +
                                              infile + "\" format raw }\n");
    // Past the file's end the null device leaves the blocks as they were:
    // only the file's samples are known.
    const std::string bytes = readText(infile);
    std::vector<int16_t> file(bytes.size() / 4 * 2);
    ASSERT_LE(file.size(), size_t{2 * kStereoBlocks * kBlockFrames});
    std::copy_n(bytes.begin(), 2 * file.size(), reinterpret_cast<char*>(file.data()));
    ScopedEnv backend{"VELMORA_AUDIO", "alsa"};
    ScopedEnv config{"ALSA_CONFIG_PATH", folder.file("asound.conf")};

    // alsa-lib keeps its configuration for the life of the process.
    runInChild(
        [&] {
            plat::audio::forgetDevices();
            QuillanEngineKit kit;
            ASSERT_EQ(kit.start(2 * kBlockFrames), "");

            // Mono reads the file's interleaved samples as one stream;
            // channel 0 is panned hard left so they come out unchanged.
            ASSERT_TRUE(kit.connect(false));
            EngineSeam::mixer(kit.engine).setPan(0, 0);
            const StereoSides mono = record(kit, 2 * kStereoBlocks);
            EXPECT_TRUE(mono.left.size() >= file.size() && std::equal(file.begin(), file.end(), mono.left.begin()));
            EXPECT_EQ(std::count(mono.right.begin(), mono.right.end(), 0), std::ssize(mono.right));

            // Stereo is chosen while disconnected and feeds two channels,
            // which the engine pans hard left and hard right.
            ASSERT_TRUE(kit.disconnect());
            kit.click(kStereoSpot);
            ASSERT_TRUE(kit.connect(true));
            StereoSides stereo = record(kit, kStereoBlocks);
            stereo.left.resize(file.size() / 2);
            stereo.right.resize(file.size() / 2);
            EXPECT_TRUE(stereo.left == everyOther(file, 0));
            EXPECT_TRUE(stereo.right == everyOther(file, 1));
            EXPECT_TRUE(kit.disconnect());
        },
        "Quillan ALSA capture child");
}
