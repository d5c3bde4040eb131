// Our decoder modules driven through their exports as the media player
// drives them, on files ffmpeg makes at 44100 and 48000 Hz.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "decoders/DecoderModuleKit.h"
#include "support/Eventually.h"
#include "support/Ffmpeg.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;
using velmora::test::DecoderModule;
using velmora::test::ModuleStream;
using velmora::test::staysFalse;

namespace {

constexpr double kSeconds = 2.0;
constexpr int32_t kBlockBytes = 4000; // not a power of two: blocks are cut by the host's size

// ffmpeg's source of the test tone: 440 Hz left (or mono), 1000 Hz right.
std::string toneInput(int rate, int channels, double seconds = kSeconds)
{
    std::string expression = "0.5*sin(2*PI*440*t)";
    if (channels == 2)
        expression += "|0.3*sin(2*PI*1000*t)";
    return "-f lavfi -i 'aevalsrc=" + expression + ":s=" + std::to_string(rate) +
           ":d=" + std::to_string(seconds) + "'";
}

// ffmpeg writes no Monkey's Audio: a WAV of the input goes through jmac's
// encoder instead.
constexpr const char* kMonkeysAudio = "Monkey's Audio";

bool makeFile(const std::string& path, const std::string& input, const std::string& encoder)
{
    if (encoder != kMonkeysAudio)
        return velmora::test::ffmpegMake(path, input, encoder);
    const std::string wave = path + ".wav";
    return velmora::test::ffmpegMake(wave, input, "-c:a pcm_s16le") &&
           std::system(("jmac c2 '" + wave + "' '" + path + "' >/dev/null 2>&1").c_str()) == 0;
}

// How closely two decodes of one file agree: signal to difference in dB,
// over the middle (the ends hold the codecs' and filters' transients).
double agreement(const std::vector<int16_t>& samples, const std::vector<int16_t>& reference)
{
    double signal = 0;
    double difference = 0;
    const size_t length = std::min(samples.size(), reference.size());
    for (size_t i = 8820; i + 8820 < length; ++i) {
        signal += double(reference[i]) * reference[i];
        difference += double(samples[i] - reference[i]) * (samples[i] - reference[i]);
    }
    return 10 * std::log10(signal / std::max(difference, 1.0));
}

// Each module loaded once for the whole program and never unloaded: the
// codec libraries it brings keep what their start-up allocated, which
// unloading would leave behind as leaks.
const DecoderModule& loaded(const std::string& name)
{
    static auto& modules = *new std::map<std::string, DecoderModule>; // never unloaded
    auto found = modules.find(name);
    if (found == modules.end())
        found = modules.try_emplace(name, velmora::test::decoderModulePath(name)).first;
    return found->second;
}

struct Case {
    const char* module;
    const char* file;
    const char* encoder;
    int rate;
    int channels;
    bool exact;         // lossless at 44100 Hz: ffmpeg's own samples, bit for bit
    const char* format; // WaveInfo's text, or null for MPEG audio
};

const Case kCases[] = {
    {"WAVMP.ESP", "mono44.wav", "-c:a pcm_s16le", 44100, 1, true, "WAV"},
    {"WAVMP.ESP", "stereo44.wav", "-c:a pcm_s16le", 44100, 2, true, "WAV"},
    {"WAVMP.ESP", "stereo48.wav", "-c:a pcm_s16le", 48000, 2, false, "WAV"},
    {"WAVMP.ESP", "stereo44.flac", "-c:a flac -sample_fmt s16", 44100, 2, true, "FLAC"},
    {"WAVMP.ESP", "mono48.flac", "-c:a flac -sample_fmt s16", 48000, 1, false, "FLAC"},
    {"WAVMP.ESP", "stereo44.ogg", "-c:a libvorbis -q:a 6", 44100, 2, false, "Ogg Vorbis"},
    {"WAVMP.ESP", "mono48.ogg", "-c:a libvorbis -q:a 6", 48000, 1, false, "Ogg Vorbis"},
    {"WAVMP.ESP", "stereo48.opus", "-c:a libopus -b:a 160k", 48000, 2, false, "Opus"},
    {"ELAMP.ESP", "stereo44.mp3", "-c:a libmp3lame -b:a 192k", 44100, 2, false, nullptr},
    {"ELAMP.ESP", "mono48.mp3", "-c:a libmp3lame -b:a 128k", 48000, 1, false, nullptr},
    {"WMAMP.ESP", "stereo44.m4a", "-c:a aac -b:a 192k", 44100, 2, false, "AAC"},
    {"WMAMP.ESP", "mono48.m4a", "-c:a aac -b:a 128k", 48000, 1, false, "AAC"},
    {"WMAMP.ESP", "stereo44.wma", "-c:a wmav2 -b:a 192k", 44100, 2, false, "WMA"},
    {"WMAMP.ESP", "alac44.m4a", "-c:a alac -sample_fmt s16p", 44100, 2, true, "ALAC"},
    {"WMAMP.ESP", "stereo44.wv", "-c:a wavpack -sample_fmt s16p", 44100, 2, true, "WavPack"},
    {"WMAMP.ESP", "mono48.wv", "-c:a wavpack -sample_fmt s16p", 48000, 1, false, "WavPack"},
    {"WMAMP.ESP", "stereo48.mka", "-c:a libopus -b:a 160k", 48000, 2, false, "Opus"},
    {"WMAMP.ESP", "stereo44.tta", "-c:a tta -sample_fmt s16", 44100, 2, true, "TTA (True Audio)"},
    {"WMAMP.ESP", "stereo44.ape", kMonkeysAudio, 44100, 2, true, "Monkey's Audio"},
};

bool lossy(const std::string& format)
{
    return format.starts_with("Ogg") || format == "Opus" || format == "AAC" || format == "WMA";
}

TEST(DecoderModules, DecodeEveryFormatTo44100HzBlocksOfTheHostsSizeBetweenStartAndEnd)
{
    velmora::test::Watchdog watchdog(90s, "decoding every format");
    velmora::test::TempFolder folder;
    for (const Case& test : kCases) {
        SCOPED_TRACE(test.file);
        const std::string path = folder.file(test.file);
        ASSERT_TRUE(makeFile(path, toneInput(test.rate, test.channels), test.encoder));
        const DecoderModule& module = loaded(test.module);
        ASSERT_EQ(module.bound, decoder::kModuleFunctionCount);
        ModuleStream stream(module, kBlockBytes);
        ASSERT_TRUE(stream.open(path));

        // ASF states its length with the WMA codec's delay in it.
        EXPECT_NEAR(double(stream.sizeMs), kSeconds * 1000, 45);
        if (test.format != nullptr) {
            const auto info = stream.info<decoder::WaveInfo>();
            EXPECT_EQ(info.channels, test.channels);
            EXPECT_EQ(info.sampleRate, test.rate);
            EXPECT_STREQ(info.format, test.format);
            EXPECT_EQ(info.bitsPerSample, lossy(test.format) ? 0 : 16);
            EXPECT_EQ(info.lengthMs, int32_t(stream.sizeMs));
        } else {
            const auto info = stream.info<decoder::MpegInfo>();
            EXPECT_EQ(info.channelMode,
                      test.channels == 1 ? decoder::kChannelMono : decoder::kChannelJointStereo);
            EXPECT_EQ(info.sampleRate, test.rate);
            EXPECT_EQ(info.version, 1);
            EXPECT_EQ(stream.informationValue, 3);
        }

        ASSERT_TRUE(stream.play());
        ASSERT_TRUE(stream.waitForEnds(1));
        stream.recorded([&] {
            // Started before the first block, ended after the last.
            ASSERT_EQ(stream.events.size(), 2u);
            EXPECT_TRUE(stream.events[0].started);
            EXPECT_EQ(stream.events[0].blocksBefore, 0u);
            EXPECT_FALSE(stream.events[1].started);
            EXPECT_EQ(stream.events[1].blocksBefore, stream.blockBytes.size());
            EXPECT_FALSE(stream.outsideModuleThread);
            const int32_t frameBytes = 2 * test.channels;
            for (size_t block = 0; block + 1 < stream.blockBytes.size(); ++block)
                ASSERT_EQ(stream.blockBytes[block], kBlockBytes / frameBytes * frameBytes);
            EXPECT_GT(stream.blockBytes.back(), 0);
            EXPECT_EQ(stream.blockBytes.back() % frameBytes, 0);

            const double frames = double(stream.samples.size()) / test.channels;
            EXPECT_NEAR(frames, kSeconds * 44100, 0.005 * 44100);
            if (test.exact)
                EXPECT_EQ(stream.samples, velmora::test::ffmpegSamples(path));
            else
                EXPECT_GT(agreement(stream.samples, velmora::test::ffmpegSamples(path, 44100)), 60.0)
                    << agreement(stream.samples, velmora::test::ffmpegSamples(path, 44100));
        });
        EXPECT_EQ(stream.call<decoder::ESGetPlayerModeFn>("ESGetPlayerMode", stream.handle),
                  decoder::kModeStopped);
    }
}

// The frames by which a decode lags its source, from their left channels'
// correlation over lags up to most.
int lagOf(const std::vector<int16_t>& decoded, const std::vector<int16_t>& source, int most)
{
    int best = 0;
    double bestSum = -1e300;
    const long frames = long(std::min(decoded.size(), source.size()) / 2) - most;
    for (int lag = -most; lag <= most; ++lag) {
        double sum = 0;
        for (long frame = most; frame < frames; ++frame)
            sum += double(decoded[size_t(2 * (frame + lag))]) * source[size_t(2 * frame)];
        if (sum > bestSum)
            bestSum = sum, best = lag;
    }
    return best;
}

// Encoders put a delay before the audio and padding after it; the modules
// take both away, so a file plays as long as its source, in step with it.
TEST(DecoderModules, EncoderDelayAndPaddingAreNotPlayed)
{
    velmora::test::Watchdog watchdog(90s, "gapless decoding");
    velmora::test::TempFolder folder;
    const std::string source = folder.file("source.wav");
    ASSERT_TRUE(velmora::test::ffmpegMake(
        source, "-f lavfi -i anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:duration=2",
        "-ac 2 -c:a pcm_s16le"));
    const std::vector<int16_t> original = velmora::test::ffmpegSamples(source);
    const char* const cases[][3] = {{"ELAMP.ESP", "gapless.mp3", "-c:a libmp3lame -b:a 192k"},
                                    {"WMAMP.ESP", "gapless.m4a", "-c:a aac -b:a 192k"},
                                    {"WMAMP.ESP", "gapless.opus", "-c:a libopus -b:a 192k"}};
    for (const auto& [name, file, encoder] : cases) {
        SCOPED_TRACE(file);
        const std::string path = folder.file(file);
        ASSERT_TRUE(velmora::test::ffmpegMake(path, "-i '" + source + "'", encoder));
        ModuleStream stream(loaded(name), kBlockBytes);
        ASSERT_TRUE(stream.open(path) && stream.play() && stream.waitForEnds(1));
        const std::vector<int16_t> decoded = stream.recorded([&] { return stream.samples; });
        EXPECT_NEAR(double(decoded.size()), double(original.size()), 2 * 32);
        EXPECT_NEAR(lagOf(decoded, original, 2000), 0, 3);
    }
}

// Damaged files (bytes scrambled, a stretch wiped, cut short) are refused at
// the open or play to an end: no crash, no hang (run under the sanitizers too).
TEST(DecoderModules, DamagedFilesAreRefusedOrPlayToAnEnd)
{
    velmora::test::Watchdog watchdog(120s, "damaged files");
    velmora::test::TempFolder folder;
    std::minstd_rand random(7);
    const char* const kinds[][2] = {{"-c:a aac", ".m4a"},    {"-c:a alac", ".m4a"}, {"-c:a wmav2", ".wma"},
                                    {"-c:a wavpack", ".wv"}, {"-c:a tta", ".tta"},  {"-c:a libopus", ".mka"},
                                    {kMonkeysAudio, ".ape"}};
    for (const auto& [encoder, extension] : kinds) {
        SCOPED_TRACE(encoder);
        const std::string whole = folder.file(std::string("whole") + extension);
        ASSERT_TRUE(makeFile(whole, toneInput(44100, 2, 1.0), encoder));
        std::ifstream in(whole, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (int damage = 0; damage < 3; ++damage) {
            std::string damaged = bytes;
            if (damage == 0)
                for (size_t at = 64; at < damaged.size(); at += 1 + random() % 300)
                    damaged[at] = char(random());
            else if (damage == 1)
                std::fill(damaged.begin() + ptrdiff_t(damaged.size() / 3),
                          damaged.begin() + ptrdiff_t(damaged.size() / 2), '\0');
            else
                damaged.resize(damaged.size() / 2);
            const std::string path = folder.file("damaged" + std::to_string(damage) + extension);
            std::ofstream(path, std::ios::binary) << damaged;
            ModuleStream stream(loaded("WMAMP.ESP"), kBlockBytes);
            const bool opened = stream.open(path);
            EXPECT_TRUE(!opened || (stream.play() && stream.waitForEnds(1))) << damage;
        }
    }
}

// Pause, seek, position and stop while the host takes blocks at a steady
// pace; a run to the end first gives the module's own samples to compare.
TEST(DecoderModules, PauseSeekPositionStopAndPlayAgain)
{
    velmora::test::Watchdog watchdog(90s, "playback control");
    velmora::test::TempFolder folder;
    constexpr int32_t kStereoBlock = 4096; // 1024 frames
    const std::map<std::string, std::pair<std::string, std::string>> files = {
        {"WAVMP.ESP", {"long.wav", "-c:a pcm_s16le"}},
        {"ELAMP.ESP", {"long.mp3", "-c:a libmp3lame -b:a 192k"}},
        {"WMAMP.ESP", {"long.m4a", "-c:a alac"}}}; // AAC's noise bands differ from run to run
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        const std::string path = folder.file(file.first);
        ASSERT_TRUE(velmora::test::ffmpegMake(path, toneInput(44100, 2, 8.0), file.second));
        const DecoderModule& module = loaded(name);
        ModuleStream stream(module, kStereoBlock, 2ms);
        const auto handle = stream.handle;
        ASSERT_TRUE(stream.open(path));
        const auto mode = [&] { return stream.call<decoder::ESGetPlayerModeFn>("ESGetPlayerMode", handle); };
        const auto position = [&] { return stream.call<decoder::ESGetPosFn>("ESGetPos", handle); };
        const auto blocks = [&] { return stream.recorded([&] { return stream.blockBytes.size(); }); };

        ASSERT_TRUE(stream.play());
        ASSERT_TRUE(stream.waitForEnds(1));
        const std::vector<int16_t> whole = stream.recorded([&] { return stream.samples; });
        EXPECT_EQ(whole.size(), 8 * 44100 * 2u);
        stream.forget();

        ASSERT_TRUE(stream.play());
        ASSERT_TRUE(stream.waitForBlocks(20));
        EXPECT_EQ(mode(), decoder::kModePlaying);
        ASSERT_TRUE(stream.call<decoder::ESPauseFn>("ESPause", handle));
        EXPECT_EQ(mode(), decoder::kModePaused);
        std::this_thread::sleep_for(30ms); // a block already handed over finishes
        const size_t pausedAt = blocks();
        EXPECT_TRUE(staysFalse([&] { return blocks() != pausedAt; }, 60ms)); // 30 blocks' pace
        EXPECT_EQ(position(), uint32_t(pausedAt * 1024 * 1000 / 44100));

        // Seeking while paused: the position answers at once, the next block starts there.
        ASSERT_TRUE(stream.call<decoder::ESSetPosFn>("ESSetPos", handle, 3000u));
        EXPECT_EQ(position(), 3000u);
        EXPECT_FALSE(stream.call<decoder::ESSetPosFn>("ESSetPos", handle, 9000u));
        ASSERT_TRUE(stream.call<decoder::ESResumeFn>("ESResume", handle));
        ASSERT_TRUE(stream.waitForBlocks(pausedAt + 3));
        stream.recorded([&] {
            const auto first = stream.samples.begin() + ptrdiff_t(pausedAt * 2048);
            const auto expected = whole.begin() + 3 * 44100 * 2;
            EXPECT_TRUE(std::equal(first, first + 2048, expected));
        });
        EXPECT_GE(position(), 3000u + 2 * 1024 * 1000 / 44100);

        // Stop ends the stream with its end event and no block after it.
        ASSERT_TRUE(stream.call<decoder::ESStopFn>("ESStop", handle));
        const size_t stoppedAt = blocks();
        EXPECT_TRUE(stream.waitForEnds(2, 0ms));
        EXPECT_TRUE(staysFalse([&] { return blocks() != stoppedAt; }, 60ms));
        EXPECT_EQ(mode(), decoder::kModeStopped);
        EXPECT_EQ(position(), 0u);

        // Played again, the stream starts over and runs to its end.
        stream.forget();
        ASSERT_TRUE(stream.play());
        ASSERT_TRUE(stream.waitForEnds(3));
        stream.recorded([&] {
            EXPECT_EQ(stream.samples, whole);
            ASSERT_EQ(stream.events.size(), 2u);
            EXPECT_EQ(stream.events[1].blocksBefore, stream.blockBytes.size());
        });

        // With limits, only the stretch between them plays.
        stream.forget();
        ASSERT_TRUE(stream.call<decoder::ESSetLimitsFn>("ESSetLimits", handle, 1000u, 2000u));
        ASSERT_TRUE(stream.play());
        ASSERT_TRUE(stream.waitForEnds(4));
        stream.recorded([&] {
            EXPECT_TRUE(std::equal(stream.samples.begin(), stream.samples.end(), whole.begin() + 44100 * 2,
                                   whole.begin() + 2 * 44100 * 2));
        });
    }
}

// One-second tones made by ffmpeg with the same tags, in a folder of the test's own.
class DecoderFiles : public ::testing::Test {
protected:
    std::string tagged(const std::string& name, int channels, const std::string& codec)
    {
        const std::string tags =
            " -metadata title='Night Drive' -metadata artist='Velmora Test' -metadata album='Tones'";
        const std::string path = folder.file(name);
        EXPECT_TRUE(velmora::test::ffmpegMake(path, toneInput(44100, channels, 1.0), codec + tags)) << name;
        return path;
    }

