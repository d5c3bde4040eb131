#include "plugins/halvern/ReverbChannels.h"

#include <new>

namespace halvern {

ReverbChannels::~ReverbChannels()
{
    clear();
}

void ReverbChannels::build()
{
    for (std::atomic<ReverbChannel*>& channel : channels_) {
        if (channel.load(std::memory_order_acquire) != nullptr)
            continue;
        ReverbChannel* made = nullptr;
        try {
            made = new ReverbChannel;
        } catch (const std::bad_alloc&) {
            // The engine hears nothing of it (the set-up succeeds anyway): the
            // channel passes its sound through untouched.
            continue;
        }
        channel.store(made, std::memory_order_release);
    }
}

void ReverbChannels::clear()
{
    for (std::atomic<ReverbChannel*>& channel : channels_)
        delete channel.exchange(nullptr, std::memory_order_acq_rel);
}

ReverbChannel* ReverbChannels::at(int32_t index) const
{
    if (index < 0 || index >= kCount)
        return nullptr;
    return channels_[static_cast<std::size_t>(index)].load(std::memory_order_acquire);
}

} // namespace halvern
