#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

#include "plugins/tindle/WaveformImage.h"
#include "support/Sox.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Columns = std::vector<int16_t>;

// Two seconds of tone made by sox (88200 frames: a column every 281st frame,
// the last one past the end), and its samples as sox decodes them: 16-bit,
// interleaved, 8-bit ones as (byte - 128) x 256.
std::vector<int16_t> soxTone(const std::string& path, const std::string& format, const std::string& tones)
{
    EXPECT_TRUE(velmora::test::soxWave(path, "-r 44100 " + format, "2 " + tones));
    return velmora::test::soxSamples(path);
}

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The result, the picture and how many progress reports came.
std::tuple<int, tindle::WaveformImage, int> build(const std::string& path)
{
    zkr::MultimediaFile file;
    EXPECT_EQ(file.attach(path.c_str(), 0), 0);
    EXPECT_EQ(file.readHeader(), 0);
    tindle::WaveformImage image;
    int reports = 0;
    const int result = tindle::buildWaveformImage(file, path, image, [&](int) { ++reports; });
    EXPECT_EQ(file.position(), file.dataOffset);
    return {result, image, reports};
}

TEST(WaveformImageTest, OneFramePerColumnScaledTo13PixelsAndCachedByteForByte)
{
    EXPECT_EQ(tindle::cachePathFor("/a.b/live.2000.wav"), "/a.b/live.2000.vwi");
    EXPECT_EQ(tindle::cachePathFor("/a.b/take"), "/a.b/take.vwi");
    velmora::test::TempFolder folder;
    const std::string path = folder.file("take.wav");
    for (const std::string format : {"-c 1 -b 16", "-c 2 -b 16", "-c 1 -b 8"}) {
        SCOPED_TRACE(format);
        const int channels = format[3] - '0';
        const std::vector<int16_t> samples = soxTone(path, format, "sine 440 sine 1250");
        ASSERT_EQ(samples.size(), 88200u * channels);
        const auto [result, image, reports] = build(path);
        ASSERT_EQ(result, 0);
        for (int column : {0, 1, 2, 3, 50, 157, 313, 314})
            for (int channel : {0, 1}) {
                const int at = column * 281 * channels + channel;
                const int sample = column < 314 && channel < channels ? samples[at] : 0;
                EXPECT_EQ(image.columns[2 * column + channel],
                          format.ends_with("8") ? sample / 256 * 13 / 128 : sample * 13 / 32768);
            }
        const std::string cache = bytesOf(tindle::cachePathFor(path));
        const auto* fields = reinterpret_cast<const int16_t*>(cache.data());
        EXPECT_EQ(cache.substr(0, 4), "VWI ");
        EXPECT_EQ(Columns(fields + 2, fields + 6),
                  (Columns{315, int16_t(26 * channels), int16_t(channels), 0}));
        EXPECT_EQ(Columns(fields + 6, fields + 6 + 2 * 315), image.columns);
        EXPECT_EQ(reports, 99) << "each whole percent once";
        fs::remove(tindle::cachePathFor(path));
    }
    fs::resize_file(path, fs::file_size(path) / 2);
    EXPECT_EQ(std::get<0>(build(path)), 9) << "the data chunk promises more than the file holds";
}

TEST(WaveformImageTest, FreshCacheSparesTheScanStaleOrMismatchedOneIsRebuilt)
{
    velmora::test::Watchdog watchdog(30s, "a FIFO at the cache's name");
    velmora::test::TempFolder folder;
    const std::string path = folder.file("take.wav");
    const std::string cache = tindle::cachePathFor(path);
    soxTone(path, "-c 1 -b 16", "sine 440");
    const Columns first = std::get<1>(build(path)).columns;
    // Other samples under a newer cache: the old picture, no sample read.
    const auto written = fs::last_write_time(path);
    soxTone(path, "-c 1 -b 16", "square 97");
    fs::last_write_time(path, written);
    fs::last_write_time(cache, written + 5s);
    const auto [result, reused, reports] = build(path);
    EXPECT_EQ(reused.columns, first);
    EXPECT_EQ(reports, 0);

    fs::last_write_time(path, fs::last_write_time(cache) + 5s);
    EXPECT_NE(std::get<1>(build(path)).columns, first);
    const std::string good = bytesOf(cache);
    EXPECT_NE(good.substr(12), std::string(reinterpret_cast<const char*>(first.data()), 4 * 315));
    for (size_t at : {0, 4, 6}) { // the name, the width, a stereo height
        const std::string bad = good.substr(0, at) + char(good[at] + 26) + good.substr(at + 1);
        std::ofstream(cache, std::ios::binary) << bad;
        fs::last_write_time(cache, fs::last_write_time(path) + 5s);
        EXPECT_EQ(std::get<2>(build(path)), 99) << at;
        EXPECT_EQ(bytesOf(cache), at == 0 ? bad : good) << at; // without the name, no cache to replace
    }
    fs::remove(cache);
    fs::create_directory(cache);
    EXPECT_EQ(std::get<0>(build(path)), 0) << "a cache that cannot be written is no failure";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 2) << "no temporary file left";
    fs::remove(cache);
    ASSERT_EQ(mkfifo(cache.c_str(), 0600), 0);
    fs::last_write_time(cache, fs::last_write_time(path) + 5s);
    EXPECT_EQ(std::get<2>(build(path)), 99) << "a FIFO at the cache's name is passed by";

    // The cache is its own wave file's, and never replaces one.
    fs::remove(cache);
    soxTone(folder.file("take.wave"), "-c 1 -b 16 -t wav", "sine 440");
    const Columns mine = std::get<1>(build(path)).columns;
    EXPECT_NE(std::get<1>(build(folder.file("take.wave"))).columns, mine);
    fs::copy_file(path, folder.file("x.vwi"));
    EXPECT_EQ(std::get<1>(build(folder.file("x.vwi"))).columns, mine);
    EXPECT_EQ(bytesOf(folder.file("x.vwi")), bytesOf(path));
}

} // namespace
