// A stand-in for the shared services library: the seven exports with the
// signatures every deliverable binds, each writing one line per call to a log
// that tests read through testSharedServicesLog.
#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <type_traits>

#include "zkr/SharedServices.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Calls may come from any thread of the test.
std::mutex logLock;
std::string callLog; // guarded by logLock

void record(const char* format, ...) __attribute__((format(printf, 1, 2)));

void record(const char* format, ...)
{
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    std::lock_guard lock(logLock);
    callLog += line;
    callLog += '\n';
}

const char* orNull(const char* text)
{
    return text != nullptr ? text : "(null)";
}

constexpr int kLastCode = 46;

} // namespace

EXPORT char* GetErrorText(int code, char* buffer)
{
    record("GetErrorText %i", code);
    if (code < 1 || code > kLastCode) {
        buffer[0] = '\0';
        return nullptr;
    }
    std::snprintf(buffer, zkr::kErrorTextSize, "test error text %i", code);
    return buffer;
}

EXPORT int ShowZKRError(int code, const char* context, const char* errorText)
{
    record("ShowZKRError %i|%s|%s", code, orNull(context), orNull(errorText));
    return 1;
}

EXPORT int ShowSplashWindow()
{
    record("ShowSplashWindow");
    return 1;
}

EXPORT int CloseSplashWindow()
{
    record("CloseSplashWindow");
    return 1;
}

EXPORT int UpdateSplashText(const char* text)
{
    record("UpdateSplashText %s", orNull(text));
    return 1;
}

EXPORT int HandleZKRHelp(const char* page, intptr_t anchor, int anchorIsText, intptr_t spare)
{
    record("HandleZKRHelp %s|%" PRIdPTR "|%i|%" PRIdPTR, orNull(page), anchor, anchorIsText, spare);
    return 1;
}

#ifndef VELMORA_TEST_WITHOUT_TRAY_ICON
EXPORT int SetVelmoraTrayIcon(intptr_t window, uint32_t callbackMessage, int show)
{
    record("SetVelmoraTrayIcon %" PRIdPTR "|%" PRIu32 "|%i", window, callbackMessage, show);
    return 1;
}
static_assert(std::is_same_v<decltype(&SetVelmoraTrayIcon), zkr::SetVelmoraTrayIconFunction>);
#endif

static_assert(std::is_same_v<decltype(&GetErrorText), zkr::GetErrorTextFunction>);
static_assert(std::is_same_v<decltype(&ShowZKRError), zkr::ShowZKRErrorFunction>);
static_assert(std::is_same_v<decltype(&ShowSplashWindow), zkr::ShowSplashWindowFunction>);
static_assert(std::is_same_v<decltype(&CloseSplashWindow), zkr::CloseSplashWindowFunction>);
static_assert(std::is_same_v<decltype(&UpdateSplashText), zkr::UpdateSplashTextFunction>);
static_assert(std::is_same_v<decltype(&HandleZKRHelp), zkr::HandleZKRHelpFunction>);

// Copies the log (cut to size - 1 characters) and returns its full length.
EXPORT int testSharedServicesLog(char* out, int size)
{
    std::lock_guard lock(logLock);
    if (out != nullptr && size > 0) {
        size_t n = std::min(callLog.size(), static_cast<size_t>(size - 1));
        std::memcpy(out, callLog.data(), n);
        out[n] = '\0';
    }
    return static_cast<int>(callLog.size());
}

EXPORT void testSharedServicesClearLog()
{
    std::lock_guard lock(logLock);
    callLog.clear();
}
