#pragma once

#include <cstdint>

#include "zkr/MutexObject.h"

namespace zkr {

// Holds a MutexObject for one scope when the wait succeeds. The lock analysis
// takes it as held for the scope: with a timeout, only code that found
// owned() true may touch what the mutex guards.
class SCOPED_CAPABILITY MutexLock {
public:
    MutexLock(MutexObject& mutex, uint32_t timeoutMs) ACQUIRE(mutex) : mutex_(mutex), owned_(mutex.wait(timeoutMs))
    {
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock() RELEASE()
    {
        if (owned_)
            (void)mutex_.release(); // held by this scope: it is ours to release
    }
    bool owned() const { return owned_; }

private:
    MutexObject& mutex_;
    bool owned_;
};

} // namespace zkr
