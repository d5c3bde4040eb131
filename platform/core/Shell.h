#pragma once

#include <string>

#include "platform/core/Api.h"

namespace plat {

// Results in the manner of the system's original shell: above 32 success.
inline constexpr int kShellOpenDone = 42;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellNoAssociation = 31;

// Opens a file, folder or address with the desktop's preferred application
// (xdg-open), started in folder when one is given.
PLAT_API int shellOpen(const std::string& target, const std::string& folder);

} // namespace plat
