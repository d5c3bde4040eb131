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
        mutex.wait(50);
        mutex.release();
    }
}
BENCHMARK(MutexTakeAndRelease);

void EventSetWaitReset(benchmark::State& state)
{
    zkr::EventObject event(true, false, "bench");
    for (auto _ : state) {
        event.set();
        event.wait(0);
        event.reset();
    }
}
BENCHMARK(EventSetWaitReset);

// One 4096-byte block written and read back through an eight-block ring.
void SharedBufferBlockRoundTrip(benchmark::State& state)
{
    constexpr int kBlockSize = 4096;
    zkr::SharedBuffer buffer;
    buffer.silent = true;
    buffer.allocate(8, kBlockSize);
    std::vector<uint8_t> block(kBlockSize, 7);
    std::vector<uint8_t> out(kBlockSize);
    uint32_t length = 0;
    for (int i = 0; i < 5; ++i) // fill past half of the ring so reading starts
        buffer.tryWrite(block.data(), kBlockSize);
    for (auto _ : state) {
        buffer.tryWrite(block.data(), kBlockSize);
        buffer.tryRead(out.data(), &length);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlockSize);
}
BENCHMARK(SharedBufferBlockRoundTrip);

} // namespace

BENCHMARK_MAIN();
