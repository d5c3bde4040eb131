#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Small helpers on paths and folder listings. Paths use '/'; every text
// result is cut to the size of its buffer and always terminated.
namespace zkr {

// What fileExists found.
struct FoundFile {
    std::string name; // without its folder
    bool folder = false;
    uint64_t size = 0;          // bytes, 0 for a folder
    uint64_t lastWriteTime = 0; // 100 ns since 1601-01-01 UTC
};

// The part after the last '/' (the whole path when there is none).
void fileNameOf(const char* path, char* out, std::size_t size);
// The part before the last '/': "" when there is none, "/" for a file in the root.
void folderOf(const char* path, char* out, std::size_t size);
// The part of the file name after its last '.', or from the '.' on with
// withDot; "" when the file name has no extension. A '.' in a folder name
// does not count, nor the leading '.' of a hidden file (".config").
void extensionOf(const char* name, char* out, std::size_t size, bool withDot);

template <std::size_t N> void fileNameOf(const char* path, char (&out)[N])
{
    fileNameOf(path, out, N);
}
template <std::size_t N> void folderOf(const char* path, char (&out)[N])
{
    folderOf(path, out, N);
}
template <std::size_t N> void extensionOf(const char* name, char (&out)[N], bool withDot)
{
    extensionOf(name, out, N, withDot);
}

// True when a search for path finds a file or folder. The file name part may
// be a wildcard ('*', '?', without regard to case): then the first match by
// byte order is the one found. found, when given, receives what was found.
bool fileExists(const char* path, FoundFile* found = nullptr);

// Splits text at the first separator into left and right and answers true.
// Without a separator left takes the whole text, right is left unchanged and
// the answer is false.
bool splitAt(char* left, std::size_t leftSize, char* right, std::size_t rightSize, const char* text,
             char separator);

template <std::size_t L, std::size_t R>
bool splitAt(char (&left)[L], char (&right)[R], const char* text, char separator)
{
    return splitAt(left, L, right, R, text, separator);
}

// The files (never folders) matching pattern, a folder and a wildcard such as
// "Plugins/*.vin", sorted by byte value and matched without regard to case:
// each name, or with fullPaths the folder and the name joined with '/', whole
// however long. Empty when nothing matches.
[[nodiscard]] std::vector<std::string> listFiles(const std::string& pattern, bool fullPaths);

} // namespace zkr
