#pragma once

// Wave files made and read by sox, a program no one here wrote.

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace velmora::test {

// Makes a wave file with sox's synthesizer: format options such as
// "-r 44100 -c 2 -b 16" and synth arguments such as "3000s sine 300 sine
// 700". False when sox fails.
inline bool soxWave(const std::string& path, const std::string& format, const std::string& synth)
{
    return std::system(("sox -n " + format + " '" + path + "' synth " + synth + " 2>/dev/null").c_str()) == 0;
}

// The samples of a wave file as sox decodes them to signed 16 bits (8-bit
// ones as (byte - 128) x 256), interleaved; with channel 0 or 1 only that
// channel's. Empty when sox cannot read the file.
inline std::vector<int16_t> soxSamples(const std::string& path, int channel = -1)
{
    const std::string remix = channel < 0 ? "" : " remix " + std::to_string(channel + 1);
    std::vector<int16_t> samples;
    std::FILE* pipe = popen(("sox '" + path + "' -t raw -e signed -b 16 -" + remix + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return samples;
    for (int16_t sample = 0; std::fread(&sample, sizeof sample, 1, pipe) == 1;)
        samples.push_back(sample);
    if (pclose(pipe) != 0)
        samples.clear();
    return samples;
}

} // namespace velmora::test
