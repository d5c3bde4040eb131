#include "platform/ui/x11/UriList.h"

#include <optional>

#include "platform/core/FileUri.h"

namespace plat::ui::x11 {


std::vector<std::string> filePathsFromUriList(std::string_view text, std::string_view hostName)
{
    std::vector<std::string> paths;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\0'))
            line.remove_suffix(1);
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (auto path = localPathOfFileUri(line, hostName))
            paths.push_back(std::move(*path));
    }
    return paths;
}

} // namespace plat::ui::x11
