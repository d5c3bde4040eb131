#pragma once

// Internal to the platform library: the base of every object behind a Handle.
// Other parts of the library (the per-thread message queues of the user
// interface) derive from it to become waitable together with mutexes, events
// and threads.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/Handle.h"

namespace plat {

// The one process-wide lock under which the state of every kernel object is
// tested and changed, and under which waiters register and sleep.
std::mutex& kernelMutex();

// One thread inside a wait. It sleeps on its own condition variable (with the
// kernel lock) and re-tests its objects whenever one of them changes.
struct Waiter {
    std::condition_variable wakeUp;
};

// A waiter's entry in one object's list of waiters. It lives on the waiting
// thread's stack, so registering allocates nothing. Guarded by the kernel lock.
struct WaitLink {
    Waiter* waiter = nullptr;
    WaitLink* previous = nullptr;
    WaitLink* next = nullptr;
};

class KernelObject {
public:
    explicit KernelObject(const char* name);
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject();

    // Both run under the kernel lock, on the waiting thread itself.
    // Whether a wait by threadId would be satisfied now.
    virtual bool isSignalledFor(uint32_t threadId) const = 0;
    // Consumes the signal for threadId (an auto-reset event resets, a mutex
    // becomes owned); abandoned is set when a mutex was taken over from a
    // thread that ended while holding it.
    virtual void acquire(uint32_t threadId, bool& abandoned) = 0;
    // Under the kernel lock, when the last reference has gone and before the
    // object is deleted (outside the lock).
    virtual void retire() {}

    const char* name() const { return name_.c_str(); }

    // Under the kernel lock: every state change that may satisfy a wait calls
    // this, so that the threads waiting for the object re-test it.
    void signalChanged();
    void addWaiter(WaitLink& link);
    void removeWaiter(WaitLink& link);

    // Changed only under the kernel lock, so that a handle checked there
    // never revives an object whose last reference is going.
    std::atomic<int> references{1};

private:
    std::string name_;
    WaitLink* waiters_ = nullptr; // guarded by the kernel lock
};

// Makes a new object (with its one reference) known to the handle checks and
// returns its handle; null (and the object deleted) when that fails.
[[nodiscard]] Handle publishObject(std::unique_ptr<KernelObject> object);
// Under the kernel lock: the object behind a handle that is alive, or null
// for null, closed or made-up handles.
[[nodiscard]] KernelObject* liveObjectLocked(Handle handle);
// Under the kernel lock: drops one reference. When it was the last, the
// object is retired and forgotten and returned so that the caller deletes it
// after giving up the lock; otherwise null.
[[nodiscard]] KernelObject* dropReferenceLocked(KernelObject* object);

// Releases every mutex the calling thread owns and marks them abandoned. Runs
// when any thread ends; the platform's own threads call it before they
// signal their end, so that a waiter on the thread then finds the mutexes free.
void abandonMutexesOfCurrentThread();
// Registers the calling thread's end for abandonMutexesOfCurrentThread. Called
// by every wait before it takes the kernel lock: registering a thread's first
// thread-local object takes the dynamic loader's lock, and a thread that
// loads a library holds that lock while its constructors make kernel objects.
void prepareThreadForOwnership();

} // namespace plat
