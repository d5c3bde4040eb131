#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/audio/BlockRecorder.h"
#include "platform/audio/Device.h"
#include "platform/audio/Devices.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using namespace plat::audio;
using namespace std::chrono_literals;
using velmora::test::BlockRecorder;
using velmora::test::kCdFormat;
using velmora::test::ScopedEnv;
using velmora::test::TempFolder;
using velmora::test::Watchdog;

// alsa-lib keeps its configuration for the life of the process, so each test
// runs its device work in a child process of its own with a configuration
// that routes the default device into files (no sound card needed).
namespace {

std::string samplePattern(size_t bytes, unsigned seed)
{
    std::string out(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i)
        out[i] = static_cast<char>((i * 13 + seed) & 0xFF);
    return out;
}

class AlsaDevices : public ::testing::Test {
protected:
    AlsaDevices()
    {
        // A forked child shares the folder and leaves its removal to the parent.
        GTEST_FLAG_SET(death_test_style, "fast");
        forgetDevices();
        velmora::test::writeText(folder_.file("in.raw"), samplePattern(3 * 8192, 5));
        velmora::test::writeText(folder_.file("asound.conf"),
                                 "</usr/share/alsa/alsa.conf>\n"
                                 "pcm.!default {\n"
                                 "  type asym\n"
                                 "  playback.pcm { type file slave.pcm null file \"" +
                                     folder_.file("out.raw") +
                                     "\" format raw }\n"
                                     "  capture.pcm { type file slave.pcm null file \"/dev/null\" infile \"" +
                                     folder_.file("in.raw") +
                                     "\" format raw }\n"
                                     "}\n");
    }

    TempFolder folder_;
    ScopedEnv backend_{"VELMORA_AUDIO", std::nullopt}; // the default: alsa
    ScopedEnv config_{"ALSA_CONFIG_PATH", folder_.file("asound.conf")};
    Watchdog watchdog_{60s};
};

// Ends a child: 0 when every check held, else the first failure on stderr.
[[noreturn]] void finish(const std::string& failure)
{
    if (!failure.empty())
        std::fprintf(stderr, "%s\n", failure.c_str());
    std::fflush(stderr);
    std::_Exit(failure.empty() ? 0 : 1);
}

std::string listDefaultFirst()
{
    if (std::string(backendName()) != "alsa")
        return "backend is not alsa";
    for (Direction direction : {Direction::Output, Direction::Input}) {
        DeviceCaps caps;
        if (deviceCount(direction) < 1 || deviceCaps(direction, 0, caps) != Result::Ok)
            return "no default device";
        if (std::string(caps.name) != "default")
            return std::string("first device is ") + caps.name;
        // The null plug-in takes any rate, channels and sample size.
        if (caps.formats != 0x0FFFu)
            return "formats " + std::to_string(caps.formats);
        if (caps.support != 0 || caps.manufacturerId != 0 || caps.driverVersion != 0)
            return "support or ids set without a card";
    }
    return "";
}

std::string playIntoFile(const std::string& outPath)
{
    BlockRecorder recorder(4, 8192);
    std::string expected;
    for (size_t i = 0; i < 4; ++i) {
        const std::string bytes = samplePattern(8192, static_cast<unsigned>(i));
        std::copy(bytes.begin(), bytes.end(), recorder.bytes(i).begin());
        expected += bytes;
    }
    std::unique_ptr<Device> device;
    if (recorder.open(Direction::Output, device) != Result::Ok)
        return "open failed";
    if (recorder.queue(*device, 4) != Result::Ok)
        return "queue failed";
    if (device->restart() != Result::Ok || !recorder.waitFor(4))
        return "blocks did not come back";
    if (recorder.done() != std::vector<intptr_t>{0, 1, 2, 3})
        return "blocks came back out of order";
    if (device->close() != Result::Ok)
        return "close failed";
    const std::string written = velmora::test::readText(outPath);
    if (written.size() < expected.size() || written.substr(0, expected.size()) != expected)
        return "out.raw holds " + std::to_string(written.size()) + " bytes, not the blocks played";
    return "";
}

std::string recordFromFile(const std::string& inPath)
{
    BlockRecorder recorder(2, 8192);
    std::unique_ptr<Device> device;
    if (recorder.open(Direction::Input, device) != Result::Ok)
        return "open failed";
    if (recorder.queue(*device, 2) != Result::Ok)
        return "queue failed";
    if (device->start() != Result::Ok || !recorder.waitFor(2))
        return "blocks did not come back";
    if (recorder.block(1).bytesRecorded != 8192)
        return "recorded " + std::to_string(recorder.block(1).bytesRecorded);
    std::string recorded(recorder.bytes(0).begin(), recorder.bytes(0).end());
    recorded.append(recorder.bytes(1).begin(), recorder.bytes(1).end());
    if (recorded != velmora::test::readText(inPath).substr(0, 2 * 8192))
        return "recorded bytes differ from the infile";
    return device->close() == Result::Ok ? "" : "close failed";
}

std::string resetHandsBackQueuedBlocks()
{
    BlockRecorder recorder(3, 8192);
    std::unique_ptr<Device> device;
    if (recorder.open(Direction::Output, device) != Result::Ok)
        return "open failed";
    if (recorder.queue(*device, 3) != Result::Ok)
        return "queue failed";
    // Still paused: nothing was played, all three come back from the reset.
    if (device->reset() != Result::Ok || recorder.done() != std::vector<intptr_t>{0, 1, 2})
        return "reset did not hand back the blocks";
    if (recorder.block(0).bytesRecorded != 0)
        return "a paused device played";
    return device->close() == Result::Ok ? "" : "close failed";
}

} // namespace

TEST_F(AlsaDevices, ListsTheDefaultDeviceFirstWithTheFormatsItAccepts)
{
    EXPECT_EXIT(finish(listDefaultFirst()), ::testing::ExitedWithCode(0), "");
}

TEST_F(AlsaDevices, PlaysBlocksIntoTheDefaultDevicesFile)
{
    EXPECT_EXIT(finish(playIntoFile(folder_.file("out.raw"))), ::testing::ExitedWithCode(0), "");
}

TEST_F(AlsaDevices, RecordsTheBytesOfTheCaptureInfile)
{
    EXPECT_EXIT(finish(recordFromFile(folder_.file("in.raw"))), ::testing::ExitedWithCode(0), "");
}

TEST_F(AlsaDevices, ResetOfAPausedDeviceHandsBackEveryBlock)
{
    EXPECT_EXIT(finish(resetHandsBackQueuedBlocks()), ::testing::ExitedWithCode(0), "");
}

TEST_F(AlsaDevices, AConfigurationWithoutDevicesListsOnlyTheDefaultOutputAndNoInput)
{
    velmora::test::writeText(folder_.file("empty.conf"), "# nothing\n");
    ScopedEnv config("ALSA_CONFIG_PATH", folder_.file("empty.conf"));
    EXPECT_EXIT(
        {
            std::string failure;
            DeviceCaps caps;
            if (deviceCount(Direction::Output) > 1 || deviceCaps(Direction::Output, 0, caps) != Result::Ok ||
                caps.formats != 0)
                failure = "unexpected devices";
            else if (deviceCount(Direction::Input) != 0)
                failure = "an input with nothing to record from is listed";
            else if (queryFormat(Direction::Output, kDefaultDevice, kCdFormat) == Result::Ok)
                failure = "opened a device that does not exist";
            finish(failure);
        },
        ::testing::ExitedWithCode(0), "");
}
