// What the audio path pays for the class library's locks, events and shared
// buffer: one streaming cycle takes the mixer lock and moves blocks through a
// shared buffer, so these must cost microseconds at most.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "zkr/EventObject.h"
#include "zkr/MutexObject.h"
#include "zkr/SharedBuffer.h"

namespace {

void MutexTakeAndRelease(benchmark::State& state)
{
    zkr::MutexObject mutex(false, "bench");
    for (auto _ : state) {
        (void)mutex.wait(50);
        (void)mutex.release();
    }
}
BENCHMARK(MutexTakeAndRelease);

void EventSetWaitReset(benchmark::State& state)
{
    zkr::EventObject event(true, false, "bench");
    for (auto _ : state) {
        (void)event.set();
        (void)event.wait(0);
        (void)event.reset();
    }
}
BENCHMARK(EventSetWaitReset);

// One 4096-byte block written and read back through an eight-block ring.
void SharedBufferBlockRoundTrip(benchmark::State& state)
{
    constexpr int kBlockSize = 4096;
    zkr::SharedBuffer buffer;
    buffer.silent = true;
    if (buffer.allocate(8, kBlockSize) != 0) {
        state.SkipWithError("no memory for the ring");
        return;
    }
    std::vector<uint8_t> block(kBlockSize, 7);
    std::vector<uint8_t> out(kBlockSize);
    uint32_t length = 0;
    for (int i = 0; i < 5; ++i) // fill past half of the ring so reading starts
        (void)buffer.tryWrite(block.data(), kBlockSize);
    for (auto _ : state) {
        (void)buffer.tryWrite(block.data(), kBlockSize);
        (void)buffer.tryRead(out.data(), &length);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlockSize);
}
BENCHMARK(SharedBufferBlockRoundTrip);

} // namespace

BENCHMARK_MAIN();
