#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/Files.h"
#include "support/FileText.h"
#include "support/TempFolder.h"
#include "zkr/FileHelpers.h"
#include "zkr/TextList.h"

namespace {

using velmora::test::writeText;
using Names = std::vector<std::string>;

// A plug-in folder as the engine scans it: several kinds and cases, and a
// folder whose name matches the pattern too.
class ListFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"Tindle.vin", "brolet.vwo", "Quillan.VIN", "PlevNT.vin", "readme.txt"})
            writeText(folder.file(name), "x");
        ASSERT_TRUE(plat::createFolder(folder.file("Old.vin")));
    }
    std::string pattern(const std::string& wildcard) const { return folder.file(wildcard); }

    velmora::test::TempFolder folder;
};

std::string fileName(const char* path)
{
    char out[64];
    zkr::fileNameOf(path, out);
    return out;
}
std::string folderName(const char* path)
{
    char out[64];
    zkr::folderOf(path, out);
    return out;
}
std::string extension(const char* path, bool withDot)
{
    char out[16];
    zkr::extensionOf(path, out, withDot);
    return out;
}

} // namespace

TEST_F(ListFilesTest, FilesOnlyInByteOrderWithoutRegardToCase)
{
    EXPECT_EQ(zkr::listFiles(pattern("*.vin"), false), (Names{"PlevNT.vin", "Quillan.VIN", "Tindle.vin"}));
}

TEST_F(ListFilesTest, FullPathsJoinThePatternsFolderAndLongOnesArriveWhole)
{
    EXPECT_EQ(zkr::listFiles(pattern("*.vwo"), true), Names{folder.file("brolet.vwo")});

    std::string deep = folder.path();
    while (deep.size() < 240)
        deep += "/sub";
    ASSERT_TRUE(plat::createFolder(deep));
    writeText(deep + "/a.vin", "x");
    writeText(deep + "/" + std::string(40, 'b') + ".vin", "x");
    EXPECT_EQ(zkr::listFiles(deep + "/*.vin", true),
              (Names{deep + "/a.vin", deep + "/" + std::string(40, 'b') + ".vin"}));
}

TEST_F(ListFilesTest, NoMatchingFileGivesAnEmptyList)
{
    for (const char* wildcard : {"*.vfx", "missing/*.vin", "Old.*"})
        EXPECT_TRUE(zkr::listFiles(pattern(wildcard), true).empty()) << wildcard;
}

TEST_F(ListFilesTest, FileExistsFindsFilesFoldersAndWildcardMatches)
{
    zkr::FoundFile found;
    writeText(folder.file("take1.wav"), "RIFF1234");
    ASSERT_TRUE(zkr::fileExists(folder.file("take1.wav").c_str(), &found));
    EXPECT_EQ(found.name, "take1.wav");
    EXPECT_FALSE(found.folder);
    EXPECT_EQ(found.size, 8u);
    EXPECT_NE(found.lastWriteTime, 0u);
    // The first match by byte order (here a folder), without regard to case.
    ASSERT_TRUE(zkr::fileExists(pattern("*.VIN").c_str(), &found));
    EXPECT_EQ(found.name, "Old.vin");
    EXPECT_TRUE(found.folder);
    EXPECT_FALSE(zkr::fileExists(folder.file("take2.wav").c_str()));
    EXPECT_FALSE(zkr::fileExists(pattern("*.mp3").c_str()));
}

TEST(PathPartsTest, FileNameFolderAndExtension)
{
    EXPECT_EQ(fileName("/opt/velmora/Plugins/Tindle.vin"), "Tindle.vin");
    EXPECT_EQ(folderName("/opt/velmora/Plugins/Tindle.vin"), "/opt/velmora/Plugins");
    EXPECT_EQ(fileName("Tindle.vin"), "Tindle.vin");
    EXPECT_EQ(folderName("Tindle.vin"), "");
    EXPECT_EQ(folderName("/velmoraaudioengine.ini"), "/");

    EXPECT_EQ(extension("take.1.wav", false), "wav");
    EXPECT_EQ(extension("take.1.wav", true), ".wav");
    EXPECT_EQ(extension("README", true), "");
    // A dot in a folder's name, or a hidden file's leading dot, is no extension.
    EXPECT_EQ(extension("/music.d/take", true), "");
    EXPECT_EQ(extension("/home/user/.config", false), "");
    // Results are cut to their field.
    char small[6];
    zkr::fileNameOf("/a/longname.wav", small);
    EXPECT_STREQ(small, "longn");
}

TEST(SplitAtTest, FirstSeparatorOrTheWholeTextOnTheLeft)
{
    char left[32] = "old";
    char right[32] = "old";
    EXPECT_TRUE(zkr::splitAt(left, right, "proxy:8080:x", ':'));
    EXPECT_STREQ(left, "proxy");
    EXPECT_STREQ(right, "8080:x");

    char untouched[32] = "untouched";
    EXPECT_FALSE(zkr::splitAt(left, untouched, "localhost", ':'));
    EXPECT_STREQ(left, "localhost");
    EXPECT_STREQ(untouched, "untouched");
}

TEST(TextListTest, LengthCopyAndAppendKeepTheListEnded)
{
    const char filters[] = "Wave files\0*.wav\0All files\0*.*\0";
    EXPECT_EQ(zkr::textListLength(filters), sizeof filters);
    EXPECT_EQ(zkr::textListCount(filters), 4);

    char list[24] = "";
    ASSERT_TRUE(zkr::textListAppend(list, sizeof list, "Text"));
    ASSERT_TRUE(zkr::textListAppend(list, sizeof list, "*.txt"));
    EXPECT_EQ(std::string(list, zkr::textListLength(list)), std::string("Text\0*.txt\0", 12));
    EXPECT_FALSE(zkr::textListAppend(list, sizeof list, "")); // would end the list early
    EXPECT_FALSE(zkr::textListAppend(list, sizeof list, "0123456789ab"));
    EXPECT_TRUE(zkr::textListAppend(list, sizeof list, "0123456789a")); // exactly fills the buffer
    EXPECT_EQ(zkr::textListLength(list), sizeof list);

    char tooSmall[sizeof filters - 1];
    EXPECT_FALSE(zkr::textListCopy(tooSmall, sizeof tooSmall, filters));
    EXPECT_EQ(zkr::textListCount(tooSmall), 0);
}
