#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;

namespace zkr {

// The engine's one sample rate.
inline constexpr int kOutputRate = 44100;
// The file rates a stream plays. Below, a step's output is out of all
// proportion to its input (a 1 Hz file asks gigabytes); above, no audio
// format goes.
inline constexpr int kLowestInputRate = 1000;
inline constexpr int kHighestInputRate = 768000;

// Converts interleaved frames of one rate to 44100 Hz 16-bit with FFmpeg's
// libswresample, set as ffmpeg sets it by default: the quality a user compares
// us with, at its speed (16-bit samples are filtered as integers).
// At 44100 Hz already, 16-bit frames pass unchanged, so those files stay exact.
// Depends on libswresample alone, so that modules outside the program's
// libraries can build it in too.
class Resampler {
public:
    enum class Samples { Int16, Float32 };

    // False when libswresample refuses the conversion.
    bool configure(int inputRate, int channels, Samples input = Samples::Int16);
    // Appends the converted frames of input to output; false on a resampling error.
    bool process(const int16_t* input, size_t frames, std::vector<int16_t>& output);
    // Appends what the filter still holds at the end of the input.
    bool flush(std::vector<int16_t>& output);
    // Without allocating: converts up to frames of input (null: the filter's
    // tail at the end of the input) into at most room frames of output; used
    // and made say how many were taken and given. False on a resampling error.
    bool convertInto(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                     size_t& made);
    // Forgets the filter's history, after a jump in the input.
    void clear();
    // Output frames per input frame.
    double ratio() const { return ratio_; }

private:
    struct ContextDeleter {
        void operator()(SwrContext* context) const;
    };
    // The most input frames whose output surely fits in room frames.
    size_t inputFitting(size_t frames, size_t room) const;

    std::unique_ptr<SwrContext, ContextDeleter> context_;
    int channels_ = 1;
    double ratio_ = 1.0;
    Samples input_ = Samples::Int16;
};

} // namespace zkr
