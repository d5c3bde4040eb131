#include "platform/core/Thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <new>

#include "platform/core/KernelObject.h"

namespace plat {

namespace {

// A thread started by createThread. The handle is signalled once the routine
// has returned. Guarded by the kernel lock: threadId, suspended, ended,
// exitCode, priority.
class KernelThread final : public KernelObject {
public:
    KernelThread(ThreadRoutine routine, void* parameter, bool suspended)
        : KernelObject(""), routine(routine), parameter(parameter), suspended(suspended)
    {
    }

    bool isSignalledFor(uint32_t) const override { return ended; }
    void acquire(uint32_t, bool&) override {}

    // Set before the thread starts; read only by the thread itself.
    const ThreadRoutine routine;
    void* const parameter;

    uint32_t threadId = 0;
    bool suspended;
    bool ended = false;
    uint32_t exitCode = kStillActive;
    int priority = kPriorityNormal;
    // Start hand-shake (the id is known) and resumption, with the kernel lock.
    std::condition_variable stateChanged;
};

KernelThread* liveThreadLocked(Handle handle)
{
    return dynamic_cast<KernelThread*>(liveObjectLocked(handle));
}

// Marks the end of the thread, even when it leaves through pthread_exit or
// cancellation: its mutexes are abandoned first, then the handle is
// signalled and the thread's own reference dropped.
class EndOfThread {
public:
    explicit EndOfThread(KernelThread* thread) : thread_(thread) {}
    EndOfThread(const EndOfThread&) = delete;
    EndOfThread& operator=(const EndOfThread&) = delete;
    ~EndOfThread()
    {
        abandonMutexesOfCurrentThread();
        KernelObject* last = nullptr;
        {
            std::lock_guard lock(kernelMutex());
            thread_->exitCode = result;
            thread_->ended = true;
            thread_->signalChanged();
            last = dropReferenceLocked(thread_);
        }
        delete last;
    }

    uint32_t result = 0;

private:
    KernelThread* thread_;
};

void* runThread(void* argument)
{
    auto* thread = static_cast<KernelThread*>(argument);
    {
        std::unique_lock lock(kernelMutex());
        thread->threadId = currentThreadId();
        thread->stateChanged.notify_all();
        thread->stateChanged.wait(lock, [thread] { return !thread->suspended; });
    }
    EndOfThread end(thread);
    end.result = thread->routine(thread->parameter);
    return nullptr;
}

// The nice value that stands for a priority when real-time scheduling is not
// wanted or not allowed.
int niceValueFor(int priority)
{
    if (priority <= kPriorityIdle)
        return 19;
    if (priority >= kPriorityTimeCritical)
        return -15;
    static constexpr int kNiceFromLowestToHighest[] = {10, 5, 0, -5, -10};
    const int clamped =
        std::clamp(priority, static_cast<int>(kPriorityLowest), static_cast<int>(kPriorityHighest));
    return kNiceFromLowestToHighest[clamped - kPriorityLowest];
}

// Best effort: a process without the right to raise priorities keeps running
// at what it may have, so refusals (EPERM, EACCES) are ignored.
void applyPriority(pid_t threadId, int priority)
{
    if (priority >= kPriorityHighest) {
        // Modest real-time levels: above every normal thread, below the
        // kernel's interrupt threads.
        const bool critical = priority >= kPriorityTimeCritical;
        const int policy = critical ? SCHED_FIFO : SCHED_RR;
        sched_param param{};
        param.sched_priority = sched_get_priority_min(policy) + (critical ? 19 : 9);
        if (sched_setscheduler(threadId, policy, &param) == 0)
            return;
    } else {
        const int policy = sched_getscheduler(threadId);
        if (policy == SCHED_FIFO || policy == SCHED_RR) {
            sched_param param{};
            sched_setscheduler(threadId, SCHED_OTHER, &param);
        }
    }
    setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), niceValueFor(priority));
}

} // namespace

uint32_t currentThreadId()
{
    thread_local uint32_t id = static_cast<uint32_t>(gettid());
    return id;
}

Handle createThread(ThreadRoutine routine, void* parameter, bool suspended, uint32_t* threadId)
{
    if (routine == nullptr)
        return nullptr;
    KernelThread* thread = nullptr;
    Handle handle = nullptr;
    try {
        auto object = std::make_unique<KernelThread>(routine, parameter, suspended);
        thread = object.get();
        handle = publishObject(std::move(object));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (handle == nullptr)
        return nullptr;
    // The running thread holds a reference of its own, so the caller may
    // close the handle at any time.
    thread->references.fetch_add(1);

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t native;
    const int failed = pthread_create(&native, &attributes, runThread, thread);
    pthread_attr_destroy(&attributes);
    if (failed != 0) {
        thread->references.fetch_sub(1);
        closeHandle(handle);
        return nullptr;
    }

    std::unique_lock lock(kernelMutex());
    thread->stateChanged.wait(lock, [thread] { return thread->threadId != 0; });
    if (threadId != nullptr)
        *threadId = thread->threadId;
    return handle;
}

bool resumeThread(Handle handle)
{
    std::lock_guard lock(kernelMutex());
    KernelThread* thread = liveThreadLocked(handle);
    if (thread == nullptr || !thread->suspended)
        return false;
    thread->suspended = false;
    thread->stateChanged.notify_all();
    return true;
}

bool setThreadPriority(Handle handle, int priority)
{
    // Under the lock the thread cannot pass its end, so its id still names it.
    std::lock_guard lock(kernelMutex());
    KernelThread* thread = liveThreadLocked(handle);
    if (thread == nullptr)
        return false;
    thread->priority = priority;
    if (!thread->ended)
        applyPriority(static_cast<pid_t>(thread->threadId), priority);
    return true;
}

int threadPriority(Handle handle)
{
    std::lock_guard lock(kernelMutex());
    KernelThread* thread = liveThreadLocked(handle);
    return thread != nullptr ? thread->priority : kPriorityErrorReturn;
}

bool getExitCodeThread(Handle handle, uint32_t* exitCode)
{
    std::lock_guard lock(kernelMutex());
    KernelThread* thread = liveThreadLocked(handle);
    if (thread == nullptr || exitCode == nullptr)
        return false;
    *exitCode = thread->exitCode;
    return true;
}

uint32_t threadIdOf(Handle handle)
{
    std::lock_guard lock(kernelMutex());
    KernelThread* thread = liveThreadLocked(handle);
    return thread != nullptr ? thread->threadId : 0;
}

} // namespace plat
