#pragma once

// Media files made and decoded by ffmpeg, a program no one here wrote.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace velmora::test {

// Makes a file from ffmpeg's own sources: input such as
// "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=3", options such
// as "-ac 2 -c:a libmp3lame -b:a 192k" (the container follows the file's
// extension). False when ffmpeg fails.
inline bool ffmpegMake(const std::string& path, const std::string& input, const std::string& options)
{
    return std::system(("ffmpeg -nostdin -hide_banner -loglevel error -y " + input + " " + options + " '" + path +
                        "'")
                           .c_str()) == 0;
}

// The samples of a file as ffmpeg decodes them to signed 16 bits,
// interleaved in the file's channels, at the file's rate or resampled by
// ffmpeg to `rate`. Empty when ffmpeg cannot read it.
inline std::vector<int16_t> ffmpegSamples(const std::string& path, int rate = 0)
{
    const std::string resample = rate > 0 ? " -ar " + std::to_string(rate) : "";
    std::vector<int16_t> samples;
    std::FILE* pipe =
        popen(("ffmpeg -nostdin -hide_banner -loglevel error -i '" + path + "'" + resample + " -f s16le -c:a pcm_s16le -").c_str(),
              "r");
    if (pipe == nullptr)
        return samples;
    for (int16_t sample = 0; std::fread(&sample, sizeof sample, 1, pipe) == 1;)
        samples.push_back(sample);
    if (pclose(pipe) != 0)
        samples.clear();
    return samples;
}

} // namespace velmora::test
