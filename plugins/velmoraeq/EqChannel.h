#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "plugins/fxframe/EffectChannels.h"
#include "plugins/fxframe/FxChannel.h"

namespace velmoraeq {

// Every band filter and the combined filter have kFilterOrder + 1 taps.
inline constexpr int32_t kFilterOrder = 6;
inline constexpr int kTaps = kFilterOrder + 1;

inline constexpr int32_t kMinGain = -100;
inline constexpr int32_t kMaxGain = 100;
inline constexpr int32_t kMaxDryMix = 100;

// A band of the equaliser: its centre frequency and width in Hz.
struct BandSpec {
    int32_t centre;
    int32_t width;
};

// The nine bands every channel is built with, lowest first.
inline constexpr std::array<BandSpec, 9> kStandardBands{{
    {32, 64},
    {80, 96},
    {200, 240},
    {400, 400},
    {1000, 1200},
    {2000, 2000},
    {4000, 4000},
    {8000, 8000},
    {16000, 16000},
}};
inline constexpr int kStandardBandCount = static_cast<int>(kStandardBands.size());

// One engine channel's graphic equaliser: short linear-phase band-pass
// filters, designed once, each weighted by its band's gain and summed into
// one combined filter, whose output is added to a share of the dry signal.
//
// Threads: process runs on the engine's streaming thread, reset on its main
// or streaming thread, the gain changes on the window's thread. lock_ guards
// the bands, the combined coefficients and the signal memory: process holds
// it for one block, setBandGain and reset only for their few updates, so the
// filter never reads half a gain change. The dry mix and the switch are
// single settings, read once per block.
class EqChannel : public fxframe::FxChannel {
public:
    using Taps = std::array<double, kTaps>;

    EqChannel();

    // Designs a band-pass filter for the band and appends the band with gain 0.
    // False when memory runs out, or when the band has no response at its
    // centre (it could not be normalised); nothing is added then.
    bool addBand(int32_t centre, int32_t width);
    // The nine standard bands in order; false when one could not be added
    // (the channel is then not fit for use).
    bool addStandardBands();

    // Sets a band's gain in percent, held to -100..+100, and moves the combined
    // filter by the difference. False, changing nothing, for no such band.
    bool setBandGain(int32_t band, int32_t gain);
    void setAllBandGains(int32_t gain);

    // Forgets the signal; the settings stay.
    void reset() override;
    // Filters bytes / 2 samples in place, unless the channel is switched off
    // (then neither the samples nor the signal memory change).
    void process(int16_t* samples, int32_t bytes) override;

    int32_t bandCount() const;
    // 0 for no such band.
    int32_t bandGain(int32_t band) const;
    // The band's normalised filter; zeros for no such band.
    Taps prototype(int32_t band) const;
    Taps coefficients() const;

    // The dry signal's share in percent, 0 to 100 (held to that range when used).
    std::atomic<int32_t> dryMix{kMaxDryMix};
    // Off: the channel's audio passes untouched and its signal memory stands still.
    std::atomic<bool> enabled{true};

private:
    // Samples filtered per pass over the signal memory.
    static constexpr int kChunk = 512;
    static constexpr int kHistory = kTaps - 1;

    struct Band {
        Taps prototype;
        int32_t gain = 0;
    };

    void filterChunk(int16_t* samples, int count, const Taps& taps, int32_t dry) REQUIRES(lock_);

    mutable plat::AnnotatedMutex lock_;
    std::vector<Band> bands_ GUARDED_BY(lock_);
    // tap k weights the sample k steps back.
    Taps coefficients_ GUARDED_BY(lock_){};
    // The last kHistory samples, oldest first, then room for one chunk.
    std::array<double, kHistory + kChunk> signal_ GUARDED_BY(lock_){};
};

// The equaliser of every engine channel.
using EqChannels = fxframe::EffectChannels<EqChannel>;

} // namespace velmoraeq
