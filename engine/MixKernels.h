#pragma once

#include <cstdint>
#include <span>

namespace engine {

// The multiplier for a percentage from 0 to 200: the smallest float f with
// f x 100 >= percent. For every integer n in -32768..32768,
// trunc(float(n) x f) equals n x percent / 100 truncated toward zero: f
// exceeds percent / 100 by less than 2^-23, which n multiplies to under 2^-8,
// and the product's rounding adds at most 2^-9, so neither can carry a
// quotient across the 0.01 that separates n x percent / 100 from the next
// integer. One multiply replaces a division that no vector unit has for
// 32-bit integers.
float percentFactor(int32_t percent);

// What one channel's block is mixed with, each from percentFactor. A factor
// of exactly 1 (100 %) skips its step.
struct ChannelGains {
    // 1 when the volume was applied before the effects ran or is unity.
    float volume = 1.0f;
    float left = 1.0f;
    float right = 1.0f;
    float master = 1.0f;
};

// One build of the mixer's sample loops for one instruction set. Every path
// computes the same integer results; they differ only in vector width.
struct MixKernels {
    const char* name;
    bool (*runsHere)();
    // s = clamp(trunc(s x volume / 100)) for each sample, in place.
    void (*scaleVolume)(int16_t* samples, int count, float volumeFactor);
    // Adds clamp(trunc(trunc(v x left / 100) x master / 100)) of each sample v
    // (after the volume) to left, saturating each sum, and likewise right.
    // True when a sum saturated.
    bool (*addPanned)(const int16_t* samples, int count, const ChannelGains& gains, int16_t* left,
                      int16_t* right);
    // frames[2i] = left[i], frames[2i + 1] = right[i].
    void (*interleave)(const int16_t* left, const int16_t* right, int16_t* frames, int count);
};

// Every path built in, widest first, including those this processor lacks.
std::span<const MixKernels> mixKernelPaths();
// The widest path this processor runs, chosen on the first call.
const MixKernels& widestMixKernels();

} // namespace engine
