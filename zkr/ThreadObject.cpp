#include "zkr/ThreadObject.h"

namespace zkr {

bool ThreadObject::create(plat::ThreadRoutine routine, void* parameter)
{
    // A thread created before runs on with its own reference.
    plat::closeHandle(handle);
    threadId = 0;
    handle = plat::createThread(routine, parameter, true, &threadId);
    return handle != nullptr;
}

bool ThreadObject::resume()
{
    return handle != nullptr && plat::resumeThread(handle);
}

bool ThreadObject::setPriority(int priority)
{
    return handle != nullptr && plat::setThreadPriority(handle, priority);
}

bool ThreadObject::start(plat::ThreadRoutine routine, void* parameter, int priority)
{
    if (!create(routine, parameter))
        return false;
    (void)setPriority(priority); // at the normal priority the thread still does its work
    return resume();
}

} // namespace zkr
