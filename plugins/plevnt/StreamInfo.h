#pragma once

#include <cstdint>
#include <string>

namespace plevnt {

// What is known of one media file: filled by the parser of the module that
// decodes it (zero when the module has none), kept with its playlist entry.
// Texts are zero-terminated.
struct StreamInfo {
    int32_t valid;       // non-zero: a parser filled the record
    char media[68];      // the media label: "MPEG 1 Layer 3", "FLAC", ...
    char title[320];     // from the tags; empty when none
    char artist[320];
    char album[320];
    int32_t channelMode; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int32_t sampleRate;  // Hz, of the file
    int32_t bitRate;     // kbit/s
    int32_t hasBits;     // non-zero: bits holds the file's bits per sample
    int32_t bits;        // 16 when the module does not say
    int32_t hasSize;     // non-zero: size holds the length
    uint32_t size;       // milliseconds
};
static_assert(sizeof(StreamInfo) == 1060);

inline constexpr int32_t kChannelModeMono = 3;

// Stereo for the channel modes 0 to 2 of a valid record.
bool isStereo(const StreamInfo& info);

// "hh:mm:ss" of a time in milliseconds ("00:00:00" for zero).
std::string timeText(uint32_t milliseconds);

// The information view's text: media label, rate, channel mode and bit rate
// on four lines, then the bits per sample when the stream states them.
std::string infoText(const StreamInfo& info);

} // namespace plevnt
