// How long a recorded block takes from the sound card to the mixer through
// the live input Quillan.vin, run by the real engine as a user runs it: its
// window (headless) connected and recording by clicks, the virtual file
// input as the sound card, paced in real time, the recording output as the
// engine's output. Every block of the input file carries its number, so the
// block the output receives is known; the device delivers block k once its
// last frame is due, (k + 1) block times after the stream starts (taken as
// the moment the engine accepts the start, a few microseconds before the
// device's clock starts, so the figures err long by that much). Printed for
// the engine's default block size and for the smallest one it offers.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/AudioSetupDialog.h"
#include "tests/quillan/QuillanEngineKit.h"
#include "tests/support/EngineTestSeam.h"

using velmora::test::EngineSeam;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using velmora::test::QuillanEngineKit;

// The input's counts, as its window starts with them.
constexpr int kRecordingBlocks = 6;
constexpr int kSharedBlocks = 12;
// Reading starts once half the shared ring is written: the blocks up to
// then reach the mixer in one burst; the steady figures start after it.
constexpr int kStartUpBlocks = kSharedBlocks / 2 + 1;
constexpr int kSampleRate = 44100;
// About two seconds of blocks each, and an end of file the run never reaches.
constexpr double kRunSeconds = 2.0;
constexpr int kSpareBlocks = 16;

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "quillan_latency_bench: %s\n", why.c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}

// Mono 16-bit blocks whose every sample is the block's number plus one.
void writeTaggedFile(const std::string& path, int blockSamples, int blocks)
{
    std::vector<int16_t> samples;
    for (int k = 0; k < blocks; ++k)
        samples.insert(samples.end(), static_cast<size_t>(blockSamples), static_cast<int16_t>(k + 1));
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
}

struct Run {
    int32_t blockBytes = 0;
    double blockMs = 0;
    double firstSoundMs = 0;          // from the start to the first block at the output
    std::vector<double> latencyMs;    // per block, in output order
};

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

Run measure(QuillanEngineKit& kit, int32_t blockBytes, const std::string& inputFile)
{
    Run run;
    run.blockBytes = blockBytes;
    const int blockSamples = blockBytes / 2;
    run.blockMs = 1000.0 * blockSamples / kSampleRate;
    const int blocks = static_cast<int>(kRunSeconds * 1000 / run.blockMs);
    writeTaggedFile(inputFile, blockSamples, blocks + kSpareBlocks);
    if (!kit.changeMusicBufSize(blockBytes))
        fail("the engine refuses " + std::to_string(blockBytes) + "-byte blocks");
    kit.resetOutput();
    if (!kit.connect(false))
        fail("the connect button attaches no channel");
    // Hard left: the left samples are the recorded ones, tags intact.
    EngineSeam::mixer(kit.engine).setPan(0, 0);

    kit.click(velmora::test::kRecordSpot);
    const Clock::time_point giveUp = Clock::now() + 5s;
    while (!kit.engine.audio().isStreaming())
        if (Clock::now() > giveUp)
            fail("the record button starts no stream");
    const Clock::time_point start = Clock::now();
    std::vector<Clock::time_point> arrivals;
    const Clock::time_point runOut = start + 15s;
    while (static_cast<int>(arrivals.size()) < blocks) {
        const int count = kit.outputBlockCount();
        const Clock::time_point now = Clock::now();
        while (static_cast<int>(arrivals.size()) < std::min(count, blocks))
            arrivals.push_back(now);
        if (now > runOut)
            fail("the output received " + std::to_string(count) + " of " + std::to_string(blocks) + " blocks");
        std::this_thread::sleep_for(50us);
    }
    if (!kit.stopRecording() || !kit.disconnect())
        fail("the input does not stop or disconnect");

    const velmora::test::StereoSides sides = kit.outputSides(0, blocks);
    if (sides.left.size() != static_cast<size_t>(blocks * blockSamples))
        fail("the output's blocks are not " + std::to_string(blockBytes) + " bytes a channel");
    const auto blockDuration = std::chrono::duration<double, std::milli>(run.blockMs);
    run.firstSoundMs = std::chrono::duration<double, std::milli>(arrivals[0] - start).count();
    for (int i = 0; i < blocks; ++i) {
        const auto first = sides.left.begin() + i * blockSamples;
        const int tag = *first;
        if (tag != i + 1 || std::count(first, first + blockSamples, tag) != blockSamples)
            fail("output block " + std::to_string(i) + " is not recorded block " + std::to_string(i) +
                 " whole (blocks were lost or split)");
        const auto delivered = start + std::chrono::duration_cast<Clock::duration>((i + 1) * blockDuration);
        run.latencyMs.push_back(std::chrono::duration<double, std::milli>(arrivals[static_cast<size_t>(i)] -
                                                                          delivered)
                                    .count());
    }
    return run;
}

void print(const std::vector<Run>& runs)
{
    std::printf("Quillan live input: latency from the sound card delivering a block to the mixer's output\n"
                "(virtual file input in real time, mono, %d recording blocks, %d shared blocks)\n\n",
                kRecordingBlocks, kSharedBlocks);
    const std::string steadyTitle = "steady, blocks " + std::to_string(kStartUpBlocks) + " on";
    std::printf("%-6s %-7s %-12s %-17s %-38s %s\n", "block", "block", "first sound", "block 0", steadyTitle.c_str(),
                "blocks");
    std::printf("%-6s %-7s %-12s %-8s %-8s %-9s %-9s %-9s %-10s %s\n", "bytes", "ms", "after ms", "ms", "blocks",
                "median ms", "p95 ms", "max ms", "max blocks", "timed");
    for (const Run& run : runs) {
        const std::vector<double> steady(run.latencyMs.begin() + kStartUpBlocks, run.latencyMs.end());
        const double worst = *std::max_element(steady.begin(), steady.end());
        std::printf("%-6d %-7.2f %-12.1f %-8.1f %-8.2f %-9.3f %-9.3f %-9.3f %-10.3f %zu\n", run.blockBytes,
                    run.blockMs, run.firstSoundMs, run.latencyMs[0], run.latencyMs[0] / run.blockMs,
                    percentile(steady, 0.5), percentile(steady, 0.95), worst, worst / run.blockMs,
                    run.latencyMs.size());
    }
    std::printf("\nLatency in blocks of blocks 0 to %d (the start-up burst, then steady):\n", kStartUpBlocks + 1);
    for (const Run& run : runs) {
        std::printf("%-6d", run.blockBytes);
        for (int k = 0; k < kStartUpBlocks + 2; ++k)
            std::printf(" %5.2f", run.latencyMs[static_cast<size_t>(k)] / run.blockMs);
        std::printf("\n");
    }
}

} // namespace

int main()
{
    setenv("VELMORA_AUDIO", "virtual", 1);
    unsetenv("VELMORA_AUDIO_PACE");
    velmora::test::TempFolder files;
    const std::string inputFile = files.file("tagged.raw");
    setenv("VELMORA_AUDIO_INPUT_FILE", inputFile.c_str(), 1);

    QuillanEngineKit kit;
    const int32_t defaultBytes = kit.engine.audio().setup().musicBufSize;
    if (const std::string failure = kit.start(defaultBytes); !failure.empty())
        fail(failure);
    // The second device of the virtual sound system plays the file.
    if (!kit.chooseDevice(1))
        fail("the device menu does not offer the file input");
    std::vector<Run> runs;
    for (const int32_t blockBytes : {defaultBytes, engine::AudioSetupDialog::kFirstMusicBufSize})
        runs.push_back(measure(kit, blockBytes, inputFile));
    kit.finish();
    print(runs);
    return 0;
}
