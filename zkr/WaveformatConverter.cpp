#include "zkr/WaveformatConverter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "zkr/ErrorCodes.h"

namespace zkr {

WaveformatConverter::WaveformatConverter()
{
    kind = kKindWaveformatConverter;
}

WaveformatConverter::~WaveformatConverter()
{
    release();
}

int WaveformatConverter::setup(const WaveFormat& source, const WaveFormat& target, bool split)
{
    sourceFormat = source;
    sizesDiffer = source.bitsPerSample != target.bitsPerSample;
    const uint32_t rateGap = source.samplesPerSecond > target.samplesPerSecond
                                 ? source.samplesPerSecond - target.samplesPerSecond
                                 : target.samplesPerSecond - source.samplesPerSecond;
    ratesDiffer = rateGap >= kRateTolerance;
    splitStereo = split && source.channels == 2;
    lastError = kOk;
    return sizesDiffer || ratesDiffer || splitStereo ? kOk : kStatusNoConversion;
}

int WaveformatConverter::prepare(uint32_t outputSize, uint32_t* inputBlockSize)
{
    if (sizesDiffer || ratesDiffer) {
        setError(kErrNotImplemented);
        return lastError;
    }
    release();
    left.reset(new (std::nothrow) uint8_t[outputSize]);
    if (splitStereo)
        right.reset(new (std::nothrow) uint8_t[outputSize]);
    if (!left || (splitStereo && !right)) {
        release();
        setError(kErrOutOfMemory);
        return lastError;
    }
    outputBlockSize = outputSize;
    prepared = true;
    if (inputBlockSize != nullptr)
        *inputBlockSize = splitStereo ? outputSize * 2 : outputSize;
    lastError = kOk;
    return kOk;
}

uint32_t WaveformatConverter::convert(const void* input, uint32_t bytes)
{
    const uint32_t frameSize = sourceFormat.blockAlign;
    if (!prepared || input == nullptr || frameSize == 0)
        return 0;
    const auto* in = static_cast<const uint8_t*>(input);
    if (!splitStereo) {
        // Never more than the output buffer holds.
        const uint32_t frames = std::min(bytes, outputBlockSize) / frameSize;
        std::memset(left.get(), 0, outputBlockSize);
        std::memcpy(left.get(), in, frames * frameSize);
        return frames * frameSize;
    }
    // One sample of each frame to each side; a sample is 1 byte for 8-bit
    // sources and 2 for 16-bit ones.
    const uint32_t sampleSize = frameSize / 2;
    if (sampleSize == 0)
        return 0;
    const uint32_t frames = std::min(bytes / frameSize, outputBlockSize / sampleSize);
    uint8_t* toLeft = left.get();
    uint8_t* toRight = right.get();
    for (uint32_t frame = 0; frame < frames; ++frame) {
        std::memcpy(toLeft, in, sampleSize);
        std::memcpy(toRight, in + sampleSize, sampleSize);
        toLeft += sampleSize;
        toRight += sampleSize;
        in += frameSize;
    }
    return frames * frameSize / 2;
}

void WaveformatConverter::release()
{
    left.reset();
    right.reset();
    prepared = false;
    outputBlockSize = 0;
}

} // namespace zkr
