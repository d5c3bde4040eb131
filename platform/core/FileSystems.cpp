#include "platform/core/FileSystems.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <array>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

namespace plat {

namespace {

// Kinds that present the kernel's own objects, never files a user records to.
constexpr std::array<std::string_view, 24> kKernelInterfaceTypes = {
    "proc",       "sysfs",      "cgroup",    "cgroup2", "devpts",   "devtmpfs",  "securityfs",  "debugfs",
    "tracefs",    "pstore",     "bpf",       "mqueue",  "hugetlbfs", "configfs", "fusectl",     "autofs",
    "binfmt_misc", "nsfs",      "efivarfs",  "selinuxfs", "rpc_pipefs", "nfsd",  "fuse.portal", "fuse.gvfsd-fuse"};

constexpr std::array<std::string_view, 13> kNetworkTypes = {
    "nfs",   "nfs4",     "cifs",      "smb3",       "smbfs",         "9p",           "afs",
    "ceph",  "glusterfs", "fuse.sshfs", "fuse.rclone", "fuse.davfs", "fuse.glusterfs"};

template <size_t N>
bool isOneOf(std::string_view value, const std::array<std::string_view, N>& list)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool isBelow(const std::string& path, std::string_view folder)
{
    return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

bool isOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

bool isRamDisk(const std::string& type)
{
    return type == "tmpfs" || type == "ramfs";
}

// Mount points escape blanks, tabs, new lines and backslashes as "\ooo".
std::string unescapeMountField(const std::string& field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1]) && isOctalDigit(field[i + 2]) &&
            isOctalDigit(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            text.push_back(static_cast<char>(value));
            i += 3;
        } else {
            text.push_back(field[i]);
        }
    }
    return text;
}

struct MountLine {
    std::string device; // "major:minor"
    std::string mountPoint;
    std::string type;
};

// "id parent major:minor root mountpoint options [optional...] - type source superoptions"
bool parseMountLine(const std::string& line, MountLine& mount)
{
    std::istringstream fields(line);
    std::string id, parent, root, options, word;
    if (!(fields >> id >> parent >> mount.device >> root >> mount.mountPoint >> options))
        return false;
    while (fields >> word && word != "-") {
    }
    if (word != "-" || !(fields >> mount.type))
        return false;
    mount.mountPoint = unescapeMountField(mount.mountPoint);
    return !mount.mountPoint.empty() && mount.mountPoint[0] == '/';
}

bool holdsUserFiles(const MountLine& mount)
{
    if (isOneOf(mount.type, kKernelInterfaceTypes))
        return false;
    if (isBelow(mount.mountPoint, "/proc") || isBelow(mount.mountPoint, "/sys"))
        return false;
    if (isRamDisk(mount.type) && (isBelow(mount.mountPoint, "/run") || isBelow(mount.mountPoint, "/dev")))
        return false;
    // Containers and live systems stack their root out of layers; other
    // overlays are some program's private view of a folder.
    if (mount.type == "overlay" && mount.mountPoint != "/")
        return false;
    return true;
}

std::string firstLineOf(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// A partition's "removable" flag is its disk's, one level up in sysfs.
bool isRemovableDevice(const std::string& device)
{
    const std::string base = "/sys/dev/block/" + device;
    std::string flag = firstLineOf(base + "/removable");
    if (flag.empty())
        flag = firstLineOf(base + "/../removable");
    return flag == "1";
}

StorageMedium mediumOf(const MountLine& mount)
{
    if (isRamDisk(mount.type))
        return StorageMedium::RamDisk;
    if (isOneOf(mount.type, kNetworkTypes))
        return StorageMedium::Network;
    return isRemovableDevice(mount.device) ? StorageMedium::Removable : StorageMedium::Fixed;
}

} // namespace

std::vector<MountedFileSystem> writableFileSystemsOf(const std::string& mountInfo)
{
    // A later mount on the same point hides the earlier one.
    std::map<std::string, MountLine> topmost;
    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line)) {
        MountLine mount;
        if (parseMountLine(line, mount))
            topmost[mount.mountPoint] = mount;
    }

    const char* home = std::getenv("HOME");
    struct stat homeStatus {};
    const bool homeUsable = home != nullptr && *home == '/' && stat(home, &homeStatus) == 0 &&
                            S_ISDIR(homeStatus.st_mode) && access(home, W_OK) == 0;

    std::vector<MountedFileSystem> systems;
    for (const auto& [mountPoint, mount] : topmost) {
        struct stat status {};
        struct statvfs space {};
        if (!holdsUserFiles(mount) || stat(mountPoint.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            statvfs(mountPoint.c_str(), &space) != 0 || space.f_blocks == 0 || (space.f_flag & ST_RDONLY) != 0)
            continue;
        std::string folder = mountPoint;
        if (access(mountPoint.c_str(), W_OK) != 0) {
            if (!homeUsable || homeStatus.st_dev != status.st_dev)
                continue;
            folder = home;
        }
        systems.push_back({mountPoint, mount.type, static_cast<uint64_t>(space.f_bavail) * space.f_frsize,
                           mediumOf(mount), std::move(folder)});
    }
    return systems;
}

std::vector<MountedFileSystem> writableFileSystems()
{
    std::ifstream file("/proc/self/mountinfo");
    std::ostringstream text;
    text << file.rdbuf();
    return writableFileSystemsOf(text.str());
}

} // namespace plat
