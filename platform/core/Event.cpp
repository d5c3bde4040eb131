#include <new>

#include "platform/core/KernelObject.h"

namespace plat {

namespace {

// A manual- or auto-reset event. The state is guarded by the kernel lock.
class KernelEvent final : public KernelObject {
public:
    KernelEvent(bool manualReset, bool initiallySignalled, const char* name)
        : KernelObject(name), manualReset_(manualReset), signalled_(initiallySignalled)
    {
    }

    bool isSignalledFor(uint32_t) const override { return signalled_; }

    // An auto-reset event lets exactly one waiter through; the others, woken
    // too, find it reset and go on waiting.
    void acquire(uint32_t, bool&) override
    {
        if (!manualReset_)
            signalled_ = false;
    }

    void set()
    {
        signalled_ = true;
        signalChanged();
    }
    void reset() { signalled_ = false; }

private:
    const bool manualReset_;
    bool signalled_;
};

KernelEvent* liveEventLocked(Handle handle)
{
    return dynamic_cast<KernelEvent*>(liveObjectLocked(handle));
}

} // namespace

Handle createEvent(bool manualReset, bool initiallySignalled, const char* name)
{
    try {
        return publishObject(std::make_unique<KernelEvent>(manualReset, initiallySignalled, name));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool setEvent(Handle handle)
{
    std::lock_guard lock(kernelMutex());
    KernelEvent* event = liveEventLocked(handle);
    if (event == nullptr)
        return false;
    event->set();
    return true;
}

bool resetEvent(Handle handle)
{
    std::lock_guard lock(kernelMutex());
    KernelEvent* event = liveEventLocked(handle);
    if (event == nullptr)
        return false;
    event->reset();
    return true;
}

} // namespace plat
