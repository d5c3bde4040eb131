#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plat::ui::x11 {

// The local paths of a text/uri-list (lines ended by CR LF or LF, '#' lines are
// comments): file URIs of this machine (no host, "localhost" or hostName) with
// their %XX escapes decoded. Other URIs, other hosts, and paths that decode to
// a NUL byte are left out.
std::vector<std::string> filePathsFromUriList(std::string_view text, std::string_view hostName);

} // namespace plat::ui::x11
