#pragma once

#include <cstdint>
#include <memory>

#include "zkr/ObjectBase.h"
#include "zkr/WaveFormat.h"

namespace zkr {

// Decides whether a PCM stream must be converted to another format and does
// the one conversion the system needs: interleaved stereo split into two mono
// streams. Sample size and rate conversions are refused with 17.
class WaveformatConverter : public ObjectBase {
public:
    // Rates closer than this count as equal.
    static constexpr uint32_t kRateTolerance = 10;

    WaveformatConverter();
    ~WaveformatConverter() override;

    // 0 when a conversion is needed, 202 when the formats already match.
    int setup(const WaveFormat& source, const WaveFormat& target, bool split);
    // Allocates the output buffer(s) of outputBlockSize bytes and gives the
    // input block size that fills them; 17 for a size or rate conversion, 19
    // when memory runs out.
    [[nodiscard]] int prepare(uint32_t outputBlockSize, uint32_t* inputBlockSize);
    // Converts whole frames of input into the output buffer(s); the bytes in
    // each output buffer. Input beyond what the buffers hold is left out; 0
    // before prepare.
    uint32_t convert(const void* input, uint32_t bytes);
    void release();

    uint8_t* leftOutput() const { return left.get(); }
    uint8_t* rightOutput() const { return right.get(); }

    WaveFormat sourceFormat{};
    bool sizesDiffer = false;
    bool ratesDiffer = false;
    bool splitStereo = false;
    bool prepared = false;
    std::unique_ptr<uint8_t[]> left;
    std::unique_ptr<uint8_t[]> right;
    uint32_t outputBlockSize = 0;
};

} // namespace zkr
