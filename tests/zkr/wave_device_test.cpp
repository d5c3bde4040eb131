#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "api/Protocol.h"
#include "platform/audio/Devices.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"
#include "api/Protocol.h"
#include "zkr/ErrorRecording.h"
#include "zkr/InputDevice.h"
#include "zkr/OutputDevice.h"
#include "zkr/SharedBuffer.h"

using namespace zkr;
using namespace std::chrono_literals;
using velmora::test::eventually;
using velmora::test::readText;
using velmora::test::RecordingApplication;
using velmora::test::ScopedEnv;
using velmora::test::ShownError;
using velmora::test::TempFolder;
using velmora::test::Watchdog;
using velmora::test::writeText;

namespace {

constexpr int kNullOutput = 0;
constexpr int kFileDevice = 1;

std::string block(uint8_t value, size_t size)
{
    return std::string(size, static_cast<char>(value));
}

// Every test runs on the virtual devices, enumerated afresh, with files of
// its own.
class WaveDeviceTest : public testing::Test {
protected:
    WaveDeviceTest() { plat::audio::forgetDevices(); }
    ~WaveDeviceTest() override { plat::audio::forgetDevices(); }

    RecordingApplication application;
    TempFolder folder;
    ScopedEnv audio{"VELMORA_AUDIO", "virtual"};
    ScopedEnv outputFile{"VELMORA_AUDIO_OUTPUT_FILE", folder.file("played.raw")};
    ScopedEnv inputFile{"VELMORA_AUDIO_INPUT_FILE", std::nullopt};
    ScopedEnv pace{"VELMORA_AUDIO_PACE", "off"};
    Watchdog watchdog{10s};
};

// Opens the file output with a ring of count blocks of size bytes.
void startFileOutput(OutputDevice& device, int count, uint32_t size)
{
    ASSERT_EQ(device.selectDevice(kFileDevice), toWire(engine::Error::Ok));
    ASSERT_EQ(device.allocateBlocks(count, size), toWire(engine::Error::Ok));
    ASSERT_EQ(device.start(), toWire(engine::Error::Ok));
}

uint64_t blocksPlayed(OutputDevice& device)
{
    return device.handle->counters().blocksDone;
}

} // namespace

// Devices and formats.

TEST_F(WaveDeviceTest, DevicesAndTheirCapabilitiesAreKnownFromConstruction)
{
    OutputDevice output;
    InputDevice input;
    EXPECT_EQ(output.getName(nullptr), kKindWaveOutput);
    EXPECT_EQ(input.getName(nullptr), kKindWaveInput);

    ASSERT_EQ(output.deviceCount, 2);
    ASSERT_EQ(output.capabilities.count, 2);
    auto* null = static_cast<DeviceCapabilities*>(output.capabilities.itemAt(0));
    EXPECT_STREQ(null->name, "Velmora Null Output");
    EXPECT_EQ(null->channels, 2u);
    EXPECT_NE(null->formats & plat::audio::kFormat44kStereo16, 0u);

    ASSERT_EQ(input.deviceCount, 2);
    auto* signal = static_cast<DeviceCapabilities*>(input.capabilities.itemAt(0));
    EXPECT_STREQ(signal->name, "Velmora Test Signal");
    EXPECT_EQ(signal->support, 0u);

    // The defaults: wave mapper, 44100 Hz stereo 16-bit, 5 blocks of 8192.
    EXPECT_EQ(output.deviceId, WaveDevice::kWaveMapper);
    EXPECT_EQ(output.format.samplesPerSecond, 44100u);
    EXPECT_EQ(output.format.blockAlign, 4);
    EXPECT_EQ(output.format.averageBytesPerSecond, 176400u);
    EXPECT_EQ(output.blockCount, 5);
    EXPECT_EQ(output.blockSize, 8192u);
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(WaveDeviceTest, SelectingOutsideTheDevicesChoosesTheWaveMapper)
{
    OutputDevice device;
    device.deviceCount = 3;
    EXPECT_EQ(device.selectDevice(2), toWire(engine::Error::Ok));
    EXPECT_EQ(device.deviceId, 2);
    EXPECT_EQ(device.selectDevice(5), toWire(engine::Error::Ok));
    EXPECT_EQ(device.deviceId, -1);
    EXPECT_EQ(device.selectDevice(3), toWire(engine::Error::Ok));
    EXPECT_EQ(device.deviceId, -1);

    // Not while the device is open.
    device.deviceCount = 2;
    startFileOutput(device, 2, 64);
    EXPECT_EQ(device.selectDevice(0), toWire(engine::Error::NotNow));
    EXPECT_EQ(device.deviceId, kFileDevice);
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{toWire(engine::Error::NotNow), "Wave Output"}}));
}

