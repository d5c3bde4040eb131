#include "engine/StereoMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <new>

#include "api/Protocol.h"
#include "engine/MixKernels.h"

namespace engine {

namespace {

constexpr int32_t kSampleMax = 32767;
// Levels look at one sample in eight.
constexpr int kLevelStride = 8;

// The level scale: x = sqrt(sum of squares x 0.01), truncated, then
// x x 100 / 32767 rounded to the nearest whole number. A full-scale square
// wave over 4096 bytes has x = 52427, which reads 160 (the plain quotient,
// 159.9994, would fall just short of the scale's reference mark).
int levelOf(uint64_t sumOfSquares)
{
    const auto root = static_cast<int64_t>(std::sqrt(static_cast<double>(sumOfSquares) * 0.01));
    return static_cast<int>(std::min<int64_t>((root * 100 + kSampleMax / 2) / kSampleMax, 0xFFFF));
}

bool hasHooks(const ProcessChannelBufferFn (&hooks)[kChannelEffectSlots])
{
    return std::any_of(std::begin(hooks), std::end(hooks),
                       [](ProcessChannelBufferFn hook) { return hook != nullptr; });
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

StereoMixer::StereoMixer() : kernels_(&widestMixKernels())
{
    kind = zkr::kKindStereoMixer;
}

StereoMixer::~StereoMixer() = default;

int StereoMixer::setup(int count, int bytes)
{
    release();
    clearError();
    if (count < 1 || bytes < kBytesPerSample) {
        setError(toWire(Error::IndexOutOfRange));
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
        setError(toWire(Error::OutOfMemory));
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
    return toWire(Error::Ok);
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
    if (!isSetUp(channel)) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    return toWire(Error::Ok);
}

int StereoMixer::fill(int channel, const int16_t* data, int bytes)
{
    if (!isSetUp(channel))
        return toWire(engine::Error::IndexOutOfRange);
    MixerChannel& target = channels[channel];
    if (target.filled.load(std::memory_order_acquire) != 0)
        return toWire(Error::Busy);
    // A block larger than the channel's is cut, never copied past its end.
    bytes = data == nullptr ? 0 : std::clamp(bytes, 0, blockBytes);
    if (bytes == 0) {
        if (processEmptyAsFull.load(std::memory_order_relaxed) == 0)
            return toWire(Error::Ok);
        std::memset(target.samples.get(), 0, static_cast<size_t>(blockBytes));
        target.length = blockBytes;
    } else {
        std::memcpy(target.samples.get(), data, static_cast<size_t>(bytes));
        target.length = bytes;
    }
    target.filled.store(1, std::memory_order_release);
    return toWire(Error::Ok);
}

bool StereoMixer::isHeard(int channel, const MixerChannel& mixerChannel) const
{
    const int32_t solo = soloChannel.load(std::memory_order_relaxed);
    if (solo >= 0)
        return channel == solo;
    return mixerChannel.enabled.load(std::memory_order_relaxed) != 0;
}

bool StereoMixer::mixChannel(int channel, MixerChannel& mixerChannel, float masterFactor)
{
    int16_t* samples = mixerChannel.samples.get();
    const int32_t length = mixerChannel.length;
    const int count = length / 2;
    const bool effectsFirst = mixerChannel.effectsFirst.load(std::memory_order_relaxed) != 0;
    const int32_t volume = mixerChannel.volume.load(std::memory_order_relaxed);
    ChannelGains gains;
    if (effectsFirst)
        callHooks(mixerChannel.hooksInUse, channel, samples, length);
    if (!effectsFirst && hasHooks(mixerChannel.hooksInUse)) {
        // The effects hear the block at its volume, so the volume gets a pass
        // of its own; otherwise it rides along with the pan.
        if (volume == 0)
            std::memset(samples, 0, static_cast<size_t>(count) * sizeof(int16_t));
        else if (volume != kUnityVolume)
            kernels_->scaleVolume(samples, count, percentFactor(volume));
        callHooks(mixerChannel.hooksInUse, channel, samples, length);
    } else {
        gains.volume = percentFactor(volume);
    }

    const int32_t pan = mixerChannel.pan.load(std::memory_order_relaxed);
    gains.left = percentFactor(100 - pan);
    gains.right = percentFactor(pan);
    gains.master = masterFactor;
    return kernels_->addPanned(samples, count, gains, mixLeft.get(), mixRight.get());
}

void StereoMixer::mix()
{
    if (!ready)
        return;
    for (int c = 0; c < channelCount; ++c) {
        for (int slot = 0; slot < kChannelEffectSlots; ++slot)
            channels[c].hooksInUse[slot] = channels[c].effectHook[slot].load(std::memory_order_acquire);
    }

    std::memset(mixLeft.get(), 0, static_cast<size_t>(samplesPerBlock) * sizeof(int16_t));
    std::memset(mixRight.get(), 0, static_cast<size_t>(samplesPerBlock) * sizeof(int16_t));
    const float masterFactor = percentFactor(masterVolume.load(std::memory_order_relaxed));
    bool sumSaturated = false;
    for (int c = 0; c < channelCount; ++c) {
        MixerChannel& mixerChannel = channels[c];
        // A held block stays until the channel is heard again; fill drops
        // newer ones meanwhile.
        if (mixerChannel.filled.load(std::memory_order_acquire) == 0 || !isHeard(c, mixerChannel))
            continue;
        mixerChannel.filled.store(0, std::memory_order_relaxed);
        sumSaturated |= mixChannel(c, mixerChannel, masterFactor);
    }
    kernels_->interleave(mixLeft.get(), mixRight.get(), mixBlock.get(), samplesPerBlock);
    clipped.store(sumSaturated ? 1 : 0, std::memory_order_relaxed);
}

int StereoMixer::channelLevel(int channel)
{
    if (!isSetUp(channel))
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
    if (checkChannel(channel) != toWire(Error::Ok))
        return lastError;
    channels[channel].volume.store(std::clamp(volume, 0, kMaxVolume), std::memory_order_relaxed);
    return toWire(Error::Ok);
}

int StereoMixer::getVolume(int channel)
{
    if (checkChannel(channel) != toWire(Error::Ok))
        return 0;
    return channels[channel].volume.load(std::memory_order_relaxed);
}

int StereoMixer::setPan(int channel, int pan)
{
    if (checkChannel(channel) != toWire(Error::Ok))
        return lastError;
    channels[channel].pan.store(std::clamp(pan, 0, 100), std::memory_order_relaxed);
    return toWire(Error::Ok);
}

int StereoMixer::getPan(int channel)
{
    if (checkChannel(channel) != toWire(Error::Ok))
        return 0;
    return channels[channel].pan.load(std::memory_order_relaxed);
}

int StereoMixer::setEnabled(int channel, bool enabled)
{
    if (checkChannel(channel) != toWire(Error::Ok))
        return lastError;
    channels[channel].enabled.store(enabled ? 1 : 0, std::memory_order_relaxed);
    if (!enabled)
        channels[channel].filled.store(0, std::memory_order_relaxed);
    return toWire(Error::Ok);
}

int StereoMixer::setSolo(int channel, bool on)
{
    if (checkChannel(channel) != toWire(Error::Ok))
        return lastError;
    soloChannel.store(on ? channel : -1, std::memory_order_relaxed);
    return toWire(Error::Ok);
}

int StereoMixer::setEffectsFirst(int channel, bool effectsFirst)
{
    if (checkChannel(channel) != toWire(Error::Ok))
        return lastError;
    channels[channel].effectsFirst.store(effectsFirst ? 1 : 0, std::memory_order_relaxed);
    return toWire(Error::Ok);
}

int StereoMixer::setEffectHook(int channel, int slot, ProcessChannelBufferFn hook)
{
    if (checkChannel(channel) != toWire(Error::Ok))
        return lastError;
    if (slot < 0 || slot >= kChannelEffectSlots) {
        setError(toWire(Error::IndexOutOfRange));
        return lastError;
    }
    channels[channel].effectHook[slot].store(hook, std::memory_order_release);
    return toWire(Error::Ok);
}

} // namespace engine
