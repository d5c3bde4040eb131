// A program that cannot start says why on its way out and ends with 1.

#include "engine_program/EngineProgramKit.h"
#include "support/Watchdog.h"

using namespace velmora::test;

namespace {

constexpr char kBadInitialization[] = "Application cannot run because of bad initialization!";

class StartupFailure : public ::testing::Test {
protected:
    // Runs the program and expects it to end with 1 after showing cause and
    // then the bad initialisation; answers what it wrote to stderr.
    std::string expectFailedStart(const char* cause)
    {
        const ProgramResult result = program_.run();
        EXPECT_FALSE(result.timedOut) << result.err;
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_TRUE(inOrder(result.err, cause, kBadInitialization)) << result.err;
        return result.err;
    }

    Watchdog watchdog_{std::chrono::seconds(30), "startup failure test"};
    EngineProgram program_;
};

TEST_F(StartupFailure, WithoutAnInputThePluginErrorComesBeforeTheBadInitialization)
{
    program_.addPlugin(kScriptedUi);
    program_.addPlugin("good_output.vwo");
    program_.addPlugin("good_effect.vfx");

    expectFailedStart("No Audio Input found for application!");
    // The user interface was found but never made its window.
    EXPECT_EQ(program_.uiLog().find("window of"), std::string::npos);
}

TEST_F(StartupFailure, WithoutAUserInterfaceItsErrorComesBeforeTheBadInitialization)
{
    program_.addPlugin("good_input.vin");
    program_.addPlugin("good_output.vwo");
    program_.addPlugin("good_effect.vfx");

    const std::string err = expectFailedStart("No User Interface found for application!");
    EXPECT_EQ(err.find("No Audio Input found"), std::string::npos)
        << "discovery goes on after a missing kind";
}

TEST_F(StartupFailure, OnlyInvalidUserInterfacesEndTheStartWithoutAUserInterface)
{
    program_.addPlugin("not_a_plugin.vin", "broken.vui");
    program_.addPlugin("good_input.vin", "input_named_ui.vui");
    program_.addPlugin("good_input.vin");
    program_.addPlugin("good_output.vwo");
    program_.addPlugin("good_effect.vfx");

    expectFailedStart("No User Interface found for application!");
}

TEST_F(StartupFailure, WithoutTheSharedServicesLibraryTheProgramSaysSoAndEnds)
{
    program_.addEveryKind();
    program_.removeFromProgramFolder("ZKRShared.so");

    const ProgramResult result = program_.run();

    ASSERT_FALSE(result.timedOut) << result.err;
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("ZKR Shared Library "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(" not found."), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("cannot run without this file!"), std::string::npos) << result.err;
    EXPECT_EQ(program_.uiLog().find("window of"), std::string::npos);
}

} // namespace