TEST_F(WaveDeviceTest, StandardFormatsHaveNamesAndOtherValuesTheirNumber)
{
    char text[64];
    formatName(1, text, sizeof text);
    EXPECT_STREQ(text, "11.025 kHz, mono, 8-bit");
    formatName(64, text, sizeof text);
    EXPECT_STREQ(text, "22.05 kHz, mono, 16-bit");
    formatName(2048, text, sizeof text);
    EXPECT_STREQ(text, "44.1 kHz, stereo, 16-bit");
    formatName(3, text, sizeof text);
    EXPECT_STREQ(text, "3");
    formatName(4096, text, sizeof text);
    EXPECT_STREQ(text, "4096");
}

TEST_F(WaveDeviceTest, RingsAreAllocatedZeroedAndRefusedWhileOpen)
{
    OutputDevice device;
    EXPECT_TRUE(device.allFree());
    ASSERT_EQ(device.allocateBlocks(3, 100), toWire(engine::Error::Ok));
    EXPECT_TRUE(device.allocated);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(device.block(i).length, 100u);
        EXPECT_EQ(device.block(i).user, 0);
        EXPECT_EQ(std::string(static_cast<char*>(device.block(i).data), 100), block(0, 100));
    }
    EXPECT_EQ(device.spareBlock.length, 100u);

    EXPECT_EQ(device.allocateBlocks(0, 100), toWire(engine::Error::OutOfMemory));
    EXPECT_FALSE(device.allocated);

    startFileOutput(device, 4, 64);
    EXPECT_EQ(device.allocateBlocks(8, 64), toWire(engine::Error::NotNow));
    EXPECT_EQ(device.blockCount, 4);
}

// Playing.

TEST_F(WaveDeviceTest, PlaybackIsReleasedWhenHalfTheRingIsQueued)
{
    OutputDevice device;
    startFileOutput(device, 12, 64);
    for (int i = 1; i <= 5; ++i) {
        ASSERT_EQ(device.writeBlock(block(i, 64).data(), 64).code, toWire(engine::Error::Ok));
        EXPECT_FALSE(device.started) << "write " << i;
    }
    EXPECT_EQ(blocksPlayed(device), 0u);
    EXPECT_FALSE(device.allFree());

    ASSERT_EQ(device.writeBlock(block(6, 64).data(), 64).code, toWire(engine::Error::Ok));
    EXPECT_TRUE(device.started);
    EXPECT_EQ(device.writeIndex, 6);
    EXPECT_TRUE(eventually([&] { return device.allFree(); }));
    EXPECT_EQ(blocksPlayed(device), 6u);

    // The default ring of 5 starts at the second write.
    OutputDevice small;
    ScopedEnv secondFile("VELMORA_AUDIO_OUTPUT_FILE", folder.file("second.raw"));
    startFileOutput(small, 5, 64);
    ASSERT_EQ(small.writeBlock(block(1, 64).data(), 64).code, toWire(engine::Error::Ok));
    EXPECT_FALSE(small.started);
    ASSERT_EQ(small.writeBlock(block(2, 64).data(), 64).code, toWire(engine::Error::Ok));
    EXPECT_TRUE(small.started);
}

TEST_F(WaveDeviceTest, BlocksPlayInOrderAndShortOnesArePaddedWithSilence)
{
    OutputDevice device;
    startFileOutput(device, 4, 64);
    std::string expected;
    for (int i = 1; i <= 9; ++i) {
        const uint32_t bytes = i == 5 ? 10 : 64;
        const std::string data = block(static_cast<uint8_t>(i), bytes);
        int status;
        while ((status = device.writeBlock(data.data(), bytes).code) == toWire(engine::Error::Busy)) {
            ASSERT_TRUE(device.blockFree->wait(1000));
            (void)device.blockFree->reset();
        }
        ASSERT_EQ(status, toWire(engine::Error::Ok));
        expected += data + block(0, 64 - bytes);
    }
    ASSERT_EQ(device.drain(5000), toWire(engine::Error::Ok));
    ASSERT_EQ(device.stop(), toWire(engine::Error::Ok));
    EXPECT_EQ(readText(folder.file("played.raw")), expected);
}

