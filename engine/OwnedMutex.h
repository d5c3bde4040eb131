#pragma once

#include <atomic>
#include <cassert>
#include <mutex>
#include <thread>

#include "platform/core/ThreadSafety.h"

namespace engine {

// A recursive mutex that knows whether the calling thread holds it, so that
// a function whose caller must hold it can check that in debug builds. The
// lock analysis sees it as an ordinary mutex: nested holds go unchecked.
class CAPABILITY("mutex") OwnedRecursiveMutex {
public:
    void lock() ACQUIRE()
    {
        mutex_.lock();
        if (depth_++ == 0)
            owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    }
    bool try_lock() TRY_ACQUIRE(true)
    {
        if (!mutex_.try_lock())
            return false;
        if (depth_++ == 0)
            owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        return true;
    }
    void unlock() RELEASE()
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
    void assertHeld() const ASSERT_CAPABILITY(this) { assert(heldByThisThread()); }

private:
    std::recursive_mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    int depth_ = 0; // the owner's alone
};

// Holds an OwnedRecursiveMutex for one scope.
class SCOPED_CAPABILITY OwnedLock {
public:
    explicit OwnedLock(OwnedRecursiveMutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~OwnedLock() RELEASE() { mutex_.unlock(); }
    OwnedLock(const OwnedLock&) = delete;
    OwnedLock& operator=(const OwnedLock&) = delete;

private:
    OwnedRecursiveMutex& mutex_;
};

} // namespace engine
