#pragma once

#include <cstdint>

#include "platform/core/Api.h"

namespace plat {

// Local time broken into fields, as the system's original platform gave it.
struct LocalTime {
    uint16_t year;
    uint16_t month;     // 1 to 12
    uint16_t dayOfWeek; // 0 Sunday to 6 Saturday
    uint16_t day;       // 1 to 31
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};

PLAT_API LocalTime localTime();
// The file time (100 ns since 1601 UTC) of a local time; false for fields
// that name no time (years 1601 to 30827; the day of the week is not read).
[[nodiscard]] PLAT_API bool localTimeToFileTime(const LocalTime& time, uint64_t& fileTime);
// Milliseconds since an arbitrary start, from a monotonic clock; the 32-bit
// form wraps after 49.7 days.
PLAT_API uint32_t tickCount();
PLAT_API uint64_t tickCount64();
// Sleeps at least that long; 0 gives up the rest of the time slice.
PLAT_API void sleepMs(uint32_t milliseconds);

} // namespace plat
