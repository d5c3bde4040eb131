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
    const plat::ui::WindowHandle window = window_.exchange(nullptr, std::memory_order_acq_rel);
    if (window != nullptr)
        (void)plat::ui::killTimer(window, restTimer()); // a window already gone took its timers along
}

void UpdateMailbox::postOrdered(Update update)
{
    {
        plat::ScopedLock lock(queueMutex_);
        queue_.push_back(std::move(update));
    }
    announce();
}

void UpdateMailbox::postState(int key, intptr_t value)
{
    if (key < 0 || key >= kStateCount)
        return;
    states_[static_cast<std::size_t>(key)].store(value, std::memory_order_release);
    changedStates_.fetch_or(1u << key);
    announce();
}

void UpdateMailbox::announce()
{
    const plat::ui::WindowHandle window = window_.load(std::memory_order_acquire);
    if (window == nullptr || pending_.exchange(true))
        return;
    // A window that is gone refuses the post; the next attach announces again.
    if (!plat::ui::postMessage(window, message_.load(std::memory_order_acquire), 0, 0))
        pending_.store(false, std::memory_order_release);
}

void UpdateMailbox::rest()
{
    const plat::ui::WindowHandle window = window_.load(std::memory_order_acquire);
    // Without a timer the window is told of the next arrival at once, as without a rest.
    if (window == nullptr || plat::ui::setTimer(window, restTimer(), kRestMs, &UpdateMailbox::rested) == 0)
        wake();
}

void UpdateMailbox::rested(plat::ui::WindowHandle window, uint32_t, uintptr_t timerId, uint32_t)
{
    (void)plat::ui::killTimer(window, timerId); // one rest, one call
    reinterpret_cast<UpdateMailbox*>(timerId)->wake();
}

void UpdateMailbox::wake()
{
    pending_.store(false);
    bool queued = false;
    {
        plat::ScopedLock lock(queueMutex_);
        queued = !queue_.empty();
    }
    if (changedStates_.load() != 0 || queued)
        announce();
}

} // namespace velmoraui
