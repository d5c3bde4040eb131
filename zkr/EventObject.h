#pragma once

#include "zkr/WaitableObject.h"

namespace zkr {

// A manual- or auto-reset event. With boundedWait an infinite wait lasts
// 500 ms at most, so that a waiter whose partner has stopped re-tests.
class EventObject : public WaitableObject {
public:
    static constexpr uint32_t kBoundedWaitMs = 500;

    EventObject(bool manualReset, bool initiallySignalled, const char* name);
    [[nodiscard]] bool wait(uint32_t timeoutMs) override;
    [[nodiscard]] bool set();
    [[nodiscard]] bool reset();

    bool boundedWait = false;
};

} // namespace zkr
