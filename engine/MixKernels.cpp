#include "engine/MixKernels.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace engine {

namespace {

constexpr int32_t kSampleMin = -32768;
constexpr int32_t kSampleMax = 32767;

// The loops below are written once, as plain C++ that the compiler
// vectorises, and inlined into one function per instruction set: each copy is
// compiled for its own target, so the same source becomes SSE, AVX2 or
// AVX-512 code. Their inner loops run over a fixed count of samples because
// at -O2 the compiler vectorises only loops that need no scalar remainder;
// the remainder of a block goes through the same loop with its own count.
#define MIX_INLINE inline __attribute__((always_inline))
constexpr int kRunSamples = 256;

MIX_INLINE int32_t clampSample(int32_t value)
{
    return std::clamp(value, kSampleMin, kSampleMax);
}

MIX_INLINE int32_t percentOf(int32_t value, float factor)
{
    return static_cast<int32_t>(static_cast<float>(value) * factor);
}

MIX_INLINE void scaleVolumeRun(int16_t* __restrict samples, int count, float factor)
{
    for (int i = 0; i < count; ++i)
        samples[i] = static_cast<int16_t>(clampSample(percentOf(samples[i], factor)));
}

// Returns the OR of every sum + 32768: within the sample range that fits in
// 16 bits, and any higher bit marks a sum that saturated. Two operations per
// sum, where comparing against both limits would take three.
template <bool kScaleVolume, bool kScaleMaster>
MIX_INLINE uint32_t addPannedRun(const int16_t* __restrict samples, int count, ChannelGains gains,
                                 int16_t* __restrict left, int16_t* __restrict right)
{
    uint32_t offsetSums = 0;
    for (int i = 0; i < count; ++i) {
        int32_t sample = samples[i];
        if constexpr (kScaleVolume)
            sample = clampSample(percentOf(sample, gains.volume));
        int32_t toLeft = percentOf(sample, gains.left);
        int32_t toRight = percentOf(sample, gains.right);
        if constexpr (kScaleMaster) {
            toLeft = percentOf(toLeft, gains.master);
            toRight = percentOf(toRight, gains.master);
        }
        const int32_t sumLeft = left[i] + toLeft;
        const int32_t sumRight = right[i] + toRight;
        left[i] = static_cast<int16_t>(clampSample(sumLeft));
        right[i] = static_cast<int16_t>(clampSample(sumRight));
        offsetSums |=
            static_cast<uint32_t>(sumLeft - kSampleMin) | static_cast<uint32_t>(sumRight - kSampleMin);
    }
    return offsetSums;
}

MIX_INLINE void interleaveRun(const int16_t* __restrict left, const int16_t* __restrict right,
                              int16_t* __restrict frames, int count)
{
    for (int i = 0; i < count; ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
}

MIX_INLINE void scaleVolumeBlock(int16_t* samples, int count, float factor)
{
    int i = 0;
    for (; i + kRunSamples <= count; i += kRunSamples)
        scaleVolumeRun(samples + i, kRunSamples, factor);
    scaleVolumeRun(samples + i, count - i, factor);
}

template <bool kScaleVolume, bool kScaleMaster>
MIX_INLINE bool addPannedBlock(const int16_t* samples, int count, const ChannelGains& gains, int16_t* left,
                               int16_t* right)
{
    uint32_t offsetSums = 0;
    int i = 0;
    for (; i + kRunSamples <= count; i += kRunSamples)
        offsetSums |=
            addPannedRun<kScaleVolume, kScaleMaster>(samples + i, kRunSamples, gains, left + i, right + i);
    offsetSums |=
        addPannedRun<kScaleVolume, kScaleMaster>(samples + i, count - i, gains, left + i, right + i);
    return (offsetSums >> 16) != 0;
}

// Unity steps are skipped rather than multiplied by 1: the results are the
// same, the work is not.
MIX_INLINE bool addPannedChoosing(const int16_t* samples, int count, const ChannelGains& gains, int16_t* left,
                                  int16_t* right)
{
    const bool scaleVolume = gains.volume != 1.0f;
    const bool scaleMaster = gains.master != 1.0f;
    if (scaleVolume)
        return scaleMaster ? addPannedBlock<true, true>(samples, count, gains, left, right)
                           : addPannedBlock<true, false>(samples, count, gains, left, right);
    return scaleMaster ? addPannedBlock<false, true>(samples, count, gains, left, right)
                       : addPannedBlock<false, false>(samples, count, gains, left, right);
}

MIX_INLINE void interleaveBlock(const int16_t* left, const int16_t* right, int16_t* frames, int count)
{
    int i = 0;
    for (; i + kRunSamples <= count; i += kRunSamples)
        interleaveRun(left + i, right + i, frames + 2 * i, kRunSamples);
    interleaveRun(left + i, right + i, frames + 2 * i, count - i);
}

// One path: the three loops compiled for one target.
#define MIX_PATH(Path, Attributes)                                                                           \
    Attributes void scaleVolume##Path(int16_t* samples, int count, float factor)                             \
    {                                                                                                        \
        scaleVolumeBlock(samples, count, factor);                                                            \
    }                                                                                                        \
    Attributes bool addPanned##Path(const int16_t* samples, int count, const ChannelGains& gains,            \
                                    int16_t* left, int16_t* right)                                           \
    {                                                                                                        \
        return addPannedChoosing(samples, count, gains, left, right);                                        \
    }                                                                                                        \
    Attributes void interleave##Path(const int16_t* left, const int16_t* right, int16_t* frames, int count)  \
    {                                                                                                        \
        interleaveBlock(left, right, frames, count);                                                         \
    }

// Whatever the build targets: SSE2 code on every x86-64, which lacks the
// 32-bit minimum, maximum and sign extension the clamps use and so emulates
// them; SSE4.1 has them.
MIX_PATH(Baseline, )
bool alwaysRuns()
{
    return true;
}

#if defined(__x86_64__) || defined(__i386__)
MIX_PATH(Sse41, __attribute__((target("sse4.1"))))
MIX_PATH(Avx2, __attribute__((target("avx2"))))
MIX_PATH(Avx512, __attribute__((target("avx512bw,avx512vl"))))

// The processor model is read once per process; asking again is cheap.
bool runsSse41()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.1");
}
bool runsAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
bool runsAvx512()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
}
#endif

#define MIX_PATH_ENTRY(Path, name, runs)                                                                     \
    {                                                                                                        \
        name, runs, scaleVolume##Path, addPanned##Path, interleave##Path                                     \
    }

const MixKernels kPaths[] = {
#if defined(__x86_64__) || defined(__i386__)
    MIX_PATH_ENTRY(Avx512, "avx512bw", runsAvx512),
    MIX_PATH_ENTRY(Avx2, "avx2", runsAvx2),
    MIX_PATH_ENTRY(Sse41, "sse41", runsSse41),
#endif
    MIX_PATH_ENTRY(Baseline, "baseline", alwaysRuns),
};

} // namespace

float percentFactor(int32_t percent)
{
    // f x 100 is exact in a double (24 bits times 7), so the test is too.
    float factor = static_cast<float>(percent / 100.0);
    if (static_cast<double>(factor) * 100.0 < percent)
        factor = std::nextafter(factor, 2.0f * factor + 1.0f);
    return factor;
}

std::span<const MixKernels> mixKernelPaths()
{
    return kPaths;
}

const MixKernels& widestMixKernels()
{
    static const MixKernels& widest = *std::find_if(std::begin(kPaths), std::end(kPaths),
                                                    [](const MixKernels& path) { return path.runsHere(); });
    return widest;
}

} // namespace engine
