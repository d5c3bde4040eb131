#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/Profile.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "api/Protocol.h"
#include "zkr/ErrorRecording.h"
#include "zkr/Registry.h"

namespace {

using velmora::test::readText;
using velmora::test::RecordingApplication;
using velmora::test::ScopedEnv;
using velmora::test::ShownError;
using velmora::test::TempFolder;
using velmora::test::writeText;

// A store as every deliverable sets it up: silent, adding missing keys.
class RegistryTest : public testing::Test {
protected:
    RegistryTest() { configure(store); }

    void configure(zkr::Registry& registry)
    {
        registry.setFileName(file.c_str());
        registry.silent = true;
        registry.createMissingKeys = true;
    }

    std::string value(const char* key, const char* fallback = "<none>")
    {
        char out[zkr::Registry::kValueSize];
        store.getString(key, fallback, out);
        return out;
    }

    RecordingApplication application;
    TempFolder folder;
    std::string file = folder.file("settings.ini");
    zkr::Registry store;
};

TEST_F(RegistryTest, BeforeAnySectionReadsGiveDefaultsAndWritesFailWithNotNow)
{
    EXPECT_EQ(value("MusicBufSize", "4096"), "4096");
    EXPECT_EQ(store.getInt("MusicBufSize", 4096), 4096);
    int x = 0;
    int y = 0;
    store.getPoint("MainWndPos", 7, 8, &x, &y);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    EXPECT_EQ(store.findKey("MusicBufSize"), -1);

    EXPECT_EQ(store.setString("k", "v"), toWire(engine::Error::NotNow));
    EXPECT_EQ(store.setInt("k", 1), toWire(engine::Error::NotNow));
    EXPECT_EQ(store.setPoint("k", 1, 2), toWire(engine::Error::NotNow));
    EXPECT_EQ(store.addEntry("k", "v"), toWire(engine::Error::NotNow));
    EXPECT_EQ(store.saveSection(), toWire(engine::Error::NotNow));
    EXPECT_EQ(store.lastError, toWire(engine::Error::NotNow));
    EXPECT_FALSE(plat::fileExists(file));
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(RegistryTest, AFailureOfAStoreThatIsNotSilentIsReported)
{
    store.silent = false;
    EXPECT_EQ(store.saveSection(), toWire(engine::Error::NotNow));
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{toWire(engine::Error::NotNow), "Registry"}}));
}

TEST_F(RegistryTest, ASectionIsReadFromTheFileOnlyOnce)
{
    ASSERT_TRUE(
        plat::writeProfileSection("Engine", "MusicBufSize=8192\0LastAudioOutput=Brolet.vwo\0", file.c_str()));
    ASSERT_EQ(store.selectSection("Engine", true), 0);
    EXPECT_EQ(store.getInt("MusicBufSize", 0), 8192);

    // Another program changes the file meanwhile.
    ASSERT_TRUE(plat::writeProfileSection("Engine", "MusicBufSize=1024\0", file.c_str()));
    ASSERT_EQ(store.selectSection("Other", true), 0);
    EXPECT_EQ(store.findKey("MusicBufSize"), -1);
    ASSERT_EQ(store.selectSection("Engine", true), 0);
    EXPECT_EQ(store.getInt("MusicBufSize", 0), 8192);
    EXPECT_EQ(value("LastAudioOutput"), "Brolet.vwo");
    EXPECT_EQ(store.sectionCount(), 2);

    // The store's section names are compared exactly.
    ASSERT_EQ(store.selectSection("ENGINE", true), 0);
    EXPECT_EQ(store.getInt("MusicBufSize", 0), 1024);
    EXPECT_EQ(store.sectionCount(), 3);
}

TEST_F(RegistryTest, WithoutLoadOrFileNameASectionStartsEmpty)
{
    ASSERT_TRUE(plat::writeProfileSection("Engine", "a=1\0", file.c_str()));
    ASSERT_EQ(store.selectSection("Engine", false), 0);
    EXPECT_EQ(store.currentSection->count, 0);
    EXPECT_EQ(store.currentSection->name, "Engine");

    zkr::Registry unnamed;
    unnamed.silent = true;
    ASSERT_EQ(unnamed.selectSection("Engine", true), 0);
    EXPECT_EQ(unnamed.currentSection->count, 0);
    EXPECT_EQ(unnamed.saveSection(), toWire(engine::Error::WriteFailed));
}

