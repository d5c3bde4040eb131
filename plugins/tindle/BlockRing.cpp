#include "plugins/tindle/BlockRing.h"

#include <new>

namespace tindle {

BlockRing::BlockRing(int depth, int32_t capacity)
    : blocks_(new (std::nothrow) Block[static_cast<size_t>(depth)]), depth_(static_cast<uint32_t>(depth)),
      capacity_(capacity)
{
}

std::unique_ptr<BlockRing> BlockRing::make(int depth, int32_t capacity, bool stereo)
{
    if (depth < 2 || capacity < 1)
        return nullptr;
    std::unique_ptr<BlockRing> ring(new (std::nothrow) BlockRing(depth, capacity));
    if (ring == nullptr || ring->blocks_ == nullptr)
        return nullptr;
    const auto size = static_cast<size_t>(capacity);
    for (int k = 0; k < depth; ++k) {
        Block& block = ring->blocks_[static_cast<size_t>(k)];
        block.left.reset(new (std::nothrow) uint8_t[size]);
        if (stereo)
            block.right.reset(new (std::nothrow) uint8_t[size]);
        if (block.left == nullptr || (stereo && block.right == nullptr))
            return nullptr;
    }
    return ring;
}

BlockRing::Block* BlockRing::vacant()
{
    const uint32_t published = published_.load(std::memory_order_relaxed);
    if (published - released_.load(std::memory_order_acquire) >= depth_)
        return nullptr;
    return &blocks_[published % depth_];
}

void BlockRing::publish()
{
    published_.store(published_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

const BlockRing::Block* BlockRing::take()
{
    uint32_t released = released_.load(std::memory_order_relaxed);
    if (holding_) {
        released_.store(++released, std::memory_order_release);
        holding_ = false;
    }
    if (published_.load(std::memory_order_acquire) == released)
        return nullptr;
    holding_ = true;
    return &blocks_[released % depth_];
}

void BlockRing::clear()
{
    published_.store(0, std::memory_order_relaxed);
    released_.store(0, std::memory_order_relaxed);
    holding_ = false;
}

} // namespace tindle
