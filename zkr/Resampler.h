#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;
struct soxr;

namespace zkr {

// The engine's one sample rate.
inline constexpr int kOutputRate = 44100;
// The file rates a stream plays. Below, a step's output is out of all
// proportion to its input (a 1 Hz file asks gigabytes); above, no audio
// format goes.
inline constexpr int kLowestInputRate = 1000;
inline constexpr int kHighestInputRate = 768000;

// Converts interleaved frames of one rate to 44100 Hz 16-bit. 16-bit frames
// (what the decoder modules play) go through FFmpeg's libswresample, set as
// ffmpeg sets it by default: the quality a user compares a decoder with, at
// its speed (they are filtered as integers, with no conversion). Deeper
// sources (float: the wave files the program plays) go through libsoxr's
// longer filter, which keeps their precision.
// At 44100 Hz already, 16-bit frames pass unchanged, so those files stay exact.
// Depends on those two libraries alone, so that modules outside the program's
// libraries can build it in too.
class Resampler {
public:
    enum class Samples { Int16, Float32 };

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
    struct ContextDeleter {
        void operator()(SwrContext* context) const;
    };
    struct SoxrDeleter {
        void operator()(soxr* resampler) const;
    };
    bool configureSoxr(int inputRate, int channels);
    // convertInto through whichever library is set.
    bool convert(const void* input, size_t frames, size_t& used, int16_t* output, size_t room, size_t& made);
    // What libswresample may give for frames of input (0 with libsoxr): it
    // takes only input whose output surely fits, by a bound that can exceed
    // the input's share by more than the slack a filter holds back.
    size_t outputBound(size_t frames) const;
    // The most input frames whose output surely fits in room frames.
    size_t inputFitting(size_t frames, size_t room) const;

    std::unique_ptr<SwrContext, ContextDeleter> context_;
    std::unique_ptr<soxr, SoxrDeleter> soxr_;
    int channels_ = 1;
    double ratio_ = 1.0;
    Samples input_ = Samples::Int16;
};

} // namespace zkr
