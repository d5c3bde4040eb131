#include "engine/StereoMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/CheckedRelease.h"
#include "zkr/ErrorCodes.h"

namespace engine {

namespace {

constexpr int32_t kSampleMin = -32768;
constexpr int32_t kSampleMax = 32767;
// Levels look at one sample in eight.
constexpr int kLevelStride = 8;

int32_t clampSample(int32_t value)
{
    return std::clamp(value, kSampleMin, kSampleMax);
}

// The level scale: x = sqrt(sum of squares x 0.01), truncated, then
// x x 100 / 32767 rounded to the nearest whole number. A full-scale square
// wave over 4096 bytes has x = 52427, which reads 160 (the plain quotient,
// 159.9994, would fall just short of the scale's reference mark).
int levelOf(uint64_t sumOfSquares)
{
    const auto root = static_cast<int64_t>(std::sqrt(static_cast<double>(sumOfSquares) * 0.01));
    return static_cast<int>(std::min<int64_t>((root * 100 + kSampleMax / 2) / kSampleMax, 0xFFFF));
}

// The arithmetic is integer percentages truncated toward zero. It runs in
// single-precision floats because a vector unit has float multiplies and
// truncating conversions everywhere, but no 32-bit integer division: a product n = s x p with |n| <= 32768 x
// 200 is exact in a float, and truncating n x 0.01f gives exactly n / 100 over that whole range (checked for
// every n), so the results are bit-exact.
inline float truncatedPercent(float product)
{
    return static_cast<float>(static_cast<int32_t>(product * 0.01f));
}

// Eight samples at a time on SSE2 (every x86-64 has it), the same float
// steps as the scalar code so both give identical results; the scalar code
// handles the tail and other processors.
#if defined(__SSE2__)
constexpr int kVectorSamples = 8;

struct WidenedSamples {
    __m128 low;
    __m128 high;
};

inline WidenedSamples loadSamples(const int16_t* samples)
{
    const __m128i packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples));
    // Sign extension: each sample into the upper half of a lane, shifted back down.
    const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(packed, packed), 16);
    const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(packed, packed), 16);
    return {_mm_cvtepi32_ps(low), _mm_cvtepi32_ps(high)};
}

inline __m128 truncatedPercent(__m128 product)
{
    return _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_mul_ps(product, _mm_set1_ps(0.01f))));
}
#else
constexpr int kVectorSamples = 0;
#endif

// Volume in percent, 100 unchanged, 0 silent; truncated toward zero.
void applyVolume(int16_t* __restrict samples, int count, int32_t volume)
{
    if (volume == StereoMixer::kUnityVolume)
        return;
    if (volume == 0) {
        std::memset(samples, 0, static_cast<size_t>(count) * sizeof(int16_t));
        return;
    }
    const auto factor = static_cast<float>(volume);
    int i = 0;
#if defined(__SSE2__)
    const __m128 vectorFactor = _mm_set1_ps(factor);
    for (; i + kVectorSamples <= count; i += kVectorSamples) {
        const WidenedSamples in = loadSamples(samples + i);
        const __m128i low = _mm_cvttps_epi32(truncatedPercent(_mm_mul_ps(in.low, vectorFactor)));
        const __m128i high = _mm_cvttps_epi32(truncatedPercent(_mm_mul_ps(in.high, vectorFactor)));
        // Packing saturates, which is the clamp to the sample range.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(samples + i), _mm_packs_epi32(low, high));
    }
#endif
    for (; i < count; ++i) {
        const auto scaled = static_cast<int32_t>(truncatedPercent(samples[i] * factor));
        samples[i] = static_cast<int16_t>(clampSample(scaled));
    }
}

