#include "plugins/velmorizer/DistortionUnit.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmorizer {

namespace {

using Settings = DistortionUnit::Settings;

int16_t distorted(int32_t sample, const Settings& settings)
{
    int32_t a = sample * settings.inputGain / 100;
    if (a > settings.threshold)
        a = settings.threshold;
    else if (a < -settings.threshold)
        a = -settings.threshold;
    return fxframe::saturatedSample(a * settings.outputGain / 100);
}

#if defined(__SSE2__)
// Eight samples at a time in single precision, which gives exactly the
// integer steps within the settings' ranges: sample * input gain and
// a * (output gain % 100) are whole numbers below 2^24, held exactly, and
// their quotients by 100 stay below 2^17, where a float's rounding error is
// far less than the hundredth that separates a quotient's fraction from the
// next whole number, so truncating the quotient truncates the division.
// a * (output gain / 100) is exact as well and shares the other part's sign,
// so the two truncated parts add up to the truncated whole.
// Clipping before truncating gives what clipping after would, the threshold
// being whole; the final pack saturates to 16 bits. Answers how many
// samples it did (a multiple of eight).
int32_t distortEights(int16_t* samples, int32_t count, const Settings& settings)
{
    const __m128 inputGain = _mm_set1_ps(float(settings.inputGain));
    const __m128 hundred = _mm_set1_ps(100.0f);
    const __m128 top = _mm_set1_ps(float(settings.threshold));
    const __m128 bottom = _mm_set1_ps(-float(settings.threshold));
    const __m128 wholeOutput = _mm_set1_ps(float(settings.outputGain / 100));
    const __m128 restOutput = _mm_set1_ps(float(settings.outputGain % 100));
    const auto four = [&](__m128i wide) {
        __m128 a = _mm_div_ps(_mm_mul_ps(_mm_cvtepi32_ps(wide), inputGain), hundred);
        a = _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(a, bottom), top)));
        const __m128i rest = _mm_cvttps_epi32(_mm_div_ps(_mm_mul_ps(a, restOutput), hundred));
        return _mm_add_epi32(_mm_cvttps_epi32(_mm_mul_ps(a, wholeOutput)), rest);
    };
    int32_t done = 0;
    for (; done + 8 <= count; done += 8) {
        auto* at = reinterpret_cast<__m128i*>(samples + done);
        const __m128i eight = _mm_loadu_si128(at);
        // Sign-extended to 32 bits: each sample in the high half, shifted down.
        const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(eight, eight), 16);
        const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(eight, eight), 16);
        _mm_storeu_si128(at, _mm_packs_epi32(four(low), four(high)));
    }
    return done;
}
#endif

} // namespace

DistortionUnit::Settings DistortionUnit::settings() const
{
    return {std::clamp(inputGain.load(std::memory_order_relaxed), kMinInputGain, kMaxInputGain),
            std::clamp(threshold.load(std::memory_order_relaxed), 0, kMaxThreshold),
            std::clamp(outputGain.load(std::memory_order_relaxed), kMinOutputGain, kMaxOutputGain)};
}

void DistortionUnit::process(int16_t* samples, int32_t bytes)
{
    if (samples == nullptr || bytes < 2)
        return;
    const Settings block = settings();
    const int32_t count = bytes / 2;
    int32_t done = 0;
#if defined(__SSE2__)
    done = distortEights(samples, count, block);
#endif
    for (int32_t i = done; i < count; ++i)
        samples[i] = distorted(samples[i], block);
}

} // namespace velmorizer
