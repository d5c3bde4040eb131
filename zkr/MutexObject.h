#pragma once

#include "platform/core/ThreadSafety.h"
#include "zkr/WaitableObject.h"

namespace zkr {

// A recursive mutex; wait takes it, release gives it back once. A capability
// to the lock analysis, so that fields can name it as their guard; the
// helpers that take and release it say so where they are used.
class CAPABILITY("mutex") MutexObject : public WaitableObject {
public:
    MutexObject(bool initiallyOwned, const char* name);
    [[nodiscard]] bool release();
};

} // namespace zkr
