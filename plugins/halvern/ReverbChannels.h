#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/PluginApi.h"
#include "plugins/halvern/ReverbChannel.h"

namespace halvern {

// The reverb's processing objects, one per engine channel, shared by the
// plug-in object and its window.
//
// Threads: build and clear run on the thread that loads and unloads the
// plug-in (onSetupFX, onCleanupFX, the library's unload); the engine calls
// onCleanupFX only once its streaming thread has left the effect and the
// window is gone. A channel is published with a release store only when it is
// whole, so every other thread that finds one (acquire) finds it built.
class ReverbChannels {
public:
    static constexpr int32_t kCount = engine::kChannelCount;

    ReverbChannels() = default;
    ReverbChannels(const ReverbChannels&) = delete;
    ReverbChannels& operator=(const ReverbChannels&) = delete;
    ~ReverbChannels();

    // Builds every missing channel (default delay and feedback, a clear line);
    // one whose memory cannot be had stays missing. Channels that exist stay as they are.
    void build();
    // Frees every channel.
    void clear();
    // The channel of engine channel index, or null (none built, or no such channel).
    ReverbChannel* at(int32_t index) const;

private:
    std::array<std::atomic<ReverbChannel*>, kCount> channels_{};
};

} // namespace halvern
