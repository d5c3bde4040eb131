#pragma once

#include <cstdint>

#include "platform/core/Handle.h"

namespace zkr {

// The common base of the kernel object wrappers: one handle, closed by the
// destructor, and one wait.
class WaitableObject {
public:
    static constexpr int kNameSize = 260;

    WaitableObject() = default;
    WaitableObject(const WaitableObject&) = delete;
    WaitableObject& operator=(const WaitableObject&) = delete;
    virtual ~WaitableObject();

    // True when the object was signalled (or a mutex was abandoned to the
    // caller) within timeoutMs; plat::kInfinite waits for ever.
    [[nodiscard]] virtual bool wait(uint32_t timeoutMs);

    plat::Handle handle = nullptr;
    char name[kNameSize] = {};
    void* security = nullptr;
};

// Waits for two kernel objects at once: the platform's wait result (index of
// the object, or the abandoned form), or -1 when the time ran out.
[[nodiscard]] int waitForEither(plat::Handle first, plat::Handle second, bool waitAll, uint32_t timeoutMs);

} // namespace zkr
