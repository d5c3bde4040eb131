#include "plugins/velmoraui/UpdateMailbox.h"

#include "platform/ui/MessageQueue.h"

namespace velmoraui {

void UpdateMailbox::attach(plat::ui::WindowHandle window, uint32_t message)
{
    message_.store(message, std::memory_order_release);
    window_.store(window, std::memory_order_release);
    pending_.store(false, std::memory_order_release);
    announce();
}

void UpdateMailbox::detach()
{
    window_.store(nullptr, std::memory_order_release);
}

void UpdateMailbox::postOrdered(Update update)
{
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(update));
    }
    announce();
}

void UpdateMailbox::postState(int key, intptr_t value)
{
    if (key < 0 || key >= kStateCount)
        return;
    states_[static_cast<std::size_t>(key)].store(value, std::memory_order_release);
    changedStates_.fetch_or(1u << key, std::memory_order_acq_rel);
    announce();
}

void UpdateMailbox::announce()
{
    const plat::ui::WindowHandle window = window_.load(std::memory_order_acquire);
    if (window == nullptr || pending_.exchange(true, std::memory_order_acq_rel))
        return;
    // A window that is gone refuses the post; the next attach announces again.
    if (!plat::ui::postMessage(window, message_.load(std::memory_order_acquire), 0, 0))
        pending_.store(false, std::memory_order_release);
}

} // namespace velmoraui