TEST_F(WaveDeviceTest, AFullRingAnswers200UntilTheBlockAtTheWriteIndexIsFree)
{
    ScopedEnv paced("VELMORA_AUDIO_PACE", std::nullopt);
    OutputDevice device;
    // 4 blocks of 50 ms each on the paced null output.
    ASSERT_EQ(device.selectDevice(kNullOutput), toWire(engine::Error::Ok));
    ASSERT_EQ(device.allocateBlocks(4, 8820), toWire(engine::Error::Ok));
    ASSERT_EQ(device.start(), toWire(engine::Error::Ok));
    const std::string data = block(7, 8820);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(device.writeBlock(data.data(), 8820).code, toWire(engine::Error::Ok));
    EXPECT_EQ(device.writeBlock(data.data(), 8820).code, toWire(engine::Error::Busy));
    EXPECT_EQ(device.lastError, toWire(engine::Error::Ok));
    EXPECT_EQ(device.writeIndex, 0);

    ASSERT_TRUE(device.blockFree->wait(1000));
    EXPECT_EQ(device.block(0).user, 0);
    EXPECT_EQ(device.writeBlock(data.data(), 8820).code, toWire(engine::Error::Ok));
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(WaveDeviceTest, TheSpareBlockHoldsTheLastBlockPlayedAndIsSilencedByDraining)
{
    OutputDevice device;
    startFileOutput(device, 4, 64);
    for (int i = 1; i <= 4; ++i)
        ASSERT_EQ(device.writeBlock(block(i, 64).data(), 64).code, toWire(engine::Error::Ok));
    EXPECT_TRUE(eventually([&] { return device.block(0).user == 0; }));
    ASSERT_EQ(device.writeBlock(block(5, 64).data(), 64).code, toWire(engine::Error::Ok));
    EXPECT_EQ(std::string(static_cast<char*>(device.spareBlock.data), 64), block(1, 64));

    ASSERT_EQ(device.drain(5000), toWire(engine::Error::Ok));
    EXPECT_TRUE(device.allFree());
    EXPECT_EQ(std::string(static_cast<char*>(device.spareBlock.data), 64), block(0, 64));
}

TEST_F(WaveDeviceTest, DrainingPlaysARingThatNeverGotHalfFull)
{
    OutputDevice device;
    startFileOutput(device, 12, 64);
    ASSERT_EQ(device.writeBlock(block(3, 64).data(), 64).code, toWire(engine::Error::Ok));
    ASSERT_EQ(device.writeBlock(block(4, 64).data(), 64).code, toWire(engine::Error::Ok));
    ASSERT_FALSE(device.started);

    ASSERT_EQ(device.drain(plat::kInfinite), toWire(engine::Error::Ok));
    EXPECT_TRUE(device.allFree());
    EXPECT_TRUE(device.stopping);
    ASSERT_EQ(device.stop(), toWire(engine::Error::Ok));
    EXPECT_EQ(readText(folder.file("played.raw")), block(3, 64) + block(4, 64));

    // Nothing queued: nothing to wait for.
    ScopedEnv secondFile("VELMORA_AUDIO_OUTPUT_FILE", folder.file("second.raw"));
    ASSERT_EQ(device.start(), toWire(engine::Error::Ok));
    EXPECT_EQ(device.drain(0), toWire(engine::Error::Ok));
}

TEST_F(WaveDeviceTest, StopGivesEveryBlockBackAndAllowsAnotherStart)
{
    ScopedEnv paced("VELMORA_AUDIO_PACE", std::nullopt);
    OutputDevice device;
    ASSERT_EQ(device.start(), toWire(engine::Error::NotNow)); // no ring yet
    ASSERT_EQ(device.writeBlock("x", 1).code, toWire(engine::Error::NotNow));
    application.shown.clear();

    ASSERT_EQ(device.selectDevice(kNullOutput), toWire(engine::Error::Ok));
    ASSERT_EQ(device.allocateBlocks(6, 44100), toWire(engine::Error::Ok));
    ASSERT_EQ(device.start(), toWire(engine::Error::Ok));
    EXPECT_EQ(device.start(), toWire(engine::Error::NotNow));
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(device.writeBlock(block(1, 44100).data(), 44100).code, toWire(engine::Error::Ok));
    EXPECT_FALSE(device.allFree());

    ASSERT_EQ(device.stop(), toWire(engine::Error::Ok));
    EXPECT_TRUE(device.allFree());
    EXPECT_FALSE(device.deviceOpen);
    EXPECT_FALSE(device.started);
    EXPECT_EQ(device.handle, nullptr);
    EXPECT_EQ(device.blockFree, nullptr);
    EXPECT_EQ(device.allDone, nullptr);

    ASSERT_EQ(device.start(), toWire(engine::Error::Ok));
    EXPECT_EQ(device.writeIndex, 0);
    EXPECT_FALSE(device.blockFree->wait(0));
    EXPECT_EQ(device.writeBlock(block(2, 44100).data(), 44100).code, toWire(engine::Error::Ok));
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{toWire(engine::Error::NotNow), "Wave Output"}}));
}

