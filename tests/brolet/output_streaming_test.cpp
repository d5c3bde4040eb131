#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <set>

#include "brolet/BroletTestKit.h"
#include "platform/audio/Devices.h"
#include "platform/core/Files.h"
#include "plugins/brolet/BroletWindow.h"
#include "plugins/brolet/RecordingName.h"
#include "support/EngineTestSeam.h"

using namespace velmora::test;

namespace {

// The plain name of a recording made at a time.
std::string plainName(const std::string& folder, std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    return brolet::recordingFileName(folder, "Take", local, [](const std::string&) { return false; });
}

// The one recording in folder (a file whose bytes are not "keep").
std::string recordingIn(const std::string& folder)
{
    std::vector<std::string> made;
    for (const std::string& file : plat::listFolder(folder, "*.wav"))
        if (readText(folder + "/" + file) != "keep")
            made.push_back(folder + "/" + file);
    EXPECT_EQ(made.size(), 1u);
    return made.empty() ? "" : made[0];
}

} // namespace

TEST(RecordingName, TemplateThenDateAndTimeWithoutZerosThenTheFirstFreeNumber)
{
    const std::tm may20{.tm_sec = 0, .tm_min = 0, .tm_hour = 12, .tm_mday = 20, .tm_mon = 4};
    std::set<std::string> taken;
    const auto name = [&](const std::string& folder) {
        return brolet::recordingFileName(folder, "My Session", may20,
                                         [&](const std::string& path) { return taken.count(path) > 0; });
    };
    EXPECT_EQ(name("/rec/"), "/rec/My Session 5-20 12-0.wav");
    taken.insert(name("/rec"));
    EXPECT_EQ(name("/rec"), "/rec/My Session 5-20 12-0 (1).wav");
    taken.insert(name("/rec"));
    EXPECT_EQ(name("/rec"), "/rec/My Session 5-20 12-0 (2).wav");
    EXPECT_EQ(name("/other"), "/other/My Session 5-20 12-0.wav");
}

// File output alone: the exact samples of the three blocks (not the empty
// block that ends the run), under the next free name beside files of the same
// minute, which stay as they were; folder and template go back to the settings.
TEST_F(BroletTest, FileOutputWritesTheMixedSamplesAndNeverReplacesAFile)
{
    const std::string folder = recordings.path();
    const std::time_t now = std::time(nullptr);
    for (std::time_t when : {now, now + 60})
        writeText(plainName(folder, when), "keep");
    start("bSoundOutput=0\nbFileOutput=1\nOutPath=" + folder + "\nOutFilename=Take\n");
    playPattern(3);

    const std::string recording = recordingIn(folder);
    const auto copyOf = [](std::string name) { return name.insert(name.size() - 4, " (1)"); };
    EXPECT_TRUE(recording == copyOf(plainName(folder, now)) ||
                recording == copyOf(plainName(folder, now + 60)))
        << recording;
    EXPECT_EQ(plat::listFolder(folder, "*.wav").size(), 3u);
    EXPECT_EQ(soxSamples(recording), stereoPattern(3));
    finish();
    EXPECT_NE(settingsText().find("OutPath=" + folder + "\n"), std::string::npos) << settingsText();
    EXPECT_NE(settingsText().find("OutFilename=Take\n"), std::string::npos);
}

// Sound and file on the virtual null device: played in real time to the end
// (the run lasts at least its four blocks), the file holds the empty last
// block as silence.
TEST_F(BroletTest, SoundAndFileOutputPlayInRealTimeAndRecordEveryBlock)
{
    start("bSoundOutput=1\nbFileOutput=1\nOutPath=" + recordings.path() + "\n");
    const auto began = std::chrono::steady_clock::now();
    playPattern(3);
    EXPECT_GE(std::chrono::steady_clock::now() - began, 4 * kBlockFrames * 1000ms / 44100);

    std::vector<int16_t> expected = stereoPattern(3);
    expected.resize(expected.size() + 2 * kBlockFrames, 0);
    EXPECT_EQ(soxSamples(recordingIn(recordings.path())), expected);
}

// A recording disk that stalls for longer than the sound card holds (every
// write half a second) neither holds up the sound nor loses a sample: the
// card plays every block in time, the recording has them all.
TEST_F(BroletTest, ARecordingOnAStallingDiskNeitherHoldsUpTheSoundNorLosesASample)
{
    constexpr int kBlocks = 32;
    start("bSoundOutput=1\nbFileOutput=1\nOutPath=" + recordings.path() + "\n");
    engine::AudioSystemSetup setup = core.audio().setup();
    setup.numOutBufs = 6; // 279 ms
    ASSERT_EQ(core.applyAudioSetup(setup), 0);
    testing::internal::CaptureStderr();
    plat::setSlowDisk(500, 1);
    playPattern(kBlocks);
    plat::setSlowDisk(0, 0);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("Playback underruns this run: 0\n"), std::string::npos) << log;

    std::vector<int16_t> expected = stereoPattern(kBlocks);
    expected.resize(expected.size() + 2 * kBlockFrames, 0);
    EXPECT_EQ(soxSamples(recordingIn(recordings.path())), expected);
}

