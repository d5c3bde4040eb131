#pragma once

#include <algorithm>
#include <chrono>
#include <thread>

namespace velmora::test {

// True once condition holds, false when it did not within the limit. Looks
// again after 1 ms, backing off to 5 ms, so a quick change is seen at once.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::chrono::milliseconds pause(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(5));
    }
    return true;
}

// For what must not happen while nothing observable shows that it never
// will: true when condition stayed false for the whole window. A failure
// returns as soon as the condition holds.
template <typename Condition> bool staysFalse(Condition condition, std::chrono::milliseconds window)
{
    return !eventually(condition, window);
}

} // namespace velmora::test
