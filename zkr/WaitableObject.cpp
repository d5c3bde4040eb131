#include "zkr/WaitableObject.h"

namespace zkr {

WaitableObject::~WaitableObject()
{
    plat::closeHandle(handle);
}

bool WaitableObject::wait(uint32_t timeoutMs)
{
    if (handle == nullptr)
        return false;
    const uint32_t result = plat::waitForSingleObject(handle, timeoutMs);
    return result == plat::kWaitObject0 || result == plat::kWaitAbandoned0;
}

int waitForEither(plat::Handle first, plat::Handle second, bool waitAll, uint32_t timeoutMs)
{
    const plat::Handle handles[2] = {first, second};
    const uint32_t result = plat::waitForMultipleObjects(2, handles, waitAll, timeoutMs);
    if (result == plat::kWaitTimeout)
        return -1;
    // A failed wait (all bits set) reads as -1 as well.
    return static_cast<int>(result);
}

} // namespace zkr
