#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Api.h"

// file:// addresses and the local paths they name.
namespace plat {

// The local path a file URI names: "file:" with no host, "localhost" or
// hostName (the scheme and host without regard to case), its %XX escapes
// decoded and any query or fragment left off. None for another scheme or
// host, a path that is not absolute, or one that decodes to a NUL byte.
[[nodiscard]] PLAT_API std::optional<std::string> localPathOfFileUri(std::string_view uri,
                                                                     std::string_view hostName = {});

// The file URI of an absolute path, every byte but unreserved characters
// and '/' escaped, so the address holds no blank, line break, '#' or
// backslash a reader could take for something else.
PLAT_API std::string fileUriOf(std::string_view absolutePath);

} // namespace plat
