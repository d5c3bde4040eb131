// Which user interface the program takes when the Plugins folder offers several.

#include "engine_program/EngineProgramKit.h"
#include "support/Watchdog.h"

using namespace velmora::test;

namespace {

class UserInterfaceChoice : public ::testing::Test {
protected:
    Watchdog watchdog_{std::chrono::seconds(30), "user interface choice test"};
    EngineProgram program_;
};

TEST_F(UserInterfaceChoice, TheFirstValidFileInByteOrderIsUsedAndTheOthersNever)
{
    program_.addPlugin("good_input.vin");
    program_.addPlugin("good_output.vwo");
    program_.addPlugin("good_effect.vfx");
    // Byte order: digits, then capitals, then small letters.
    program_.addPlugin("not_a_plugin.vin", "0_broken.vui");
    program_.addPlugin("good_output.vwo", "1_output.vui");
    program_.addPlugin(kScriptedUi, "a_second.vui");
    program_.addPlugin(kScriptedUi, "Z_first.vui");

    const std::string log = program_.runToQuit();
    EXPECT_NE(log.find("window of Z_first.vui"), std::string::npos) << log;
    EXPECT_EQ(log.find("a_second.vui"), std::string::npos) << log;
}

TEST_F(UserInterfaceChoice, AnInputWithTheExtensionOfAnOutputIsNoOutput)
{
    program_.addPlugin(kScriptedUi);
    program_.addPlugin("good_input.vin");
    program_.addPlugin("good_effect.vfx");
    program_.addPlugin("good_input.vin", "input_named_output.vwo");
    // The output list is empty but not missing: discovery still succeeds,
    // and a stored output of that file name finds nothing to restore.
    program_.writeSettings(std::string("[") + kEngineSection + "]\nLastAudioOutput=input_named_output.vwo\n");
    program_.setScript("request Restore\n");

    const std::string log = program_.runToQuit();
    EXPECT_NE(log.find("request Restore -> 1"), std::string::npos) << log;
    EXPECT_EQ(log.find("general 0 OutputName"), std::string::npos) << log;
}

} // namespace
