#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Api.h"

// Files, folders and paths. Paths use '/'. File times are 64-bit counts of
// 100 ns intervals since 1601-01-01 UTC, as the system's original platform
// reported them.
namespace plat {

enum class ListWhat { Files, Folders, Both };

PLAT_API bool fileExists(const std::string& path);   // a regular file (or a link to one)
PLAT_API bool folderExists(const std::string& path);
// Names (not paths) in folder matching a wildcard pattern ('*' and '?',
// without regard to case), sorted by byte value. "." and ".." are never listed.
PLAT_API std::vector<std::string> listFolder(const std::string& folder, const std::string& pattern,
                                             ListWhat what = ListWhat::Files);
PLAT_API bool matchesWildcard(const std::string& name, const std::string& pattern);
// Copies a file; with failIfExists an existing target is left alone and the
// copy fails. The target appears whole or not at all.
PLAT_API bool copyFile(const std::string& from, const std::string& to, bool failIfExists);
PLAT_API bool lastWriteTime(const std::string& path, uint64_t& fileTime);
PLAT_API bool fileSize(const std::string& path, uint64_t& size);
PLAT_API bool deleteFile(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
PLAT_API bool createFolder(const std::string& path);
// The temporary folder with a trailing '/' ($TMPDIR, else /tmp/).
PLAT_API std::string tempFolder();

// Path helpers on '/'.
PLAT_API std::string joinPath(const std::string& folder, const std::string& name);
PLAT_API std::string folderOf(const std::string& path);    // "" when there is no '/'
PLAT_API std::string fileNameOf(const std::string& path);  // the part after the last '/'
PLAT_API std::string extensionOf(const std::string& path); // ".wav", or "" for none

// 100 ns since 1601-01-01 UTC from seconds and nanoseconds since 1970.
PLAT_API uint64_t fileTimeFromUnix(int64_t seconds, int64_t nanoseconds);

} // namespace plat
