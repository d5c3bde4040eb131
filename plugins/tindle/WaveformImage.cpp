#include "plugins/tindle/WaveformImage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/core/Files.h"
#include "zkr/BufferedFile.h"
#include "zkr/ErrorCodes.h"

namespace tindle {

namespace {

constexpr size_t kColumnBytes = 4;
constexpr size_t kCacheSize = kCacheHeaderSize + kColumnBytes * WaveformImage::kWidth;

uint16_t get16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

void put16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

int heightFor(int channels)
{
    return channels == 2 ? WaveformImage::kStereoHeight : WaveformImage::kMonoHeight;
}

// A cache at least as new as the wave file whose header matches the
// picture the file would get.
bool readFreshCache(const std::string& wavePath, int channels, WaveformImage& image)
{
    const std::string cachePath = cachePathFor(wavePath);
    uint64_t waveTime = 0;
    uint64_t cacheTime = 0;
    if (!plat::lastWriteTime(wavePath, waveTime) || !plat::lastWriteTime(cachePath, cacheTime) ||
        cacheTime < waveTime)
        return false;

    std::array<uint8_t, kCacheSize> bytes{};
    std::ifstream in(cachePath, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), bytes.size()))
        return false;
    const int cachedChannels = get16(&bytes[8]);
    if (std::memcmp(bytes.data(), kCacheMagic, sizeof kCacheMagic) != 0 ||
        get16(&bytes[4]) != WaveformImage::kWidth || get16(&bytes[6]) != heightFor(channels) ||
        (cachedChannels != 1 && cachedChannels != 2))
        return false;

    image.width = WaveformImage::kWidth;
    image.height = heightFor(channels);
    image.channels = cachedChannels;
    image.columns.resize(2 * static_cast<size_t>(image.width));
    for (size_t i = 0; i < image.columns.size(); ++i)
        image.columns[i] = static_cast<int16_t>(get16(&bytes[kCacheHeaderSize + 2 * i]));
    return true;
}

// Written whole or not at all, so a reader never takes a torn cache for a
// fresh one. A folder that cannot be written to only costs the next open a scan.
void writeCache(const std::string& wavePath, const WaveformImage& image)
{
    std::array<uint8_t, kCacheSize> bytes{};
    std::memcpy(bytes.data(), kCacheMagic, sizeof kCacheMagic);
    put16(&bytes[4], static_cast<uint16_t>(image.width));
    put16(&bytes[6], static_cast<uint16_t>(image.height));
    put16(&bytes[8], static_cast<uint16_t>(image.channels));
    for (size_t i = 0; i < image.columns.size(); ++i)
        put16(&bytes[kCacheHeaderSize + 2 * i], static_cast<uint16_t>(image.columns[i]));
    (void)plat::replaceFileContents(cachePathFor(wavePath), bytes.data(), bytes.size());
}

// One channel's value of a frame: 8-bit samples are unsigned around 128,
// wider ones signed, their two most significant bytes taken; float ones
// scaled from their -1 to 1.
int16_t sampleValue(const uint8_t* frame, int channel, int bytesPerSample, int scale, bool floating)
{
    const uint8_t* sample = frame + channel * bytesPerSample;
    if (floating) {
        const double value = std::clamp(zkr::sampleValue(sample, static_cast<uint16_t>(8 * bytesPerSample), true), -1.0, 1.0);
        return static_cast<int16_t>(value * scale);
    }
    if (bytesPerSample == 1)
        return static_cast<int16_t>((sample[0] - 128) * scale / 128);
    const auto top = static_cast<int16_t>(get16(sample + bytesPerSample - 2));
    return static_cast<int16_t>(top * scale / 32768);
}

int scanSamples(zkr::MultimediaFile& file, int channels, WaveformImage& image,
                const std::function<void(int)>& progress)
{
    const int width = WaveformImage::kWidth;
    image.width = width;
    image.height = heightFor(channels);
    image.channels = channels;
    image.columns.assign(2 * static_cast<size_t>(width), 0);

    const int scale = image.height / channels / 2;
    const int frameBytes = file.header.blockAlign;
    const int bytesPerSample = frameBytes / std::max<int>(file.header.channels, 1);
    const bool floating = file.sampleFormat == zkr::kWaveFormatFloat;
    if (bytesPerSample < 1)
        return zkr::kErrUnexpectedEof;
    const uint32_t frameCount = file.frameCount();
    const uint32_t framesBetween = frameCount / static_cast<uint32_t>(width);
    const int64_t step = int64_t{framesBetween} * frameBytes;
    if (step > INT32_MAX || file.seek(file.dataOffset, zkr::BufferedFile::kFromStart) != zkr::kOk)
        return zkr::kErrUnexpectedEof;

    std::vector<uint8_t> frame(static_cast<size_t>(frameBytes));
    int reported = 0;
    for (int column = 0; column < width; ++column) {
        // Columns past the last frame (the last one of most files, most of
        // a file shorter than the picture) stay silent; a frame the data
        // chunk promises but the file lacks is a truncated file.
        const uint64_t frameIndex = uint64_t{static_cast<uint32_t>(column)} * (framesBetween + 1);
        if (frameIndex >= frameCount)
            break;
        int32_t got = 0;
        if (file.read(frame.data(), frameBytes, &got) != zkr::kOk || got != frameBytes)
            return zkr::kErrUnexpectedEof;
        image.columns[2 * static_cast<size_t>(column)] = sampleValue(frame.data(), 0, bytesPerSample, scale, floating);
        if (channels == 2)
            image.columns[2 * static_cast<size_t>(column) + 1] =
                sampleValue(frame.data(), 1, bytesPerSample, scale, floating);
        if (step > 0 && file.seek(static_cast<int32_t>(step), zkr::BufferedFile::kFromCurrent) != zkr::kOk)
            return zkr::kErrUnexpectedEof;
        const int percent = column * 100 / width;
        if (percent != reported && progress) {
            reported = percent;
            progress(percent);
        }
    }
    return zkr::kOk;
}

} // namespace

std::string cachePathFor(const std::string& wavePath)
{
    const size_t dot = wavePath.rfind('.');
    const size_t slash = wavePath.rfind('/');
    // A dot in a folder's name is no extension of the file's.
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return wavePath + ".vwi";
    return wavePath.substr(0, dot + 1) + "vwi";
}

int buildWaveformImage(zkr::MultimediaFile& file, const std::string& wavePath, WaveformImage& image,
                       const std::function<void(int percent)>& progress)
{
    // More than two channels are pictured by their first two.
    const int channels = std::clamp<int>(file.header.channels, 1, 2);
    if (readFreshCache(wavePath, channels, image))
        return zkr::kOk;

    const int scanned = scanSamples(file, channels, image, progress);
    if (file.seek(file.dataOffset, zkr::BufferedFile::kFromStart) != zkr::kOk)
        return zkr::kErrUnexpectedEof;
    if (scanned != zkr::kOk)
        return scanned;
    writeCache(wavePath, image);
    return zkr::kOk;
}

} // namespace tindle
