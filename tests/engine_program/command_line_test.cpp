// Files named on the command line reach the engine as one absolute path in double quotes.
#include "engine_program/EngineProgramKit.h"
#include "support/Watchdog.h"

using namespace velmora::test;

TEST(CommandLine, PlainFilePathsAreHandedOverQuotedAndAbsoluteOtherTextAsGiven)
{
    Watchdog watchdog(std::chrono::seconds(60), "command line test");
    EngineProgram program;
    program.addEveryKind();
    program.setScript("waitfor copydata end\nsleep 50\nquit\n");
    TempFolder files;
    const std::string spaced = files.file("first song.mp3"), second = files.file("second.wav");
    writeText(spaced, "");
    writeText(second, "");
    auto first = program.start({}, "first");
    ASSERT_TRUE(program.waitForLog("window of", std::chrono::seconds(10))) << first->finish({}).err;
    // As a desktop's %F gives them, typed in another folder, several, quoted already, no file.
    using Arguments = std::vector<std::string>;
    for (const Arguments& arguments :
         {Arguments{spaced}, Arguments{std::filesystem::relative(second)}, Arguments{second, spaced},
          Arguments{"\"/no/such file.mp3\""}, Arguments{"end"}})
        EXPECT_EQ(program.start(arguments, "second")->finish(std::chrono::seconds(10)).exitCode, 0);
    EXPECT_EQ(first->finish(std::chrono::seconds(10)).exitCode, 0);

    std::string handed;
    const std::string log = program.uiLog();
    for (size_t at = log.find("copydata "); at != std::string::npos; at = log.find("copydata ", at + 1))
        handed += log.substr(at + 9, log.find('\n', at) - at - 8);
    EXPECT_EQ(handed,
              "\"" + spaced + "\"\n\"" + second + "\"\n\"" + second + "\"\n\"/no/such file.mp3\"\nend\n");
}