// Adds trunc(trunc(s x gain / 100) x master / 100) of every sample to one
// side of the mix, saturating each sum; non-zero when a sum saturated.
int32_t addToSide(const int16_t* __restrict samples, int16_t* __restrict side, int count, int32_t gain,
                  int32_t master)
{
    const auto gainFactor = static_cast<float>(gain);
    const auto masterFactor = static_cast<float>(master);
    const bool unityMaster = master == StereoMixer::kUnityVolume;
    int32_t clipped = 0;
    int i = 0;
#if defined(__SSE2__)
    const __m128 vectorGain = _mm_set1_ps(gainFactor);
    const __m128 vectorMaster = _mm_set1_ps(masterFactor);
    const __m128i upper = _mm_set1_epi32(kSampleMax);
    const __m128i lower = _mm_set1_epi32(kSampleMin);
    __m128i outOfRange = _mm_setzero_si128();
    const auto scale = [&](__m128 in) {
        __m128 panned = truncatedPercent(_mm_mul_ps(in, vectorGain));
        if (!unityMaster)
            panned = truncatedPercent(_mm_mul_ps(panned, vectorMaster));
        return _mm_cvttps_epi32(panned);
    };
    for (; i + kVectorSamples <= count; i += kVectorSamples) {
        const WidenedSamples in = loadSamples(samples + i);
        const __m128i current = _mm_loadu_si128(reinterpret_cast<const __m128i*>(side + i));
        const __m128i currentLow = _mm_srai_epi32(_mm_unpacklo_epi16(current, current), 16);
        const __m128i currentHigh = _mm_srai_epi32(_mm_unpackhi_epi16(current, current), 16);
        const __m128i sumLow = _mm_add_epi32(currentLow, scale(in.low));
        const __m128i sumHigh = _mm_add_epi32(currentHigh, scale(in.high));
        outOfRange = _mm_or_si128(
            outOfRange, _mm_or_si128(_mm_cmpgt_epi32(sumLow, upper), _mm_cmplt_epi32(sumLow, lower)));
        outOfRange = _mm_or_si128(
            outOfRange, _mm_or_si128(_mm_cmpgt_epi32(sumHigh, upper), _mm_cmplt_epi32(sumHigh, lower)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(side + i), _mm_packs_epi32(sumLow, sumHigh));
    }
    clipped = _mm_movemask_epi8(outOfRange) != 0 ? 1 : 0;
#endif
    for (; i < count; ++i) {
        float panned = truncatedPercent(samples[i] * gainFactor);
        if (!unityMaster)
            panned = truncatedPercent(panned * masterFactor);
        const int32_t sum = side[i] + static_cast<int32_t>(panned);
        const int32_t clamped = clampSample(sum);
        side[i] = static_cast<int16_t>(clamped);
        clipped |= static_cast<int32_t>(clamped != sum);
    }
    return clipped;
}

void callHooks(const ProcessChannelBufferFn (&hooks)[kChannelEffectSlots], int channel, int16_t* samples,
               int32_t length)
{
    for (ProcessChannelBufferFn hook : hooks) {
        if (hook != nullptr)
            hook(channel, samples, length);
    }
}

} // namespace

StereoMixer::StereoMixer()
{
    kind = zkr::kKindStereoMixer;
}

StereoMixer::~StereoMixer() = default;

int StereoMixer::setup(int count, int bytes)
{
    release();
    clearError();
    if (count < 1 || bytes < kBytesPerSample) {
        setError(zkr::kErrIndexOutOfRange);
        return lastError;
    }
    // The stereo block holds 2 x bytes; channel blocks hold whole samples.
    const size_t channelSamples = (static_cast<size_t>(bytes) + 1) / 2;
    std::unique_ptr<MixerChannel[]> newChannels(new (std::nothrow) MixerChannel[count]);
    std::unique_ptr<int16_t[]> newMixBlock(new (std::nothrow) int16_t[static_cast<size_t>(bytes)]());
    std::unique_ptr<int16_t[]> newLeft(new (std::nothrow) int16_t[static_cast<size_t>(bytes / 2 + 1)]());
    std::unique_ptr<int16_t[]> newRight(new (std::nothrow) int16_t[static_cast<size_t>(bytes / 2 + 1)]());
    bool allocated =
        newChannels != nullptr && newMixBlock != nullptr && newLeft != nullptr && newRight != nullptr;
    for (int c = 0; allocated && c < count; ++c) {
        newChannels[c].samples.reset(new (std::nothrow) int16_t[channelSamples]());
        allocated = newChannels[c].samples != nullptr;
    }
    if (!allocated) {
        setError(zkr::kErrOutOfMemory);
        return lastError;
    }
    channels = std::move(newChannels);
    mixBlock = std::move(newMixBlock);
    mixLeft = std::move(newLeft);
    mixRight = std::move(newRight);
    channelCount = count;
    blockBytes = bytes;
    samplesPerBlock = bytes / 2;
    mixBytes = 2 * bytes;
    masterVolume.store(kUnityVolume, std::memory_order_relaxed);
    soloChannel.store(-1, std::memory_order_relaxed);
    clipped.store(0, std::memory_order_relaxed);
    ready = true;
    return zkr::kOk;
}

