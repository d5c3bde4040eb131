#include <chrono>
#include <new>
#include <unordered_set>

#include "platform/core/KernelObject.h"
#include "platform/core/Realtime.h"
#include "platform/core/Thread.h"

namespace plat {

namespace {

// Every object that is alive, so that a closed or made-up handle fails
// instead of being followed. Guarded by the kernel lock. Never destroyed:
// threads may still close handles while the process exits.
std::unordered_set<const KernelObject*>& liveObjects()
{
    static auto* objects = new std::unordered_set<const KernelObject*>;
    return *objects;
}

// Objects whose last reference went while the kernel lock was held; deleted
// once it is given up, so that no destructor runs under the lock.
class DeferredDeletes {
public:
    DeferredDeletes() = default;
    DeferredDeletes(const DeferredDeletes&) = delete;
    DeferredDeletes& operator=(const DeferredDeletes&) = delete;
    ~DeferredDeletes()
    {
        for (uint32_t i = 0; i < count_; ++i)
            delete objects_[i];
    }
    void add(KernelObject* object)
    {
        if (object != nullptr)
            objects_[count_++] = object;
    }

private:
    KernelObject* objects_[kMaximumWaitObjects];
    uint32_t count_ = 0;
};

// Under the kernel lock: takes what the wait asks for if it can be had now.
// Returns false when the wait must go on.
bool tryToSatisfy(KernelObject* const* objects, uint32_t count, bool waitAll, uint32_t threadId,
                  uint32_t& result)
{
    if (!waitAll) {
        for (uint32_t i = 0; i < count; ++i) {
            if (objects[i]->isSignalledFor(threadId)) {
                bool abandoned = false;
                objects[i]->acquire(threadId, abandoned);
                result = (abandoned ? kWaitAbandoned0 : kWaitObject0) + i;
                return true;
            }
        }
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!objects[i]->isSignalledFor(threadId))
            return false;
    }
    result = kWaitObject0;
    bool anyAbandoned = false;
    for (uint32_t i = 0; i < count; ++i) {
        bool abandoned = false;
        objects[i]->acquire(threadId, abandoned);
        if (abandoned && !anyAbandoned) {
            anyAbandoned = true;
            result = kWaitAbandoned0 + i;
        }
    }
    return true;
}

} // namespace

std::mutex& kernelMutex()
{
    // Never destroyed, like the registry above.
    static auto* mutex = new std::mutex;
    return *mutex;
}

KernelObject::KernelObject(const char* name) : name_(name != nullptr ? name : "") {}

KernelObject::~KernelObject() = default;

void KernelObject::signalChanged()
{
    for (WaitLink* link = waiters_; link != nullptr; link = link->next)
        link->waiter->wakeUp.notify_one();
}

void KernelObject::addWaiter(WaitLink& link)
{
    link.previous = nullptr;
    link.next = waiters_;
    if (waiters_ != nullptr)
        waiters_->previous = &link;
    waiters_ = &link;
}

void KernelObject::removeWaiter(WaitLink& link)
{
    if (link.previous != nullptr)
        link.previous->next = link.next;
    else
        waiters_ = link.next;
    if (link.next != nullptr)
        link.next->previous = link.previous;
    link.previous = link.next = nullptr;
}

Handle publishObject(std::unique_ptr<KernelObject> object)
{
    if (!object)
        return nullptr;
    std::lock_guard lock(kernelMutex());
    try {
        liveObjects().insert(object.get());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return object.release();
}

KernelObject* liveObjectLocked(Handle handle)
{
    if (handle == nullptr)
        return nullptr;
    return liveObjects().contains(handle) ? handle : nullptr;
}

KernelObject* dropReferenceLocked(KernelObject* object)
{
    if (object->references.fetch_sub(1) != 1)
        return nullptr;
    object->retire();
    liveObjects().erase(object);
    return object;
}

void closeHandle(Handle handle)
{
    DeferredDeletes deletes;
    std::lock_guard lock(kernelMutex());
    if (KernelObject* object = liveObjectLocked(handle))
        deletes.add(dropReferenceLocked(object));
}

Handle duplicateHandle(Handle handle)
{
    std::lock_guard lock(kernelMutex());
    KernelObject* object = liveObjectLocked(handle);
    if (object != nullptr)
        object->references.fetch_add(1);
    return object;
}

const char* objectName(Handle handle)
{
    std::lock_guard lock(kernelMutex());
    KernelObject* object = liveObjectLocked(handle);
    return object != nullptr ? object->name() : "";
}

uint32_t waitForSingleObject(Handle handle, uint32_t timeoutMs)
{
    return waitForMultipleObjects(1, &handle, false, timeoutMs);
}

uint32_t waitForMultipleObjects(uint32_t count, const Handle* handles, bool waitAll, uint32_t timeoutMs)
{
    if (count == 0 || count > kMaximumWaitObjects || handles == nullptr)
        return kWaitFailed;
    // A zero time-out only tries, which a real-time thread may do.
    if (timeoutMs != 0)
        checkMayBlock("plat::waitForMultipleObjects");
    const uint32_t self = currentThreadId();
    const auto start = std::chrono::steady_clock::now();

    KernelObject* objects[kMaximumWaitObjects];
    DeferredDeletes deletes; // destroyed after the lock below is given up
    prepareThreadForOwnership();
    std::unique_lock lock(kernelMutex());
    for (uint32_t i = 0; i < count; ++i) {
        objects[i] = liveObjectLocked(handles[i]);
        if (objects[i] == nullptr)
            return kWaitFailed;
        // Taking the same object twice at once has no meaning.
        for (uint32_t j = 0; waitAll && j < i; ++j) {
            if (objects[j] == objects[i])
                return kWaitFailed;
        }
    }

    uint32_t result = kWaitTimeout;
    if (tryToSatisfy(objects, count, waitAll, self, result) || timeoutMs == 0)
        return result;

    // Sleep until an object changes or the time is up. The wait keeps a
    // reference to each object, so closing a handle meanwhile is safe.
    Waiter waiter;
    WaitLink links[kMaximumWaitObjects];
    for (uint32_t i = 0; i < count; ++i) {
        objects[i]->references.fetch_add(1);
        links[i].waiter = &waiter;
        objects[i]->addWaiter(links[i]);
    }
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (timeoutMs == kInfinite) {
            waiter.wakeUp.wait(lock);
        } else if (waiter.wakeUp.wait_until(lock, deadline) == std::cv_status::timeout) {
            tryToSatisfy(objects, count, waitAll, self, result);
            break;
        }
        if (tryToSatisfy(objects, count, waitAll, self, result))
            break;
    }
    for (uint32_t i = 0; i < count; ++i) {
        objects[i]->removeWaiter(links[i]);
        deletes.add(dropReferenceLocked(objects[i]));
    }
    return result;
}

} // namespace plat