    velmora::test::Watchdog watchdog{60s, "decoder files"};
    velmora::test::TempFolder folder;
};

TEST_F(DecoderFiles, TagsReachTheInformationBlocks)
{
    ModuleStream mpeg(loaded("ELAMP.ESP"), kBlockBytes);
    ASSERT_TRUE(mpeg.open(tagged("tagged.mp3", 2, "-c:a libmp3lame -b:a 128k")));
    const auto mpegInfo = mpeg.info<decoder::MpegInfo>();
    EXPECT_STREQ(mpegInfo.title, "Night Drive");
    EXPECT_STREQ(mpegInfo.artist, "Velmora Test");
    EXPECT_STREQ(mpegInfo.album, "Tones");
    EXPECT_EQ(mpegInfo.layer, 3);
    EXPECT_EQ(mpegInfo.bitRate, 128);

    ModuleStream wave(loaded("WAVMP.ESP"), kBlockBytes);
    ASSERT_TRUE(wave.open(tagged("tagged.flac", 1, "-c:a flac -sample_fmt s16")));
    const auto waveInfo = wave.info<decoder::WaveInfo>();
    EXPECT_STREQ(waveInfo.title, "Night Drive");
    EXPECT_STREQ(waveInfo.artist, "Velmora Test");
    EXPECT_EQ(wave.informationValue, SF_FORMAT_FLAC);

    ModuleStream media(loaded("WMAMP.ESP"), kBlockBytes);
    ASSERT_TRUE(media.open(tagged("tagged.m4a", 2, "-c:a aac")));
    const auto mediaInfo = media.info<decoder::MediaInfo>();
    EXPECT_STREQ(mediaInfo.wave.title, "Night Drive");
    EXPECT_STREQ(mediaInfo.wave.artist, "Velmora Test");
    EXPECT_STREQ(mediaInfo.album, "Tones");
    EXPECT_EQ(media.information.size(), sizeof(decoder::MediaInfo));
}

// The host opens a file twice (information, then playing): the module reads
// it once, as an MPEG scan is slow on a large file. A FIFO is refused at once.
TEST_F(DecoderFiles, AnMpegFileIsReadOnceForTwoOpensAndAFifoIsRefused)
{
    const DecoderModule& elamp = loaded("ELAMP.ESP");
    const std::string mp3 = tagged("tagged.mp3", 2, "-c:a libmp3lame -b:a 128k");
    ModuleStream mpeg(elamp, kBlockBytes);
    ASSERT_TRUE(mpeg.open(mp3));
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, mp3.c_str(), IN_OPEN | IN_CLOSE_NOWRITE), 0);
    ModuleStream reopened(elamp, kBlockBytes);
    ASSERT_TRUE(reopened.open(mp3));
    inotify_event events[4];
    EXPECT_EQ(::read(watch, events, sizeof events), ssize_t(sizeof(inotify_event)));
    ::close(watch);
    ASSERT_EQ(mkfifo(folder.file("fifo.mp3").c_str(), 0600), 0);
    EXPECT_FALSE(ModuleStream(elamp, kBlockBytes).open(folder.file("fifo.mp3")));
}