// File output alone while every block is empty: nothing is written, and each
// call paces the engine by about 10 ms. The default template names the file,
// in an output folder made when missing.
TEST_F(BroletTest, FileOutputAloneWithEmptyBlocksWritesNothing)
{
    const std::string folder = recordings.file("made/for/it");
    start("bSoundOutput=0\nbFileOutput=1\nOutPath=" + folder + "\n");
    script(0, {-1, 0, ~uint64_t{0}, -1});
    ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 0), 1);
    ASSERT_EQ(core.startStreaming(), 1);
    const auto began = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(300ms);
    const int reads = inputRecord().reads[0];
    const auto elapsed = std::chrono::steady_clock::now() - began;
    core.audio().stopStreaming();

    EXPECT_GE(reads, 5);
    EXPECT_LE(reads * 10ms, elapsed + 20ms) << reads;
    const std::string recording = recordingIn(folder);
    EXPECT_EQ(plat::fileNameOf(recording).rfind("My Session ", 0), 0u) << recording;
    EXPECT_EQ(readText(recording).size(), 44u);
    EXPECT_TRUE(soxSamples(recording).empty());
}

// The default ALSA device, routed into a file by a configuration of the
// test's own, receives the mixed samples (in a child: alsa-lib keeps its
// configuration for the life of the process).
TEST_F(BroletTest, SoundOutputThroughAlsaPlaysTheMixedSamples)
{
    const std::string played = recordings.file("played.raw");
    writeText(recordings.file("asound.conf"),
              "</usr/share/alsa/alsa.conf>\npcm.!default { type file slave.pcm null "
              "file \"" +
                  played + "\" format raw }\n");
    inChild([&] {
        ScopedEnv alsa("VELMORA_AUDIO", "alsa");
        ScopedEnv alsaConfig("ALSA_CONFIG_PATH", recordings.file("asound.conf"));
        plat::audio::forgetDevices();
        start("bSoundOutput=1\nbFileOutput=0\n");
        playPattern(3);
        finish();
        const std::vector<int16_t> expected = stereoPattern(3);
        const std::string bytes = readText(played);
        ASSERT_GE(bytes.size(), expected.size() * 2);
        EXPECT_EQ(std::memcmp(bytes.data(), expected.data(), expected.size() * 2), 0);
    });
}

// A full disk (a file size limit) ends the recording with OutputNotReady;
// the WAV describes exactly the samples that reached the disk.
TEST_F(BroletTest, ADiskFullEndsTheRecordingAndKeepsWhatWasWritten)
{
    constexpr rlim_t kLimit = 44 + 10 * kStereoBlockBytes + 1000;
    inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kLimit, kLimit};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        start("bSoundOutput=0\nbFileOutput=1\nOutPath=" + recordings.path() + "\n");
        playPattern(40);
        EXPECT_TRUE(std::ranges::any_of(core.shownErrors(), [](const auto& error) {
            return error.first == toWire(engine::Error::OutputNotReady);
        }));
        finish();
    });
    std::vector<int16_t> expected = stereoPattern(11);
    expected.resize((kLimit - 44) / 2);
    EXPECT_EQ(soxSamples(recordingIn(recordings.path())), expected);
}

// A device that never plays: the thirteenth block of a ring of twelve fails
// after five waits (shortened here), and a stop wakes a waiting call at once.
TEST(BroletStalledDevice, StreamingFailsAfterFiveWaitsAndAStopEndsTheWait)
{
    Watchdog watchdog{30s, "stalled device"};
    TempFolder config;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
    ScopedEnv stall{"VELMORA_AUDIO_PACE", "stall"};
    brolet::BroletOutput output;
    output.startUp();
    output.readyWaitMs = 60;
    const engine::AudioSystemSetup setup{engine::kAudioFormatCode, kStereoBlockBytes / 2, 12, 65536, 1, 0};
    ASSERT_TRUE(output.setupAudioSystem(&setup));
    ASSERT_TRUE(output.startStreaming());
    const std::vector<int16_t> block = stereoPattern(1);
    const auto failingBlock = [&] {
        const auto began = std::chrono::steady_clock::now();
        EXPECT_FALSE(output.streamStereoBuffer(false, block.data(), kStereoBlockBytes));
        return std::chrono::steady_clock::now() - began;
    };
    for (int i = 0; i < 12; ++i)
        EXPECT_TRUE(output.streamStereoBuffer(false, block.data(), kStereoBlockBytes)) << i;
    const auto failedAfter = failingBlock();
    EXPECT_TRUE(failedAfter >= 5 * 60ms && failedAfter < 5 * 60ms + 200ms) << failedAfter.count();
    EXPECT_EQ(output.lastStreamError.load(), toWire(engine::Error::OutputNotReady));

    output.readyWaitMs = 10000;
    std::thread streaming([&] { EXPECT_LT(failingBlock(), 1s); });
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(output.stopStreaming());
    streaming.join();
}

