// Cost of one mixing cycle: four channels of 4096-byte blocks filled and
// mixed, with volume, pan and master off unity and both effect slots of every
// channel holding a hook that does nothing; once on each vector path the
// processor runs, widest first.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/MixKernels.h"
#include "engine/StereoMixer.h"

namespace {

constexpr int kChannels = 4;
constexpr int kBlockBytes = 4096;
constexpr int kSamples = kBlockBytes / 2;

int32_t noEffect(int32_t, int16_t* samples, int32_t)
{
    benchmark::DoNotOptimize(samples);
    return 1;
}

void mixingCycle(benchmark::State& state, const engine::MixKernels* path)
{
    engine::StereoMixer mixer;
    mixer.useKernelsForTest(*path);
    if (mixer.setup(kChannels, kBlockBytes) != 0) {
        state.SkipWithError("mixer setup failed");
        return;
    }
    std::vector<std::vector<int16_t>> blocks(kChannels, std::vector<int16_t>(kSamples));
    for (int c = 0; c < kChannels; ++c) {
        for (int i = 0; i < kSamples; ++i)
            blocks[c][i] = static_cast<int16_t>((i * 7919 + c * 104729) % 65536 - 32768);
        mixer.setVolume(c, 80 + 10 * c);
        mixer.setPan(c, 20 + 15 * c);
        mixer.setEffectHook(c, 0, noEffect);
        mixer.setEffectHook(c, 1, noEffect);
    }
    mixer.setMasterVolume(90);

    for (auto _ : state) {
        for (int c = 0; c < kChannels; ++c)
            mixer.fill(c, blocks[c].data(), kBlockBytes);
        mixer.mix();
        benchmark::DoNotOptimize(mixer.mixBlock.get());
        benchmark::ClobberMemory();
    }

    // Time per unit: the counter's value is the unit count in billions, so
    // the inverted rate reads in nanoseconds.
    const auto inverted = benchmark::Counter::kIsRate | benchmark::Counter::kInvert;
    const double cycles = static_cast<double>(state.iterations());
    state.counters["ns_per_block"] = benchmark::Counter(cycles * 1e-9, inverted);
    state.counters["ns_per_channel_sample"] =
        benchmark::Counter(cycles * kChannels * kSamples * 1e-9, inverted);
}

} // namespace

int main(int argc, char** argv)
{
    for (const engine::MixKernels& path : engine::mixKernelPaths()) {
        if (path.runsHere())
            benchmark::RegisterBenchmark((std::string("mixingCycle/") + path.name).c_str(), mixingCycle,
                                         &path);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
