#pragma once

#include <cassert>

#include "zkr/EventObject.h"
#include "zkr/MutexObject.h"

namespace engine {

// Releasing a lock this thread took, and setting or clearing an event, fail
// only for a handle that was never made (then nothing waits on it either):
// any other failure is a bug, caught in debug builds.
inline void releaseHeld(zkr::MutexObject& lock) RELEASE(lock) NO_THREAD_SAFETY_ANALYSIS
{
    [[maybe_unused]] const bool released = lock.release();
    assert(released || lock.handle == nullptr);
}

inline void setEvent(zkr::EventObject& event)
{
    [[maybe_unused]] const bool set = event.set();
    assert(set || event.handle == nullptr);
}

inline void resetEvent(zkr::EventObject& event)
{
    [[maybe_unused]] const bool cleared = event.reset();
    assert(cleared || event.handle == nullptr);
}

} // namespace engine
