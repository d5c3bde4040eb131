// The inputs and output of the last run: restored on request, written at exit
// together with the buffer sizes.

#include <algorithm>

#include "engine_program/EngineProgramKit.h"
#include "support/Watchdog.h"

using namespace velmora::test;

namespace {

class Selection : public ::testing::Test {
protected:
    Watchdog watchdog_{std::chrono::seconds(30), "selection test"};
    EngineProgram program_;

    void storeSettings(const std::string& keys)
    {
        program_.writeSettings(std::string("[") + kEngineSection + "]\n" + keys);
    }
};

TEST_F(Selection, WithoutASettingsFileTheDefaultsAndEmptySlotsAreWrittenInOrderAtExit)
{
    program_.addEveryKind();

    program_.runToQuit();
    const std::vector<std::string> expected{
        "MusicBufSize=4096", "NumOutBufs=12",    "DiskBufSize=65536", "LastAudioInput1=", "LastAudioInput2=",
        "LastAudioOutput=",  "LastRealtimeFX1=", "LastRealtimeFX2=",  "LastRealtimeFX3=", "LastRealtimeFX4=",
    };
    EXPECT_EQ(sectionLines(program_.settings(), kEngineSection), expected) << program_.settings();
}

TEST_F(Selection, AStoredNameMatchesTheFileWithoutRegardToCase)
{
    program_.addEveryKind();
    storeSettings("LastAudioInput1=GOOD_INPUT.VIN\nLastAudioOutput=Good_Output.vwo\n");
    program_.setScript("request Restore\n");

    const std::string log = program_.runToQuit();
    EXPECT_NE(log.find("general 0 InputName GoodIn|Velmora Binding Test GoodIn\n"), std::string::npos) << log;
    EXPECT_NE(log.find("general 0 OutputName GoodOut|Velmora Binding Test GoodOut\n"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("general 1 InputName"), std::string::npos) << "input slot 2 stays empty\n" << log;
    EXPECT_NE(log.find("request Restore -> 1"), std::string::npos) << log;
    // At exit the slots name the files as they are in the folder.
    const std::vector<std::string> lines = sectionLines(program_.settings(), kEngineSection);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "LastAudioInput1=good_input.vin"), lines.end())
        << program_.settings();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "LastAudioOutput=good_output.vwo"), lines.end())
        << program_.settings();
}

TEST_F(Selection, ANameThatMatchesNoFileLeavesTheSlotEmptyWithoutAMessage)
{
    program_.addEveryKind();
    storeSettings("LastAudioInput2=gone.vin\nLastAudioOutput=good_output\n");
    program_.setScript("request Restore\n");

    const std::string log = program_.runToQuit();
    EXPECT_NE(log.find("request Restore -> 1"), std::string::npos) << log;
    EXPECT_EQ(log.find("general 1 InputName"), std::string::npos) << log;
    EXPECT_EQ(log.find("general 0 OutputName"), std::string::npos) << log;
    const std::vector<std::string> lines = sectionLines(program_.settings(), kEngineSection);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "LastAudioInput2="), lines.end()) << program_.settings();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "LastAudioOutput="), lines.end()) << program_.settings();
}

TEST_F(Selection, StoredBufferSizesAreUsedAsReadAndWrittenBackUnchanged)
{
    program_.addEveryKind();
    storeSettings("MusicBufSize=5000\nNumOutBufs=3\nDiskBufSize=32768\n");

    program_.runToQuit();
    const std::vector<std::string> lines = sectionLines(program_.settings(), kEngineSection);
    ASSERT_GE(lines.size(), 3u) << program_.settings();
    EXPECT_EQ(lines[0], "MusicBufSize=5000");
    EXPECT_EQ(lines[1], "NumOutBufs=3");
    EXPECT_EQ(lines[2], "DiskBufSize=32768");
}

} // namespace
