#include "zkr/WaveformatConverter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "api/Protocol.h"

namespace zkr {

namespace {

constexpr uint16_t kTargetBits = 16;
constexpr double kSampleScale = 32768.0;
// Room for what libsoxr hands out beyond the share of one input block.
constexpr uint32_t kPendingSlackFrames = 256;

uint32_t rateGap(uint32_t a, uint32_t b)
{
    return a > b ? a - b : b - a;
}

} // namespace

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
    targetFormat = target;
    // Float samples of the target's width are still no 16-bit integers.
    sizesDiffer = source.bitsPerSample != target.bitsPerSample || source.formatTag == kWaveFormatFloat;
    ratesDiffer = rateGap(source.samplesPerSecond, target.samplesPerSecond) >= kRateTolerance;
    splitStereo = split && source.channels == 2;
    lastError = toWire(engine::Error::Ok);
    return sizesDiffer || ratesDiffer || splitStereo ? toWire(engine::Error::Ok)
                                                     : toWire(engine::Error::NoConversion);
}

bool WaveformatConverter::canConvert(const WaveFormat& source)
{
    if (source.channels < 1 || source.channels > kMostChannels || source.samplesPerSecond < kLowestRate ||
        source.samplesPerSecond > kHighestRate)
        return false;
    const uint16_t bits = source.bitsPerSample;
    const bool known =
        source.formatTag == kWaveFormatFloat
            ? bits == 32 || bits == 64
            : source.formatTag == kWaveFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    return known && source.blockAlign == source.channels * (bits / 8);
}

uint32_t WaveformatConverter::outputFrames() const
{
    const uint32_t outputChannels = splitStereo ? 1 : std::max<uint16_t>(sourceFormat.channels, 1);
    return outputBlockSize / (sizeof(int16_t) * outputChannels);
}

