#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace brolet {

// Blocks handed from one producer thread to one consumer thread without a
// lock or a wait: slots made before the run, each keeping its block's
// length, and two counters. The producer is the streaming thread, which must
// never wait; the consumer is a thread that may (an encoder, a disk).
class BlockQueue {
public:
    // Room for count blocks of at most slotBytes each, emptied; false when
    // the memory cannot be had. Neither side may run meanwhile.
    bool make(uint32_t slotBytes, uint32_t count);

    // ---- producer ----
    // Copies a block in (at most slotBytes of it); false when every slot is full.
    bool push(const void* block, uint32_t bytes);

    // ---- consumer ----
    // The oldest block and its length, null when none is queued; it stays
    // the consumer's until pop.
    const uint8_t* front(uint32_t& bytes) const;
    void pop();
    // Drops every queued block.
    void clear();

    // Either side: blocks queued now, and the most there is room for.
    uint64_t queued() const;
    uint32_t slots() const { return slotCount_; }

private:
    std::vector<uint8_t> data_;
    std::vector<uint32_t> length_;
    uint32_t slotBytes_ = 0;
    uint32_t slotCount_ = 0;
    std::atomic<uint64_t> written_{0}; // advanced by the producer only
    std::atomic<uint64_t> read_{0};    // advanced by the consumer only
};

} // namespace brolet
