// The player's four channels in the real engine: files made by sox opened,
// played, looped, paused, synchronised, closed and loaded as recordings.

#include <algorithm>
#include <array>
#include <cstdlib>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "support/EngineTestSeam.h"
#include "support/ScopedEnv.h"
#include "tindle/TindleTestKit.h"

namespace velmora::test {
namespace {

using tindle::kStatePlaying;
using tindle::kStateStopped;
using tindle::kStateWaiting;

std::vector<int16_t> first(const std::vector<int16_t>& samples, size_t count)
{
    return {samples.begin(), samples.begin() + std::min(count, samples.size())};
}

class ChannelsTest : public TindleTest {
protected:
    void SetUp() override
    {
        start();
        loadInProcess(false);
    }
    tindle::ChannelRecord& record(int channel) { return channels().record(channel); }
    int open(int channel, const std::string& path)
    {
        return onWindowThread([&] { return channels().open(channel, path); });
    }
    int command(const std::function<void(tindle::ChannelSet&)>& body)
    {
        return onWindowThread([&] { return body(channels()), 0; });
    }
    std::string mono(const std::string& name, const std::string& synth, const std::string& rate = "44100")
    {
        return soxWaveFile(files.file(name), "-r " + rate + " -c 1 -b 16", synth);
    }
    // Passes over the four channels as the streaming thread makes them, until none delivers.
    std::array<std::vector<int16_t>, 4> playToEnd()
    {
        std::array<std::vector<int16_t>, 4> played;
        for (bool any = true; any;) {
            any = false;
            for (int channel = 0; channel < 4; ++channel) {
                bool delivered = false;
                const std::vector<int16_t> block = read(channel, &delivered);
                played[std::size_t(channel)].insert(played[std::size_t(channel)].end(), block.begin(),
                                                    block.end());
                any |= delivered;
            }
        }
        return played;
    }
};

// Mono and stereo files play bit-exact (the right half through the partner),
// 44095 Hz counts as 44100 Hz; stereo in the last channel and six channels
// are refused and leave the channel as it was; each file stops at its end, rewound.
TEST_F(ChannelsTest, FilesPlayBitExactIntoTheirChannelsAndRewindAtTheirEnd)
{
    engine.streamOnStart = false;
    const std::string monoFile = mono("mono.wav", "5000s sine 440");
    const std::string nearFile = mono("near.wav", "3000s sine 1000", "44095");
    const std::string stereoFile =
        soxWaveFile(files.file("stereo.wav"), "-r 44100 -c 2 -b 16", "4500s sine 300 sine 700");
    EXPECT_EQ(open(0, monoFile), 0);
    EXPECT_EQ(open(1, stereoFile), 0);
    EXPECT_EQ(open(3, stereoFile), toWire(engine::Error::NoFreeChannelsForFile));
    EXPECT_EQ(open(3, nearFile), 0);
    EXPECT_EQ(open(3, soxWaveFile(files.file("six.wav"), "-r 48000 -c 6 -b 24", "100s sine 440")),
              toWire(engine::Error::NotImplemented));
    EXPECT_EQ(engine.errors(), (std::vector<int>{toWire(engine::Error::NoFreeChannelsForFile),
                                                 toWire(engine::Error::PlainMessage)}));
    EXPECT_EQ(engine.errorTexts().back().rfind(
                  "Cannot play six.wav: it holds 6 channel(s) of 24-bit integer samples at 48000 Hz.\n", 0),
              0u);
    EXPECT_EQ(record(3).path, nearFile);
    EXPECT_TRUE(record(0).converter == nullptr && record(0).readSize == kBlockBytes);
    EXPECT_TRUE(record(1).readSize == 2 * kBlockBytes && record(1).partner == 2);
    EXPECT_TRUE(record(2).loaded && !record(2).owner && record(2).partner == -1);
    std::vector<intptr_t> attached;
    for (const CarriedEvent& event : engine.carried(toWire(engine::Event::AttachStreams))) {
        EXPECT_TRUE(event.value == EngineSeam::inputs(engine)[0]->handle() && event.answer == 1);
        attached.insert(attached.end(), {event.target, event.index});
    }
    EXPECT_EQ(attached, (std::vector<intptr_t>{1, 0, 2, 3, 4, 0}));

    for (int channel : {0, 1, 3})
        command([&](tindle::ChannelSet& set) { EXPECT_EQ(set.playStop(channel), 0); });
    EXPECT_EQ(engine.carried(toWire(engine::Event::StartStreaming)).size(), 3u);
    const auto played = playToEnd();
    EXPECT_EQ(played[0], soxSamples(monoFile));
    EXPECT_EQ(played[1], soxSamples(stereoFile, 0));
    EXPECT_EQ(played[2], soxSamples(stereoFile, 1));
    EXPECT_EQ(played[3], soxSamples(nearFile));
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_EQ(record(channel).state, kStateStopped) << channel;
    command([](tindle::ChannelSet& set) { set.playStop(0); });
    EXPECT_EQ(read(0), first(soxSamples(monoFile), kBlockSamples));
}

// The reference for a converted file: sox's own conversion to 16-bit 44.1 kHz, undithered.
std::vector<int16_t> soxConverted(const std::string& path, int channel)
{
    const std::string converted = path + ".44k.wav";
    EXPECT_EQ(std::system(
                  ("sox -D '" + path + "' -r 44100 -b 16 -e signed '" + converted + "' 2>/dev/null").c_str()),
              0);
    return soxSamples(converted, channel);
}

// Samples apart by more than the two resamplers' filters make.
size_t farApart(const std::vector<int16_t>& played, const std::vector<int16_t>& expected)
{
    constexpr int kFilterDifference = 64;
    size_t apart = 0;
    for (size_t i = 0; i < std::min(played.size(), expected.size()); ++i)
        apart += std::abs(played[i] - expected[i]) > kFilterDifference ? 1 : 0;
    return apart;
}

// What most WAV files hold today (24 bits at 48 kHz, float, 8 bits at 22.05
// kHz) plays converted to the engine's format as the file streams, as long as
// the file and with its sound; looping goes on through the converter.
TEST_F(ChannelsTest, DeepAndFastFilesPlayConvertedAsTheyStream)
{
    engine.streamOnStart = false;
    const std::string deep =
        soxWaveFile(files.file("deep.wav"), "-r 48000 -c 2 -b 24", "9000s sine 300 sine 700");
    const std::string floating =
        soxWaveFile(files.file("float.wav"), "-r 44100 -c 1 -b 32 -e floating-point", "7000s sine 500");
    const std::string coarse = soxWaveFile(files.file("coarse.wav"), "-r 22050 -c 1 -b 8", "3000s sine 200");
    ASSERT_EQ(open(0, deep), 0);
    ASSERT_EQ(open(2, floating), 0);
    ASSERT_EQ(open(3, coarse), 0);
    EXPECT_TRUE(engine.errors().empty());
    for (int channel : {0, 2, 3})
        command([&](tindle::ChannelSet& set) { EXPECT_EQ(set.playStop(channel), 0); });
    const auto played = playToEnd();

    const std::vector<int16_t> expected[] = {soxConverted(deep, 0), soxConverted(deep, 1),
                                             soxSamples(floating), soxConverted(coarse, 0)};
    for (int channel = 0; channel < 4; ++channel) {
        SCOPED_TRACE(channel);
        const auto& got = played[std::size_t(channel)];
        EXPECT_NEAR(double(got.size()), double(expected[channel].size()), 2.0);
        EXPECT_EQ(farApart(got, expected[channel]), 0u);
        EXPECT_EQ(record(channel).state, kStateStopped);
    }
    // Played again, the same samples come.
    command([](tindle::ChannelSet& set) { EXPECT_EQ(set.playStop(0), 0); });
    EXPECT_EQ(read(0), first(played[0], kBlockSamples));

    // Looped, the file comes round again without a gap or a stop.
    command([](tindle::ChannelSet& set) {
        set.setLoop(0, true);
        EXPECT_EQ(set.playStop(0), 0);
        EXPECT_EQ(set.playStop(0), 0);
    });
    size_t looped = 0;
    for (int block = 0; block < 12; ++block)
        looped += read(0).size();
    EXPECT_EQ(looped, 12u * kBlockSamples);
    EXPECT_EQ(record(0).state, kStatePlaying);
}

// A synchronised channel started while its group plays waits for the loop
// restart; a file shorter than a block loops whole in every block; pause
// keeps the stream on with empty blocks; a streaming error stops and rewinds;
// a refused start reports OutputNotReady and stops the group.
TEST_F(ChannelsTest, LoopsPauseAndSynchronisedStarts)
{
    engine.streamOnStart = false;
    const std::string longFile = mono("long.wav", "5000s sine 220");
    const std::string shortFile = mono("short.wav", "1000s sine 440");
    const std::vector<int16_t> longSamples = soxSamples(longFile);
    const std::vector<int16_t> shortSamples = soxSamples(shortFile);
    ASSERT_EQ(open(0, longFile), 0);
    ASSERT_EQ(open(1, shortFile), 0);
    command([](tindle::ChannelSet& set) {
        set.setLoop(0, true);
        set.setLoop(1, true);
        set.setSynchronised(0, true);
        set.playStop(0);
        set.setSynchronised(1, true);
        set.playStop(1);
    });
    EXPECT_EQ(record(1).state, kStateWaiting);
    std::vector<int16_t> before;
    for (int pass = 0; pass < 3; ++pass) {
        const std::vector<int16_t> block = read(0);
        before.insert(before.end(), block.begin(), block.end());
        EXPECT_TRUE(read(1).empty());
    }
    EXPECT_EQ(before, longSamples);
    EXPECT_EQ(read(0), first(longSamples, kBlockSamples));
    EXPECT_EQ(read(1), shortSamples);
    EXPECT_EQ(read(1), shortSamples);

    command([](tindle::ChannelSet& set) { set.pause(1); });
    bool delivered = false;
    EXPECT_TRUE(read(1, &delivered).empty() && delivered);
    command([](tindle::ChannelSet& set) { set.pause(1); });
    EXPECT_EQ(read(1), shortSamples);

    tindle::plugin()->onStreamingError();
    EXPECT_TRUE(record(0).state == kStateStopped && record(1).state == kStateStopped);
    engine.startAnswer = 0;
    EXPECT_EQ(onWindowThread([&] { return channels().playStop(1); }), toWire(engine::Error::OutputNotReady));
    EXPECT_TRUE(record(0).state == kStateStopped && record(1).state == kStateStopped);
    engine.startAnswer = 1;
    command([](tindle::ChannelSet& set) { set.playStop(1); });
    EXPECT_TRUE(record(0).state == kStatePlaying && record(1).state == kStatePlaying);
    EXPECT_EQ(read(0), first(longSamples, kBlockSamples));
    EXPECT_EQ(engine.errors(), std::vector<int>{toWire(engine::Error::OutputNotReady)});

    // Looping switched off with the next passes read ahead already: the file still ends at its end.
    command([](tindle::ChannelSet& set) { set.setLoop(0, false); });
    std::vector<int16_t> rest;
    for (bool more = true; more;) {
        const std::vector<int16_t> block = read(0, &more);
        rest.insert(rest.end(), block.begin(), block.end());
    }
    EXPECT_EQ(rest, std::vector<int16_t>(longSamples.begin() + kBlockSamples, longSamples.end()));
    EXPECT_EQ(record(0).state, kStateStopped);
}

// With the player's window, which shows the channels from every thread.
class ChannelsWindowTest : public ChannelsTest {
protected:
    void SetUp() override
    {
        start();
        loadInProcess(true);
    }
};

// Synchronised mono and stereo files start together and the engine mixes
// them until both end; closing gives the streams back; recordings go into the
// first free channel or pair; a new set-up closes everything.
TEST_F(ChannelsWindowTest, FilesMixThroughTheEngineAndLeaveWithTheirStreams)
{
    const std::string monoFile = mono("mono.wav", "5000s sine 440");
    const std::string stereoFile =
        soxWaveFile(files.file("stereo.wav"), "-r 44100 -c 2 -b 16", "4500s sine 300 sine 700");
    ASSERT_EQ(open(0, monoFile), 0);
    ASSERT_EQ(open(1, stereoFile), 0);
    command([](tindle::ChannelSet& set) {
        set.setSynchronised(0, true);
        set.setSynchronised(1, true);
        set.playStop(0);
    });
    ASSERT_TRUE(eventually([&] { return !engine.carried(toWire(engine::Event::StopStreaming)).empty(); }));
    const std::vector<int16_t> monoSamples = soxSamples(monoFile);
    const std::vector<int16_t> stereoSamples = soxSamples(stereoFile);
    const std::vector<int16_t> output = outputSamples();
    ASSERT_GE(output.size(), 2 * monoSamples.size());
    std::vector<int16_t> expected(output.size());
    for (size_t i = 0; i < monoSamples.size(); ++i) {
        // The mono channel at the centre, the pair at the sides, each at unity volume.
        const int centre = monoSamples[i] * 50 / 100;
        for (size_t side = 0; side < 2; ++side) {
            const int paired = 2 * i < stereoSamples.size() ? stereoSamples[2 * i + side] : 0;
            expected[2 * i + side] = static_cast<int16_t>(std::clamp(centre + paired, -32768, 32767));
        }
    }
    EXPECT_EQ(output, expected);
    EXPECT_TRUE(record(0).state == kStateStopped && record(2).state == kStateStopped);

    command([](tindle::ChannelSet& set) {
        set.close(0);
        set.close(2);
    });
    std::vector<intptr_t> detached;
    for (const CarriedEvent& event : engine.carried(toWire(engine::Event::DetachStreams)))
        detached.insert(detached.end(), {event.target, event.index});
    EXPECT_EQ(detached, (std::vector<intptr_t>{1, 0, 2, 3}));
    EXPECT_TRUE(!record(0).loaded && !record(1).loaded && !record(2).loaded && record(0).synchronised);

    ASSERT_EQ(open(1, monoFile), 0);
    std::vector<int> loaded;
    for (const auto& recording : {std::pair{stereoFile, 2}, {monoFile, 1}, {monoFile, 1}})
        loaded.push_back(
            onWindowThread([&] { return channels().loadRecording(recording.first, recording.second); }));
    EXPECT_EQ(loaded, (std::vector<int>{0, 0, toWire(engine::Error::NoFreeChannelsForFile)}));
    EXPECT_TRUE(record(2).owner && record(2).partner == 3 && record(0).path == monoFile);

    engine::AudioSystemSetup setup = engine.audio().setup();
    setup.musicBufSize = 8820;
    ASSERT_EQ(engine.applyAudioSetup(setup), 0);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_FALSE(record(channel).loaded) << channel;
    EXPECT_EQ(tindle::plugin()->cursorAdvanceMs(), 100);
    EXPECT_TRUE(
        eventually([&] { return engine.carried(toWire(engine::Event::DetachStreams)).size() == 2 + 3u; }));
}

// Through the engine paced like a sound card: a looping synchronised file, a
// stereo 24-bit 48 kHz file that joins it at its loop restart and an 8-bit
// 22.05 kHz file that ends on its own mix sample for sample as when the
// streaming thread reads the disk itself, with the disk thread on a slow disk,
// and no block goes missing.
TEST_F(ChannelsTest, ReadAheadMixesAsReadingInTheStreamDid)
{
    constexpr int kMixBlocks = 24;
    const std::string looping = mono("loop.wav", "5000s sine 220");
    const std::string deep =
        soxWaveFile(files.file("deep.wav"), "-r 48000 -c 2 -b 24", "9000s sine 300 sine 700");
    const std::string coarse = soxWaveFile(files.file("coarse.wav"), "-r 22050 -c 1 -b 8", "6000s sine 200");
    const auto post = [&](engine::Event code) {
        engine::EngineEvent event{};
        event.code = toWire(code);
        event.wait = 1;
        return engine.postEvent(&event);
    };
    const auto render = [&](const char* readInStream, uint32_t& missed) {
        const ScopedEnv mode("VELMORA_READ_IN_STREAM", readInStream);
        // A new player, which reads the variable; the old one goes first.
        EngineSeam::inputs(engine)[0].reset();
        loadInProcess(false);
        engine.streamOnStart = false;
        EXPECT_EQ(open(0, looping), 0);
        EXPECT_EQ(open(1, deep), 0);
        EXPECT_EQ(open(3, coarse), 0);
        command([](tindle::ChannelSet& set) {
            set.setLoop(0, true);
            set.setSynchronised(0, true);
            set.playStop(0);
            set.setSynchronised(1, true);
            set.playStop(1);
            set.playStop(3);
        });
        EXPECT_EQ(record(1).state, kStateWaiting);
        rig.output.reset();
        coretest::OutputScript paced;
        paced.paceMs = 30;
        rig.output.script(paced);
        engine.streamOnStart = true;
        EXPECT_EQ(post(engine::Event::StartStreaming), 1);
        EXPECT_TRUE(eventually([&] { return rig.output.blockCount() >= kMixBlocks; }, 20s));
        post(engine::Event::StopStreaming);
        missed = 0;
        for (int channel = 0; channel < 4; ++channel)
            missed += record(channel).diskUnderruns + record(channel).lockMisses;
        command([](tindle::ChannelSet& set) { set.closeAll(); });
        std::vector<int16_t> mix;
        for (const OutputProbe::Block& block : rig.output.blocks(0, kMixBlocks))
            mix.insert(mix.end(), block.samples.begin(), block.samples.end());
        return mix;
    };
    uint32_t missedInStream = 0;
    const std::vector<int16_t> inStream = render("1", missedInStream);
    plat::setSlowDisk(50, 2);
    uint32_t missedAhead = 0;
    const std::vector<int16_t> ahead = render("0", missedAhead);
    plat::setSlowDisk(0, 0);

    ASSERT_EQ(inStream.size(), size_t{kMixBlocks} * kBlockSamples * 2);
    EXPECT_EQ(ahead, inStream);
    EXPECT_EQ(missedAhead + missedInStream, 0u);
    // The stereo file joined and played whole: its sides differ for about its length.
    size_t sidesApart = 0;
    for (size_t i = 0; i + 1 < inStream.size(); i += 2)
        sidesApart += inStream[i] != inStream[i + 1] ? 1 : 0;
    EXPECT_GT(sidesApart, size_t{3} * kBlockSamples);
}

} // namespace
} // namespace velmora::test