TEST_F(WaveDeviceTest, AFailedOpenIsRecordedWithoutAReport)
{
    ScopedEnv noFile("VELMORA_AUDIO_OUTPUT_FILE", std::nullopt);
    OutputDevice device;
    ASSERT_EQ(device.selectDevice(kFileDevice), toWire(engine::Error::Ok));
    ASSERT_EQ(device.allocateBlocks(2, 64), toWire(engine::Error::Ok));
    EXPECT_EQ(device.start(), toWire(engine::Error::PlainMessage));
    EXPECT_FALSE(device.deviceOpen);
    EXPECT_TRUE(application.shown.empty());
    EXPECT_STRNE(device.errorText, "");

    // The owner reports it with the platform's text.
    device.setError(device.lastError);
    ASSERT_EQ(application.shown.size(), 1u);
    EXPECT_EQ(application.shown[0].code, 101);
    EXPECT_EQ(application.shown[0].text, device.errorText);
}

// Recording.

class InputDeviceTest : public WaveDeviceTest {
protected:
    // Opens the file input over content at 44100 Hz mono 16-bit.
    void openFileInput(InputDevice& device, const std::string& content, int count, uint32_t size)
    {
        writeText(folder.file("input.raw"), content);
        setenv("VELMORA_AUDIO_INPUT_FILE", folder.file("input.raw").c_str(), 1);
        ASSERT_EQ(device.selectDevice(kFileDevice), toWire(engine::Error::Ok));
        ASSERT_EQ(device.setFormat(44100, 1, 16), toWire(engine::Error::Ok));
        ASSERT_EQ(device.allocateBlocks(count, size), toWire(engine::Error::Ok));
        ASSERT_EQ(device.openDevice(device.deviceId, nullptr), toWire(engine::Error::Ok));
    }

    static std::string countingBytes(size_t size)
    {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7 + i / 256);
        return bytes;
    }
};

