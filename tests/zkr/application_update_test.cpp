#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/Files.h"
#include "support/FileText.h"
#include "support/TempFolder.h"
#include "zkr/ApplicationUpdate.h"

namespace {

using velmora::test::TempFolder;
using velmora::test::writeText;

// Seconds since 1970 of a local time.
time_t localSeconds(int year, int month, int day, int hour = 0)
{
    tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_isdst = -1;
    return mktime(&fields);
}

uint64_t fileTimeOf(time_t seconds)
{
    return plat::fileTimeFromUnix(seconds, 0);
}

// Bytes this process has read so far (-1 where the system does not count them).
long long bytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string field;
    long long value = -1;
    io >> field >> value;
    return field == "rchar:" ? value : -1;
}

// The response headers the stored download begins with.
const std::string kHeaders = "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n"
                             "Content-Length: 999\r\nConnection: close\r\n\r\n";

class ApplicationUpdateTest : public testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(plugins); }

    // A plug-in file last written at a local time.
    void plugin(const std::string& name, time_t written)
    {
        const std::string path = plugins + "/" + name;
        writeText(path, "plug-in");
        const timespec times[2] = {{written, 0}, {written, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }

    bool evaluate(const std::string& description)
    {
        writeText(descriptionPath, description);
        return update.evaluate(descriptionPath.c_str(), plugins.c_str());
    }

    std::vector<std::string> entryNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < update.entries.count; ++i)
            names.push_back(static_cast<zkr::UpdateEntry*>(update.entries.itemAt(i))->fileName);
        return names;
    }

    std::vector<std::string> offered()
    {
        std::vector<std::string> lines;
        for (int i = 0; i < update.newerCount(); ++i)
            lines.push_back(zkr::ApplicationUpdate::offerLine(*update.newerAt(i)));
        return lines;
    }

    TempFolder folder;
    std::string plugins = folder.file("Plugins");
    std::string descriptionPath = folder.file("qomupdate.ini");
    zkr::ApplicationUpdate update;

    // The date every entry below names, and times either side of it.
    const time_t midnight = localSeconds(2026, 8, 9);
    const time_t dayBefore = localSeconds(2026, 8, 8, 12);
    const time_t dayAfter = localSeconds(2026, 8, 10, 12);
};

TEST_F(ApplicationUpdateTest, EntriesNeedNameDateAndUrlAndBorrowTheNameForAMissingTitle)
{
    for (const char* name : {"Echo.so", "NoUrl.so", "NoTitle.so", "NoDate.so", "BadDate.so", "Far.so"})
        plugin(name, dayBefore);
    const std::string longName(130, 'n');
    plugin(longName, dayBefore);

    ASSERT_TRUE(evaluate(kHeaders +
                         "[AUTO_UPDATE_SECTION]\r\nNumFiles=10\r\nFile1=Echo\r\nFile2=NoUrl\r\n"
                         "File3=\r\nFile4=NoTitle\r\nFile5=NoName\r\nFile6=NoDate\r\n"
                         "File7=BadDate\r\nFile8=LongName\r\nFile9=Unknown\r\n"
                         "[Echo]\r\nname=Echo.so\r\ntitle=Echo Chamber\r\ndate=08/09/2026\r\n"
                         "url=http://127.0.0.1/echo\r\n"
                         "[NoUrl]\r\nname=NoUrl.so\r\ntitle=No Url\r\ndate=08/09/2026\r\n"
                         "[NoTitle]\r\nname=NoTitle.so\r\ndate=08/09/2026\r\nurl=http://127.0.0.1/nt\r\n"
                         "[NoName]\r\ntitle=Nameless\r\ndate=08/09/2026\r\nurl=http://127.0.0.1/nn\r\n"
                         "[NoDate]\r\nname=NoDate.so\r\nurl=http://127.0.0.1/nd\r\n"
                         "[BadDate]\r\nname=BadDate.so\r\ndate=13/09/2026\r\nurl=http://127.0.0.1/bd\r\n"
                         "[LongName]\r\nname=" +
                         longName +
                         "\r\ndate=08/09/2026\r\nurl=http://127.0.0.1/ln\r\n"
                         // Listed in no FileN key: never read.
                         "[Far]\r\nname=Far.so\r\ndate=08/09/2026\r\nurl=http://127.0.0.1/far\r\n"));

    EXPECT_EQ(entryNames(), (std::vector<std::string>{"Echo.so", "NoTitle.so"}));
    EXPECT_EQ(offered(), (std::vector<std::string>{"Echo Chamber (Echo.so) => http://127.0.0.1/echo",
                                                   "NoTitle.so (NoTitle.so) => http://127.0.0.1/nt"}));
    const auto* echo = static_cast<zkr::UpdateEntry*>(update.entries.itemAt(0));
    EXPECT_STREQ(echo->dateText, "08/09/2026");
    // Packed fields are copied out: a reference to one may be misaligned.
    const uint64_t remoteTime = echo->remoteTime;
    const uint64_t localTime = echo->localTime;
    EXPECT_EQ(remoteTime, fileTimeOf(midnight));
    EXPECT_EQ(localTime, fileTimeOf(dayBefore));

    // A second evaluation starts afresh.
    ASSERT_TRUE(evaluate("[AUTO_UPDATE_SECTION]\nNumFiles=1\nFile1=Echo\n"
                         "[Echo]\nname=Echo.so\ndate=8/9/2026\nurl=http://127.0.0.1/echo\n"));
    EXPECT_EQ(entryNames(), std::vector<std::string>{"Echo.so"});
    EXPECT_EQ(update.newerCount(), 1);
    EXPECT_EQ(update.newerAt(1), nullptr);
}

