#pragma once

#include <cstdint>
#include <string>

#include "platform/audio/AudioTypes.h"

namespace plat::audio {

inline constexpr uint32_t kWaveHeaderSize = 44;

// The 44 bytes of a PCM WAVE file that holds dataBytes of samples.
std::string waveHeader(const PcmFormat& format, uint32_t dataBytes);

// Where the samples of a WAVE file lie and what they are.
struct WaveDataRange {
    PcmFormat format;
    uint16_t formatTag = 0;
    uint64_t offset = 0;
    uint64_t bytes = 0; // cut to what the file really holds
};

// Reads the RIFF header of an open file. False when it is not a WAVE file
// with a format chunk followed by a data chunk.
[[nodiscard]] bool readWaveHeader(int fd, uint64_t fileSize, WaveDataRange& range);

} // namespace plat::audio
