#include "platform/core/FileUri.h"

#include <cctype>

namespace plat {

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
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

} // namespace

std::optional<std::string> localPathOfFileUri(std::string_view uri, std::string_view hostName)
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
        if (!host.empty() && !equalsIgnoringCase(host, "localhost") &&
            (hostName.empty() || !equalsIgnoringCase(host, hostName)))
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

std::string fileUriOf(std::string_view absolutePath)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out("file://");
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

} // namespace plat