TEST_F(InputDeviceTest, RecordedBlocksReachTheSharedBufferInOrder)
{
    const std::string content = countingBytes(256 * 20);
    InputDevice device;
    SharedBuffer buffer;
    ASSERT_EQ(buffer.allocate(4, 256), toWire(engine::Error::Ok));
    device.sharedBuffer = &buffer;
    std::vector<uint32_t> seen;
    device.dataContext = &seen;
    device.dataCallback = [](void* context, const uint8_t*, uint32_t bytes) {
        static_cast<std::vector<uint32_t>*>(context)->push_back(bytes);
    };
    openFileInput(device, content, 3, 256);
    ASSERT_EQ(device.queueAll(), toWire(engine::Error::Ok));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(device.block(i).user, 1);
    ASSERT_EQ(device.start(), toWire(engine::Error::Ok));

    std::string recorded;
    std::vector<char> out(256);
    while (recorded.size() < content.size()) {
        uint32_t length = 0;
        ASSERT_EQ(buffer.read(out.data(), &length), toWire(engine::Error::Ok));
        ASSERT_EQ(length, 256u);
        recorded.append(out.data(), length);
    }
    EXPECT_EQ(recorded, content);

    // Stopping ends the buffer's data and gives every block back.
    ASSERT_EQ(device.stop(), toWire(engine::Error::Ok));
    EXPECT_TRUE(device.allFree());
    EXPECT_TRUE(device.allDone.wait(0));
    EXPECT_TRUE(buffer.endOfData);
    ASSERT_EQ(device.closeDevice(), toWire(engine::Error::Ok));
    EXPECT_FALSE(device.deviceOpen);
    device.releaseBlocks();
    EXPECT_GE(seen.size(), 20u);
    EXPECT_EQ(seen.front(), 256u);
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(InputDeviceTest, StopDoesNotWaitForAReaderThatHasGone)
{
    InputDevice device;
    SharedBuffer buffer;
    ASSERT_EQ(buffer.allocate(2, 128), toWire(engine::Error::Ok));
    device.sharedBuffer = &buffer;
    openFileInput(device, countingBytes(128 * 50), 4, 128);
    ASSERT_EQ(device.queueAll(), toWire(engine::Error::Ok));
    ASSERT_EQ(device.start(), toWire(engine::Error::Ok));
    // Nobody reads: the buffer fills and the device thread waits for room.
    EXPECT_TRUE(eventually([&] { return buffer.blocks[0].filled != 0 && buffer.blocks[1].filled != 0; }));

    ASSERT_EQ(device.stop(), toWire(engine::Error::Ok));
    EXPECT_TRUE(device.allFree());
    EXPECT_TRUE(device.allDone.wait(0));
    ASSERT_EQ(device.closeDevice(), toWire(engine::Error::Ok));
}

TEST_F(InputDeviceTest, MisuseAndDeviceFailuresAreReported)
{
    InputDevice device;
    EXPECT_EQ(device.queueAll(), toWire(engine::Error::NotNow));
    EXPECT_EQ(device.start(), toWire(engine::Error::NotNow));

    // The file input without a file cannot open; the platform's input text
    // is shown under 101.
    application.shown.clear();
    ASSERT_EQ(device.selectDevice(kFileDevice), toWire(engine::Error::Ok));
    EXPECT_EQ(device.openDevice(device.deviceId, nullptr), toWire(engine::Error::PlainMessage));
    char expected[WaveDevice::kErrorTextSize];
    plat::audio::errorText(plat::audio::Direction::Input, plat::audio::Result::NotEnabled, expected,
                           sizeof expected);
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{101, expected}}));

    openFileInput(device, countingBytes(1024), 2, 256);
    EXPECT_EQ(device.openDevice(device.deviceId, nullptr), toWire(engine::Error::NotNow));
}

// ALSA's default device on a card that does not exist: the message shows the
// platform's text, then ALSA's own reason. alsa-lib keeps its configuration
// for the life of the process, so the device work runs in a child process.
TEST_F(InputDeviceTest, AnAlsaDeviceThatCannotOpenAddsAlsasReasonToTheMessage)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    writeText(folder.file("asound.conf"), "</usr/share/alsa/alsa.conf>\npcm.!default { type hw card 99 }\n");
    ScopedEnv alsa("VELMORA_AUDIO", std::nullopt);
    ScopedEnv config("ALSA_CONFIG_PATH", folder.file("asound.conf"));
    EXPECT_EXIT(
        {
            plat::audio::forgetDevices();
            InputDevice device; // device 0 is ALSA's "default"
            std::unique_ptr<plat::audio::Device> unopened;
            std::string reason;
            char text[WaveDevice::kErrorTextSize];
            plat::audio::errorText(plat::audio::Direction::Input,
                                   plat::audio::Device::open(plat::audio::Direction::Input, 0,
                                                             toPcmFormat(device.format), nullptr, nullptr,
                                                             unopened, reason),
                                   text, sizeof text);
            const bool shown = device.openDevice(0, nullptr) == toWire(engine::Error::PlainMessage) &&
                               application.shown.size() == 1 &&
                               application.shown[0].text == std::string(text) + "\n" + reason;
            std::fprintf(stderr, "%s", reason.c_str());
            std::_Exit(shown ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^ALSA \"default\": .+");
}
