#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/audio/BlockRecorder.h"
#include "platform/audio/Device.h"
#include "platform/audio/Devices.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using namespace plat::audio;
using namespace std::chrono_literals;
using velmora::test::BlockRecorder;
using velmora::test::kCdFormat;
using velmora::test::ScopedEnv;
using velmora::test::staysFalse;
using velmora::test::TempFolder;
using velmora::test::Watchdog;

namespace {

// Virtual devices, chosen afresh for each test.
class VirtualDevices : public ::testing::Test {
protected:
    VirtualDevices() { forgetDevices(); }
    ~VirtualDevices() override { forgetDevices(); }

    std::unique_ptr<Device> open(Direction direction, BlockRecorder& recorder, int index = kDefaultDevice,
                                 const PcmFormat& format = kCdFormat)
    {
        std::unique_ptr<Device> device;
        EXPECT_EQ(Result::Ok, recorder.open(direction, device, index, format));
        return device;
    }

    void queueAll(Device& device, BlockRecorder& recorder, size_t count)
    {
        ASSERT_EQ(Result::Ok, recorder.queue(device, count));
    }

    ScopedEnv backend_{"VELMORA_AUDIO", "virtual"};
    ScopedEnv outputFile_{"VELMORA_AUDIO_OUTPUT_FILE", std::nullopt};
    ScopedEnv inputFile_{"VELMORA_AUDIO_INPUT_FILE", std::nullopt};
    ScopedEnv pace_{"VELMORA_AUDIO_PACE", std::nullopt};
    Watchdog watchdog_{20s};
};

std::string bytesOf(const BlockRecorder& recorder, size_t from, size_t count)
{
    std::string out;
    for (size_t i = from; i < from + count; ++i) {
        auto& bytes = const_cast<BlockRecorder&>(recorder).bytes(i);
        out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    return out;
}

std::string pattern(size_t bytes, unsigned seed)
{
    std::string out(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i)
        out[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return out;
}

} // namespace

TEST_F(VirtualDevices, ListsTheNullAndFileDevicesWithEveryStandardFormat)
{
    EXPECT_STREQ("virtual", backendName());
    ASSERT_EQ(2u, deviceCount(Direction::Output));
    ASSERT_EQ(2u, deviceCount(Direction::Input));
    DeviceCaps caps;
    ASSERT_EQ(Result::Ok, deviceCaps(Direction::Output, 1, caps));
    EXPECT_STREQ("Velmora File Output", caps.name);
    EXPECT_EQ(0x0FFFu, caps.formats);
    EXPECT_EQ(2u, caps.channels);
    ASSERT_EQ(Result::Ok, deviceCaps(Direction::Input, kDefaultDevice, caps));
    EXPECT_STREQ("Velmora Test Signal", caps.name);
    EXPECT_EQ(Result::BadDeviceId, deviceCaps(Direction::Input, 2, caps));

    // The default device is the file device once its file is named.
    ScopedEnv file("VELMORA_AUDIO_INPUT_FILE", "/nonexistent/in.raw");
    ASSERT_EQ(Result::Ok, deviceCaps(Direction::Input, kDefaultDevice, caps));
    EXPECT_STREQ("Velmora File Input", caps.name);
    EXPECT_EQ(Result::Error, queryFormat(Direction::Input, kDefaultDevice, kCdFormat));
    EXPECT_EQ(Result::NotEnabled, queryFormat(Direction::Output, 1, kCdFormat));
    EXPECT_EQ(Result::BadFormat, queryFormat(Direction::Output, 0, PcmFormat{44100, 2, 12}));

    char text[256];
    errorText(Direction::Output, Result::Allocated, text, sizeof text);
    EXPECT_STREQ("The output device is already in use by another program.", text);
}

TEST_F(VirtualDevices, NullOutputTakesAboutOneSecondForOneSecondOfBlocks)
{
    BlockRecorder recorder(10, kCdFormat.bytesPerSecond() / 10);
    auto device = open(Direction::Output, recorder, 0);
    queueAll(*device, recorder, 10);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Result::Ok, device->restart());
    ASSERT_TRUE(recorder.waitFor(10));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GT(seconds, 0.9);
    EXPECT_LT(seconds, 1.6);
    EXPECT_EQ(0u, device->counters().underruns);
    EXPECT_EQ(10u, device->counters().blocksDone);
}

TEST_F(VirtualDevices, OutputOpensPausedAndCallsBackInQueueOrderOnItsOwnThread)
{
    ScopedEnv pace("VELMORA_AUDIO_PACE", "off");
    BlockRecorder recorder(6, 4096);
    auto device = open(Direction::Output, recorder);
    queueAll(*device, recorder, 6);
    // Unpaced, a running device would be done at once; a paused one holds everything.
    EXPECT_TRUE(staysFalse([&] { return !recorder.done().empty(); }, 20ms));
    ASSERT_EQ(Result::Ok, device->restart());
    ASSERT_TRUE(recorder.waitFor(6));
    EXPECT_EQ((std::vector<intptr_t>{0, 1, 2, 3, 4, 5}), recorder.done());
    for (std::thread::id id : recorder.threads()) {
        EXPECT_NE(std::this_thread::get_id(), id);
        EXPECT_EQ(recorder.threads().front(), id);
    }
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(kBlockDone | kBlockPrepared, recorder.block(i).flags.load());
        EXPECT_EQ(4096u, recorder.block(i).bytesRecorded);
    }
}

