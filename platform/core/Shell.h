#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Api.h"

namespace plat {

// Results in the manner of the system's original shell: above 32 success.
inline constexpr int kShellOpenDone = 42;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3; // the working folder does not exist
inline constexpr int kShellNoAssociation = 31;

// How long shellOpen waits for the opener to answer; one still running after
// that has started an application and counts as success.
inline constexpr uint32_t kShellOpenWaitMs = 10000;

// Whether target starts with a scheme ("https:", "mailto:", "file:" ...): an
// address, not a path. A single letter before the colon is not taken for one.
[[nodiscard]] PLAT_API bool hasScheme(const std::string& target);

// Opens a file, folder or address with the desktop's preferred application
// (xdg-open), started in folder when one is given. A target without a
// "scheme:" prefix is a local path, relative to folder when it is not absolute.
[[nodiscard]] PLAT_API int shellOpen(const std::string& target, const std::string& folder);
// The same with a chosen wait for the opener's answer.
[[nodiscard]] PLAT_API int shellOpenWithin(const std::string& target, const std::string& folder,
                                           uint32_t waitLimitMs);

// A program to start: its name (looked for in the absolute folders of PATH)
// followed by its arguments.
using CommandLine = std::vector<std::string>;

// Starts the first of the commands whose program is on the PATH, on its own:
// in a session of its own, not waited for. kShellOpenDone when one started;
// kShellFileNotFound when none of the programs is there, with lookedFor
// naming them in order, joined by ", "; kShellNoAssociation when the one
// found could not be started.
[[nodiscard]] PLAT_API int startFirstFound(const std::vector<CommandLine>& commands, std::string& lookedFor);

// Shows a web page, a local file or an address: with the desktop's opener
// (xdg-open) first and, when that is missing or has no application for it,
// with the first of the usual web browsers found on the PATH, on its own.
// shellOpen's results; kShellNoAssociation when nothing could show it, with
// lookedFor naming the programs looked for, in order, joined by ", ".
[[nodiscard]] PLAT_API int openWebPage(const std::string& target, std::string& lookedFor);

} // namespace plat
