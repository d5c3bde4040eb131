#pragma once

// Lock annotations for clang's -Wthread-safety analysis (nothing under other
// compilers), and a mutex that carries them. The mutex also knows which thread
// holds it, so debug builds can assert that a lock is held where the code
// relies on it.

#include <atomic>
#include <cassert>
#include <mutex>
#include <type_traits>
#include <utility>

#include "platform/core/Realtime.h"

#if defined(__clang__)
#define VELMORA_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VELMORA_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) VELMORA_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY VELMORA_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) VELMORA_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) VELMORA_THREAD_ANNOTATION(pt_guarded_by(x))
#define REQUIRES(...) VELMORA_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) VELMORA_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) VELMORA_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define RELEASE(...) VELMORA_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define EXCLUDES(...) VELMORA_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) VELMORA_THREAD_ANNOTATION(assert_capability(x))
#define NO_THREAD_SAFETY_ANALYSIS VELMORA_THREAD_ANNOTATION(no_thread_safety_analysis)

namespace plat {

// A std::mutex the analysis knows as a capability. Constant-initialised and
// trivially destructible, so a global one is usable from the first static
// constructor to the last thread that ends while the process exits.
class CAPABILITY("mutex") AnnotatedMutex {
public:
    constexpr AnnotatedMutex() = default;
    AnnotatedMutex(const AnnotatedMutex&) = delete;
    AnnotatedMutex& operator=(const AnnotatedMutex&) = delete;

    // Debug builds: aborts in a real-time section (the streaming cycle), which only tries.
    void lock() ACQUIRE()
    {
        checkMayBlock("plat::AnnotatedMutex::lock");
        mutex_.lock();
        holder_.store(threadMark(), std::memory_order_relaxed);
    }
    // Takes the mutex only when it is free at once.
    bool tryLock() TRY_ACQUIRE(true)
    {
        if (!mutex_.try_lock())
            return false;
        holder_.store(threadMark(), std::memory_order_relaxed);
        return true;
    }
    void unlock() RELEASE()
    {
        holder_.store(nullptr, std::memory_order_relaxed);
        mutex_.unlock();
    }
    // Only the holder itself can see its own mark, so a relaxed read is exact for this question.
    [[nodiscard]] bool heldByThisThread() const
    {
        return holder_.load(std::memory_order_relaxed) == threadMark();
    }
    void assertHeld() const ASSERT_CAPABILITY(this) { assert(heldByThisThread()); }

private:
    static const void* threadMark()
    {
        static thread_local char mark;
        return &mark;
    }

    std::mutex mutex_;
    std::atomic<const void*> holder_{nullptr};
};

static_assert(std::is_trivially_destructible_v<AnnotatedMutex>);

// Holds a mutex for a scope; may let it go and take it again inside the scope.
class SCOPED_CAPABILITY ScopedLock {
public:
    explicit ScopedLock(AnnotatedMutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    // Takes over a mutex the caller has taken already.
    ScopedLock(AnnotatedMutex& mutex, std::adopt_lock_t) REQUIRES(mutex) : mutex_(mutex) {}
    ~ScopedLock() RELEASE()
    {
        if (held_)
            mutex_.unlock();
    }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

    void lock() ACQUIRE()
    {
        mutex_.lock();
        held_ = true;
    }
    void unlock() RELEASE()
    {
        held_ = false;
        mutex_.unlock();
    }

private:
    AnnotatedMutex& mutex_;
    bool held_ = true;
};

// Lets a held mutex go for a scope (a wait, a call out) and takes it again at its end.
class SCOPED_CAPABILITY ScopedUnlock {
public:
    explicit ScopedUnlock(AnnotatedMutex& mutex) RELEASE(mutex) : mutex_(mutex) { mutex_.unlock(); }
    ~ScopedUnlock() RELEASE() { mutex_.lock(); }
    ScopedUnlock(const ScopedUnlock&) = delete;
    ScopedUnlock& operator=(const ScopedUnlock&) = delete;

private:
    AnnotatedMutex& mutex_;
};

// A value reachable only under its own lock: withLocked runs a function on it
// while the lock is held and returns what the function returns.
template <typename T>
class MutexProtected {
public:
    constexpr MutexProtected() = default;
    constexpr explicit MutexProtected(T value) : value_(std::move(value)) {}
    MutexProtected(const MutexProtected&) = delete;
    MutexProtected& operator=(const MutexProtected&) = delete;

    template <typename Function>
    decltype(auto) withLocked(Function&& function)
    {
        ScopedLock lock(mutex_);
        return std::forward<Function>(function)(value_);
    }

private:
    AnnotatedMutex mutex_;
    T value_ GUARDED_BY(mutex_){};
};

} // namespace plat
