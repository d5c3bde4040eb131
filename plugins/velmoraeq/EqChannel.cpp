#include "plugins/velmoraeq/EqChannel.h"

#include <algorithm>
#include <cmath>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmoraeq {

namespace {

// The design's constants are these decimals, not the full-precision values,
// so the filters come out as they always have.
constexpr double kPi = 3.141592654;
constexpr double kTwoPi = 6.283185307;

static_assert(kTaps % 2 == 1, "the design has a centre tap");

// A Hamming-windowed linear-phase band-pass filter for the band, scaled to
// unit gain at the band's centre; false when it has no gain there to scale.
bool designBand(int32_t sampleRate, int32_t centre, int32_t width, EqChannel::Taps& prototype)
{
    const int32_t half = width / 2;
    const int32_t nyquist = sampleRate / 2;
    // Normalised so that the Nyquist frequency is 1 (the top band reaches past it).
    const double f1 = static_cast<double>(centre - half) / nyquist;
    const double f2 = static_cast<double>(centre + half) / nyquist;
    const double halfBandwidth = f2 * 0.5 - f1 * 0.5;
    const double middle = f2 * 0.5 + f1 * 0.5;

    // The ideal band-pass response from the centre tap outwards.
    constexpr int kHalfTaps = (kTaps + 1) / 2;
    std::array<double, kHalfTaps> halfFilter{};
    halfFilter[0] = 2 * halfBandwidth;
    for (int m = 1; m < kHalfTaps; ++m)
        halfFilter[m] = 2 * std::sin(kPi * halfBandwidth * m) * std::cos(kPi * middle * m) / (kPi * m);

    double real = 0.0;
    double imaginary = 0.0;
    for (int i = 0; i < kTaps; ++i) {
        const double ideal = halfFilter[std::abs(i - (kHalfTaps - 1))];
        const double window = 0.54 - 0.46 * std::cos(kTwoPi * i / (kTaps - 1));
        prototype[i] = window * ideal;
        const double phase = kPi * middle * (kTaps - 1 - i);
        real += prototype[i] * std::cos(phase);
        imaginary -= prototype[i] * std::sin(phase);
    }
    const double gain = std::sqrt(real * real + imaginary * imaginary);
    if (!(gain > 0.0) || !std::isfinite(gain))
        return false;
    for (double& tap : prototype)
        tap /= gain;
    return true;
}

#if defined(__SSE2__)
// The filter of filterChunk four samples at a time, lane by lane the same
// operations in the same order, so every result is the same to the bit:
// - the wet sum is held to +-1e9 before it is truncated (any sum that far
//   out saturates the sample either way);
// - the dry part's product (at most 32768 * 100 < 2^24) is exact in single
//   precision and its quotient by 100 within 0.002 of the true one, while a
//   true quotient that is no whole number lies at least 0.01 from one, so
//   truncating it gives the integer division's result;
// - packing to 16 bits saturates.
// Answers how many samples (a multiple of four) it filtered.
int filterQuads(int16_t* samples, double* signal, int count, const EqChannel::Taps& taps, int32_t dry)
{
    const int quads = count / 4 * 4;
    for (int i = 0; i < quads; i += 4) {
        const __m128i packed = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + i));
        const __m128i widened = _mm_srai_epi32(_mm_unpacklo_epi16(packed, packed), 16);
        _mm_storeu_pd(signal + i, _mm_cvtepi32_pd(widened));
        _mm_storeu_pd(signal + i + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(widened, 0xEE)));
    }
    __m128d tap[kTaps];
    for (int k = 0; k < kTaps; ++k)
        tap[k] = _mm_set1_pd(taps[k]);
    const __m128d limit = _mm_set1_pd(1.0e9);
    const __m128d negativeLimit = _mm_set1_pd(-1.0e9);
    const auto wetPair = [&](const double* newest) {
        __m128d sum = _mm_mul_pd(tap[0], _mm_loadu_pd(newest));
        for (int k = 1; k < kTaps; ++k)
            sum = _mm_add_pd(sum, _mm_mul_pd(tap[k], _mm_loadu_pd(newest - k)));
        return _mm_cvttpd_epi32(_mm_max_pd(_mm_min_pd(sum, limit), negativeLimit));
    };
    const __m128i dryShare = _mm_set1_epi16(static_cast<int16_t>(dry));
    const __m128 hundred = _mm_set1_ps(100.0f);
    for (int i = 0; i < quads; i += 4) {
        const __m128i wet = _mm_unpacklo_epi64(wetPair(signal + i), wetPair(signal + i + 2));
        const __m128i packed = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + i));
        const __m128i product =
            _mm_unpacklo_epi16(_mm_mullo_epi16(packed, dryShare), _mm_mulhi_epi16(packed, dryShare));
        const __m128i dryPart = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(product), hundred));
        const __m128i out = _mm_packs_epi32(_mm_add_epi32(wet, dryPart), _mm_setzero_si128());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(samples + i), out);
    }
    return quads;
}
#endif

} // namespace

