#include <new>

#include "platform/core/KernelObject.h"
#include "platform/core/Thread.h"

namespace plat {

namespace {

class KernelMutex;

// The mutexes the calling thread owns, linked through the mutexes themselves
// so that taking one allocates nothing. Trivially destructible, so it stays
// usable while the thread's other thread-local objects are destroyed. Guarded
// by the kernel lock (other threads unlink a mutex that is being deleted).
thread_local KernelMutex* tOwnedMutexes = nullptr;

// Abandons what the thread still owns when it ends, whoever created the
// thread (ours, std::thread, or the main thread at exit). Touched on every
// take so that its destructor is registered for the thread.
struct OwnedMutexReaper {
    bool armed = false;
    ~OwnedMutexReaper() { abandonMutexesOfCurrentThread(); }
};
thread_local OwnedMutexReaper tReaper;

// A recursive mutex that reports abandonment. All fields are guarded by the
// kernel lock.
class KernelMutex final : public KernelObject {
public:
    explicit KernelMutex(const char* name) : KernelObject(name) {}

    bool isSignalledFor(uint32_t threadId) const override { return owner_ == 0 || owner_ == threadId; }

    void acquire(uint32_t threadId, bool& abandoned) override
    {
        if (owner_ == threadId) {
            ++recursion_;
            return;
        }
        owner_ = threadId;
        recursion_ = 1;
        abandoned = abandoned_;
        abandoned_ = false;
        // Waits run on the waiting thread, so the new owner is the caller.
        tReaper.armed = true;
        linkInto(&tOwnedMutexes);
    }

    void retire() override { unlink(); }

    bool releaseBy(uint32_t threadId)
    {
        if (owner_ != threadId || recursion_ == 0)
            return false;
        if (--recursion_ == 0) {
            owner_ = 0;
            unlink();
            signalChanged();
        }
        return true;
    }

    // The owner ended: free the mutex for the next taker, who learns of it.
    void abandon()
    {
        owner_ = 0;
        recursion_ = 0;
        abandoned_ = true;
        unlink();
        signalChanged();
    }

private:
    void linkInto(KernelMutex** list)
    {
        ownerList_ = list;
        previousOwned_ = nullptr;
        nextOwned_ = *list;
        if (*list != nullptr)
            (*list)->previousOwned_ = this;
        *list = this;
    }

    void unlink()
    {
        if (ownerList_ == nullptr)
            return;
        if (previousOwned_ != nullptr)
            previousOwned_->nextOwned_ = nextOwned_;
        else
            *ownerList_ = nextOwned_;
        if (nextOwned_ != nullptr)
            nextOwned_->previousOwned_ = previousOwned_;
        ownerList_ = nullptr;
        previousOwned_ = nextOwned_ = nullptr;
    }

    uint32_t owner_ = 0; // thread id; 0 when free
    uint32_t recursion_ = 0;
    bool abandoned_ = false;
    // The owner's list (its thread-local head) and the neighbours in it.
    KernelMutex** ownerList_ = nullptr;
    KernelMutex* previousOwned_ = nullptr;
    KernelMutex* nextOwned_ = nullptr;
};

} // namespace

void prepareThreadForOwnership()
{
    tReaper.armed = true;
}

void abandonMutexesOfCurrentThread()
{
    std::lock_guard lock(kernelMutex());
    while (KernelMutex* mutex = tOwnedMutexes)
        mutex->abandon();
}

Handle createMutex(bool initiallyOwned, const char* name)
{
    KernelMutex* mutex = nullptr;
    Handle handle = nullptr;
    try {
        auto object = std::make_unique<KernelMutex>(name);
        mutex = object.get();
        handle = publishObject(std::move(object));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (handle != nullptr && initiallyOwned) {
        prepareThreadForOwnership();
        std::lock_guard lock(kernelMutex());
        bool abandoned = false;
        mutex->acquire(currentThreadId(), abandoned);
    }
    return handle;
}

bool releaseMutex(Handle handle)
{
    std::lock_guard lock(kernelMutex());
    auto* mutex = dynamic_cast<KernelMutex*>(liveObjectLocked(handle));
    return mutex != nullptr && mutex->releaseBy(currentThreadId());
}

} // namespace plat
