#pragma once

#include <cstdint>

#include "platform/core/Thread.h"
#include "zkr/WaitableObject.h"

namespace zkr {

// A thread; wait waits for it to end. The owner creates it suspended, may set
// its priority, then resumes it.
class ThreadObject : public WaitableObject {
public:
    ThreadObject() = default;

    // Creates the thread suspended; false when the platform cannot.
    [[nodiscard]] bool create(plat::ThreadRoutine routine, void* parameter);
    [[nodiscard]] bool resume();
    [[nodiscard]] bool setPriority(int priority);
    // create, setPriority and resume in one.
    [[nodiscard]] bool start(plat::ThreadRoutine routine, void* parameter,
                             int priority = plat::kPriorityNormal);

    uint32_t threadId = 0;
};

} // namespace zkr
