// The broadcast's costs: the CPU one minute of the mix takes to encode in
// each format at its default quality (on the broadcast thread), and what the
// broadcast adds to the streaming thread's time per block: the copy into its
// ring (on), against nothing (off). The ring is drained by a live broadcast
// thread that finds no server and drops what it gets, as when off air; the
// bench waits, untimed, whenever the ring is half full, so every timed block
// is copied rather than dropped.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <cstdint>
#include <vector>

#include "plugins/brolet/Broadcast.h"
#include "plugins/brolet/BroadcastEncoder.h"
#include "plugins/brolet/Broadcaster.h"
#include "support/LoopbackSocket.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBlockFrames = 2048;
constexpr int kBlockBytes = kBlockFrames * 4;
constexpr int kMinuteBlocks = 60 * kRate / kBlockFrames;

// A minute of something like music: two detuned chords and a little noise.
const std::vector<int16_t>& minuteOfMix()
{
    static const std::vector<int16_t> mix = [] {
        std::vector<int16_t> samples(size_t{kMinuteBlocks} * kBlockFrames * 2);
        uint32_t noise = 12345;
        for (size_t i = 0; i < samples.size() / 2; ++i) {
            const double t = double(i) / kRate;
            noise = noise * 1664525 + 1013904223;
            const double shared = 0.2 * std::sin(2 * M_PI * 110 * t) + 0.1 * std::sin(2 * M_PI * 440 * t) +
                                  0.02 * (double(noise >> 16) / 32768.0 - 1.0);
            samples[2 * i] = int16_t(8000 * (shared + 0.1 * std::sin(2 * M_PI * 554.4 * t)));
            samples[2 * i + 1] = int16_t(8000 * (shared + 0.1 * std::sin(2 * M_PI * 659.3 * t)));
        }
        return samples;
    }();
    return mix;
}

void encodeMinute(benchmark::State& state, brolet::BroadcastFormat format, int quality)
{
    const std::vector<int16_t>& mix = minuteOfMix();
    size_t bytes = 0;
    for (auto _ : state) {
        auto encoder = brolet::makeBroadcastEncoder(format, quality);
        if (!encoder || !encoder->begin("Bench - Minute")) {
            state.SkipWithError("the encoder refused its default quality");
            return;
        }
        for (int block = 0; block < kMinuteBlocks; ++block) {
            encoder->encode(mix.data() + size_t{2} * kBlockFrames * block, kBlockFrames);
            bytes += encoder->output.size();
            encoder->output.clear();
        }
        encoder->finish();
        bytes += encoder->output.size();
    }
    state.counters["kbit_per_s"] = double(bytes) * 8 / 60 / 1000 / double(state.iterations());
}

void streamingBlock(benchmark::State& state, bool broadcast)
{
    brolet::Broadcaster broadcaster;
    brolet::BroadcastSettings nowhere;
    nowhere.host = "127.0.0.1";
    nowhere.port = velmora::test::freePort();
    if (broadcast && !broadcaster.start(nowhere, kBlockBytes)) {
        state.SkipWithError("no ring");
        return;
    }
    const std::vector<int16_t>& mix = minuteOfMix();
    int block = 0;
    for (auto _ : state) {
        if (broadcast && broadcaster.queuedBlocks() * 2 >= broadcaster.ringBlocks()) {
            state.PauseTiming();
            while (broadcaster.queuedBlocks() > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            state.ResumeTiming();
        }
        broadcaster.offer(mix.data() + size_t{2} * kBlockFrames * block, kBlockBytes);
        block = (block + 1) % kMinuteBlocks;
        benchmark::ClobberMemory();
    }
    state.counters["dropped"] = double(broadcaster.droppedBlocks());
}

using brolet::BroadcastFormat;
using brolet::BroadcastSettings;

} // namespace

// Iteration time = CPU for one minute of audio (process CPU time, all threads of the codec).
BENCHMARK_CAPTURE(encodeMinute, ogg_vorbis_q4, BroadcastFormat::OggVorbis, BroadcastSettings::kDefaultVorbisQuality)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(3);
BENCHMARK_CAPTURE(encodeMinute, ogg_opus_128k, BroadcastFormat::OggOpus, BroadcastSettings::kDefaultBitRateKbps)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(3);
BENCHMARK_CAPTURE(encodeMinute, mp3_128k, BroadcastFormat::Mp3, BroadcastSettings::kDefaultBitRateKbps)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(3);
// The streaming thread's share per block of 2048 frames.
BENCHMARK_CAPTURE(streamingBlock, broadcast_off, false)->Unit(benchmark::kNanosecond)->Iterations(2000);
BENCHMARK_CAPTURE(streamingBlock, broadcast_on, true)->Unit(benchmark::kNanosecond)->Iterations(2000);

BENCHMARK_MAIN();
