// PLACEHOLDER: replaced by the waveform image part.
#include "plugins/tindle/WaveformImage.h"
namespace tindle {
std::string cachePathFor(const std::string& wavePath) { return wavePath; }
int buildWaveformImage(zkr::MultimediaFile&, const std::string&, WaveformImage&, const std::function<void(int)>&) { return 0; }
} // namespace tindle
