#pragma once

#include <cstdint>
#include <memory>

#include "zkr/ObjectBase.h"
#include "zkr/Resampler.h"
#include "zkr/WaveFormat.h"

namespace zkr {

// Decides whether a PCM stream must be converted to the target format and
// converts it: interleaved stereo split into two mono streams, and 8, 24 and
// 32-bit integer or 32 and 64-bit float samples at any common rate turned
// into the target's 16-bit samples at its rate. Formats beyond those are
// refused with 17.
//
// Without a rate change, convert turns each input block into one output
// block. With one, the output lags the input: the owner feeds input until
// blockReady, then takes the block (see feed).
class WaveformatConverter : public ObjectBase {
public:
    // Rates closer than this count as equal.
    static constexpr uint32_t kRateTolerance = 10;
    // The source rates and channel counts that can be converted.
    static constexpr uint32_t kLowestRate = 8000;
    static constexpr uint32_t kHighestRate = 384000;
    static constexpr uint16_t kMostChannels = 2;

    WaveformatConverter();
    ~WaveformatConverter() override;

    // 0 when a conversion is needed, 202 when the formats already match.
    int setup(const WaveFormat& source, const WaveFormat& target, bool split);
    // Allocates the output buffer(s) of outputBlockSize bytes and gives the
    // input block size that fills them (for a rate change: about one block's
    // worth); NotImplemented for a source this class cannot convert, OutOfMemory when memory runs
    // out.
    [[nodiscard]] int prepare(uint32_t outputBlockSize, uint32_t* inputBlockSize);
    // Whether a source of this format can be converted to 16-bit samples.
    static bool canConvert(const WaveFormat& source);
    // Converts whole frames of input into the output buffer(s); the bytes in
    // each output buffer. Input beyond what the buffers hold is left out; 0
    // before prepare, and 0 for a rate change (use feed).
    uint32_t convert(const void* input, uint32_t bytes);
    void release();

    // ---- rate changes ----
    bool resamples() const { return prepared && ratesDiffer; }
    // Takes input frames (at most one input block); false when the filter
    // failed, which ends the input as endOfInput does.
    bool feed(const void* input, uint32_t bytes);
    // The input is over: what the filter still holds becomes output.
    void endOfInput();
    bool inputEnded() const { return inputEnded_; }
    bool blockReady() const { return pendingFrames_ >= blockFrames_; }
    // Moves a whole block (or after the input's end, what is left) into the
    // output buffer(s); the bytes in each, 0 when nothing is left.
    uint32_t takeBlock();
    // Forgets what was fed: the input starts over. The filter is set back
    // on the next feed, or at once by restart.
    void rewound();
    void restart();

    uint8_t* leftOutput() const { return left.get(); }
    uint8_t* rightOutput() const { return right.get(); }

    WaveFormat sourceFormat{};
    WaveFormat targetFormat{};
    bool sizesDiffer = false;
    bool ratesDiffer = false;
    bool splitStereo = false;
    bool prepared = false;
    std::unique_ptr<uint8_t[]> left;
    std::unique_ptr<uint8_t[]> right;
    uint32_t outputBlockSize = 0;

private:
    // Frames of the output (per output buffer) in a block.
    uint32_t outputFrames() const;
    // Source frames as values for the resampler, or as 16-bit samples.
    void decode(const uint8_t* input, uint32_t frames, float* values) const;
    int16_t toSample(const uint8_t* sample) const;
    // Spreads 16-bit interleaved frames over the output buffer(s).
    void distribute(const int16_t* frames, uint32_t count);

    Resampler resampler_{makeSoxrConversion};
    std::unique_ptr<float[]> values_;    // one input block, decoded
    std::unique_ptr<int16_t[]> pending_; // resampled frames not yet taken
    uint32_t inputFrames_ = 0;
    uint32_t blockFrames_ = 0;
    uint32_t pendingCapacity_ = 0;
    uint32_t pendingFrames_ = 0;
    bool inputEnded_ = false;
    bool stale_ = false;
};

} // namespace zkr
