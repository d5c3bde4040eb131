// The Plugin Manager opened by the user interface's request in the running program.

#include "engine_program/EngineProgramKit.h"
#include "support/Watchdog.h"

using namespace velmora::test;

TEST(PluginManagerProgram, TheUserInterfacesRequestOpensTheManagerModallyAndAnswersOne)
{
    Watchdog watchdog(std::chrono::seconds(30), "plugin manager program test");
    EngineProgram program;
    program.addEveryKind();
    program.setScript("request PluginManager\n");

    const ProgramResult result = program.run();
    ASSERT_FALSE(result.timedOut) << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(program.uiLog().find("request PluginManager -> 1"), std::string::npos) << program.uiLog();
    // Answered by its default button ("&Close") at once; its texts went to stderr.
    EXPECT_NE(result.err.find("Plugin Manager: "), std::string::npos) << result.err;
}
