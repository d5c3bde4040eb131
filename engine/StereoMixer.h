#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "api/PluginApi.h"
#include "zkr/ObjectBase.h"

namespace engine {

struct MixKernels;

// Sums the engine's mono channels into one interleaved stereo block, applying
// each channel's effects, volume, pan, mute and solo and the master volume.
//
// Threads: the streaming thread calls fill, mix and the level functions; the
// main thread changes the parameters. Every parameter and every effect hook is
// a single atomic that mix reads without a lock, so the streaming thread never
// waits for the main thread (relaxed order for the parameters: a change shows
// in the next block; acquire for a hook, whose plug-in was set up before).
// setup and release run while no streaming thread exists. The streaming
// thread's calls answer a bad channel without recording or reporting it:
// lastError and the dialogs belong to the main thread, and the engine's loop
// reports its own failures.
//
// mix takes its copy of the hooks at the start of a block and calls them from
// the copy. A hook removed by setEffectHook may therefore still be running
// from the copy of a mix already under way; whoever releases the effect waits
// for that mix (see StreamingCall).
class StereoMixer : public zkr::ObjectBase {
public:
    static constexpr int32_t kMaxVolume = 200;
    static constexpr int32_t kUnityVolume = 100;
    static constexpr int32_t kCentrePan = 50;

    struct MixerChannel {
        std::atomic<int32_t> enabled{1};
        // The block: blockBytes bytes, zeroed at setup. Written by fill and
        // mix on the streaming thread only.
        std::unique_ptr<int16_t[]> samples;
        // Set by fill (release) once the block is in place; cleared by mix,
        // and by setEnabled on the main thread when the channel is muted.
        std::atomic<int32_t> filled{0};
        int32_t length = 0; // bytes in samples; streaming thread only
        std::atomic<int32_t> effectsFirst{0};
        std::atomic<int32_t> volume{kUnityVolume};
        // One value carries both gains, so that a block never sees the left
        // gain of one pan with the right gain of another: rightGain = pan,
        // leftGain = 100 - pan.
        std::atomic<int32_t> pan{kCentrePan};
        // Written by setEffectHook (release), copied by mix (acquire).
        std::atomic<ProcessChannelBufferFn> effectHook[kChannelEffectSlots] = {};
        // The copy of effectHook that the mix under way calls; streaming thread only.
        ProcessChannelBufferFn hooksInUse[kChannelEffectSlots] = {};

        int32_t leftGain() const { return 100 - pan.load(std::memory_order_relaxed); }
        int32_t rightGain() const { return pan.load(std::memory_order_relaxed); }
    };

    StereoMixer();
    ~StereoMixer() override;

    // Releases an earlier set-up, then allocates channelCount channels of
    // blockBytes each and the stereo block, all at defaults. OutOfMemory when memory
    // runs out, IndexOutOfRange for a count or size that cannot make a block; the mixer is
    // then not ready.
    int setup(int channelCount, int blockBytes);
    void release();

    // Copies one mono block into a channel: 0, or Busy (block dropped) while
    // the channel still holds one not yet mixed, IndexOutOfRange for a channel that is not
    // set up. More than blockBytes bytes are cut to blockBytes.
    int fill(int channel, const int16_t* data, int bytes);
    // Mixes every channel that holds a block and is heard into mixBlock.
    void mix();

    // Relative level of the channel's unmixed block (0 when it is not heard).
    int channelLevel(int channel);
    // Left level in the low 16 bits, right in the high 16 bits, of mixBlock.
    uint32_t masterLevels() const;

    void setMasterVolume(int volume);
    int getMasterVolume() const { return masterVolume.load(std::memory_order_relaxed); }
    int setVolume(int channel, int volume);
    int getVolume(int channel);
    int setPan(int channel, int pan);
    int getPan(int channel);
    int setEnabled(int channel, bool enabled);
    int setSolo(int channel, bool on);
    int setEffectsFirst(int channel, bool effectsFirst);
    int setEffectHook(int channel, int slot, ProcessChannelBufferFn hook);

    // Test seam: the vector path mix runs on is the widest this processor
    // has unless a test picks another of mixKernelPaths.
    void useKernelsForTest(const MixKernels& kernels) { kernels_ = &kernels; }

    // Both read by level and mix on the streaming thread after each block.
    bool isClipped() const { return clipped.load(std::memory_order_relaxed) != 0; }

    // Set up once before streaming starts; read-only while it runs.
    int32_t channelCount = 0;
    int32_t blockBytes = 0;
    int32_t samplesPerBlock = 0;
    int32_t mixBytes = 0;
    std::unique_ptr<MixerChannel[]> channels;
    bool ready = false;
    // Written by mix, read after it on the streaming thread.
    std::unique_ptr<int16_t[]> mixBlock;
    // The two sides are summed apart, then interleaved into mixBlock.
    std::unique_ptr<int16_t[]> mixLeft;
    std::unique_ptr<int16_t[]> mixRight;

    std::atomic<int32_t> masterVolume{kUnityVolume};
    std::atomic<int32_t> soloChannel{-1};
    // Kept across set-ups; changed by the mixer settings on the main thread.
    std::atomic<int32_t> processEmptyAsFull{0};
    std::atomic<int32_t> clipped{0};

private:
    // IndexOutOfRange (recorded) when channel is not one of the set-up channels.
    int checkChannel(int channel);
    bool isSetUp(int channel) const { return channel >= 0 && channel < channelCount; }
    bool isHeard(int channel, const MixerChannel& mixerChannel) const;
    // True when a sum saturated.
    bool mixChannel(int channel, MixerChannel& mixerChannel, float masterFactor);

    const MixKernels* kernels_;
};

} // namespace engine
