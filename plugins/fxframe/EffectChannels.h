#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

#include "api/PluginApi.h"

namespace fxframe {

// An effect's processing objects, one per engine channel, shared by its
// application and its window.
//
// Threads: build and clear run on the thread that loads and unloads the
// plug-in (onSetupFX, onCleanupFX, the library's unload); the engine calls
// onCleanupFX only once its streaming thread has left the effect and the
// window is gone. A channel is published with a release store only when it is
// whole, so every other thread that finds one (acquire) finds it built.
template <typename Channel> class EffectChannels {
public:
    static constexpr int32_t kCount = engine::kChannelCount;

    EffectChannels() = default;
    EffectChannels(const EffectChannels&) = delete;
    EffectChannels& operator=(const EffectChannels&) = delete;
    ~EffectChannels() { clear(); }

    // Builds every missing channel with make, which answers a whole channel,
    // or null (or throws std::bad_alloc) when it cannot have one; set-up stops
    // there, and that channel and the rest stay missing, passing their sound
    // through untouched. Channels that exist stay as they are.
    template <typename Make> void build(Make make)
    {
        for (std::atomic<Channel*>& slot : channels_) {
            if (slot.load(std::memory_order_acquire) != nullptr)
                continue;
            std::unique_ptr<Channel> made;
            try {
                made = make();
            } catch (const std::bad_alloc&) {
                return;
            }
            if (!made)
                return;
            slot.store(made.release(), std::memory_order_release);
        }
    }

    void clear()
    {
        for (std::atomic<Channel*>& slot : channels_)
            delete slot.exchange(nullptr, std::memory_order_acq_rel);
    }

    // The channel of engine channel index, or null (not built, or no such channel).
    Channel* at(int32_t index) const
    {
        if (index < 0 || index >= kCount)
            return nullptr;
        return channels_[static_cast<std::size_t>(index)].load(std::memory_order_acquire);
    }

private:
    std::array<std::atomic<Channel*>, kCount> channels_{};
};

} // namespace fxframe
