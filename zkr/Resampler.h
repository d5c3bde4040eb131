#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zkr {

// The engine's one sample rate.
inline constexpr int kOutputRate = 44100;
// The file rates a stream plays. Below, a step's output is out of all
// proportion to its input (a 1 Hz file asks gigabytes); above, no audio
// format goes.
inline constexpr int kLowestInputRate = 1000;
inline constexpr int kHighestInputRate = 768000;

enum class InputSamples { Int16, Float32 };

// One library's conversion of interleaved frames at a fixed rate to
// 44100 Hz 16-bit. Each lives in a library of its own, so that a user links
// only the one it takes (and what that library loads).
class RateConversion {
public:
    virtual ~RateConversion() = default;
    // Converts up to frames of input (null: the filter's tail at the end of
    // the input) into at most room frames of output; used and made say how
    // many were taken and given. False on the library's error.
    virtual bool convert(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                         size_t& made) = 0;
    // The most output frames of input may bring beyond its share (what the
    // filter held back), so that a caller gives room enough.
    virtual size_t outputBound(size_t frames) const = 0;
    // Forgets the filter's history.
    virtual void clear() = 0;
};

// Makes a library's conversion from inputRate; null when it refuses.
using RateConversionMaker = std::unique_ptr<RateConversion> (*)(int inputRate, int channels,
                                                                InputSamples input);

// libsoxr's long filter, which keeps a deep source's precision (float: the
// wave files the program plays). Library zkr_soxr_conversion.
std::unique_ptr<RateConversion> makeSoxrConversion(int inputRate, int channels, InputSamples input);
// FFmpeg's libswresample set as ffmpeg sets it by default, for 16-bit frames
// (what the decoder modules play): the quality a user compares a decoder
// with, at its speed (filtered as integers, with no conversion). Library
// zkr_swresample_conversion; null for float input.
std::unique_ptr<RateConversion> makeSwresampleConversion(int inputRate, int channels, InputSamples input);

// Converts interleaved frames of one rate to 44100 Hz 16-bit through the
// conversion it was made with. At 44100 Hz already, 16-bit frames pass
// unchanged, so those files stay exact. Needs nothing of the class library,
// so that modules outside the program's libraries can build it in too.
class Resampler {
public:
    using Samples = InputSamples;

    explicit Resampler(RateConversionMaker maker) : maker_(maker) {}

    // False when the library refuses the conversion.
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
    RateConversionMaker maker_;
    std::unique_ptr<RateConversion> conversion_; // none: 16-bit at 44100 Hz, copied
    int channels_ = 1;
    double ratio_ = 1.0;
};

} // namespace zkr