void StereoMixer::release()
{
    ready = false;
    channels.reset();
    mixBlock.reset();
    mixLeft.reset();
    mixRight.reset();
    channelCount = 0;
    blockBytes = 0;
    samplesPerBlock = 0;
    mixBytes = 0;
}

int StereoMixer::checkChannel(int channel)
{
    if (channel < 0 || channel >= channelCount) {
        setError(zkr::kErrIndexOutOfRange);
        return lastError;
    }
    return zkr::kOk;
}

int StereoMixer::fill(int channel, const int16_t* data, int bytes)
{
    if (checkChannel(channel) != zkr::kOk)
        return lastError;
    MixerChannel& target = channels[channel];
    if (target.filled.load(std::memory_order_acquire) != 0)
        return zkr::kStatusBusy;
    // A block larger than the channel's is cut, never copied past its end.
    bytes = data == nullptr ? 0 : std::clamp(bytes, 0, blockBytes);
    if (bytes == 0) {
        if (processEmptyAsFull.load(std::memory_order_relaxed) == 0)
            return zkr::kOk;
        std::memset(target.samples.get(), 0, static_cast<size_t>(blockBytes));
        target.length = blockBytes;
    } else {
        std::memcpy(target.samples.get(), data, static_cast<size_t>(bytes));
        target.length = bytes;
    }
    target.filled.store(1, std::memory_order_release);
    return zkr::kOk;
}

bool StereoMixer::isHeard(int channel, const MixerChannel& mixerChannel) const
{
    const int32_t solo = soloChannel.load(std::memory_order_relaxed);
    if (solo >= 0)
        return channel == solo;
    return mixerChannel.enabled.load(std::memory_order_relaxed) != 0;
}

void StereoMixer::takeLock()
{
    while (!lock.wait(kLockTimeoutMs)) {
    }
}

void StereoMixer::mixChannel(int channel, MixerChannel& mixerChannel, int32_t master, int32_t& clipFlags)
{
    int16_t* samples = mixerChannel.samples.get();
    const int32_t length = mixerChannel.length;
    const int count = length / 2;
    const bool effectsFirst = mixerChannel.effectsFirst.load(std::memory_order_relaxed) != 0;
    if (effectsFirst)
        callHooks(mixerChannel.hooksInUse, channel, samples, length);
    applyVolume(samples, count, mixerChannel.volume.load(std::memory_order_relaxed));
    if (!effectsFirst)
        callHooks(mixerChannel.hooksInUse, channel, samples, length);

    const int32_t pan = mixerChannel.pan.load(std::memory_order_relaxed);
    clipFlags |= addToSide(samples, mixLeft.get(), count, 100 - pan, master);
    clipFlags |= addToSide(samples, mixRight.get(), count, pan, master);
}

void StereoMixer::mix()
{
    if (!ready)
        return;
    takeLock();
    for (int c = 0; c < channelCount; ++c)
        std::copy(std::begin(channels[c].effectHook), std::end(channels[c].effectHook),
                  std::begin(channels[c].hooksInUse));
    releaseHeld(lock);

    std::memset(mixLeft.get(), 0, static_cast<size_t>(samplesPerBlock) * sizeof(int16_t));
    std::memset(mixRight.get(), 0, static_cast<size_t>(samplesPerBlock) * sizeof(int16_t));
    const int32_t master = masterVolume.load(std::memory_order_relaxed);
    int32_t clipFlags = 0;
    for (int c = 0; c < channelCount; ++c) {
        MixerChannel& mixerChannel = channels[c];
        // A held block stays until the channel is heard again; fill drops
        // newer ones meanwhile.
        if (mixerChannel.filled.load(std::memory_order_acquire) == 0 || !isHeard(c, mixerChannel))
            continue;
        mixerChannel.filled.store(0, std::memory_order_relaxed);
        mixChannel(c, mixerChannel, master, clipFlags);
    }
    interleave();
    clipped.store(clipFlags != 0 ? 1 : 0, std::memory_order_relaxed);
}

