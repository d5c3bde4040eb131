#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zkr/MultimediaFile.h"

namespace tindle {

// The picture of a wave file's waveform: 315 columns of a left (or mono) and
// a right value, 26 pixels high for mono files and 52 for stereo, kept in a
// ".vwi" cache file beside the wave file.
struct WaveformImage {
    static constexpr int kWidth = 315;
    static constexpr int kMonoHeight = 26;
    static constexpr int kStereoHeight = 52;

    int width = kWidth;
    int height = kMonoHeight;
    int channels = 1;
    std::vector<int16_t> columns; // left, right per column

    int16_t left(int column) const { return columns[2 * static_cast<size_t>(column)]; }
    int16_t right(int column) const { return columns[2 * static_cast<size_t>(column) + 1]; }
};

// The cache file's layout, little-endian: "VWI ", u16 width, u16 height,
// u16 channels, u16 reserved, then per column s16 left and s16 right; after
// the columns, so that readers of that layout read on as before, the wave
// file the picture belongs to: u64 size and u64 last write time (100 ns
// since 1601).
inline constexpr char kCacheMagic[4] = {'V', 'W', 'I', ' '};
inline constexpr size_t kCacheHeaderSize = 12;

// The cache file's name: everything after the last dot of the file name
// replaced by "vwi"; a name without a dot gets ".vwi" appended.
std::string cachePathFor(const std::string& wavePath);

// Fills image for the attached file at wavePath (header read): from a fresh
// matching cache file of this very wave file without touching the samples,
// else by reading one frame per column and writing the cache (a cache that
// cannot be written is no failure; a file at the cache's name that is no
// cache, such as the wave file itself, is never replaced). progress, when set, gets whole percentages as they
// change. 0, or 9 when a read or seek fails or the file ends before its data chunk says. Leaves the file at
// its data offset.
int buildWaveformImage(zkr::MultimediaFile& file, const std::string& wavePath, WaveformImage& image,
                       const std::function<void(int percent)>& progress);

} // namespace tindle
