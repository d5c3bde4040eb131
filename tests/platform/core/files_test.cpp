#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "platform/core/Files.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using velmora::test::readText;
using velmora::test::ScopedEnv;
using velmora::test::TempFolder;
using velmora::test::Watchdog;
using velmora::test::writeText;

namespace {

using Names = std::vector<std::string>;

} // namespace

TEST(Wildcard, StarAndQuestionMarkIgnoringCase)
{
    EXPECT_TRUE(plat::matchesWildcard("Tindle.vin", "*.vin"));
    EXPECT_TRUE(plat::matchesWildcard("TINDLE.VIN", "*.vin"));
    EXPECT_TRUE(plat::matchesWildcard("tindle.vin", "*.VIN"));
    EXPECT_FALSE(plat::matchesWildcard("tindle.vinx", "*.vin"));
    EXPECT_FALSE(plat::matchesWildcard("tindle.vi", "*.vin"));
    EXPECT_TRUE(plat::matchesWildcard(".vin", "*.vin"));
    EXPECT_TRUE(plat::matchesWildcard("a.b", "?.?"));
    EXPECT_FALSE(plat::matchesWildcard("ab.b", "?.?"));
    EXPECT_FALSE(plat::matchesWildcard("a", "a?"));
    EXPECT_TRUE(plat::matchesWildcard("abcabcabd", "*abd"));
    EXPECT_TRUE(plat::matchesWildcard("mississippi", "m*iss*pi"));
    EXPECT_FALSE(plat::matchesWildcard("mississippi", "m*iss*px"));
    EXPECT_TRUE(plat::matchesWildcard("anything", "*"));
    EXPECT_TRUE(plat::matchesWildcard("x", "**"));
    EXPECT_FALSE(plat::matchesWildcard("x", ""));
    // Only ASCII letters fold: other bytes must match exactly.
    EXPECT_TRUE(plat::matchesWildcard("\xC3\xA9.wav", "\xC3\xA9.WAV"));
    EXPECT_FALSE(plat::matchesWildcard("\xC3\xA9.wav", "\xC3\x89.wav"));
}

TEST(Wildcard, DotStarAlsoMatchesNamesWithoutExtension)
{
    EXPECT_TRUE(plat::matchesWildcard("README", "*.*"));
    EXPECT_TRUE(plat::matchesWildcard("a.b.c", "*.*"));
    EXPECT_TRUE(plat::matchesWildcard("song", "song.*"));
    EXPECT_TRUE(plat::matchesWildcard("song.mp3", "SONG.*"));
    EXPECT_FALSE(plat::matchesWildcard("songs", "song.*"));
}

TEST(Wildcard, LongPatternsStayFast)
{
    std::string name(5000, 'a');
    std::string pattern;
    for (int i = 0; i < 50; ++i)
        pattern += "*a";
    pattern += "*b";
    Watchdog watchdog(std::chrono::seconds(5), "wildcard backtracking");
    EXPECT_FALSE(plat::matchesWildcard(name, pattern));
}

TEST(ListFolder, FiltersByKindAndSortsByByteValue)
{
    TempFolder folder;
    for (const char* name : {"b.VIN", "a.vin", "C.vin", "x.txt", "_.vin", ".hidden.vin"})
        writeText(folder.file(name), "x");
    ASSERT_TRUE(plat::createFolder(folder.file("d.vin")));
    ASSERT_TRUE(plat::createFolder(folder.file("Sub")));
    ASSERT_EQ(symlink("a.vin", folder.file("link.vin").c_str()), 0);
    ASSERT_EQ(symlink("Sub", folder.file("linkdir").c_str()), 0);
    ASSERT_EQ(symlink("missing", folder.file("dangling.vin").c_str()), 0);
    ASSERT_EQ(mkfifo(folder.file("pipe.vin").c_str(), 0600), 0);

    EXPECT_EQ(plat::listFolder(folder.path(), "*.vin"),
              (Names{".hidden.vin", "C.vin", "_.vin", "a.vin", "b.VIN", "link.vin"}));
    EXPECT_EQ(plat::listFolder(folder.path(), "*", plat::ListWhat::Folders),
              (Names{"Sub", "d.vin", "linkdir"}));
    EXPECT_EQ(plat::listFolder(folder.path(), "?.*", plat::ListWhat::Both),
              (Names{"C.vin", "_.vin", "a.vin", "b.VIN", "d.vin", "x.txt"}));
    EXPECT_TRUE(plat::listFolder(folder.file("nowhere"), "*").empty());
    EXPECT_TRUE(plat::listFolder(folder.file("a.vin"), "*").empty());
}