void StereoMixer::interleave()
{
    int16_t* __restrict frames = mixBlock.get();
    const int16_t* __restrict left = mixLeft.get();
    const int16_t* __restrict right = mixRight.get();
    for (int i = 0; i < samplesPerBlock; ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
}

int StereoMixer::channelLevel(int channel)
{
    if (checkChannel(channel) != zkr::kOk)
        return 0;
    const MixerChannel& mixerChannel = channels[channel];
    const int32_t solo = soloChannel.load(std::memory_order_relaxed);
    if (mixerChannel.filled.load(std::memory_order_acquire) == 0 ||
        mixerChannel.enabled.load(std::memory_order_relaxed) == 0 || (solo >= 0 && solo != channel))
        return 0;
    // Only the samples of this block count; the buffer beyond its length
    // still holds an older, longer block.
    const int count = mixerChannel.length / 2;
    const int16_t* samples = mixerChannel.samples.get();
    uint64_t sum = 0;
    for (int i = 0; i < count; i += kLevelStride)
        sum += static_cast<uint64_t>(static_cast<int64_t>(samples[i]) * samples[i]);
    return levelOf(sum);
}

uint32_t StereoMixer::masterLevels() const
{
    if (!ready)
        return 0;
    const int16_t* frames = mixBlock.get();
    uint64_t left = 0;
    uint64_t right = 0;
    for (int i = 0; i < samplesPerBlock; i += kLevelStride) {
        left += static_cast<uint64_t>(static_cast<int64_t>(frames[2 * i]) * frames[2 * i]);
        right += static_cast<uint64_t>(static_cast<int64_t>(frames[2 * i + 1]) * frames[2 * i + 1]);
    }
    return static_cast<uint32_t>(levelOf(left)) | (static_cast<uint32_t>(levelOf(right)) << 16);
}

void StereoMixer::setMasterVolume(int volume)
{
    masterVolume.store(std::clamp(volume, 0, kMaxVolume), std::memory_order_relaxed);
}

int StereoMixer::setVolume(int channel, int volume)
{
    if (checkChannel(channel) != zkr::kOk)
        return lastError;
    channels[channel].volume.store(std::clamp(volume, 0, kMaxVolume), std::memory_order_relaxed);
    return zkr::kOk;
}

int StereoMixer::getVolume(int channel)
{
    if (checkChannel(channel) != zkr::kOk)
        return 0;
    return channels[channel].volume.load(std::memory_order_relaxed);
}

int StereoMixer::setPan(int channel, int pan)
{
    if (checkChannel(channel) != zkr::kOk)
        return lastError;
    channels[channel].pan.store(std::clamp(pan, 0, 100), std::memory_order_relaxed);
    return zkr::kOk;
}

int StereoMixer::getPan(int channel)
{
    if (checkChannel(channel) != zkr::kOk)
        return 0;
    return channels[channel].pan.load(std::memory_order_relaxed);
}

int StereoMixer::setEnabled(int channel, bool enabled)
{
    if (checkChannel(channel) != zkr::kOk)
        return lastError;
    channels[channel].enabled.store(enabled ? 1 : 0, std::memory_order_relaxed);
    if (!enabled)
        channels[channel].filled.store(0, std::memory_order_relaxed);
    return zkr::kOk;
}

int StereoMixer::setSolo(int channel, bool on)
{
    if (checkChannel(channel) != zkr::kOk)
        return lastError;
    soloChannel.store(on ? channel : -1, std::memory_order_relaxed);
    return zkr::kOk;
}

int StereoMixer::setEffectsFirst(int channel, bool effectsFirst)
{
    if (checkChannel(channel) != zkr::kOk)
        return lastError;
    channels[channel].effectsFirst.store(effectsFirst ? 1 : 0, std::memory_order_relaxed);
    return zkr::kOk;
}

int StereoMixer::setEffectHook(int channel, int slot, ProcessChannelBufferFn hook)
{
    if (checkChannel(channel) != zkr::kOk)
        return lastError;
    if (slot < 0 || slot >= kChannelEffectSlots) {
        setError(zkr::kErrIndexOutOfRange);
        return lastError;
    }
    takeLock();
    channels[channel].effectHook[slot] = hook;
    releaseHeld(lock);
    return zkr::kOk;
}

} // namespace engine