EqChannel::EqChannel()
{
    bands_.reserve(kStandardBands.size());
}

bool EqChannel::addBand(int32_t centre, int32_t width)
{
    Band band;
    if (!designBand(sampleRate, centre, width, band.prototype))
        return false;
    try {
        plat::ScopedLock guard(lock_);
        bands_.push_back(band);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool EqChannel::addStandardBands()
{
    for (const BandSpec& band : kStandardBands)
        if (!addBand(band.centre, band.width))
            return false;
    return true;
}

bool EqChannel::setBandGain(int32_t band, int32_t gain)
{
    plat::ScopedLock guard(lock_);
    if (band < 0 || band >= static_cast<int32_t>(bands_.size()))
        return false;
    // Held to the slider's range, so the filter's sum stays within reach of a sample.
    gain = std::clamp(gain, kMinGain, kMaxGain);
    Band& changed = bands_[static_cast<std::size_t>(band)];
    const int32_t delta = gain - changed.gain;
    changed.gain = gain;
    if (delta == 0)
        return true;
    // Moved by the difference only: the sum is never made anew from the gains.
    for (int k = 0; k < kTaps; ++k)
        coefficients_[k] = coefficients_[k] + delta * 0.01 * changed.prototype[k];
    return true;
}

void EqChannel::setAllBandGains(int32_t gain)
{
    const int32_t count = bandCount();
    for (int32_t band = 0; band < count; ++band)
        setBandGain(band, gain);
}

void EqChannel::reset()
{
    plat::ScopedLock guard(lock_);
    signal_.fill(0.0);
}

void EqChannel::process(int16_t* samples, int32_t bytes)
{
    if (samples == nullptr || !enabled.load(std::memory_order_relaxed))
        return;
    const int32_t dry = std::clamp(dryMix.load(std::memory_order_relaxed), 0, kMaxDryMix);
    plat::ScopedLock guard(lock_);
    const Taps taps = coefficients_;
    for (int32_t left = bytes / 2; left > 0;) {
        const int count = std::min<int32_t>(left, kChunk);
        filterChunk(samples, count, taps, dry);
        samples += count;
        left -= count;
    }
}

void EqChannel::filterChunk(int16_t* samples, int count, const Taps& taps, int32_t dry)
{
    double* const signal = signal_.data() + kHistory;
    int done = 0;
#if defined(__SSE2__)
    done = filterQuads(samples, signal, count, taps, dry);
#endif
    for (int i = done; i < count; ++i) {
        signal[i] = samples[i];
        // Summed newest sample first, one tap after the other, as the filter is defined.
        double sum = taps[0] * signal[i];
        for (int k = 1; k < kTaps; ++k)
            sum += taps[k] * signal[i - k];
        const int32_t dryPart = samples[i] * dry / 100;
        samples[i] = fxframe::saturatedSample(dryPart + fxframe::truncatedToward0(sum));
    }
    std::copy(signal + count - kHistory, signal + count, signal_.data());
}

int32_t EqChannel::bandCount() const
{
    plat::ScopedLock guard(lock_);
    return static_cast<int32_t>(bands_.size());
}

int32_t EqChannel::bandGain(int32_t band) const
{
    plat::ScopedLock guard(lock_);
    if (band < 0 || band >= static_cast<int32_t>(bands_.size()))
        return 0;
    return bands_[static_cast<std::size_t>(band)].gain;
}

EqChannel::Taps EqChannel::prototype(int32_t band) const
{
    plat::ScopedLock guard(lock_);
    if (band < 0 || band >= static_cast<int32_t>(bands_.size()))
        return {};
    return bands_[static_cast<std::size_t>(band)].prototype;
}

EqChannel::Taps EqChannel::coefficients() const
{
    plat::ScopedLock guard(lock_);
    return coefficients_;
}

} // namespace velmoraeq
