#pragma once

#include <cstdint>
#include <cstring>

#include "platform/audio/AudioTypes.h"

namespace zkr {

inline constexpr uint16_t kWaveFormatPcm = 1;
// IEEE floating-point samples.
inline constexpr uint16_t kWaveFormatFloat = 3;
// The format chunk's extension names the sample format (PCM or float) in the
// first two bytes of its sub-format identifier.
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// The wave format record of a PCM stream, as wave files and wave devices
// describe it.
struct WaveFormat {
    uint16_t formatTag = kWaveFormatPcm;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

// PCM with block align and byte rate worked out from the three values.
inline WaveFormat pcmFormat(uint32_t samplesPerSecond, uint16_t channels, uint16_t bitsPerSample)
{
    WaveFormat format;
    format.channels = channels;
    format.samplesPerSecond = samplesPerSecond;
    format.bitsPerSample = bitsPerSample;
    format.blockAlign = static_cast<uint16_t>(channels * (bitsPerSample / 8));
    format.averageBytesPerSecond = samplesPerSecond * format.blockAlign;
    return format;
}

inline plat::audio::PcmFormat toPcmFormat(const WaveFormat& format)
{
    plat::audio::PcmFormat pcm;
    pcm.samplesPerSecond = format.samplesPerSecond;
    pcm.channels = format.channels;
    pcm.bitsPerSample = format.bitsPerSample;
    return pcm;
}

// One sample of a wave file, little-endian, as a value from -1 to 1: 8-bit
// samples are unsigned around 128, wider integer ones signed; 32 and 64-bit
// float ones are taken as they are.
inline double sampleValue(const uint8_t* sample, uint16_t bitsPerSample, bool floating)
{
    if (floating) {
        if (bitsPerSample == 64) {
            double value;
            std::memcpy(&value, sample, sizeof value);
            return value;
        }
        float value;
        std::memcpy(&value, sample, sizeof value);
        return value;
    }
    const int bytes = bitsPerSample / 8;
    if (bytes == 1)
        return (sample[0] - 128) / 128.0;
    // The sample's bytes placed at the top of 32 bits keep its sign.
    uint32_t bits = 0;
    for (int i = 0; i < bytes && i < 4; ++i)
        bits |= uint32_t{sample[i]} << (8 * (4 - bytes + i));
    return static_cast<int32_t>(bits) / 2147483648.0;
}

} // namespace zkr
