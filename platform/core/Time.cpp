#include "platform/core/Time.h"

#include <cerrno>
#include <ctime>
#include <sched.h>

#include "platform/core/Files.h"

namespace plat {

namespace {

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

uint64_t monotonicMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec / 1000000);
}

} // namespace

LocalTime localTime()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    // Follow a change of the time zone while the program runs.
    tzset();
    tm fields{};
    localtime_r(&now.tv_sec, &fields);
    LocalTime result;
    result.year = static_cast<uint16_t>(fields.tm_year + 1900);
    result.month = static_cast<uint16_t>(fields.tm_mon + 1);
    result.dayOfWeek = static_cast<uint16_t>(fields.tm_wday);
    result.day = static_cast<uint16_t>(fields.tm_mday);
    result.hour = static_cast<uint16_t>(fields.tm_hour);
    result.minute = static_cast<uint16_t>(fields.tm_min);
    result.second = static_cast<uint16_t>(fields.tm_sec);
    result.milliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
    return result;
}

bool localTimeToFileTime(const LocalTime& time, uint64_t& fileTime)
{
    // The range of the system's original platform; the day of the week is
    // not checked, as there.
    if (time.year < 1601 || time.year > 30827 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > daysInMonth(time.year, time.month) || time.hour > 23 || time.minute > 59 ||
        time.second > 59 || time.milliseconds > 999)
        return false;
    tm fields{};
    fields.tm_year = time.year - 1900;
    fields.tm_mon = time.month - 1;
    fields.tm_mday = time.day;
    fields.tm_hour = time.hour;
    fields.tm_min = time.minute;
    fields.tm_sec = time.second;
    fields.tm_isdst = -1;
    // mktime leaves tm_wday alone when it fails (-1 is also a valid result).
    fields.tm_wday = -1;
    time_t seconds = mktime(&fields);
    if (fields.tm_wday == -1)
        return false;
    fileTime = fileTimeFromUnix(seconds, static_cast<int64_t>(time.milliseconds) * 1000000);
    return true;
}

uint32_t tickCount()
{
    return static_cast<uint32_t>(monotonicMs());
}

uint64_t tickCount64()
{
    return monotonicMs();
}

void sleepMs(uint32_t milliseconds)
{
    if (milliseconds == 0) {
        // Gives up the rest of the time slice, as a zero sleep did.
        sched_yield();
        return;
    }
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

} // namespace plat