// The texts the player lists, and what a host may not do.
TEST_F(DecoderFiles, TheListedTextsAndCallsAHostMayNotMake)
{
    const DecoderModule& elamp = loaded("ELAMP.ESP");
    const DecoderModule& wavmp = loaded("WAVMP.ESP");
    char text[decoder::kTextSize] = {};
    int32_t size = decoder::kTextSize;
    ASSERT_TRUE(wavmp.get<decoder::ESGetExtsFn>("ESGetExts")(text, &size));
    EXPECT_NE(std::string(text).find("FLAC"), std::string::npos);
    ASSERT_TRUE(elamp.get<decoder::ESGetExtsFn>("ESGetExts")(text, &size));
    EXPECT_EQ(std::string(text).substr(0, 4), "MP3;");
    size = 4;
    EXPECT_FALSE(elamp.get<decoder::ESGetNameFn>("ESGetName")(text, &size));

    ModuleStream missing(wavmp, kBlockBytes);
    EXPECT_FALSE(missing.call<decoder::ESPlayFn>("ESPlay", missing.handle));
    EXPECT_FALSE(missing.call<decoder::ESSetInputModeFn>("ESSetInputMode", missing.handle, 1));
    EXPECT_FALSE(missing.call<decoder::ESSetOutputModeFn>("ESSetOutputMode", missing.handle, 0));
    EXPECT_FALSE(missing.open(folder.file("nothing.wav")));
    EXPECT_NE(missing.call<decoder::ESGetLastErrorFn>("ESGetLastError", missing.handle), 0);
    EXPECT_FALSE(wavmp.get<decoder::ESDeInitModuleFn>("ESDeInitModule")(missing.handle + 8));
    ModuleStream wave(wavmp, kBlockBytes);
    ASSERT_TRUE(wave.open(tagged("tagged.flac", 1, "-c:a flac -sample_fmt s16")));
    int32_t small = 8;
    std::vector<std::byte> block(8);
    EXPECT_FALSE(wave.call<decoder::ESGetInfo1Fn>("ESGetInfo1", wave.handle, block.data(), &small));
    EXPECT_EQ(small, int32_t(sizeof(decoder::WaveInfo)));
}

