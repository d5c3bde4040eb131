// An output that records every stereo block and flag it is given and the
// order of its calls. Through the coreTestOutput... exports the test makes it
// refuse to start, fail at a chosen block, or hold a block call until
// stopStreaming, as a sound card output waiting for room would.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/CoreTestPlugins.h"

namespace {

constexpr char kTestShortName[] = "Recorder";
constexpr int32_t kTestChannels = 2;

uint32_t testFlags()
{
    return 0;
}

} // namespace

#include "plugins/CoreTestCommon.h"

namespace {

struct RecordingOutput : CoreTestPlugin {
    int32_t setupAudioSystem(const engine::AudioSystemSetup*);
    int32_t startStreaming();
    int32_t stopStreaming();
    int32_t streamStereoBuffer(int32_t empty, const int16_t* samples, int32_t bytes);
    int32_t waitForOutputDone();
};

} // namespace

VELMORA_OUTPUT_PLUGIN(RecordingOutput)

#define TEST_CONTROL extern "C" VELMORA_PLUGIN_VISIBLE

namespace {

// A runaway test must not eat the memory: blocks past this are counted only.
constexpr size_t kMaxKeptBlocks = 4096;

struct Block {
    std::vector<int16_t> samples;
    int32_t bytes = 0;
    int32_t empty = 0;
};

// Main, streaming and test threads: all under mutex.
std::mutex mutex;
std::condition_variable changed;
coretest::OutputScript script;
std::vector<Block> blocks;
int32_t calls = 0;
std::string journal;
bool held = false;
bool stopped = false;

void note(const char* word)
{
    if (!journal.empty())
        journal += ' ';
    journal += word;
}

} // namespace

TEST_CONTROL void coreTestOutputReset()
{
    std::lock_guard lock(mutex);
    script = coretest::OutputScript{};
    blocks.clear();
    calls = 0;
    journal.clear();
    held = false;
    stopped = false;
}

TEST_CONTROL void coreTestOutputScript(const coretest::OutputScript* newScript)
{
    std::lock_guard lock(mutex);
    script = *newScript;
}

TEST_CONTROL int32_t coreTestOutputBlockCount()
{
    std::lock_guard lock(mutex);
    return calls;
}

TEST_CONTROL int32_t coreTestOutputBlock(int32_t index, int16_t* destination, int32_t maxBytes,
                                         int32_t* empty)
{
    std::lock_guard lock(mutex);
    if (index < 0 || static_cast<size_t>(index) >= blocks.size())
        return -1;
    const Block& block = blocks[static_cast<size_t>(index)];
    const int32_t bytes = std::min(block.bytes, maxBytes);
    std::memcpy(destination, block.samples.data(), static_cast<size_t>(bytes));
    *empty = block.empty;
    return block.bytes;
}

TEST_CONTROL void coreTestOutputJournal(char* buffer, int32_t size)
{
    std::lock_guard lock(mutex);
    std::snprintf(buffer, static_cast<size_t>(size), "%s", journal.c_str());
}

TEST_CONTROL int32_t coreTestOutputWaitHeld(int32_t timeoutMs)
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return held; }) ? 1 : 0;
}

int32_t RecordingOutput::setupAudioSystem(const engine::AudioSystemSetup*)
{
    std::lock_guard lock(mutex);
    note("setup");
    return script.setupResult;
}

int32_t RecordingOutput::startStreaming()
{
    std::lock_guard lock(mutex);
    note("start");
    stopped = false;
    return script.startResult;
}

int32_t RecordingOutput::stopStreaming()
{
    std::lock_guard lock(mutex);
    note("stop");
    stopped = true;
    changed.notify_all();
    return 1;
}

int32_t RecordingOutput::streamStereoBuffer(int32_t empty, const int16_t* samples, int32_t bytes)
{
    int32_t pace = 0;
    {
        std::lock_guard paced(mutex);
        pace = script.paceMs;
    }
    if (pace > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(pace));
    std::unique_lock lock(mutex);
    note("block");
    const int32_t index = calls++;
    if (blocks.size() < kMaxKeptBlocks) {
        Block block;
        block.bytes = bytes;
        block.empty = empty;
        block.samples.assign(samples, samples + (bytes > 0 ? bytes / 2 : 0));
        blocks.push_back(std::move(block));
    }
    if (index == script.failAt)
        return 0;
    if (index == script.holdAt) {
        held = true;
        changed.notify_all();
        changed.wait(lock, [] { return stopped; });
        return script.heldResult;
    }
    return 1;
}

int32_t RecordingOutput::waitForOutputDone()
{
    std::lock_guard lock(mutex);
    note("done");
    return 1;
}