TEST_F(RegistryTest, NumbersAndPointsParseLikeTheirFormats)
{
    ASSERT_EQ(store.selectSection("Values", false), 0);
    const struct {
        const char* text;
        int x;
        int y;
    } points[] = {{"12,ab", -1, -2},
                  {"1,2,3", 1, 2},
                  {"0x10,010", 16, 8},
                  {"7", -1, -2},
                  {"-5,-6", -5, -6},
                  {" 3, 4", 3, 4},
                  {"3 ,4", -1, -2},
                  {"", -1, -2},
                  {"9,", -1, -2},
                  {"0X1f,-0x2", 31, -2},
                  {"99999999999,1", INT_MAX, 1}};
    for (const auto& point : points) {
        ASSERT_EQ(store.setString("Pos", point.text), 0);
        int x = 0;
        int y = 0;
        store.getPoint("Pos", -1, -2, &x, &y);
        EXPECT_EQ(x, point.x) << point.text;
        EXPECT_EQ(y, point.y) << point.text;
    }

    const struct {
        const char* text;
        int number;
    } ints[] = {{"42abc", 42},
                {"abc", 0},
                {"", 0},
                {"-17", -17},
                {" +8", 8},
                {"0x10", 0},
                {"010", 10},
                {"3000000000", INT_MAX},
                {"-3000000000", INT_MIN}};
    for (const auto& entry : ints) {
        ASSERT_EQ(store.setString("Number", entry.text), 0);
        EXPECT_EQ(store.getInt("Number", 77), entry.number) << entry.text;
    }
    EXPECT_EQ(store.getInt("Missing", 77), 77);

    ASSERT_EQ(store.setInt("Int", -12345), 0);
    EXPECT_EQ(value("Int"), "-12345");
    ASSERT_EQ(store.setPoint("Point", -3, 40), 0);
    EXPECT_EQ(value("Point"), "-3,40");
}

TEST_F(RegistryTest, ReadsLeaveTheLastErrorAlone)
{
    EXPECT_EQ(store.saveSection(), toWire(engine::Error::NotNow));
    char out[zkr::Registry::kValueSize];
    store.getString("a", "b", out);
    store.getInt("a", 1);
    int x = 0;
    int y = 0;
    store.getPoint("a", 1, 2, &x, &y);
    EXPECT_EQ(store.lastError, toWire(engine::Error::NotNow));

    // The default may be the output buffer itself.
    std::strcpy(out, "same");
    store.getString("missing", out, out);
    EXPECT_STREQ(out, "same");
}

TEST_F(RegistryTest, MissingKeysAreAddedOnlyWhenAllowed)
{
    ASSERT_EQ(store.selectSection("Keys", false), 0);
    store.createMissingKeys = false;
    EXPECT_EQ(store.setString("New", "1"), toWire(engine::Error::ElementNotFound));
    EXPECT_EQ(store.findKey("New"), -1);
    ASSERT_EQ(store.addEntry("New", "1"), 0);
    EXPECT_EQ(store.setString("New", "2"), 0);
    EXPECT_EQ(value("New"), "2");
    EXPECT_EQ(store.lastError, 0);

    store.createMissingKeys = true;
    EXPECT_EQ(store.setString("Other", "3"), 0);
    EXPECT_EQ(store.findKey("Other"), 1);
    // Keys are compared with case.
    EXPECT_EQ(store.findKey("other"), -1);
}

TEST_F(RegistryTest, OnlyTheFirstEqualsSignSeparatesKeyAndValue)
{
    writeText(file, "[Update]\nurl=http://host/get?a=b&c=d\n==skipped\nkey = spaced = value \n");
    ASSERT_EQ(store.selectSection("Update", true), 0);
    EXPECT_EQ(store.currentSection->count, 2);
    EXPECT_EQ(value("url"), "http://host/get?a=b&c=d");
    EXPECT_EQ(value("key"), "spaced = value");
}

