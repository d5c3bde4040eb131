// Events and requests of the user interface against the running program.

#include "engine_program/EngineProgramKit.h"
#include "support/Watchdog.h"

using namespace velmora::test;

namespace {

class EventLoop : public ::testing::Test {
protected:
    Watchdog watchdog_{std::chrono::seconds(30), "event loop test"};
    EngineProgram program_;

    // Pattern input and recording output restored, the output holding its
    // first block until it is stopped, so streaming runs until the stop event.
    void prepareStreaming()
    {
        program_.addPlugin(kScriptedUi);
        program_.addPlugin("pattern_input.vin");
        program_.addPlugin("recording_output.vwo");
        program_.addPlugin("good_effect.vfx");
        program_.writeSettings(
            std::string("[") + kEngineSection +
            "]\nLastAudioInput1=pattern_input.vin\nLastAudioOutput=recording_output.vwo\n");
    }
};

TEST_F(EventLoop, QuitIsRefusedWhileStreamingAndAcceptedAfterTheStop)
{
    prepareStreaming();
    program_.setScript("request Restore\n"
                       "testoutput recording_output.vwo 1 1 -1 0 1\n"
                       "event StartStreaming 1\n"
                       "waitfor general 0 Streaming 1\n"
                       "event Quit 1\n"
                       "event StopStreaming 1\n"
                       "waitfor general 0 Streaming 0\n"
                       "event Quit 1\n");

    const std::string log = program_.runToQuit();
    ASSERT_NE(log.find("testoutput recording_output.vwo scripted"), std::string::npos) << log;
    EXPECT_NE(log.find("general 0 OutputName Recorder|"), std::string::npos) << log;
    EXPECT_NE(log.find("event StartStreaming -> 1"), std::string::npos) << log;
    EXPECT_TRUE(inOrder(log, "event Quit -> 0", "event StopStreaming -> 1")) << log;
    EXPECT_TRUE(inOrder(log, "event StopStreaming -> 1", "event Quit -> 1")) << log;
    EXPECT_EQ(log.find("waitfor timed out"), std::string::npos) << log;
    EXPECT_EQ(log.find("quit ->"), std::string::npos) << "the script's own quit ended the program\n" << log;
}

TEST_F(EventLoop, AnEventPostedWithoutWaitingAnswersOneEvenWhenItIsRefused)
{
    prepareStreaming();
    program_.setScript("request Restore\n"
                       "testoutput recording_output.vwo 1 1 -1 0 1\n"
                       "event 99 0\n"
                       "event StartStreaming 1\n"
                       "waitfor general 0 Streaming 1\n"
                       "event Quit 0\n"
                       "sleep 100\n"
                       "event Quit 1\n"
                       "event StopStreaming 1\n");

    const std::string log = program_.runToQuit();
    EXPECT_NE(log.find("event 99 -> 1"), std::string::npos) << log;
    // The quit posted without waiting was answered 1 yet refused: the
    // program still ran and refused the next one too.
    EXPECT_TRUE(inOrder(log, "event Quit -> 1", "event Quit -> 0")) << log;
    // The accepted quit ends the process, so its answer may never reach the
    // log: the exit code 0 above says it was accepted.
}

TEST_F(EventLoop, AnUnknownEventWithWaitIsAcceptedAndDoesNothing)
{
    program_.addEveryKind();
    program_.setScript("event 42 1 7 1 0 2 1\n");

    program_.runToQuit();
    EXPECT_NE(program_.uiLog().find("event 42 -> 1"), std::string::npos) << program_.uiLog();
}

TEST_F(EventLoop, TheInterfaceVersionRequestAnswersTheVersion)
{
    program_.addEveryKind();
    program_.setScript("request InterfaceVersion\nrequest 99\n");

    const std::string log = program_.runToQuit();
    EXPECT_NE(log.find("request InterfaceVersion -> 257\n"), std::string::npos) << log;
    EXPECT_NE(log.find("request 99 -> 0\n"), std::string::npos) << log;
}

TEST_F(EventLoop, UnloadRequestsForTheUserInterfaceOrNoPlugInAreRefused)
{
    program_.addEveryKind();
    program_.setScript("request UnloadMe self\nrequest UnloadMe 0\n");

    const std::string log = program_.runToQuit();
    EXPECT_EQ(log.find("request UnloadMe -> 1"), std::string::npos) << log;
    EXPECT_NE(log.find("request UnloadMe -> 0\nrequest UnloadMe -> 0\n"), std::string::npos) << log;
}

} // namespace