TEST_F(VirtualDevices, BlocksMustBePreparedQueuedOnceAndUnpreparedOnlyWhenBack)
{
    BlockRecorder recorder(1, 4096);
    auto device = open(Direction::Output, recorder);
    Block& block = recorder.block(0);
    EXPECT_EQ(Result::Unprepared, device->queue(block));
    Block empty;
    EXPECT_EQ(Result::InvalidParameter, device->prepareBlock(empty));
    ASSERT_EQ(Result::Ok, device->prepareBlock(block));
    ASSERT_EQ(Result::Ok, device->queue(block));
    EXPECT_EQ(Result::InvalidParameter, device->queue(block));
    EXPECT_EQ(Result::StillPlaying, device->unprepareBlock(block));
    EXPECT_EQ(Result::NotSupported, device->start());
    ASSERT_EQ(Result::Ok, device->reset());
    EXPECT_EQ(Result::Ok, device->unprepareBlock(block));
    EXPECT_EQ(0u, block.flags.load() & kBlockPrepared);
    ASSERT_EQ(Result::Ok, device->close());
    EXPECT_EQ(Result::InvalidHandle, device->queue(block));
    EXPECT_EQ(Result::InvalidHandle, device->close());
}

TEST_F(VirtualDevices, ResetHandsBackEveryBlockAtOnceWithWhatWasPlayed)
{
    BlockRecorder recorder(3, kCdFormat.bytesPerSecond()); // a second each
    auto device = open(Direction::Output, recorder);
    queueAll(*device, recorder, 3);
    ASSERT_EQ(Result::Ok, device->restart());
    std::this_thread::sleep_for(100ms);
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_EQ(Result::Ok, device->reset());
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 300ms);
    EXPECT_EQ((std::vector<intptr_t>{0, 1, 2}), recorder.done());
    EXPECT_GT(recorder.block(0).bytesRecorded, 0u);
    EXPECT_LT(recorder.block(0).bytesRecorded, recorder.block(0).length);
    EXPECT_EQ(0u, recorder.block(0).bytesRecorded % kCdFormat.blockAlign());
    EXPECT_EQ(0u, recorder.block(2).bytesRecorded);
    EXPECT_EQ(kBlockDone | kBlockPrepared, recorder.block(2).flags.load());
}

namespace {

// Queues every block it gets back again, as a recorder does until it is told to stop.
struct Requeuer {
    Device* device = nullptr;
    std::atomic<int> refused{0};
    static void callback(void* context, Block* block)
    {
        auto* self = static_cast<Requeuer*>(context);
        if (self->device->queue(*block) == Result::StillPlaying)
            ++self->refused;
    }
};

} // namespace

TEST_F(VirtualDevices, CloseEndsEvenWhenTheCallbackQueuesEveryBlockAgain)
{
    ScopedEnv pace("VELMORA_AUDIO_PACE", "off");
    BlockRecorder storage(2, 4096);
    Requeuer requeuer;
    std::unique_ptr<Device> device;
    ASSERT_EQ(Result::Ok,
              Device::open(Direction::Input, 0, kCdFormat, Requeuer::callback, &requeuer, device));
    requeuer.device = device.get();
    queueAll(*device, storage, 2);
    ASSERT_EQ(Result::Ok, device->start());
    ASSERT_EQ(Result::Ok, device->close());
    EXPECT_EQ(2, requeuer.refused.load());
    EXPECT_EQ(kBlockDone | kBlockPrepared, storage.block(0).flags.load());
}

