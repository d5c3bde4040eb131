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

    int width = kWidth;
    int height = kMonoHeight;
    int channels = 1;
    std::vector<int16_t> columns; // left, right per column
};

// The cache file's name: everything after the last dot replaced by "vwi".
std::string cachePathFor(const std::string& wavePath);

// Fills image for the attached file at wavePath (header read): from a fresh
// matching cache file, else by reading one frame per column and writing the
// cache. progress gets whole percentages as they change. 0, or 9 when a read
// or seek fails. Leaves the file at its data offset.
int buildWaveformImage(zkr::MultimediaFile& file, const std::string& wavePath, WaveformImage& image,
                       const std::function<void(int percent)>& progress);

} // namespace tindle
