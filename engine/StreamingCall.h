#pragma once

#include <atomic>
#include <cstdint>

namespace engine {

// Which plug-in the streaming thread is calling right now, published by the
// thread itself, so that a plug-in leaves the engine only once the thread is
// out of it.
//
// The thread announces a call (enter), then looks again at what led it there
// (an input still on its channel; the effect hooks are read after enter) and
// announces the end (leave). A thread that withdraws a plug-in first takes it
// off the channels or hooks and then waits until the streaming thread is out
// of any call it entered before. Both sides use sequentially consistent
// order, so either the streaming thread sees the withdrawal when it looks
// again, or the withdrawing thread sees the call and waits for it.
class StreamingCall {
public:
    // What enter names for calls of the channels' effects: they are made
    // inside the mixer, which knows hooks, not plug-ins.
    static const void* channelEffects();

    // Streaming thread.
    void enter(const void* callee)
    {
        entries.fetch_add(1, std::memory_order_seq_cst);
        current.store(callee, std::memory_order_seq_cst);
    }
    void leave() { current.store(nullptr, std::memory_order_seq_cst); }

    // Any thread.
    bool inside(const void* callee) const { return current.load(std::memory_order_seq_cst) == callee; }
    // Waits up to timeoutMs until the thread is out of the call of callee it
    // is in, if any, answering what other threads send to this thread's
    // windows meanwhile. False when it is still inside.
    [[nodiscard]] bool waitUntilOut(const void* callee, uint32_t timeoutMs) const;

private:
    std::atomic<const void*> current{nullptr};
    // Counts the calls entered, so that a wait ends when the thread moves on
    // to another call of the same callee (effects are entered every block).
    std::atomic<uint64_t> entries{0};
};

} // namespace engine
