#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "platform/ui/Window.h"

namespace velmoraui {

// One update for a window, copied out of the engine's call: the engine's
// texts and records are valid only during the call.
struct Update {
    int32_t target = 0; // channel or index
    int32_t code = 0;
    intptr_t value = 0;   // the number, or for a record its first field
    intptr_t second = 0;  // a record's second field
    bool hasText = false; // false: the text was null
    std::string text;
};

// Hands the engine's updates from its main and streaming threads to the
// thread of one window, which alone touches the controls. Ordered updates
// queue up under a short lock; states (levels, clip, time) keep only their
// latest value in atomics, so the streaming thread neither waits for the
// window nor allocates. Either kind posts the window one message, which is
// not posted again until the window has taken what arrived.
class UpdateMailbox {
public:
    static constexpr int kStateCount = 8;

    UpdateMailbox() = default;
    UpdateMailbox(const UpdateMailbox&) = delete;
    UpdateMailbox& operator=(const UpdateMailbox&) = delete;

    // The window's thread, once its window exists: from then on arrivals
    // post message to it (what arrived earlier is announced at once).
    void attach(plat::ui::WindowHandle window, uint32_t message);
    // The window's thread, before its window goes: arrivals only queue up.
    void detach();

    // Any thread.
    void postOrdered(Update update);
    void postState(int key, intptr_t value);

    // The window's thread: hands over what arrived, states first (each key
    // that changed, once), then the ordered updates in order.
    template <class StateFn, class OrderedFn> void drain(StateFn&& onState, OrderedFn&& onOrdered)
    {
        pending_.store(false, std::memory_order_release);
        const uint32_t changed = changedStates_.exchange(0, std::memory_order_acq_rel);
        for (int key = 0; key < kStateCount; ++key) {
            if ((changed & (1u << key)) != 0)
                onState(key, states_[static_cast<std::size_t>(key)].load(std::memory_order_acquire));
        }
        std::deque<Update> taken;
        {
            std::lock_guard lock(queueMutex_);
            taken.swap(queue_);
        }
        for (Update& update : taken)
            onOrdered(update);
    }

private:
    void announce();

    // The window and its message: written by the window's thread, read by
    // every poster.
    std::atomic<plat::ui::WindowHandle> window_{nullptr};
    std::atomic<uint32_t> message_{0};
    // Set when a message is on its way; cleared by drain before it reads.
    std::atomic<bool> pending_{false};
    std::array<std::atomic<intptr_t>, kStateCount> states_{};
    std::atomic<uint32_t> changedStates_{0};
    std::mutex queueMutex_; // guards queue_
    std::deque<Update> queue_;
};

} // namespace velmoraui