// A rate far from 44100 Hz (written over the header's rate and bytes per second).
TEST_F(DecoderFiles, ARateFarFrom44100HzIsRefused)
{
    const std::string odd = folder.file("odd.wav");
    ASSERT_TRUE(velmora::test::ffmpegMake(odd, toneInput(1000, 1, 0.1), "-c:a pcm_s16le"));
    for (const uint32_t rate : {1u, 999u, 800000u}) {
        const uint32_t fields[2] = {rate, rate * 2};
        std::fstream(odd, std::ios::in | std::ios::out)
            .seekp(24)
            .write(reinterpret_cast<const char*>(fields), 8);
        ModuleStream stream(loaded("WAVMP.ESP"), kBlockBytes);
        EXPECT_FALSE(stream.open(odd)) << rate;
        EXPECT_EQ(stream.call<decoder::ESGetLastErrorFn>("ESGetLastError", stream.handle), 4) << rate;
    }
}

TEST_F(DecoderFiles, AnMpegStreamWhoseFormatChangesMidwayPlaysOnInItsFirst)
{
    const std::string sine = "-f lavfi -i sine=duration=3:sample_rate=";
    const std::string plain = " -c:a libmp3lame -write_xing 0 -id3v2_version 0";
    ASSERT_TRUE(velmora::test::ffmpegMake(folder.file("1.mp3"), sine + "22050", "-ac 1" + plain));
    ASSERT_TRUE(velmora::test::ffmpegMake(folder.file("2.mp3"), sine + "44100", "-ac 2" + plain));
    std::ofstream(folder.file("1.mp3"), std::ios::app) << std::ifstream(folder.file("2.mp3")).rdbuf();
    ModuleStream changing(loaded("ELAMP.ESP"), kBlockBytes);
    ASSERT_TRUE(changing.open(folder.file("1.mp3")) && changing.play() && changing.waitForEnds(1));
    EXPECT_NEAR(double(changing.recorded([&] { return changing.samples.size(); })), 6 * 44100, 0.1 * 44100);
}

} // namespace
