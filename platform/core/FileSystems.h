#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Api.h"

// The mounted file systems a user can record to: the Linux counterpart of a
// list of drives.
namespace plat {

enum class StorageMedium { Fixed, Removable, Network, RamDisk };

struct MountedFileSystem {
    std::string mountPoint; // absolute, as mounted
    std::string type;       // the kernel's name for it: "ext4", "nfs4", "tmpfs"
    uint64_t freeBytes = 0; // what an unprivileged user may still fill
    StorageMedium medium = StorageMedium::Fixed;
    // Where this user's files go on it: the mount point when the user may
    // write there, else the user's home folder when it lies on this file
    // system (the usual case for "/" on a one-disk machine).
    std::string folder;
};

// File systems that hold real files and that this user may write to (at the
// mount point or in the home folder on it), one per mount point (the topmost mount), sorted by mount point
// ("/" first). Kernel interfaces (proc, sysfs, cgroups, devices, ...), RAM
// file systems below /run, /dev, /sys and /proc, overlays other than the
// root, read-only mounts and mounted files are left out.
PLAT_API std::vector<MountedFileSystem> writableFileSystems();

// The same filter over a mount table in the format of /proc/self/mountinfo;
// the free space and writability still come from the live system.
PLAT_API std::vector<MountedFileSystem> writableFileSystemsOf(const std::string& mountInfo);

} // namespace plat
