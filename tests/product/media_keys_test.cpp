// The desktop's media keys and now-playing panel: the real program with the
// media player, driven over a session bus of the test's own by playerctl, a
// client no one here wrote, as a desktop's media keys drive it.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine_program/EngineProgramKit.h"
#include "platform/core/Module.h"
#include "platform/ui/MessageQueue.h"
#include "plugins/plevnt/PlevntModel.h"
#include "plugins/plevnt/PlevntWindow.h"
#include "support/Ffmpeg.h"
#include "support/FileText.h"
#include "support/ProgramRun.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

[[maybe_unused]] const bool kHeadless = [] {
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    return true;
}();

// What a shell command prints, without its last line break; empty when it fails.
std::string outputOf(const std::string& command)
{
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, got);
        if (pclose(pipe) != 0)
            text.clear();
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string playerctl(const std::string& arguments)
{
    return outputOf("playerctl -p velmora " + arguments + " 2>/dev/null");
}

// A child program (the bus, a following client) ended with the test, or earlier.
class Child {
public:
    Child(const std::string& program, std::vector<std::string> arguments, const std::string& out)
        : pid_(spawnProgram(outputOf("command -v " + program), std::move(arguments), environmentWith({}), out,
                            "/dev/null"))
    {
    }
    ~Child() { end(); }
    void end()
    {
        if (pid_ > 0 && kill(pid_, SIGTERM) == 0)
            (void)waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_;
};

class MediaKeysTest : public ::testing::Test {
protected:
    MediaKeysTest()
    {
        const fs::path plugins = plat::programFolder() + "/Plugins";
        fs::remove_all(plugins);
        fs::copy(std::string(VELMORA_OUT_DIR) + "/Plugins", plugins, fs::copy_options::recursive);
    }

    // A wave file of ffmpeg's with the tags given.
    std::string tagged(const std::string& title, const std::string& artist, int seconds)
    {
        const std::string path = files.file(title + ".wav");
        EXPECT_TRUE(ffmpegMake(
            path, "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds),
            "-ac 1 -metadata title=" + title + " -metadata artist=" + artist));
        return path;
    }

    Watchdog watchdog{100s, "media keys test"};
    TempFolder config;
    TempFolder files;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
};

TEST_F(MediaKeysTest, PlayerctlDrivesThePlayersThroughACrossFadeAndASecondEngineNeverTakesTheName)
{
    if (outputOf("command -v playerctl").empty() || outputOf("command -v dbus-daemon").empty())
        GTEST_SKIP() << "playerctl and dbus-daemon are needed: apt-get install playerctl dbus";
    // Player 1 plays two files, player 2 takes over with a third in the cross-fade.
    const std::string plugins = plat::programFolder() + "/Plugins/";
    writeText(plugins + "plevnt1.m3u", tagged("Alpha", "Ann", 14) + "\n" + tagged("Beta", "Bob", 14) + "\n");
    writeText(plugins + "plevnt2.m3u", tagged("Gamma", "Gil", 14) + "\n");

    Child bus("dbus-daemon", {"dbus-daemon", "--session", "--print-address", "--nofork"}, files.file("bus"));
    std::string address;
    ASSERT_TRUE(eventually(
        [&] { return !(address = readText(files.file("bus"))).empty() && address.back() == '\n'; }));
    address.pop_back();
    ScopedEnv session{"DBUS_SESSION_BUS_ADDRESS", address};

    ProgramRun run;
    const plat::ui::WindowHandle players = plat::ui::findWindow(nullptr, plevnt::PlevntWindow::kTitle);
    ASSERT_NE(players, nullptr);
    ASSERT_TRUE(eventually([] { return playerctl("status") == "Stopped"; }, 10s)) << "no player on the bus";
    EXPECT_NE(playerctl("metadata mpris:trackid").find("/TrackList/NoTrack"), std::string::npos);
    // The menu's AutoCrossFade, as the user switches it on.
    ASSERT_TRUE(plat::ui::postMessage(players, plevnt::PlevntWindow::kCommandMessage,
                                      plevnt::PlevntWindow::kCrossFadeCommand, 0));

    const auto shows = [](const std::string& arguments, const std::string& expected) {
        return eventually([&] { return playerctl(arguments) == expected; }, 10s);
    };
    playerctl("play");
    EXPECT_TRUE(shows("status", "Playing"));
    EXPECT_TRUE(shows("metadata --format '{{title}}|{{artist}}|{{xesam:url}}'",
                      "Alpha|Ann|file://" + files.file("Alpha.wav")));
    EXPECT_TRUE(shows("metadata mpris:length", "14000000"));
    playerctl("pause");
    EXPECT_TRUE(shows("status", "Paused"));
    playerctl("play");
    EXPECT_TRUE(shows("status", "Playing"));
    playerctl("next");
    EXPECT_TRUE(shows("metadata --format '{{title}}|{{artist}}'", "Beta|Bob"));

    // Seeking near Beta's end brings the cross-fade to player 2's Gamma.
    Child follow("playerctl", {"playerctl", "-p", "velmora", "--follow", "metadata", "title"},
                 files.file("follow"));
    ASSERT_TRUE(eventually([&] { return readText(files.file("follow")).find("Beta") != std::string::npos; }));
    playerctl("position 10");
    const std::string seconds = playerctl("position");
    EXPECT_GE(seconds.empty() ? 0.0 : std::stod(seconds), 10.0) << seconds;
    EXPECT_TRUE(
        eventually([&] { return readText(files.file("follow")).find("Gamma") != std::string::npos; }, 15s))
        << readText(files.file("follow"));
    EXPECT_TRUE(shows("status", "Playing"));

    // Two more engines on the bus: the first of them finds the name taken
    // and leaves it, the second hands over to it. One name, still ours.
    EngineProgram others;
    fs::copy(std::string(VELMORA_OUT_DIR) + "/Plugins", others.pluginsFolder(), fs::copy_options::recursive);
    auto first = others.start({}, "first");
    ASSERT_TRUE(others.waitForRuntimeFile(".sock", 10s));
    // Once the first has its window, to which the second hands its command line.
    EXPECT_TRUE(eventually([&] { return others.start({}, "second")->finish(10s).exitCode == 0; }, 20s));
    EXPECT_TRUE(staysFalse([] { return outputOf("playerctl -l | grep -c velmora") != "1"; }, 3s))
        << outputOf("playerctl -l");
    EXPECT_EQ(playerctl("metadata title"), "Gamma");
    (void)first->finish(0ms);

    // The bus goes away while Gamma plays: the player goes on, its stop
    // buttons end both decks, and the program ends as always.
    follow.end();
    bus.end();
    for (int player = 0; player < plevnt::kPlayerCount; ++player)
        EXPECT_TRUE(plat::ui::postMessage(players, plevnt::PlevntWindow::kControlMessage,
                                          plevnt::PlevntWindow::kStopId + player, 0));
    // With every stream ended the engine stops streaming, and then takes the quit.
    EXPECT_TRUE(eventually([&] { return !EngineSeam::streaming(run.engine).load(); }, 10s));
    EXPECT_TRUE(run.quit());
    EXPECT_TRUE(run.engine.errors().empty());
}

} // namespace
} // namespace velmora::test
