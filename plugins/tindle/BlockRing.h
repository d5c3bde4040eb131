#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace tindle {

// One file's blocks, read ahead: one producer (whoever holds the channel's
// feed lock) fills them, one consumer (the streaming thread) takes them, and
// two counters hand them over without a lock. The consumer keeps the block it
// took until it takes the next one, so that a stereo file's right channel can
// still copy its half in the same cycle.
class BlockRing {
public:
    struct Block {
        std::unique_ptr<uint8_t[]> left;
        std::unique_ptr<uint8_t[]> right; // stereo files only
        int32_t bytes = 0;      // in each half; 0 marks the file's end
        bool restarted = false; // a loop came round while it was read
        bool looping = false;   // looping was on when it was read
    };

    // Null when memory runs out. depth counts the block the consumer holds.
    static std::unique_ptr<BlockRing> make(int depth, int32_t capacity, bool stereo);

    // ---- producer ----
    // The next block to fill, null while every block is ready or held.
    Block* vacant();
    // The block vacant gave is ready for the consumer.
    void publish();

    // ---- consumer ----
    // Lets the block taken last go and takes the next ready one; null when none is ready.
    const Block* take();

    // Empties the ring; neither side may run meanwhile (the caller holds both of the channel's locks).
    void clear();

    int32_t capacity() const { return capacity_; }

private:
    BlockRing(int depth, int32_t capacity);

    std::unique_ptr<Block[]> blocks_;
    const uint32_t depth_;
    const int32_t capacity_;
    std::atomic<uint32_t> published_{0}; // written by the producer (release)
    std::atomic<uint32_t> released_{0};  // written by the consumer (release)
    bool holding_ = false;               // the consumer's own
};

} // namespace tindle