TEST_F(VirtualDevices, PauseHoldsPlaybackAndRestartGoesOn)
{
    BlockRecorder recorder(4, kCdFormat.bytesPerSecond() / 20); // 50 ms each
    auto device = open(Direction::Output, recorder);
    queueAll(*device, recorder, 4);
    ASSERT_EQ(Result::Ok, device->restart());
    ASSERT_TRUE(recorder.waitFor(1));
    ASSERT_EQ(Result::Ok, device->pause());
    const size_t whilePaused = recorder.done().size();
    // Longer than two blocks: a device that played on would show it.
    EXPECT_TRUE(staysFalse([&] { return recorder.done().size() != whilePaused; }, 120ms));
    ASSERT_LT(whilePaused, 4u);
    ASSERT_EQ(Result::Ok, device->restart());
    ASSERT_TRUE(recorder.waitFor(4));
    EXPECT_EQ((std::vector<intptr_t>{0, 1, 2, 3}), recorder.done());
    // A pause is not a shortage of blocks.
    EXPECT_EQ(0u, device->counters().underruns);
}

TEST_F(VirtualDevices, OutputRunningDryCountsAnUnderrunForEveryLateBlock)
{
    BlockRecorder recorder(3, kCdFormat.bytesPerSecond() / 100); // 10 ms each
    auto device = open(Direction::Output, recorder);
    ASSERT_EQ(Result::Ok, device->restart());
    queueAll(*device, recorder, 1);
    ASSERT_TRUE(recorder.waitFor(1));
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(Result::Ok, recorder.queue(*device, 1, 1));
    ASSERT_TRUE(recorder.waitFor(2));
    // A writer a few milliseconds late leaves a gap too.
    std::this_thread::sleep_for(8ms);
    ASSERT_EQ(Result::Ok, recorder.queue(*device, 1, 2));
    ASSERT_TRUE(recorder.waitFor(3));
    EXPECT_EQ(2u, device->counters().underruns);
    EXPECT_EQ(2u, device->xruns());
}

TEST_F(VirtualDevices, FileOutputWritesWhatItPlaysAsRawOrWave)
{
    ScopedEnv pace("VELMORA_AUDIO_PACE", "off");
    TempFolder folder;
    for (const char* name : {"out.raw", "out.WAV"}) {
        ScopedEnv file("VELMORA_AUDIO_OUTPUT_FILE", folder.file(name));
        BlockRecorder recorder(3, 1000);
        for (size_t i = 0; i < 3; ++i)
            std::memcpy(recorder.bytes(i).data(), pattern(1000, static_cast<unsigned>(i)).data(), 1000);
        recorder.block(2).length = 998; // whole frames only: 996 bytes are played
        auto device = open(Direction::Output, recorder);
        queueAll(*device, recorder, 3);
        ASSERT_EQ(Result::Ok, device->restart());
        ASSERT_TRUE(recorder.waitFor(3));
        ASSERT_EQ(Result::Ok, device->close());
        const std::string expected = bytesOf(recorder, 0, 3).substr(0, 2996);
        const std::string written = velmora::test::readText(folder.file(name));
        if (std::string(name) == "out.raw") {
            EXPECT_EQ(expected, written);
            continue;
        }
        ASSERT_EQ(44u + 2996u, written.size());
        EXPECT_EQ(expected, written.substr(44));
        // sox reads our header back as the same samples.
        const std::string command =
            "sox " + folder.file(name) + " -t raw " + folder.file("back.raw") + " 2>&1";
        if (std::system("command -v sox >/dev/null") != 0)
            GTEST_SKIP() << "sox is not installed";
        ASSERT_EQ(0, std::system(command.c_str()));
        EXPECT_EQ(expected, velmora::test::readText(folder.file("back.raw")));
    }
}

