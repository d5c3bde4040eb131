#pragma once

#include <cstdint>

// The seven exports of the shared services library, bound by name at run
// time by every deliverable. The library implements them with exactly these
// signatures.
namespace zkr {

extern "C" {
using GetErrorTextFunction = char* (*)(int code, char* buffer);
using ShowZKRErrorFunction = int (*)(int code, const char* context, const char* errorText);
using ShowSplashWindowFunction = int (*)();
using CloseSplashWindowFunction = int (*)();
using UpdateSplashTextFunction = int (*)(const char* text);
using HandleZKRHelpFunction = int (*)(const char* page, intptr_t anchor, int anchorIsText, intptr_t spare);
using SetVelmoraTrayIconFunction = int (*)(intptr_t window, uint32_t callbackMessage, int show);
}

// The table, in the library's binding order.
struct SharedServices {
    GetErrorTextFunction getErrorText = nullptr;
    ShowZKRErrorFunction showZKRError = nullptr;
    ShowSplashWindowFunction showSplashWindow = nullptr;
    CloseSplashWindowFunction closeSplashWindow = nullptr;
    UpdateSplashTextFunction updateSplashText = nullptr;
    HandleZKRHelpFunction handleZKRHelp = nullptr;
    SetVelmoraTrayIconFunction setVelmoraTrayIcon = nullptr;
};

inline constexpr int kSharedServicesCount = 7;
// Export names in table order.
extern const char* const kSharedServicesExports[kSharedServicesCount];
// The error-text buffer GetErrorText fills.
inline constexpr int kErrorTextSize = 256;

// The bound table, or null while the library is not bound. Set and cleared
// only by bindSharedServices and releaseSharedServices, which the deliverable
// calls on its start-up thread before other threads use the table.
extern SharedServices* sharedServices;

// Loads the shared services library from the program folder and binds its
// exports: 0, 1 (cannot be loaded; when the file is missing a message says
// so), OutOfMemory (no memory) or CorruptExports (an export is missing).
[[nodiscard]] int bindSharedServices();
// The same with the library's full path given (for tests and tools).
[[nodiscard]] int bindSharedServicesFrom(const char* libraryPath);
void releaseSharedServices();

} // namespace zkr
