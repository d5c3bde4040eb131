#pragma once

#include <atomic>
#include <cstdint>

#include "api/PluginApi.h"

namespace engine {

class EffectPlugin;
class InputPlugin;

// One of the engine's mono channels: which input stream feeds it, which
// effects sit in its two slots, and which channel it is paired with.
//
// The main thread writes the table; the streaming thread reads input, stream
// and fx without a lock, so those are atomics. Attaching stores the stream
// before it publishes the input (release); detaching withdraws the input
// first. lastLevel and lastRead belong to the streaming thread alone.
struct ChannelSlot {
    static constexpr int kNameSize = 160;

    std::atomic<InputPlugin*> input{nullptr};
    std::atomic<int32_t> stream{0};
    int32_t lastLevel = 0;
    int32_t lastRead = 0;
    std::atomic<EffectPlugin*> fx[kChannelEffectSlots] = {};
    std::atomic<int32_t> partner{-1};
    // "%s[%i]", handed to the user interface by pointer; main thread only.
    char name[kNameSize] = {};
};

} // namespace engine
