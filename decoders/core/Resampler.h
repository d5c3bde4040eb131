#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <soxr.h>

namespace decoders {

inline constexpr int kOutputRate = 44100;
// The file rates a stream plays. Below, a step's output is out of all
// proportion to its input (a 1 Hz file asks gigabytes); above, no audio
// format goes.
inline constexpr int kLowestInputRate = 1000;
inline constexpr int kHighestInputRate = 768000;

// Converts interleaved 16-bit frames of one rate to 44100 Hz with libsoxr.
// At 44100 Hz already the frames pass unchanged, so those files stay exact.
class Resampler {
public:
    // False when libsoxr refuses the conversion.
    bool configure(int inputRate, int channels);
    // Appends the converted frames of input to output; false on a libsoxr error.
    bool process(const int16_t* input, size_t frames, std::vector<int16_t>& output);
    // Appends what the filter still holds at the end of the input.
    bool flush(std::vector<int16_t>& output);
    // Forgets the filter's history, after a jump in the input.
    void clear();

private:
    struct SoxrDeleter {
        void operator()(soxr_t soxr) const { soxr_delete(soxr); }
    };
    std::unique_ptr<soxr, SoxrDeleter> soxr_;
    int channels_ = 1;
    double ratio_ = 1.0;
};

} // namespace decoders
