// A second start hands its command line to the running program and ends.

#include "engine_program/EngineProgramKit.h"
#include "support/Watchdog.h"

using namespace velmora::test;

namespace {

TEST(SecondStart, HandsItsCommandLineToTheFirstProgramsWindowAndEndsWithZero)
{
    Watchdog watchdog(std::chrono::seconds(40), "second start test");
    EngineProgram program;
    program.addEveryKind();
    program.setScript("waitfor copydata\nsleep 50\nquit\n");

    auto first = program.start({}, "first");
    ASSERT_TRUE(program.waitForLog("window of", std::chrono::seconds(10))) << first->finish({}).err;

    const ProgramResult second = program.start({"song.wav"}, "second")->finish(std::chrono::seconds(10));
    const ProgramResult firstResult = first->finish(std::chrono::seconds(10));

    ASSERT_FALSE(second.timedOut) << second.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    ASSERT_FALSE(firstResult.timedOut) << firstResult.err;
    EXPECT_EQ(firstResult.exitCode, 0) << firstResult.err;
    const std::string log = program.uiLog();
    EXPECT_NE(log.find("copydata song.wav\n"), std::string::npos) << log;
    // The window hands the text on to the engine, which takes it.
    EXPECT_TRUE(inOrder(log, "copydata song.wav", "request CommandString -> 1")) << log;
    EXPECT_EQ(log.find("waitfor timed out"), std::string::npos) << log;
}

TEST(SecondStart, AfterTheFirstEndedTheProgramStartsAgainAsTheOnlyOne)
{
    Watchdog watchdog(std::chrono::seconds(40), "start after end test");
    EngineProgram program;
    program.addEveryKind();

    const ProgramResult first = program.run();
    const ProgramResult second = program.run();

    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(program.uiLog().find("window of"), std::string::npos) << "the second run made its window";
}

TEST(SecondStart, WithoutAWindowOfTheRunningProgramItSaysTheProgramRunsOnce)
{
    Watchdog watchdog(std::chrono::seconds(40), "second start without window test");
    EngineProgram program;
    // This user interface opens no window, so the first program runs on
    // without a window to hand anything to.
    program.addPlugin("good_ui.vui");
    program.addPlugin("good_input.vin");
    program.addPlugin("good_output.vwo");
    program.addPlugin("good_effect.vfx");

    auto first = program.start({}, "first");
    ASSERT_TRUE(program.waitForRuntimeFile(".sock", std::chrono::seconds(10))) << first->finish({}).err;

    const ProgramResult second = program.start({"song.wav"}, "second")->finish(std::chrono::seconds(10));
    const ProgramResult firstResult = first->finish(std::chrono::milliseconds(0));

    ASSERT_FALSE(second.timedOut) << second.err;
    EXPECT_EQ(second.exitCode, 1) << "a hand-over that failed is a failure\n" << second.err;
    EXPECT_NE(second.err.find("Velmora Audio Engine just runs once"), std::string::npos) << second.err;
    EXPECT_TRUE(firstResult.timedOut) << "the first program still ran\n" << firstResult.err;
}

} // namespace
