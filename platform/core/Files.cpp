#include "platform/core/Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/core/Realtime.h"

namespace plat {

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr int64_t kFileTimeUnitsPerSecond = 10000000;

// The slow-disk seam: every slowDiskEvery-th read or write sleeps
// slowDiskDelayMs first; 0 leaves them alone. Set from the environment once, as the library loads.
std::atomic<uint32_t> slowDiskDelayMs{0};
std::atomic<uint32_t> slowDiskEvery{0};
std::atomic<uint64_t> slowDiskTransfers{0};

[[maybe_unused]] const bool kSlowDiskFromEnvironment = [] {
    const char* text = std::getenv("VELMORA_SLOW_DISK");
    unsigned delayMs = 0;
    unsigned every = 0;
    if (text != nullptr && std::sscanf(text, "%u:%u", &delayMs, &every) == 2)
        setSlowDisk(delayMs, every);
    return true;
}();

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Greedy match that backs up to the last '*' on a mismatch: linear in the
// usual case, never exponential.
bool matchPlain(std::string_view name, std::string_view pattern)
{
    size_t n = 0;
    size_t p = 0;
    size_t starPattern = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool isKind(int folderFd, const dirent* entry, ListWhat what)
{
    bool isFile = false;
    bool isFolder = false;
    if (entry->d_type == DT_REG) {
        isFile = true;
    } else if (entry->d_type == DT_DIR) {
        isFolder = true;
    } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
        struct stat info;
        if (fstatat(folderFd, entry->d_name, &info, 0) != 0)
            return false;
        isFile = S_ISREG(info.st_mode);
        isFolder = S_ISDIR(info.st_mode);
    }
    switch (what) {
    case ListWhat::Files:
        return isFile;
    case ListWhat::Folders:
        return isFolder;
    case ListWhat::Both:
        return isFile || isFolder;
    }
    return false;
}

bool copyContents(int from, int to)
{
    std::vector<char> buffer(128 * 1024);
    for (;;) {
        ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (!writeFully(to, buffer.data(), static_cast<size_t>(got)))
            return false;
    }
}

// Moves temp to target without ever replacing an existing target, also when
// another process creates it meanwhile.
bool renameNoReplace(const std::string& temp, const std::string& target)
{
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot do it in one step: a hard link fails just as
    // atomically when the target exists.
    if (::link(temp.c_str(), target.c_str()) != 0)
        return false;
    ::unlink(temp.c_str());
    return true;
}

} // namespace

bool fileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool folderExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool matchesWildcard(const std::string& name, const std::string& pattern)
{
    std::string_view p(pattern);
    if (p.size() >= 2 && p.substr(p.size() - 2) == ".*" && matchPlain(name, p.substr(0, p.size() - 2)))
        return true;
    return matchPlain(name, p);
}

std::vector<std::string> listFolder(const std::string& folder, const std::string& pattern, ListWhat what)
{
    std::vector<std::string> names;
    DIR* handle = ::opendir(folder.empty() ? "." : folder.c_str());
    if (handle == nullptr)
        return names;
    int folderFd = ::dirfd(handle);
    while (const dirent* entry = ::readdir(handle)) {
        std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (!matchesWildcard(entry->d_name, pattern) || !isKind(folderFd, entry, what))
            continue;
        names.emplace_back(name);
    }
    ::closedir(handle);
    // std::string compares as unsigned bytes: the same order everywhere.
    std::sort(names.begin(), names.end());
    return names;
}

void setSlowDisk(uint32_t delayMs, uint32_t everyTransfers)
{
    slowDiskDelayMs.store(delayMs, std::memory_order_relaxed);
    slowDiskEvery.store(everyTransfers, std::memory_order_relaxed);
}

namespace {

// The slow disk's pause before a read or a write, when it is this one's turn.
void pauseForSlowDisk()
{
    if (const uint32_t every = slowDiskEvery.load(std::memory_order_relaxed); every != 0) {
        if ((slowDiskTransfers.fetch_add(1, std::memory_order_relaxed) + 1) % every == 0)
            std::this_thread::sleep_for(
                std::chrono::milliseconds(slowDiskDelayMs.load(std::memory_order_relaxed)));
    }
}

} // namespace

int openFile(const std::string& path, int flags, mode_t mode)
{
    checkMayBlock("plat::openFile");
    return ::open(path.c_str(), flags, mode);
}

int64_t readAt(int fd, void* buffer, int64_t count, int64_t at)
{
    checkMayBlock("plat::readAt");
    pauseForSlowDisk();
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, out + done, static_cast<size_t>(count - done), at + done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

bool writeAt(int fd, const void* data, int64_t count, int64_t at)
{
    checkMayBlock("plat::writeAt");
    pauseForSlowDisk();
    const auto* in = static_cast<const char*>(data);
    int64_t done = 0;
    while (done < count) {
        const ssize_t put = ::pwrite(fd, in + done, static_cast<size_t>(count - done), at + done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (put == 0)
            return false;
        done += put;
    }
    return true;
}

bool writeFully(int fd, const void* data, size_t size)
{
    checkMayBlock("plat::writeFully");
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

int createPrivateFile(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd)
        return -1;
    struct stat info;
    // Emptied only once it is known to be ours. A second link may be one
    // someone else made to a file of ours, to have it overwritten.
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        info.st_nlink != 1 || ::fchmod(fd.get(), 0600) != 0 || ::ftruncate(fd.get(), 0) != 0)
        return -1;
    return fd.release();
}

bool restrictToOwner(const std::string& path)
{
    UniqueFd created(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (created)
        return ::fchmod(created.get(), 0600) == 0; // the umask may not have left it so, but never wider
    return errno == EEXIST && ::chmod(path.c_str(), 0600) == 0;
}

std::string privateRuntimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (runtime == nullptr || runtime[0] != '/' || ::stat(runtime, &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & 022) != 0)
        return {};
    return runtime;
}

std::string ownTmpFolder()
{
    return "/tmp/velmora-" + std::to_string(::geteuid());
}

bool prepareOwnFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 077) == 0;
}