TEST_F(VirtualDevices, FileInputDeliversTheFileThenSilence)
{
    ScopedEnv pace("VELMORA_AUDIO_PACE", "off");
    TempFolder folder;
    const std::string samples = pattern(6000, 3);
    velmora::test::writeText(folder.file("in.raw"), samples);
    ScopedEnv file("VELMORA_AUDIO_INPUT_FILE", folder.file("in.raw"));
    BlockRecorder recorder(2, 4096);
    auto device = open(Direction::Input, recorder, kDefaultDevice, PcmFormat{22050, 1, 8});
    queueAll(*device, recorder, 2);
    ASSERT_EQ(Result::Ok, device->start());
    ASSERT_TRUE(recorder.waitFor(2));
    const std::string recorded = bytesOf(recorder, 0, 2);
    EXPECT_EQ(samples, recorded.substr(0, 6000));
    EXPECT_EQ(std::string(8192 - 6000, '\x80'), recorded.substr(6000)); // unsigned 8-bit silence
    EXPECT_EQ(4096u, recorder.block(1).bytesRecorded);
}

TEST_F(VirtualDevices, FileInputReadsTheSamplesOfAWaveFileMadeBySox)
{
    if (std::system("command -v sox >/dev/null") != 0)
        GTEST_SKIP() << "sox is not installed";
    ScopedEnv pace("VELMORA_AUDIO_PACE", "off");
    TempFolder folder;
    const std::string make = "sox -n -r 44100 -c 2 -b 16 -e signed " + folder.file("tone.wav") +
                             " synth 0.05 sine 440 && sox " + folder.file("tone.wav") + " -t raw " +
                             folder.file("tone.raw");
    ASSERT_EQ(0, std::system(make.c_str()));
    const std::string samples = velmora::test::readText(folder.file("tone.raw"));
    ASSERT_EQ(8820u, samples.size());
    ScopedEnv file("VELMORA_AUDIO_INPUT_FILE", folder.file("tone.wav"));
    EXPECT_EQ(Result::BadFormat, queryFormat(Direction::Input, 1, PcmFormat{44100, 1, 16}));
    BlockRecorder recorder(3, 4096);
    auto device = open(Direction::Input, recorder, 1);
    queueAll(*device, recorder, 3);
    ASSERT_EQ(Result::Ok, device->start());
    ASSERT_TRUE(recorder.waitFor(3));
    const std::string recorded = bytesOf(recorder, 0, 3);
    EXPECT_EQ(samples, recorded.substr(0, samples.size()));
    EXPECT_EQ(std::string(3 * 4096 - samples.size(), '\0'), recorded.substr(samples.size()));
}

TEST_F(VirtualDevices, TestSignalIsAOneKilohertzSineAtHalfScale)
{
    ScopedEnv pace("VELMORA_AUDIO_PACE", "off");
    BlockRecorder recorder(1, 32); // 8 stereo frames: one period at 8000 Hz
    auto device = open(Direction::Input, recorder, 0, PcmFormat{8000, 2, 16});
    queueAll(*device, recorder, 1);
    ASSERT_EQ(Result::Ok, device->start());
    ASSERT_TRUE(recorder.waitFor(1));
    int16_t samples[16];
    std::memcpy(samples, recorder.bytes(0).data(), sizeof samples);
    const int16_t expected[8] = {0, 11585, 16384, 11585, 0, -11585, -16384, -11585};
    for (int frame = 0; frame < 8; ++frame) {
        EXPECT_EQ(expected[frame], samples[2 * frame]) << frame;
        EXPECT_EQ(expected[frame], samples[2 * frame + 1]) << frame;
    }
}

TEST_F(VirtualDevices, InputStopHandsBackThePartlyRecordedBlock)
{
    BlockRecorder recorder(2, kCdFormat.bytesPerSecond()); // a second each
    auto device = open(Direction::Input, recorder);
    queueAll(*device, recorder, 2);
    ASSERT_EQ(Result::Ok, device->start());
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(Result::Ok, device->stop());
    ASSERT_EQ((std::vector<intptr_t>{0}), recorder.done());
    EXPECT_GT(recorder.block(0).bytesRecorded, 0u);
    EXPECT_LT(recorder.block(0).bytesRecorded, kCdFormat.bytesPerSecond() / 2);
    EXPECT_NE(0u, recorder.block(1).flags.load() & kBlockInQueue);
    EXPECT_EQ(Result::NotSupported, device->pause());
}