TEST_F(ApplicationUpdateTest, OnlyInstalledFilesOlderThanTheirEntryAreOffered)
{
    plugin("older.so", dayBefore);
    plugin("decoders.so", dayBefore); // listed in capitals
    plugin("same.so", midnight);
    plugin("later.so", dayAfter);
    plugin("Other.so", dayBefore); // in no entry

    std::string description = kHeaders + "[AUTO_UPDATE_SECTION]\r\nNumFiles=5\r\n";
    const std::vector<std::string> names{"older.so", "DECODERS.SO", "same.so", "later.so", "absent.so"};
    for (std::size_t i = 0; i < names.size(); ++i)
        description += "File" + std::to_string(i + 1) + "=S" + std::to_string(i + 1) + "\r\n";
    for (std::size_t i = 0; i < names.size(); ++i)
        description += "[S" + std::to_string(i + 1) + "]\r\nname=" + names[i] +
                       "\r\ndate=08/09/2026\r\nurl=http://127.0.0.1/" + std::to_string(i + 1) + "\r\n";
    ASSERT_TRUE(evaluate(description));

    ASSERT_EQ(entryNames(), names);
    struct Expected {
        bool found;
        bool newer;
    };
    const std::vector<Expected> expected{
        {true, true}, {true, true}, {true, false}, {true, false}, {false, false}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto* entry = static_cast<zkr::UpdateEntry*>(update.entries.itemAt(static_cast<int>(i)));
        EXPECT_EQ(entry->found != 0, expected[i].found) << names[i];
        EXPECT_EQ(entry->newer != 0, expected[i].newer) << names[i];
    }
    EXPECT_EQ(update.newerCount(), 2);
    EXPECT_STREQ(update.newerAt(0)->fileName, "older.so");
    EXPECT_STREQ(update.newerAt(1)->fileName, "DECODERS.SO");
    EXPECT_EQ(update.newerAt(2), nullptr);
}