// A recording that fills its file (made small here) goes on in the next one,
// named by the " (1)" rule, without losing a sample; the whole folder of more
// than 255 bytes is used, a '/' of the template is no folder. A file that
// cannot be made never stops the sound card: the user is told why, with the
// folder's name; without sound the start fails with that same word.
TEST(BroletRecordingFiles, AFullFileGoesOnInTheNextAndNoFileFailureStopsTheSound)
{
    Watchdog watchdog{30s, "recording files"};
    TempFolder config;
    TempFolder recordings;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
    brolet::BroletOutput output;
    output.startUp();
    const engine::AudioSystemSetup setup{engine::kAudioFormatCode, kStereoBlockBytes / 2, 12, 65536, 1, 0};
    ASSERT_TRUE(output.setupAudioSystem(&setup));
    const std::string parent = recordings.file(std::string(200, 'p'));
    const std::string folder = parent + "/" + std::string(100, 'f');
    {
        const plat::ScopedLock held(output.settingsLock);
        output.outputFolder = folder;
        output.fileTemplate = "Take/2";
    }
    output.fileDataLimit = 3 * kStereoBlockBytes + 1000;
    const std::vector<int16_t> samples = stereoPattern(8);
    const auto run = [&](bool sound, const std::function<void()>& meanwhile) {
        output.setOutputSwitches({sound, true});
        ASSERT_TRUE(output.startStreaming());
        for (int k = 0; k < 8; ++k) {
            EXPECT_TRUE(output.streamStereoBuffer(false, samples.data() + k * kBlockFrames * 2, kStereoBlockBytes));
            meanwhile();
        }
        EXPECT_TRUE(output.stopStreaming());
    };
    run(false, [] {});
    // By byte value the copies " (1)", " (2)" come before the first file.
    const std::vector<std::string> files = plat::listFolder(folder, "Take-2 *.wav");
    ASSERT_EQ(files.size(), 3u);
    std::vector<int16_t> joined;
    for (int index : {2, 0, 1}) {
        const std::vector<int16_t> part = soxSamples(folder + "/" + files[static_cast<size_t>(index)]);
        EXPECT_LE(part.size() * 2, static_cast<size_t>(output.fileDataLimit));
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, samples);
    EXPECT_EQ(output.recordingProblemText(), "");

    run(true, [&] { std::filesystem::remove_all(parent); });
    EXPECT_EQ(output.recordingProblemText(),
              "The recording cannot go into the folder\n\"" + folder +
                  "\":\nNo such file or directory.\nSound output goes on without "
                  "it. Choose a folder you may write to with the folder button.");
    writeText(parent, "a file");
    output.setOutputSwitches({false, true});
    EXPECT_FALSE(output.startStreaming());
    EXPECT_NE(output.recordingProblemText().find(folder + "\":\nNot a directory.\nChoose"),
              std::string::npos);
}

// Without a sound card (a missing card stands for it) the start fails and
// keeps ALSA's reason for the user; ALSA's null device, which takes every
// frame at once, still plays in real time (in a child: alsa-lib keeps its
// configuration for the life of the process).
TEST(BroletAlsaDevices, AMissingCardSaysWhyAndTheNullDevicePlaysInRealTime)
{
    Watchdog watchdog{30s, "alsa devices"};
    TempFolder config;
    writeText(config.file("asound.conf"), "</usr/share/alsa/alsa.conf>\npcm.!default { type hw card 9 }\n");
    runInChild(
        [&] {
            ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
            ScopedEnv alsa("VELMORA_AUDIO", "alsa");
            ScopedEnv alsaConfig("ALSA_CONFIG_PATH", config.file("asound.conf"));
            plat::audio::forgetDevices();
            brolet::BroletOutput output;
            output.startUp();
            const engine::AudioSystemSetup setup{engine::kAudioFormatCode, kStereoBlockBytes / 2, 4, 65536, 1, 0};
            ASSERT_TRUE(output.setupAudioSystem(&setup));
            EXPECT_FALSE(output.startStreaming());
            EXPECT_EQ(output.soundCardProblemReason(), "ALSA \"default\": No such file or directory");

            int null = -1;
            for (int i = 0; i < output.outputDevice.capabilities.count; ++i)
                if (std::string_view(static_cast<const zkr::DeviceCapabilities*>(
                                         output.outputDevice.capabilities.itemAt(i))
                                         ->name) == "null")
                    null = i;
            ASSERT_EQ(output.selectOutputDevice(null), 0);
            ASSERT_TRUE(output.startStreaming());
            EXPECT_EQ(output.soundCardProblemReason(), "");
            const std::vector<int16_t> block = stereoPattern(1);
            const auto began = std::chrono::steady_clock::now();
            for (int i = 0; i < 12; ++i)
                EXPECT_TRUE(output.streamStereoBuffer(false, block.data(), kStereoBlockBytes));
            // Twelve blocks of 46 ms through a ring of four: at least eight played.
            EXPECT_GE(std::chrono::steady_clock::now() - began, 8 * 40ms);
            EXPECT_TRUE(output.stopStreaming());
        },
        "alsa devices child");
}
