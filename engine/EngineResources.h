#pragma once

#include <string>

#include "platform/core/Module.h"

namespace engine {

// The engine's string table, by number.
enum EngineString : unsigned {
    kStringNoEffect = 1,          // "no effect"
    kStringInitializing = 2,      // "Initializing"
    kStringFindingPlugins = 3,    // "Finding Plug-Ins"
    kStringCreatingInterface = 4, // "Creating User Interface"
    kStringNotNow = 5,            // "sorry, you can't do this now"
    kStringOpenSystem = 6,        // "Velmora Open System"
    kStringInputPlugins = 7,      // "Audio Input Plugins"
    kStringOutputPlugins = 8,     // "Audio Output Plugins"
    kStringRealtimeEffects = 9,   // "Realtime Effects"
    kStringUserInterfaces = 10,   // "User Interfaces"
    kStringRestoring = 11,        // "Restoring"
    kStringNoUpdate = 12,         // "(no update available!)"
    kStringAborting = 13,         // "Aborting, please wait..."
};

// The module under which the engine's resources (strings, dialogs, menus,
// bitmaps) are registered: the program, or a test program linking the engine.
plat::ModuleHandle engineModule();

// The text of a string of the table, loaded from the engine's resources; empty
// for a number the table lacks.
std::string engineString(unsigned id);

// The splash window of the shared services, when they are bound: a string
// of the table, or "string - name"; and closing it.
void showSplashString(unsigned id);
void showSplashPair(unsigned id, const char* name);
void closeSplash();

} // namespace engine