std::string privateSessionFolder()
{
    std::string folder = privateRuntimeFolder();
    if (!folder.empty())
        return folder;
    folder = ownTmpFolder();
    return prepareOwnFolder(folder) ? folder : std::string();
}

int createPrivateTempFile(const std::string& prefix, const std::string& suffix, std::string& path)
{
    const std::string runtime = privateRuntimeFolder();
    const std::string folder = runtime.empty() ? tempFolder() : joinPath(runtime, "");
    std::string name = folder + prefix + "XXXXXX" + suffix;
    const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd >= 0)
        path = name;
    return fd;
}

int createTempFileBeside(const std::string& path, std::string& tempPath, mode_t mode)
{
    static std::atomic<unsigned> counter{0};
    const long pid = static_cast<long>(::getpid());
    // A name left behind by an earlier process of the same id is skipped.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate =
            path + "." + std::to_string(pid) + "." + std::to_string(counter.fetch_add(1)) + ".tmp";
        int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0777);
        if (fd >= 0) {
            tempPath = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

bool replaceFileContents(const std::string& path, const void* data, size_t size)
{
    std::string tempPath;
    UniqueFd fd(createTempFileBeside(path, tempPath));
    if (!fd)
        return false;
    const bool written = writeFully(fd.get(), data, size);
    const bool closed = fd.close();
    if (!written || !closed || ::rename(tempPath.c_str(), path.c_str()) != 0) {
        ::unlink(tempPath.c_str());
        return false;
    }
    return true;
}

bool copyFile(const std::string& from, const std::string& to, bool failIfExists)
{
    struct stat existing;
    if (failIfExists && ::lstat(to.c_str(), &existing) == 0)
        return false;

    UniqueFd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source)
        return false;
    struct stat info;
    if (::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;

    std::string tempPath;
    UniqueFd target(createTempFileBeside(to, tempPath, info.st_mode & 0777));
    if (!target)
        return false;
    const struct timespec times[2] = {{0, UTIME_NOW}, info.st_mtim};
    bool ok = copyContents(source.get(), target.get()) && ::fchmod(target.get(), info.st_mode & 07777) == 0 &&
              ::futimens(target.get(), times) == 0 && ::fsync(target.get()) == 0;
    ok = target.close() && ok;
    if (ok)
        ok = failIfExists ? renameNoReplace(tempPath, to) : ::rename(tempPath.c_str(), to.c_str()) == 0;
    if (!ok)
        ::unlink(tempPath.c_str());
    return ok;
}

uint64_t fileTimeFromUnix(int64_t seconds, int64_t nanoseconds)
{
    int64_t since1601 = seconds + kSecondsFrom1601To1970;
    if (since1601 < 0)
        return 0;
    return static_cast<uint64_t>(since1601) * kFileTimeUnitsPerSecond +
           static_cast<uint64_t>(nanoseconds / 100);
}

bool lastWriteTime(const std::string& path, uint64_t& fileTime)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    fileTime = fileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    return true;
}

bool fileSize(const std::string& path, uint64_t& size)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool readSmallFile(const std::string& path, size_t maxSize, std::string& content)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || uint64_t(info.st_size) > maxSize)
        return false;
    content.assign(size_t(info.st_size), '\0');
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = ::read(fd.get(), content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += size_t(got);
    }
    return done == content.size(); // not a file cut short while read
}

bool deleteFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool createFolder(const std::string& path)
{
    if (path.empty())
        return false;
    // Each parent in turn; one that exists already (or that another process
    // makes meanwhile) is fine, whatever error mkdir gives for it.
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string parent = path.substr(0, slash);
        if (::mkdir(parent.c_str(), 0777) != 0 && !folderExists(parent))
            return false;
    }
    (void)::mkdir(path.c_str(), 0777);
    return folderExists(path);
}

std::string tempFolder()
{
    const char* dir = std::getenv("TMPDIR");
    std::string folder = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (name.empty())
        return folder;
    bool folderSlash = folder.back() == '/';
    bool nameSlash = name.front() == '/';
    if (folderSlash && nameSlash)
        return folder + name.substr(1);
    if (folderSlash || nameSlash)
        return folder + name;
    return folder + "/" + name;
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return "";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string fileNameOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string extensionOf(const std::string& path)
{
    std::string name = fileNameOf(path);
    if (name == "." || name == "..")
        return "";
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return "";
    return name.substr(dot);
}

} // namespace plat
