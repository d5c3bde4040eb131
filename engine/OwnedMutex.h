#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace engine {

// A recursive mutex that knows whether the calling thread holds it, so that
// a function whose caller must hold it can check that in debug builds.
class OwnedRecursiveMutex {
public:
    void lock()
    {
        mutex_.lock();
        if (depth_++ == 0)
            owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    }
    bool try_lock()
    {
        if (!mutex_.try_lock())
            return false;
        if (depth_++ == 0)
            owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        return true;
    }
    void unlock()
    {
        if (--depth_ == 0)
            owner_.store(std::thread::id{}, std::memory_order_relaxed);
        mutex_.unlock();
    }
    // Only the owner itself can see its own id here: another thread's answer
    // is false whatever the timing.
    bool heldByThisThread() const
    {
        return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

private:
    std::recursive_mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    int depth_ = 0; // the owner's alone
};

} // namespace engine