int WaveformatConverter::prepare(uint32_t outputSize, uint32_t* inputBlockSize)
{
    const bool converting = sizesDiffer || ratesDiffer;
    if (converting && (!canConvert(sourceFormat) || targetFormat.bitsPerSample != kTargetBits)) {
        // Buffers of an earlier set-up do not fit this one.
        release();
        setError(toWire(engine::Error::NotImplemented));
        return lastError;
    }
    release();
    left.reset(new (std::nothrow) uint8_t[outputSize]);
    if (splitStereo)
        right.reset(new (std::nothrow) uint8_t[outputSize]);
    bool allocated = left && (!splitStereo || right);
    outputBlockSize = outputSize;
    uint32_t inputSize = splitStereo ? outputSize * 2 : outputSize;
    if (converting) {
        blockFrames_ = outputFrames();
        inputFrames_ = blockFrames_;
        inputSize = inputFrames_ * sourceFormat.blockAlign;
    }
    if (allocated && ratesDiffer) {
        const int channels = sourceFormat.channels;
        allocated = resampler_.configure(static_cast<int>(sourceFormat.samplesPerSecond), channels,
                                         Resampler::Samples::Float32);
        // About one output block per input block.
        inputFrames_ = static_cast<uint32_t>(std::ceil(blockFrames_ / resampler_.ratio()));
        inputSize = inputFrames_ * sourceFormat.blockAlign;
        pendingCapacity_ = 2 * blockFrames_ +
                           2 * static_cast<uint32_t>(std::ceil(inputFrames_ * resampler_.ratio())) +
                           kPendingSlackFrames;
        values_.reset(new (std::nothrow) float[size_t{inputFrames_} * channels]);
        pending_.reset(new (std::nothrow) int16_t[size_t{pendingCapacity_} * channels]);
        allocated = allocated && values_ && pending_;
        pendingFrames_ = 0;
        inputEnded_ = false;
        stale_ = false;
    }
    if (!allocated) {
        release();
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    prepared = true;
    if (inputBlockSize != nullptr)
        *inputBlockSize = inputSize;
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

int16_t WaveformatConverter::toSample(const uint8_t* sample) const
{
    const double value =
        sampleValue(sample, sourceFormat.bitsPerSample, sourceFormat.formatTag == kWaveFormatFloat);
    return static_cast<int16_t>(std::clamp(std::lround(value * kSampleScale), -32768L, 32767L));
}

void WaveformatConverter::decode(const uint8_t* input, uint32_t frames, float* values) const
{
    const uint32_t samples = frames * sourceFormat.channels;
    const uint32_t sampleBytes = sourceFormat.bitsPerSample / 8;
    const bool floating = sourceFormat.formatTag == kWaveFormatFloat;
    for (uint32_t i = 0; i < samples; ++i)
        values[i] =
            static_cast<float>(sampleValue(input + i * sampleBytes, sourceFormat.bitsPerSample, floating));
}

void WaveformatConverter::distribute(const int16_t* frames, uint32_t count)
{
    auto* toLeft = reinterpret_cast<int16_t*>(left.get());
    if (!splitStereo) {
        std::memcpy(toLeft, frames, size_t{count} * sourceFormat.channels * sizeof(int16_t));
        return;
    }
    auto* toRight = reinterpret_cast<int16_t*>(right.get());
    for (uint32_t frame = 0; frame < count; ++frame) {
        toLeft[frame] = frames[2 * frame];
        toRight[frame] = frames[2 * frame + 1];
    }
}

uint32_t WaveformatConverter::convert(const void* input, uint32_t bytes)
{
    const uint32_t frameSize = sourceFormat.blockAlign;
    if (!prepared || input == nullptr || frameSize == 0 || ratesDiffer)
        return 0;
    const auto* in = static_cast<const uint8_t*>(input);
    if (sizesDiffer) {
        // Whole frames, one 16-bit sample for each sample of the source.
        const uint32_t frames = std::min(bytes / frameSize, outputFrames());
        const uint32_t sampleBytes = sourceFormat.bitsPerSample / 8;
        const uint32_t channels = sourceFormat.channels;
        auto* toLeft = reinterpret_cast<int16_t*>(left.get());
        auto* toRight = reinterpret_cast<int16_t*>(right.get());
        if (!splitStereo)
            std::memset(left.get(), 0, outputBlockSize);
        for (uint32_t frame = 0; frame < frames; ++frame, in += frameSize) {
            if (splitStereo) {
                toLeft[frame] = toSample(in);
                toRight[frame] = toSample(in + sampleBytes);
                continue;
            }
            for (uint32_t channel = 0; channel < channels; ++channel)
                toLeft[frame * channels + channel] = toSample(in + channel * sampleBytes);
        }
        return frames * static_cast<uint32_t>(sizeof(int16_t)) * (splitStereo ? 1 : channels);
    }
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

bool WaveformatConverter::feed(const void* input, uint32_t bytes)
{
    if (!resamples() || input == nullptr)
        return false;
    if (stale_)
        restart();
    const uint32_t channels = sourceFormat.channels;
    uint32_t frames = std::min(bytes / sourceFormat.blockAlign, inputFrames_);
    decode(static_cast<const uint8_t*>(input), frames, values_.get());
    const float* values = values_.get();
    while (frames > 0) {
        size_t used = 0;
        size_t made = 0;
        const size_t room = pendingCapacity_ - pendingFrames_;
        const bool converted = resampler_.convertInto(
            values, frames, used, pending_.get() + size_t{pendingFrames_} * channels, room, made);
        pendingFrames_ += static_cast<uint32_t>(made);
        if (!converted || (used == 0 && made == 0)) {
            endOfInput();
            return false;
        }
        values += used * channels;
        frames -= static_cast<uint32_t>(used);
    }
    return true;
}

void WaveformatConverter::endOfInput()
{
    if (!resamples() || inputEnded_)
        return;
    inputEnded_ = true;
    const uint32_t channels = sourceFormat.channels;
    for (;;) {
        size_t used = 0;
        size_t made = 0;
        const size_t room = pendingCapacity_ - pendingFrames_;
        if (room == 0 ||
            !resampler_.convertInto(nullptr, 0, used, pending_.get() + size_t{pendingFrames_} * channels,
                                    room, made) ||
            made == 0)
            return;
        pendingFrames_ += static_cast<uint32_t>(made);
    }
}

uint32_t WaveformatConverter::takeBlock()
{
    if (!resamples() || (!blockReady() && !inputEnded_))
        return 0;
    const uint32_t count = std::min(pendingFrames_, blockFrames_);
    if (count < blockFrames_) {
        std::memset(left.get(), 0, outputBlockSize);
        if (right)
            std::memset(right.get(), 0, outputBlockSize);
    }
    distribute(pending_.get(), count);
    const size_t channels = sourceFormat.channels;
    pendingFrames_ -= count;
    std::memmove(pending_.get(), pending_.get() + count * channels,
                 size_t{pendingFrames_} * channels * sizeof(int16_t));
    return count * static_cast<uint32_t>(sizeof(int16_t)) * (splitStereo ? 1 : sourceFormat.channels);
}

void WaveformatConverter::rewound()
{
    pendingFrames_ = 0;
    inputEnded_ = false;
    stale_ = true;
}

void WaveformatConverter::restart()
{
    resampler_.clear();
    pendingFrames_ = 0;
    inputEnded_ = false;
    stale_ = false;
}

void WaveformatConverter::release()
{
    left.reset();
    right.reset();
    values_.reset();
    pending_.reset();
    pendingFrames_ = 0;
    prepared = false;
    outputBlockSize = 0;
}

} // namespace zkr
