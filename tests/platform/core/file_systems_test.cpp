#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>

#include "platform/core/FileSystems.h"
#include "support/FileText.h"
#include "support/TempFolder.h"

using velmora::test::TempFolder;

namespace {

constexpr uint64_t kFreeSpaceSlack = 64ull << 20; // others write while the test runs

uint64_t freeBytesAt(const std::string& path)
{
    struct statvfs space {};
    EXPECT_EQ(statvfs(path.c_str(), &space), 0);
    return static_cast<uint64_t>(space.f_bavail) * space.f_frsize;
}

// The mount point holding path: the last folder upwards on the same device.
std::string mountPointOf(std::filesystem::path path)
{
    struct stat here {}, up {};
    path = std::filesystem::canonical(path);
    while (path.has_relative_path() && stat(path.c_str(), &here) == 0 &&
           stat(path.parent_path().c_str(), &up) == 0 && up.st_dev == here.st_dev)
        path = path.parent_path();
    return path;
}

} // namespace

TEST(FileSystems, LiveListHoldsTheTempFoldersWritableMountButNoKernelInterfaces)
{
    const std::vector<plat::MountedFileSystem> systems = plat::writableFileSystems();
    const std::string tempMount = mountPointOf(std::filesystem::temp_directory_path());
    bool tempListed = false;
    for (const plat::MountedFileSystem& system : systems) {
        EXPECT_NE(system.mountPoint, "/proc");
        EXPECT_NE(system.mountPoint, "/sys");
        EXPECT_EQ(access(system.folder.c_str(), W_OK), 0) << system.folder;
        EXPECT_TRUE(system.folder == system.mountPoint || system.folder == std::getenv("HOME")) << system.folder;
        EXPECT_NEAR(static_cast<double>(system.freeBytes), static_cast<double>(freeBytesAt(system.mountPoint)),
                    static_cast<double>(kFreeSpaceSlack));
        tempListed = tempListed || system.mountPoint == tempMount;
    }
    if (access(tempMount.c_str(), W_OK) == 0) {
        EXPECT_TRUE(tempListed) << tempMount;
    }
}

TEST(FileSystems, TableIsFilteredAndTheTopmostMountCounts)
{
    TempFolder folder;
    for (const char* name : {"disk", "with space", "kernel", "layers"})
        std::filesystem::create_directory(folder.file(name));
    velmora::test::writeText(folder.file("mounted-file"), "x");
    const std::string& root = folder.path();
    const std::string table =
        "30 1 8:1 / " + root + "/disk rw - ext4 /dev/sda1 rw\n"
        "31 1 0:40 / " + root + "/disk rw shared:7 - nfs4 server:/export rw\n" // hides the line above
        "32 1 0:41 / " + root + "/with\\040space rw - tmpfs tmpfs rw\n"
        "33 1 0:42 / " + root + "/kernel rw - proc proc rw\n"
        "34 1 0:43 / " + root + "/layers rw - overlay overlay rw\n"
        "35 1 8:1 /etc/hosts " + root + "/mounted-file rw - ext4 /dev/sda1 rw\n"
        "36 1 0:44 / /run/user/0 rw - tmpfs tmpfs rw\n"
        "not a mount line\n";

    const std::vector<plat::MountedFileSystem> systems = plat::writableFileSystemsOf(table);
    ASSERT_EQ(systems.size(), 2u);
    EXPECT_EQ(systems[0].mountPoint, root + "/disk");
    EXPECT_EQ(systems[0].type, "nfs4");
    EXPECT_EQ(systems[0].medium, plat::StorageMedium::Network);
    EXPECT_EQ(systems[1].mountPoint, root + "/with space");
    EXPECT_EQ(systems[1].medium, plat::StorageMedium::RamDisk);
    EXPECT_NEAR(static_cast<double>(systems[1].freeBytes), static_cast<double>(freeBytesAt(root)),
                static_cast<double>(kFreeSpaceSlack));
}
