// An input whose streams deliver the blocks of coretest::patternSample, as
// scripted by the test through the coreTestInput... exports: a number of
// blocks and then the end, empty blocks, or a read that stalls until the test
// releases it.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/CoreTestPlugins.h"

namespace {

constexpr char kTestShortName[] = "Pattern";
constexpr int32_t kTestChannels = coretest::kMaxStreams;

uint32_t testFlags()
{
    return 0;
}

} // namespace

#include "plugins/CoreTestCommon.h"

namespace {

struct PatternInput : CoreTestPlugin {
    int32_t setupAudioSystem(const engine::AudioSystemSetup* setup);
    int32_t readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes);
    void onStreamingError(int32_t, int32_t);
};

} // namespace

VELMORA_INPUT_PLUGIN(PatternInput)

#define TEST_CONTROL extern "C" VELMORA_PLUGIN_VISIBLE

namespace {

struct StreamState {
    coretest::StreamScript script;
    int32_t delivered = 0; // blocks handed out so far
    std::vector<int16_t> block;
};

// The streaming thread reads, the test thread scripts and inspects: all under mutex.
std::mutex mutex;
std::condition_variable changed;
StreamState streams[coretest::kMaxStreams];
coretest::InputRecord record{};
int32_t musicBufSize = 4096;
bool stalled = false;
bool released = false;
int32_t setupResult = 1;

} // namespace

TEST_CONTROL void coreTestInputReset()
{
    std::lock_guard lock(mutex);
    for (auto& stream : streams)
        stream = StreamState{};
    record = coretest::InputRecord{};
    stalled = false;
    released = false;
    setupResult = 1;
}

TEST_CONTROL void coreTestInputSetupResult(int32_t result)
{
    std::lock_guard lock(mutex);
    setupResult = result;
}

TEST_CONTROL void coreTestInputScript(int32_t stream, const coretest::StreamScript* script)
{
    std::lock_guard lock(mutex);
    if (stream >= 0 && stream < coretest::kMaxStreams)
        streams[stream].script = *script;
}

TEST_CONTROL int32_t coreTestInputWaitStalled(int32_t timeoutMs)
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return stalled; }) ? 1 : 0;
}

TEST_CONTROL void coreTestInputRelease()
{
    std::lock_guard lock(mutex);
    released = true;
    changed.notify_all();
}

TEST_CONTROL void coreTestInputRecord(coretest::InputRecord* out)
{
    std::lock_guard lock(mutex);
    *out = record;
    out->musicBufSize = musicBufSize;
}

int32_t PatternInput::setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    std::lock_guard lock(mutex);
    ++record.setups;
    musicBufSize = setup->musicBufSize;
    return setupResult;
}

int32_t PatternInput::readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    std::unique_lock lock(mutex);
    if (stream < 0 || stream >= coretest::kMaxStreams)
        return 0;
    ++record.reads[stream];
    StreamState& state = streams[stream];
    const int32_t index = state.delivered;
    if (state.script.blocks >= 0 && index >= state.script.blocks)
        return 0;
    if (index == state.script.stallAt) {
        stalled = true;
        changed.notify_all();
        changed.wait(lock, [] { return released; });
    }
    ++state.delivered;
    if (index < 64 && (state.script.emptyMask >> index & 1) != 0) {
        *block = nullptr;
        *bytes = 0;
        return 1;
    }
    const int32_t size = state.script.bytes > 0 ? state.script.bytes : musicBufSize;
    state.block.resize(static_cast<size_t>(std::max(size, 0) + 1) / 2);
    for (size_t i = 0; i < state.block.size(); ++i)
        state.block[i] = coretest::patternSample(stream, index, static_cast<int>(i));
    *block = state.block.data();
    *bytes = size;
    return 1;
}

void PatternInput::onStreamingError(int32_t, int32_t)
{
    std::lock_guard lock(mutex);
    ++record.streamingErrors;
}