TEST(CopyFile, CopiesWholeWithTimeAndLeavesNoTemporaryFiles)
{
    TempFolder folder;
    std::string data(300000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    writeText(folder.file("src.bin"), data);
    ASSERT_EQ(chmod(folder.file("src.bin").c_str(), 0640), 0);
    const timespec times[2] = {{1000, 0}, {1600000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.file("src.bin").c_str(), times, 0), 0);

    ASSERT_TRUE(plat::copyFile(folder.file("src.bin"), folder.file("dst.bin"), true));
    EXPECT_EQ(readText(folder.file("dst.bin")), data);
    uint64_t sourceTime = 0;
    uint64_t targetTime = 0;
    ASSERT_TRUE(plat::lastWriteTime(folder.file("src.bin"), sourceTime));
    ASSERT_TRUE(plat::lastWriteTime(folder.file("dst.bin"), targetTime));
    EXPECT_EQ(targetTime, sourceTime);
    struct stat info;
    ASSERT_EQ(stat(folder.file("dst.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(plat::listFolder(folder.path(), "*"), (Names{"dst.bin", "src.bin"}));
}

TEST(CopyFile, ExistingTargetIsKeptOnlyWhenAsked)
{
    TempFolder folder;
    writeText(folder.file("new"), "new contents");
    writeText(folder.file("old"), "old");

    EXPECT_FALSE(plat::copyFile(folder.file("new"), folder.file("old"), true));
    EXPECT_EQ(readText(folder.file("old")), "old");
    EXPECT_TRUE(plat::copyFile(folder.file("new"), folder.file("old"), false));
    EXPECT_EQ(readText(folder.file("old")), "new contents");

    EXPECT_FALSE(plat::copyFile(folder.file("missing"), folder.file("target"), false));
    EXPECT_FALSE(plat::copyFile(folder.path(), folder.file("target"), false));
    EXPECT_FALSE(plat::copyFile(folder.file("new"), folder.file("no/such/folder/x"), false));
    EXPECT_EQ(plat::listFolder(folder.path(), "*", plat::ListWhat::Both), (Names{"new", "old"}));
}

TEST(CopyFile, RacingCopiesWithoutOverwriteLeaveExactlyOneWholeTarget)
{
    Watchdog watchdog(std::chrono::seconds(30), "racing copies");
    TempFolder folder;
    const std::string first(200000, 'A');
    const std::string second(150000, 'B');
    writeText(folder.file("first"), first);
    writeText(folder.file("second"), second);
    for (int round = 0; round < 30; ++round) {
        const std::string target = folder.file("target");
        std::atomic<int> winners{0};
        std::thread a([&] { winners += plat::copyFile(folder.file("first"), target, true) ? 1 : 0; });
        std::thread b([&] { winners += plat::copyFile(folder.file("second"), target, true) ? 1 : 0; });
        a.join();
        b.join();
        ASSERT_EQ(winners.load(), 1) << "round " << round;
        std::string contents = readText(target);
        ASSERT_TRUE(contents == first || contents == second) << "round " << round;
        ASSERT_TRUE(plat::deleteFile(target));
    }
    EXPECT_EQ(plat::listFolder(folder.path(), "*"), (Names{"first", "second"}));
}

TEST(FileFacts, ExistenceSizeTimeAndDeletion)
{
    TempFolder folder;
    writeText(folder.file("f"), std::string(12345, 'z'));
    uint64_t size = 0;
    EXPECT_TRUE(plat::fileExists(folder.file("f")));
    EXPECT_FALSE(plat::folderExists(folder.file("f")));
    EXPECT_TRUE(plat::folderExists(folder.path()));
    EXPECT_FALSE(plat::fileExists(folder.path()));
    ASSERT_TRUE(plat::fileSize(folder.file("f"), size));
    EXPECT_EQ(size, 12345u);
    EXPECT_FALSE(plat::fileSize(folder.file("none"), size));
    EXPECT_FALSE(plat::fileSize(folder.path(), size));

    // 2023-11-14 22:13:20.1234567 UTC, with sub-second precision kept.
    const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.file("f").c_str(), times, 0), 0);
    uint64_t fileTime = 0;
    ASSERT_TRUE(plat::lastWriteTime(folder.file("f"), fileTime));
    EXPECT_EQ(fileTime, (1700000000ull + 11644473600ull) * 10000000ull + 1234567ull);
    EXPECT_EQ(plat::fileTimeFromUnix(-11644473601, 0), 0u);
    EXPECT_FALSE(plat::lastWriteTime(folder.file("none"), fileTime));

    EXPECT_FALSE(plat::deleteFile(folder.path()));
    EXPECT_TRUE(plat::deleteFile(folder.file("f")));
    EXPECT_FALSE(plat::fileExists(folder.file("f")));
    EXPECT_FALSE(plat::deleteFile(folder.file("f")));
}

TEST(Folders, CreateMakesParentsAndFailsOnFiles)
{
    TempFolder folder;
    EXPECT_TRUE(plat::createFolder(folder.file("a/b/c")));
    EXPECT_TRUE(plat::folderExists(folder.file("a/b/c")));
    EXPECT_TRUE(plat::createFolder(folder.file("a/b/c")));
    EXPECT_TRUE(plat::createFolder(folder.file("a/b/d/")));
    EXPECT_TRUE(plat::folderExists(folder.file("a/b/d")));
    writeText(folder.file("file"), "x");
    EXPECT_FALSE(plat::createFolder(folder.file("file")));
    EXPECT_FALSE(plat::createFolder(folder.file("file/below")));
    EXPECT_FALSE(plat::createFolder(""));
}

TEST(Folders, TempFolderEndsWithSlash)
{
    for (auto [value, expected] :
         {std::pair<std::optional<std::string>, std::string>{"/var/tmp", "/var/tmp/"},
          {"/var/tmp/", "/var/tmp/"},
          {"", "/tmp/"},
          {std::nullopt, "/tmp/"}}) {
        ScopedEnv tmp("TMPDIR", value);
        EXPECT_EQ(plat::tempFolder(), expected);
    }
}

TEST(Paths, FolderNameAndExtension)
{
    EXPECT_EQ(plat::joinPath("/opt/velmora", "Plugins"), "/opt/velmora/Plugins");
    EXPECT_EQ(plat::joinPath("/opt/velmora/", "Plugins"), "/opt/velmora/Plugins");
    EXPECT_EQ(plat::joinPath("/opt/velmora/", "/Plugins"), "/opt/velmora/Plugins");
    EXPECT_EQ(plat::joinPath("", "Plugins"), "Plugins");
    EXPECT_EQ(plat::joinPath("/opt", ""), "/opt");

    EXPECT_EQ(plat::folderOf("/opt/velmora/Velmora"), "/opt/velmora");
    EXPECT_EQ(plat::folderOf("/Velmora"), "/");
    EXPECT_EQ(plat::folderOf("Velmora"), "");
    EXPECT_EQ(plat::folderOf("a/b/"), "a/b");

    EXPECT_EQ(plat::fileNameOf("/opt/velmora/Tindle.vin"), "Tindle.vin");
    EXPECT_EQ(plat::fileNameOf("Tindle.vin"), "Tindle.vin");
    EXPECT_EQ(plat::fileNameOf("a/b/"), "");

    EXPECT_EQ(plat::extensionOf("/music/song.WAV"), ".WAV");
    EXPECT_EQ(plat::extensionOf("archive.tar.gz"), ".gz");
    EXPECT_EQ(plat::extensionOf("a.b/c"), "");
    EXPECT_EQ(plat::extensionOf("noext"), "");
    EXPECT_EQ(plat::extensionOf(".x"), "");
    EXPECT_EQ(plat::extensionOf("dir/.config"), "");
    EXPECT_EQ(plat::extensionOf(".x.wav"), ".wav");
    EXPECT_EQ(plat::extensionOf("a."), ".");
    EXPECT_EQ(plat::extensionOf(".."), "");
}
