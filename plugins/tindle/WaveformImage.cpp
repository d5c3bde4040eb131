#include "plugins/tindle/WaveformImage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "zkr/BufferedFile.h"

namespace tindle {

namespace {

constexpr size_t kColumnBytes = 4;
constexpr size_t kColumnsEnd = kCacheHeaderSize + kColumnBytes * WaveformImage::kWidth;
constexpr size_t kCacheSize = kColumnsEnd + 2 * sizeof(uint64_t);

// What tells one wave file from another at the same cache name, and from
// itself before it was written again.
struct WaveIdentity {
    uint64_t size = 0;
    uint64_t lastWriteTime = 0;
};

bool identify(const std::string& wavePath, WaveIdentity& wave)
{
    return plat::fileSize(wavePath, wave.size) && plat::lastWriteTime(wavePath, wave.lastWriteTime);
}

uint16_t get16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

void put16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint64_t get64(const uint8_t* at)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

void put64(uint8_t* at, uint64_t value)
{
    for (int i = 0; i < 8; ++i, value >>= 8)
        at[i] = static_cast<uint8_t>(value & 0xFF);
}

int heightFor(int channels)
{
    return channels == 2 ? WaveformImage::kStereoHeight : WaveformImage::kMonoHeight;
}

// A cache at least as new as the wave file, made from this very wave file,
// whose header matches the picture the file would get.
bool readFreshCache(const std::string& wavePath, const WaveIdentity& wave, int channels, WaveformImage& image)
{
    const std::string cachePath = cachePathFor(wavePath);
    uint64_t cacheTime = 0;
    if (!plat::lastWriteTime(cachePath, cacheTime) || cacheTime < wave.lastWriteTime)
        return false;
    // Read without blocking (a FIFO at the name would hang the player), and
    // only a file of the exact size.
    std::string content;
    if (!plat::readSmallFile(cachePath, kCacheSize, content) || content.size() != kCacheSize)
        return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(content.data());
    const int cachedChannels = get16(&bytes[8]);
    if (std::memcmp(bytes, kCacheMagic, sizeof kCacheMagic) != 0 ||
        get16(&bytes[4]) != WaveformImage::kWidth || get16(&bytes[6]) != heightFor(channels) ||
        (cachedChannels != 1 && cachedChannels != 2) || get64(&bytes[kColumnsEnd]) != wave.size ||
        get64(&bytes[kColumnsEnd + 8]) != wave.lastWriteTime)
        return false;

    image.width = WaveformImage::kWidth;
    image.height = heightFor(channels);
    image.channels = cachedChannels;
    image.columns.resize(2 * static_cast<size_t>(image.width));
    for (size_t i = 0; i < image.columns.size(); ++i)
        image.columns[i] = static_cast<int16_t>(get16(&bytes[kCacheHeaderSize + 2 * i]));
    return true;
}

// Only a cache, or nothing, is replaced: the name may be the wave file's own
// ("take.vwi") or another wave file's beside it. A cache of any size counts,
// so that one of an older layout is renewed.
bool mayWriteCache(const std::string& cachePath)
{
    std::error_code failed;
    if (std::filesystem::symlink_status(cachePath, failed).type() == std::filesystem::file_type::not_found)
        return true;
    std::string content;
    return plat::readSmallFile(cachePath, kCacheSize, content) && content.size() >= sizeof kCacheMagic &&
           std::memcmp(content.data(), kCacheMagic, sizeof kCacheMagic) == 0;
}

// Written whole or not at all, so a reader never takes a torn cache for a
// fresh one. A folder that cannot be written to only costs the next open a scan.
void writeCache(const std::string& wavePath, const WaveIdentity& wave, const WaveformImage& image)
{
    const std::string cachePath = cachePathFor(wavePath);
    if (!mayWriteCache(cachePath))
        return;
    std::array<uint8_t, kCacheSize> bytes{};
    std::memcpy(bytes.data(), kCacheMagic, sizeof kCacheMagic);
    put16(&bytes[4], static_cast<uint16_t>(image.width));
    put16(&bytes[6], static_cast<uint16_t>(image.height));
    put16(&bytes[8], static_cast<uint16_t>(image.channels));
    for (size_t i = 0; i < image.columns.size(); ++i)
        put16(&bytes[kCacheHeaderSize + 2 * i], static_cast<uint16_t>(image.columns[i]));
    put64(&bytes[kColumnsEnd], wave.size);
    put64(&bytes[kColumnsEnd + 8], wave.lastWriteTime);
    (void)plat::replaceFileContents(cachePath, bytes.data(), bytes.size());
}

// One channel's value of a frame: 8-bit samples are unsigned around 128,
// wider ones signed, their two most significant bytes taken; float ones
// scaled from their -1 to 1.
int16_t sampleValue(const uint8_t* frame, int channel, int bytesPerSample, int scale, bool floating)
{
    const uint8_t* sample = frame + channel * bytesPerSample;
    if (floating) {
        const double value =
            std::clamp(zkr::sampleValue(sample, static_cast<uint16_t>(8 * bytesPerSample), true), -1.0, 1.0);
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
        return toWire(engine::Error::UnexpectedEof);
    const uint32_t frameCount = file.frameCount();
    const uint32_t framesBetween = frameCount / static_cast<uint32_t>(width);
    const int64_t step = int64_t{framesBetween} * frameBytes;
    if (step > INT32_MAX ||
        file.seek(file.dataOffset, zkr::BufferedFile::kFromStart) != toWire(engine::Error::Ok))
        return toWire(engine::Error::UnexpectedEof);

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
        if (file.read(frame.data(), frameBytes, &got) != toWire(engine::Error::Ok) || got != frameBytes)
            return toWire(engine::Error::UnexpectedEof);
        image.columns[2 * static_cast<size_t>(column)] =
            sampleValue(frame.data(), 0, bytesPerSample, scale, floating);
        if (channels == 2)
            image.columns[2 * static_cast<size_t>(column) + 1] =
                sampleValue(frame.data(), 1, bytesPerSample, scale, floating);
        if (step > 0 && file.seek(static_cast<int32_t>(step), zkr::BufferedFile::kFromCurrent) !=
                            toWire(engine::Error::Ok))
            return toWire(engine::Error::UnexpectedEof);
        const int percent = column * 100 / width;
        if (percent != reported && progress) {
            reported = percent;
            progress(percent);
        }
    }
    return toWire(engine::Error::Ok);
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
    // Taken before the scan: a file written meanwhile makes its picture stale.
    WaveIdentity wave;
    const bool identified = identify(wavePath, wave);
    if (identified && readFreshCache(wavePath, wave, channels, image))
        return toWire(engine::Error::Ok);

    const int scanned = scanSamples(file, channels, image, progress);
    if (file.seek(file.dataOffset, zkr::BufferedFile::kFromStart) != toWire(engine::Error::Ok))
        return toWire(engine::Error::UnexpectedEof);
    if (scanned != toWire(engine::Error::Ok))
        return scanned;
    if (identified)
        writeCache(wavePath, wave, image);
    return toWire(engine::Error::Ok);
}

} // namespace tindle
