#include "engine/StreamingCall.h"

#include "platform/core/Time.h"
#include "platform/ui/MessageQueue.h"

namespace engine {

namespace {

constexpr uint32_t kPollMs = 1;

} // namespace

const void* StreamingCall::channelEffects()
{
    static const char tag = 0;
    return &tag;
}

bool StreamingCall::waitUntilOut(const void* callee, uint32_t timeoutMs) const
{
    if (!inside(callee))
        return true;
    const uint64_t entered = entries.load(std::memory_order_seq_cst);
    const uint64_t start = plat::tickCount64();
    for (;;) {
        if (!inside(callee) || entries.load(std::memory_order_seq_cst) != entered)
            return true;
        if (plat::tickCount64() - start >= timeoutMs)
            return false;
        // The streaming thread may be waiting for one of this thread's windows.
        if (plat::ui::msgWaitForMultipleObjects(0, nullptr, false, kPollMs, 0) == plat::kWaitFailed)
            plat::sleepMs(kPollMs);
    }
}

} // namespace engine
