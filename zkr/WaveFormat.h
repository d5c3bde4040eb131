#pragma once

#include <cstdint>

#include "platform/audio/AudioTypes.h"

namespace zkr {

inline constexpr uint16_t kWaveFormatPcm = 1;

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

} // namespace zkr
