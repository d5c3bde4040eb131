// Cost of each effect's processing, in nanoseconds per sample, on the
// engine's 4096-byte channel blocks of full-scale noise, with settings that
// make every step of the arithmetic count: the equaliser with a preset's
// gains and a dry mix off unity, the reverb at its default 100 ms with 50 %
// feedback, the distortion switched to clip.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "plugins/halvern/ReverbChannel.h"
#include "plugins/velmoraeq/EqChannel.h"
#include "plugins/velmorizer/DistortionUnit.h"

namespace {

constexpr int kBlockBytes = 4096;
constexpr int kSamples = kBlockBytes / 2;

std::vector<int16_t> noiseBlock()
{
    std::vector<int16_t> samples(kSamples);
    uint32_t seed = 12345;
    for (int16_t& sample : samples) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<int16_t>(seed >> 16);
    }
    return samples;
}

// Runs process over fresh copies of one noise block and reports ns per
// sample; the copy is timed too (copy_only gives its share).
template <typename Effect> void measure(benchmark::State& state, Effect& effect)
{
    const std::vector<int16_t> source = noiseBlock();
    std::vector<int16_t> block(source);
    for (auto _ : state) {
        std::copy(source.begin(), source.end(), block.begin());
        effect.process(block.data(), kBlockBytes);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    // The counter's value is the sample count in billions, so the inverted rate reads in nanoseconds.
    state.counters["ns_per_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSamples * 1e-9,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

struct NoEffect {
    void process(int16_t*, int32_t) {}
};

void copy_only(benchmark::State& state)
{
    NoEffect none;
    measure(state, none);
}

void equaliser(benchmark::State& state)
{
    velmoraeq::EqChannel channel;
    if (!channel.addStandardBands()) {
        state.SkipWithError("the bands could not be made");
        return;
    }
    const int gains[] = {74, 50, 33, 14, 0, 14, 33, 50, 74};
    for (int band = 0; band < 9; ++band)
        (void)channel.setBandGain(band, gains[band]);
    channel.dryMix = 90;
    measure(state, channel);
}

void reverb(benchmark::State& state)
{
    halvern::ReverbChannel channel;
    channel.setDelay(100);
    measure(state, channel);
}

void distortion(benchmark::State& state)
{
    velmorizer::DistortionUnit unit;
    unit.inputGain = 250;
    unit.threshold = 12000;
    unit.outputGain = 300;
    measure(state, unit);
}

} // namespace

BENCHMARK(copy_only);
BENCHMARK(equaliser);
BENCHMARK(reverb);
BENCHMARK(distortion);
BENCHMARK_MAIN();
