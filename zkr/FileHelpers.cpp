#include "zkr/FileHelpers.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Files.h"
#include "zkr/Text.h"

namespace zkr {

namespace {

const char* lastSlash(const char* path)
{
    return std::strrchr(path, '/');
}

// Where a pattern's folder and its wildcard part meet: the folder to list
// ("." for none, "/" for the root) and the folder to join names to ("" for
// none, so names stay as they are).
struct PatternParts {
    std::string listFolder;
    std::string joinFolder;
    std::string wildcard;
};

PatternParts splitPattern(const char* pattern)
{
    PatternParts parts;
    const char* slash = lastSlash(pattern);
    if (slash == nullptr) {
        parts.listFolder = ".";
        parts.wildcard = pattern;
        return parts;
    }
    parts.listFolder.assign(pattern, static_cast<std::size_t>(slash - pattern));
    if (parts.listFolder.empty())
        parts.listFolder = "/";
    parts.joinFolder = parts.listFolder;
    parts.wildcard = slash + 1;
    return parts;
}

bool hasWildcard(const std::string& text)
{
    return text.find_first_of("*?") != std::string::npos;
}

} // namespace

// The path rules are the platform's; these put the results into fixed fields.
void fileNameOf(const char* path, char* out, std::size_t size)
{
    copyText(out, size, plat::fileNameOf(path).c_str());
}

void folderOf(const char* path, char* out, std::size_t size)
{
    copyText(out, size, plat::folderOf(path).c_str());
}

void extensionOf(const char* name, char* out, std::size_t size, bool withDot)
{
    const std::string extension = plat::extensionOf(name);
    copyText(out, size, extension.empty() || withDot ? extension.c_str() : extension.c_str() + 1);
}

bool fileExists(const char* path, FoundFile* found)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    const PatternParts parts = splitPattern(path);
    std::string name;
    std::string fullPath;
    if (hasWildcard(parts.wildcard)) {
        const std::vector<std::string> matches =
            plat::listFolder(parts.listFolder, parts.wildcard, plat::ListWhat::Both);
        if (matches.empty())
            return false;
        name = matches.front();
        fullPath = plat::joinPath(parts.joinFolder, name);
    } else {
        fullPath = path;
        name = parts.wildcard;
    }
    const bool isFolder = plat::folderExists(fullPath);
    if (!isFolder && !plat::fileExists(fullPath))
        return false;
    if (found != nullptr) {
        *found = FoundFile{};
        found->name = name;
        found->folder = isFolder;
        // A file that went since the check above keeps size and time 0.
        if (!isFolder)
            (void)plat::fileSize(fullPath, found->size);
        (void)plat::lastWriteTime(fullPath, found->lastWriteTime);
    }
    return true;
}

bool splitAt(char* left, std::size_t leftSize, char* right, std::size_t rightSize, const char* text,
             char separator)
{
    if (text == nullptr)
        text = "";
    const char* at = std::strchr(text, separator);
    if (at == nullptr || separator == '\0') {
        copyText(left, leftSize, text);
        return false;
    }
    // Copied before writing, in case text is one of the outputs.
    const std::string before(text, static_cast<std::size_t>(at - text));
    const std::string after(at + 1);
    copyText(left, leftSize, before.c_str());
    copyText(right, rightSize, after.c_str());
    return true;
}

std::vector<std::string> listFiles(const std::string& pattern, bool fullPaths)
{
    std::vector<std::string> entries;
    if (pattern.empty())
        return entries;
    const PatternParts parts = splitPattern(pattern.c_str());
    for (std::string& name : plat::listFolder(parts.listFolder, parts.wildcard, plat::ListWhat::Files))
        entries.push_back(fullPaths ? plat::joinPath(parts.joinFolder, name) : std::move(name));
    return entries;
}

} // namespace zkr