TEST_F(RegistryTest, LongKeysAndValuesAreCutToTheirFields)
{
    const std::string longKey(40, 'K');
    const std::string longValue(300, 'v');
    writeText(file, "[Long]\n" + longKey + "=" + longValue + "\n");
    ASSERT_EQ(store.selectSection("Long", true), 0);
    ASSERT_EQ(store.currentSection->count, 1);
    const auto* entry = static_cast<zkr::Registry::Entry*>(store.currentSection->itemAt(0));
    EXPECT_EQ(std::string(entry->key), longKey.substr(0, 31));
    EXPECT_EQ(std::string(entry->value), longValue.substr(0, 255));

    // The same cut applies to look-ups and writes, so the key is found again.
    EXPECT_EQ(store.findKey(longKey.c_str()), 0);
    ASSERT_EQ(store.setString((longKey + "more").c_str(), (longValue + "x").c_str()), 0);
    EXPECT_EQ(store.currentSection->count, 1);
    ASSERT_EQ(store.addEntry(std::string(50, 'z').c_str(), longValue.c_str()), 0);
    entry = static_cast<zkr::Registry::Entry*>(store.currentSection->itemAt(1));
    EXPECT_EQ(std::string(entry->key), std::string(31, 'z'));
    EXPECT_EQ(std::string(entry->value), longValue.substr(0, 255));

    char huge[2 * zkr::Registry::kSectionNameSize];
    std::memset(huge, 'S', sizeof huge - 1);
    huge[sizeof huge - 1] = '\0';
    ASSERT_EQ(store.selectSection(huge, false), 0);
    EXPECT_EQ(store.currentSection->name.size(), static_cast<size_t>(zkr::Registry::kSectionNameSize - 1));
    ASSERT_EQ(store.selectSection(huge, false), 0);
    EXPECT_EQ(store.sectionCount(), 2);
}

