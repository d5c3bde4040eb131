#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "platform/core/ThreadSafety.h"
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
// not posted again until the window has taken what arrived and rested.
class UpdateMailbox {
public:
    static constexpr int kStateCount = 8;
    // How long a window rests after taking what arrived. A stream that runs
    // faster than real time (an output that writes only a file) updates
    // thousands of times a second: without a rest the window's thread would
    // spend itself drawing each update and sending it to the display, or,
    // while its queue never empties, not draw at all (posted messages come
    // before painting).
    static constexpr uint32_t kRestMs = 40;

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
    // that changed, once), then the ordered updates in order; what arrives
    // next is announced once the window has rested.
    template <class StateFn, class OrderedFn> void drain(StateFn&& onState, OrderedFn&& onOrdered)
    {
        const uint32_t changed = changedStates_.exchange(0, std::memory_order_acq_rel);
        for (int key = 0; key < kStateCount; ++key) {
            if ((changed & (1u << key)) != 0)
                onState(key, states_[static_cast<std::size_t>(key)].load(std::memory_order_acquire));
        }
        std::deque<Update> taken;
        {
            plat::ScopedLock lock(queueMutex_);
            taken.swap(queue_);
        }
        for (Update& update : taken)
            onOrdered(update);
        rest();
    }

private:
    void announce();
    // The window's thread: keeps posters quiet for kRestMs; the timer's id is
    // the mailbox, which its procedure wakes.
    void rest();
    static void rested(plat::ui::WindowHandle window, uint32_t message, uintptr_t timerId, uint32_t time);
    // Lets posters announce again, and announces what came meanwhile.
    void wake();
    uintptr_t restTimer() const { return reinterpret_cast<uintptr_t>(this); }

    // The window and its message: written by the window's thread, read by
    // every poster.
    std::atomic<plat::ui::WindowHandle> window_{nullptr};
    std::atomic<uint32_t> message_{0};
    // Set when a message is on its way; cleared once the window has taken
    // what arrived and rested. Ordered with the arrivals' marks (sequentially
    // consistent), so that an arrival during the rest is never left unannounced.
    std::atomic<bool> pending_{false};
    std::array<std::atomic<intptr_t>, kStateCount> states_{};
    std::atomic<uint32_t> changedStates_{0};
    plat::AnnotatedMutex queueMutex_;
    std::deque<Update> queue_ GUARDED_BY(queueMutex_);
};

} // namespace velmoraui
