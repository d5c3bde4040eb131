#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/core/Api.h"
#include "platform/core/UniqueFd.h"

// Files, folders and paths. Paths use '/'. File times are 64-bit counts of
// 100 ns intervals since 1601-01-01 UTC, as the system's original platform
// reported them.
namespace plat {

enum class ListWhat { Files, Folders, Both };

PLAT_API bool fileExists(const std::string& path); // a regular file (or a link to one)
PLAT_API bool folderExists(const std::string& path);
// Names (not paths) in folder matching a wildcard pattern ('*' and '?',
// without regard to case), sorted by byte value. "." and ".." are never listed.
// Files are regular files, folders are folders (links count as what they
// point to); other kinds of entry are never listed. A folder that cannot be
// read lists nothing.
PLAT_API std::vector<std::string> listFolder(const std::string& folder, const std::string& pattern,
                                             ListWhat what = ListWhat::Files);
// '*' matches any run of characters, '?' exactly one. As on the system's
// original platform, a pattern ending in ".*" also matches a name without
// that extension, so "*.*" matches every name and "a.*" matches "a".
PLAT_API bool matchesWildcard(const std::string& name, const std::string& pattern);
// Copies a file; with failIfExists an existing target is left alone and the
// copy fails (also when the target appears while copying). The target appears
// whole or not at all, with the source's permissions and last write time.
[[nodiscard]] PLAT_API bool copyFile(const std::string& from, const std::string& to, bool failIfExists);
// Last write time of a file or folder, to 100 ns.
[[nodiscard]] PLAT_API bool lastWriteTime(const std::string& path, uint64_t& fileTime);
// Size of a regular file in bytes.
[[nodiscard]] PLAT_API bool fileSize(const std::string& path, uint64_t& size);
// Reads a regular file of at most maxSize bytes whole into content. Opens
// without blocking, so a FIFO or device in its place is refused at once
// instead of hanging the reader. False when path is missing, is no regular
// file, is larger than maxSize or cannot be read.
[[nodiscard]] PLAT_API bool readSmallFile(const std::string& path, size_t maxSize, std::string& content);
// Removes a file (never a folder).
[[nodiscard]] PLAT_API bool deleteFile(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
[[nodiscard]] PLAT_API bool createFolder(const std::string& path);
// The temporary folder with a trailing '/' ($TMPDIR, else /tmp/).
PLAT_API std::string tempFolder();
// Opens a file (open(2)'s flags and mode); the descriptor, or -1 with errno set.
[[nodiscard]] PLAT_API int openFile(const std::string& path, int flags, mode_t mode = 0666);
// Reads up to count bytes at offset at, carrying on after short reads and
// interruptions: the bytes read (fewer only at the end of the file), -1 on
// failure. VELMORA_SLOW_DISK="<delay ms>:<every N>", read once, makes every
// Nth read or write (readAt, writeAt) in the process take that much longer
// (a slow disk, for the benches).
[[nodiscard]] PLAT_API int64_t readAt(int fd, void* buffer, int64_t count, int64_t at);
// The slow disk as VELMORA_SLOW_DISK sets it, for benches and tests that set
// it themselves; everyTransfers 0 turns it off.
PLAT_API void setSlowDisk(uint32_t delayMs, uint32_t everyTransfers);
// Writes all count bytes at offset at; false on failure. Slowed as readAt.
[[nodiscard]] PLAT_API bool writeAt(int fd, const void* data, int64_t count, int64_t at);
// Writes all of data to fd, carrying on after short writes and interruptions.
[[nodiscard]] PLAT_API bool writeFully(int fd, const void* data, size_t size);
// Creates or empties a regular file for writing, readable and writable by
// its owner only, and answers its descriptor, or -1. A symbolic link, a
// file another user owns (in a shared temporary folder) or a file with more
// than one link is refused.
[[nodiscard]] PLAT_API int createPrivateFile(const std::string& path);
// Makes the file at path (a link's target) readable and writable by its
// owner only, creating it empty when it is missing, so that what is written
// into it next is never open to others; false when that cannot be done.
[[nodiscard]] PLAT_API bool restrictToOwner(const std::string& path);
// $XDG_RUNTIME_DIR when it names a folder of the user's own that no one else
// may write to (the variable is only a hint); else empty.
PLAT_API std::string privateRuntimeFolder();
// The folder in /tmp named after the user (/tmp/velmora-<uid>), for when
// there is no private runtime folder.
PLAT_API std::string ownTmpFolder();
// Makes folder of the user's own, 0700, when missing; false when another
// user (or a link) took the name first, or the folder is open to others.
[[nodiscard]] PLAT_API bool prepareOwnFolder(const std::string& folder);
// A folder only this user may use, for what need not outlive the session:
// the private runtime folder, else the user's own folder in /tmp, made.
// Empty when neither can be had.
PLAT_API std::string privateSessionFolder();
// Creates a new file of the user's own, readable and writable by its owner
// only, under a name no one else can have taken first: prefix, six random
// characters and suffix, in the private runtime folder, else in the
// temporary folder. Answers its
// descriptor and sets path, or -1.
[[nodiscard]] PLAT_API int createPrivateTempFile(const std::string& prefix, const std::string& suffix,
                                                 std::string& path);
// Creates a new empty file with a unique name beside path (in the same folder,
// so that it can be renamed over path) and returns its descriptor, or -1. The
// file is created with mode less the umask, so that it is never open to more
// users than the file it will replace.
[[nodiscard]] PLAT_API int createTempFileBeside(const std::string& path, std::string& tempPath,
                                                mode_t mode = 0666);
// Writes data to a new file beside path and renames it over path, so that
// path holds either its old contents or all of the new ones, never a part.
// False, with path left as it was, when either step fails.
[[nodiscard]] PLAT_API bool replaceFileContents(const std::string& path, const void* data, size_t size);

// Path helpers on '/'.
// folder and name with exactly one '/' between them; either may be empty.
PLAT_API std::string joinPath(const std::string& folder, const std::string& name);
// The part before the last '/' ("/" for a file in the root), "" when there is no '/'.
PLAT_API std::string folderOf(const std::string& path);
PLAT_API std::string fileNameOf(const std::string& path); // the part after the last '/'
// From the last '.' of the file name on: ".wav", or "" for none. A name whose
// only '.' is its first character (".config") is a hidden file without an
// extension, as Linux tools treat it; "." and ".." have none either.
PLAT_API std::string extensionOf(const std::string& path);

// 100 ns since 1601-01-01 UTC from seconds and nanoseconds since 1970
// (0 for times before 1601).
PLAT_API uint64_t fileTimeFromUnix(int64_t seconds, int64_t nanoseconds);

} // namespace plat