TEST_F(ApplicationUpdateTest, FileWithoutTheCountIsNoDescriptionAndShowsItsStatusLine)
{
    plugin("Echo.so", dayBefore);
    // The entry is complete, but without NumFiles nothing is read.
    const std::string notFound = "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n"
                                 "[AUTO_UPDATE_SECTION]\r\nFile1=Echo\r\n"
                                 "[Echo]\r\nname=Echo.so\r\ndate=08/09/2026\r\nurl=http://127.0.0.1/echo\r\n";
    ASSERT_TRUE(evaluate("[AUTO_UPDATE_SECTION]\nNumFiles=1\nFile1=Echo\n"
                         "[Echo]\nname=Echo.so\ndate=08/09/2026\nurl=http://127.0.0.1/echo\n"));
    ASSERT_EQ(update.entries.count, 1);

    EXPECT_FALSE(evaluate(notFound));
    EXPECT_EQ(update.entries.count, 0);
    EXPECT_EQ(update.newerCount(), 0);
    EXPECT_EQ(zkr::ApplicationUpdate::firstLine(descriptionPath.c_str()), "HTTP/1.0 404 Not Found");

    EXPECT_FALSE(update.evaluate(folder.file("never-downloaded.ini").c_str(), plugins.c_str()));
    EXPECT_EQ(zkr::ApplicationUpdate::firstLine(folder.file("never-downloaded.ini").c_str()), "");
}

TEST_F(ApplicationUpdateTest, AHugeDescriptionIsReadAsAWholeAndOnlyItsFirstEntriesCount)
{
    plugin("p1.so", dayBefore);
    const int listed = zkr::ApplicationUpdate::kMostFiles + 500;
    std::string text = "[AUTO_UPDATE_SECTION]\nNumFiles=" + std::to_string(listed) + "\n", sections;
    for (int i = 1; i <= listed; ++i) {
        const std::string n = std::to_string(i);
        text += "File" + n + "=S" + n + "\n";
        sections += "[S" + n + "]\nname=p" + n +
                    ".so\ndate=08/09/2026\nurl=http://127.0.0.1/\nnote=" + std::string(600, 'x') + "\n";
    }
    const long long before = bytesRead();
    ASSERT_TRUE(evaluate(text + sections));
    // Not a reading of the whole file per section.
    EXPECT_TRUE(before < 0 || bytesRead() - before < 4 * static_cast<long long>((text + sections).size()));
    EXPECT_EQ(update.entries.count, zkr::ApplicationUpdate::kMostFiles);
    EXPECT_EQ(offered(), std::vector<std::string>{"p1.so (p1.so) => http://127.0.0.1/"});
}

TEST_F(ApplicationUpdateTest, FirstLineStopsAtTheLineEndOrTheBufferSize)
{
    writeText(descriptionPath, "HTTP/1.1 503 Service Unavailable\nRetry-After: 5\n");
    EXPECT_EQ(zkr::ApplicationUpdate::firstLine(descriptionPath.c_str()), "HTTP/1.1 503 Service Unavailable");

    writeText(descriptionPath, std::string(400, 'x') + "\r\n");
    EXPECT_EQ(zkr::ApplicationUpdate::firstLine(descriptionPath.c_str()),
              std::string(zkr::ApplicationUpdate::kFirstLineSize - 1, 'x'));
}

TEST_F(ApplicationUpdateTest, DatesAreDecimalMonthDayYearAtLocalMidnight)
{
    uint64_t fileTime = 0;
    // Leading zeros are decimal, not octal: "08" and "09" are August and the 9th.
    ASSERT_TRUE(zkr::ApplicationUpdate::parseDate("08/09/2026", fileTime));
    EXPECT_EQ(fileTime, fileTimeOf(midnight));
    ASSERT_TRUE(zkr::ApplicationUpdate::parseDate("010/010/2026", fileTime));
    EXPECT_EQ(fileTime, fileTimeOf(localSeconds(2026, 10, 10)));
    ASSERT_TRUE(zkr::ApplicationUpdate::parseDate("2/29/2028", fileTime));
    EXPECT_EQ(fileTime, fileTimeOf(localSeconds(2028, 2, 29)));

    for (const char* invalid : {"", "08/09", "13/01/2026", "00/10/2026", "02/29/2027", "04/31/2026",
                                "1/1/1600", "aa/bb/cccc", "2026-08-09"})
        EXPECT_FALSE(zkr::ApplicationUpdate::parseDate(invalid, fileTime)) << '"' << invalid << '"';
}

} // namespace
