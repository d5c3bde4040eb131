#pragma once

#include "zkr/WaitableObject.h"

namespace zkr {

// A recursive mutex; wait takes it, release gives it back once.
class MutexObject : public WaitableObject {
public:
    MutexObject(bool initiallyOwned, const char* name);
    [[nodiscard]] bool release();
};

} // namespace zkr
