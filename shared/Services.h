#pragma once

#include <cstdint>

// What the shared services library offers its exports (Exports.cpp binds
// each export to one of these). Every function may be called from any thread.
namespace shared {

// The error texts of every Error code and the one error dialog of the process.
char* getErrorText(int code, char* buffer);
int showZKRError(int code, const char* context, const char* errorText);

// The start-up splash window, on a thread of its own.
int showSplashWindow();
int updateSplashText(const char* text);
int closeSplashWindow();

// The one notification-area icon of the process.
int setVelmoraTrayIcon(intptr_t window, uint32_t callbackMessage, int show);

// The help browser: contents built once when the library is loaded, the
// frameset page written and opened on every request.
void buildHelpContents();
bool handleZKRHelp(const char* page, intptr_t anchor, bool anchorIsText);

} // namespace shared
