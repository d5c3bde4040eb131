// An effect that adds a fixed offset to every sample (saturating), so a test
// can tell whether it ran before or after the channel volume. It records its
// resets and parameter changes in order and counts the blocks it processed;
// the coreTestEffect... exports set the offset and the PluginInfo flags and
// read the records.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/CoreTestPlugins.h"

namespace {

constexpr char kTestShortName[] = "Offset";
constexpr int32_t kTestChannels = 4;

// Set by the test before the engine reads the plug-in's information.
std::atomic<uint32_t> flags{0};

uint32_t testFlags()
{
    return flags.load();
}

} // namespace

#include "plugins/CoreTestCommon.h"

namespace {

struct OffsetEffect : CoreTestPlugin {
    int32_t setupAudioSystem(const engine::AudioSystemSetup*);
    int32_t onFXParamChange(int32_t channel, int32_t value);
    int32_t processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes);
    int32_t resetFXChannel(int32_t channel);
};

} // namespace

VELMORA_EFFECT_PLUGIN(OffsetEffect)

#define TEST_CONTROL extern "C" VELMORA_PLUGIN_VISIBLE

namespace {

// The journal is written by the main and streaming threads, read by the test.
std::mutex mutex;
std::string journal;
// The offset and counts are touched from the streaming thread per block.
std::atomic<int32_t> offset{coretest::kDefaultEffectOffset};
std::atomic<int32_t> processed[engine::kChannelCount];

void note(const char* format, int32_t a, int32_t b = 0)
{
    char entry[64];
    std::snprintf(entry, sizeof entry, format, a, b);
    std::lock_guard lock(mutex);
    if (!journal.empty())
        journal += ';';
    journal += entry;
}

} // namespace

TEST_CONTROL void coreTestEffectReset()
{
    std::lock_guard lock(mutex);
    journal.clear();
    offset = coretest::kDefaultEffectOffset;
    flags = 0;
    for (auto& count : processed)
        count = 0;
}

TEST_CONTROL void coreTestEffectSet(int32_t newOffset, uint32_t newFlags)
{
    offset = newOffset;
    flags = newFlags;
}

TEST_CONTROL void coreTestEffectJournal(char* buffer, int32_t size)
{
    std::lock_guard lock(mutex);
    std::snprintf(buffer, static_cast<size_t>(size), "%s", journal.c_str());
}

TEST_CONTROL int32_t coreTestEffectProcessed(int32_t channel)
{
    if (channel < 0 || channel >= engine::kChannelCount)
        return -1;
    return processed[channel].load();
}

int32_t OffsetEffect::setupAudioSystem(const engine::AudioSystemSetup*)
{
    return 1;
}

int32_t OffsetEffect::onFXParamChange(int32_t channel, int32_t value)
{
    note("param %i %i", channel, value);
    return 1;
}

int32_t OffsetEffect::processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes)
{
    const int32_t add = offset.load();
    for (int32_t i = 0; i < bytes / 2; ++i)
        samples[i] = static_cast<int16_t>(std::clamp(samples[i] + add, -32768, 32767));
    if (channel >= 0 && channel < engine::kChannelCount)
        ++processed[channel];
    return 1;
}

int32_t OffsetEffect::resetFXChannel(int32_t channel)
{
    note("reset %i", channel);
    return 1;
}
