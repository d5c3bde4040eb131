#include "platform/ui/x11/UriList.h"

#include <optional>

namespace plat::ui::x11 {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Percent-decoding; a '%' not followed by two hex digits stays as it is.
std::optional<std::string> decoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                const char c = static_cast<char>(high * 16 + low);
                if (c == '\0')
                    return std::nullopt;
                out += c;
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::optional<std::string> localPathOf(std::string_view uri, std::string_view hostName)
{
    constexpr std::string_view scheme = "file:";
    if (uri.size() < scheme.size() || !equalsIgnoringCase(uri.substr(0, scheme.size()), scheme))
        return std::nullopt;
    std::string_view rest = uri.substr(scheme.size());
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return std::nullopt;
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !equalsIgnoringCase(host, "localhost") && !equalsIgnoringCase(host, hostName))
            return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with("/"))
        return std::nullopt;
    // A query or fragment is no part of a file's path.
    if (const size_t end = rest.find_first_of("?#"); end != std::string_view::npos)
        rest = rest.substr(0, end);
    return decoded(rest);
}

} // namespace

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
        if (auto path = localPathOf(line, hostName))
            paths.push_back(std::move(*path));
    }
    return paths;
}

} // namespace plat::ui::x11
