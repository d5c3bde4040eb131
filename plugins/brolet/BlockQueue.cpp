#include "plugins/brolet/BlockQueue.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace brolet {

bool BlockQueue::make(uint32_t slotBytes, uint32_t count)
{
    try {
        data_.assign(size_t{slotBytes} * count, 0);
        length_.assign(count, 0);
    } catch (const std::bad_alloc&) {
        data_.clear();
        length_.clear();
        slotBytes_ = slotCount_ = 0;
        return false;
    }
    slotBytes_ = slotBytes;
    slotCount_ = count;
    written_ = 0;
    read_ = 0;
    return true;
}

bool BlockQueue::push(const void* block, uint32_t bytes)
{
    const uint64_t written = written_.load(std::memory_order_relaxed);
    if (slotCount_ == 0 || written - read_.load(std::memory_order_acquire) >= slotCount_)
        return false;
    const auto slot = static_cast<size_t>(written % slotCount_);
    const uint32_t size = std::min(bytes, slotBytes_);
    std::memcpy(data_.data() + slot * slotBytes_, block, size);
    length_[slot] = size;
    written_.store(written + 1, std::memory_order_release);
    return true;
}

const uint8_t* BlockQueue::front(uint32_t& bytes) const
{
    const uint64_t read = read_.load(std::memory_order_relaxed);
    if (read == written_.load(std::memory_order_acquire))
        return nullptr;
    const auto slot = static_cast<size_t>(read % slotCount_);
    bytes = length_[slot];
    return data_.data() + slot * slotBytes_;
}

void BlockQueue::pop()
{
    read_.store(read_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void BlockQueue::clear()
{
    read_.store(written_.load(std::memory_order_acquire), std::memory_order_release);
}

uint64_t BlockQueue::queued() const
{
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire);
}

} // namespace brolet
