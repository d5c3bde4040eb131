#pragma once

// Names shared by every deliverable.
namespace zkr {

inline constexpr const char* kProductTitle = "Velmora Audio Engine v0.1b";
// The shared services library, loaded by full path from the program folder.
inline constexpr const char* kSharedLibraryFile = "ZKRShared.so";
// The settings file; without a folder it lives in the configuration folder.
inline constexpr const char* kSettingsFile = "velmoraaudioengine.ini";

} // namespace zkr
