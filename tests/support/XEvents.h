#pragma once

// Waiting for X events with a deadline, for the tests and benches that watch
// an X server from outside. Free of the test framework.

#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <optional>

namespace velmora::test {

// The next event of the connection, or nothing once deadline has passed.
inline std::optional<XEvent> nextXEvent(Display* display, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        if (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            return event;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        // Rounded up, so a wait never ends just short of the deadline.
        pollfd readable{ConnectionNumber(display), POLLIN, 0};
        poll(&readable, 1, static_cast<int>(std::min<long long>(left.count(), 100)) + 1);
    }
}

} // namespace velmora::test