TEST_F(RegistryTest, ALongSectionIsReadWholeAndNeverSavedCut)
{
    std::string text = "[Full]\n";
    for (int i = 0; i < 400; ++i)
        text += "k" + std::to_string(100 + i) + "=" + std::string(200, 'a' + i % 26) + "\n";
    writeText(file, text);
    ASSERT_EQ(store.selectSection("Full", true), 0);
    // Lines of 206 characters with their zeros: five times what a save takes.
    ASSERT_EQ(store.currentSection->count, 400);
    for (int i = 0; i < store.currentSection->count; ++i) {
        const auto* entry = static_cast<zkr::Registry::Entry*>(store.currentSection->itemAt(i));
        EXPECT_EQ(std::string(entry->value), std::string(200, 'a' + i % 26)) << i;
    }
    EXPECT_EQ(store.saveSection(), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(readText(file), text);
}

TEST_F(RegistryTest, SavingChecksTheSectionTextSize)
{
    ASSERT_EQ(store.selectSection("Big", false), 0);
    // 56 lines of 288 characters (key 31, '=', value 255, zero) and one of
    // 255 make 16383, which with the final zero fills 16384 exactly.
    for (int i = 0; i < 56; ++i) {
        std::string key = "key" + std::to_string(100 + i) + std::string(25, '_');
        ASSERT_EQ(key.size(), 31u);
        ASSERT_EQ(store.setString(key.c_str(), std::string(255, 'a' + i % 26).c_str()), 0);
    }
    ASSERT_EQ(store.setString("k56", std::string(250, 'z').c_str()), 0);
    ASSERT_EQ(store.saveSection(), 0);

    zkr::Registry reader;
    configure(reader);
    ASSERT_EQ(reader.selectSection("Big", true), 0);
    ASSERT_EQ(reader.currentSection->count, 57);
    char out[zkr::Registry::kValueSize];
    reader.getString("k56", "", out);
    EXPECT_EQ(std::string(out), std::string(250, 'z'));

    const std::string before = readText(file);
    ASSERT_EQ(store.setString("k56", std::string(251, 'z').c_str()), 0);
    EXPECT_EQ(store.saveSection(), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(store.lastError, toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(readText(file), before);
}

TEST_F(RegistryTest, SavingAnEmptySectionKeepsTheOthers)
{
    writeText(file, "[Velmora Fennet]\nChannels=4\n[Engine]\nold=1\nstale=2\n");
    ASSERT_EQ(store.selectSection("Engine", false), 0);
    ASSERT_EQ(store.saveSection(), 0);
    EXPECT_EQ(readText(file), "[Velmora Fennet]\nChannels=4\n[Engine]\n");

    ASSERT_EQ(store.setString("MusicBufSize", "4096"), 0);
    ASSERT_EQ(store.setString("Path", "/music/a=b.wav"), 0);
    ASSERT_EQ(store.saveSection(), 0);
    EXPECT_EQ(readText(file),
              "[Velmora Fennet]\nChannels=4\n[Engine]\nMusicBufSize=4096\nPath=/music/a=b.wav\n");
}

TEST_F(RegistryTest, AFileThatCannotBeWrittenGivesWriteFailed)
{
    store.setFileName(folder.file("no/such/folder/settings.ini").c_str());
    ASSERT_EQ(store.selectSection("Engine", true), 0);
    ASSERT_EQ(store.setInt("a", 1), 0);
    EXPECT_EQ(store.saveSection(), toWire(engine::Error::WriteFailed));
    EXPECT_EQ(store.lastError, toWire(engine::Error::WriteFailed));
    EXPECT_TRUE(application.shown.empty());
}

TEST(RegistryFile, RoundTripThroughTheConfigFolder)
{
    RecordingApplication application;
    TempFolder folder;
    ScopedEnv config("VELMORA_CONFIG_DIR", folder.file("config"));
    const std::string path = folder.file("config/velmoraaudioengine.ini");
    {
        zkr::Registry writer;
        writer.setFileName("velmoraaudioengine.ini");
        writer.silent = true;
        writer.createMissingKeys = true;
        ASSERT_EQ(writer.selectSection("Velmora Audio Engine v0.1b", true), 0);
        ASSERT_EQ(writer.setInt("MusicBufSize", 4096), 0);
        ASSERT_EQ(writer.setPoint("MainWndPos", -5, 20), 0);
        ASSERT_EQ(writer.setString("LastAudioInput1", "Tindle.vin"), 0);
        ASSERT_EQ(writer.saveSection(), 0);
        ASSERT_EQ(writer.selectSection("Velmora Fennet", true), 0);
        ASSERT_EQ(writer.setInt("bFileOutput", 1), 0);
        ASSERT_EQ(writer.saveSection(), 0);
        // Changed after the last save: deleting the store writes nothing.
        ASSERT_EQ(writer.setInt("bFileOutput", 0), 0);
        ASSERT_EQ(writer.selectSection("Velmora Audio Engine v0.1b", true), 0);
        ASSERT_EQ(writer.setInt("MusicBufSize", 2048), 0);
    }
    EXPECT_EQ(readText(path), "[Velmora Audio Engine v0.1b]\n"
                              "MusicBufSize=4096\n"
                              "MainWndPos=-5,20\n"
                              "LastAudioInput1=Tindle.vin\n"
                              "[Velmora Fennet]\n"
                              "bFileOutput=1\n");

    zkr::Registry reader;
    reader.setFileName("velmoraaudioengine.ini");
    reader.silent = true;
    ASSERT_EQ(reader.selectSection("Velmora Audio Engine v0.1b", true), 0);
    EXPECT_EQ(reader.getInt("MusicBufSize", 0), 4096);
    int x = 0;
    int y = 0;
    reader.getPoint("MainWndPos", 0, 0, &x, &y);
    EXPECT_EQ(x, -5);
    EXPECT_EQ(y, 20);
    char out[zkr::Registry::kValueSize];
    reader.getString("LastAudioInput1", "", out);
    EXPECT_STREQ(out, "Tindle.vin");
    ASSERT_EQ(reader.selectSection("Velmora Fennet", true), 0);
    EXPECT_EQ(reader.getInt("bFileOutput", 0), 1);
    EXPECT_TRUE(application.shown.empty());
}

} // namespace
