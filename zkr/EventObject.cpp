#include "zkr/EventObject.h"

#include "zkr/Text.h"

namespace zkr {

EventObject::EventObject(bool manualReset, bool initiallySignalled, const char* label)
{
    copyText(name, label);
    handle = plat::createEvent(manualReset, initiallySignalled, name);
}

bool EventObject::wait(uint32_t timeoutMs)
{
    if (boundedWait && timeoutMs == plat::kInfinite)
        timeoutMs = kBoundedWaitMs;
    return WaitableObject::wait(timeoutMs);
}

bool EventObject::set()
{
    return handle != nullptr && plat::setEvent(handle);
}

bool EventObject::reset()
{
    return handle != nullptr && plat::resetEvent(handle);
}

} // namespace zkr
