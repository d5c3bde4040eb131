#pragma once

#include <atomic>
#include <cstdint>

#include "plugins/fxframe/FxChannel.h"

namespace velmorizer {

// Hard clipping, one unit for every channel the effect is on: each sample is
// amplified, clipped to the threshold and amplified again, in whole percent
// truncating toward zero, and the result held to 16 bits. It keeps no
// signal memory, so reset has nothing to forget.
//
// Threads: the settings are written by the window's thread and read once per
// block by the engine's streaming thread. Each is a single atomic value
// (relaxed: nothing else hangs on it), so a change takes effect with the
// next block.
class DistortionUnit : public fxframe::FxChannel {
public:
    // The knobs' ranges. process takes a setting outside its range as the
    // nearest end, which also keeps every product within 32 bits.
    static constexpr int32_t kMinInputGain = 100;
    static constexpr int32_t kMaxInputGain = 300;
    static constexpr int32_t kMaxThreshold = 32767;
    static constexpr int32_t kMinOutputGain = 100;
    static constexpr int32_t kMaxOutputGain = 600;

    static constexpr int32_t kStartInputGain = 100;
    static constexpr int32_t kStartThreshold = 10000;
    static constexpr int32_t kStartOutputGain = 100;

    struct Settings {
        int32_t inputGain;
        int32_t threshold;
        int32_t outputGain;
    };
    // The settings as process takes them, each within its range.
    Settings settings() const;

    // Distorts bytes / 2 samples in place.
    void process(int16_t* samples, int32_t bytes) override;

    std::atomic<int32_t> inputGain{kStartInputGain};   // percent
    std::atomic<int32_t> threshold{kStartThreshold};   // clipping level in sample units
    std::atomic<int32_t> outputGain{kStartOutputGain}; // percent
};

} // namespace velmorizer
