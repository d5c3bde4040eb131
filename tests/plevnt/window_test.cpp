// The media player's window in the real engine: the playlists it shows, the
// transport driven by clicks, files and folders dropped into a playlist, the
// sizes and the switches of its menu, finding an entry, and its settings on
// the user's close.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "api/Protocol.h"
#include "platform/ui/Window.h"
#include "platform/ui/headless/Headless.h"
#include "plevnt/PlevntEngineKit.h"
#include "plugins/plevnt/Layout.h"
#include "plugins/plevnt/PlayerControls.h"
#include "plugins/plevnt/PlevntWindow.h"
#include "support/EngineTestSeam.h"
#include "support/Ffmpeg.h"
#include "api/Protocol.h"
#include "zkr/NameField.h"

namespace velmora::test {
namespace {

namespace headless = plat::ui::headless;
using plevnt::PlevntWindow;

class PlevntWindowTest : public PlevntEngineTest {
protected:
    PlevntWindow& window() { return *plevnt::plugin()->window; }
    plat::ui::WindowHandle handle() { return window().window; }

    void clickAt(const plevnt::Box& box, int player = 0)
    {
        const plevnt::Box at = plevnt::ofPlayer(box, player);
        headless::click(handle(), at.x + at.width / 2, at.y + at.height / 2);
    }
    // What the window's thread shows of a player, read there.
    struct Shown {
        std::string title, time, info;
        std::vector<std::string> rows;
        int current = -1, selected = -1;
        bool playlistVisible = false, infoVisible = false;
    };
    Shown shown(int player)
    {
        Shown out;
        onWindowThread([&] {
            out.title = window().titleField(player)->name;
            out.time = window().timeDisplay(player)->text();
            out.info = window().infoView(player)->text();
            for (const auto& row : window().playlistView(player)->rows())
                out.rows.push_back(row.name + (row.time.empty() ? "" : " " + row.time));
            out.current = window().playlistView(player)->current();
            out.selected = window().playlistView(player)->selected();
            out.playlistVisible = window().playlistView(player)->visible;
            out.infoVisible = window().infoView(player)->visible;
            return 0;
        });
        return out;
    }
    int windowHeight()
    {
        plat::ui::Rect bounds;
        EXPECT_TRUE(plat::ui::windowRect(handle(), bounds));
        return bounds.height();
    }
    void command(int command, int player = 0)
    {
        onWindowThread([&] {
            window().runCommand(command, player);
            return 0;
        });
    }
};

TEST_F(PlevntWindowTest, ShowsAndDrivesBothPlayersAndKeepsItsViewOnClose)
{
    const std::string song = files.file("song.mp3");
    const std::string voice = files.file("voice.wav");
    ASSERT_TRUE(ffmpegMake(
        song, "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=20",
        "-ac 2 -c:a libmp3lame -b:a 128k -metadata title=Lanterns -metadata artist='Ada Brenner'"));
    ASSERT_TRUE(ffmpegMake(voice, "-f lavfi -i sine=frequency=300:sample_rate=44100:duration=2", "-ac 1"));
    const std::string more = files.file("more");
    std::filesystem::create_directory(more);
    ASSERT_TRUE(
        ffmpegMake(more + "/b.flac", "-f lavfi -i sine=frequency=500:sample_rate=44100:duration=1", "-ac 1"));
    ASSERT_TRUE(ffmpegMake(more + "/a.ogg", "-f lavfi -i sine=frequency=600:sample_rate=44100:duration=1",
                           "-ac 1 -c:a libvorbis"));
    writeText(more + "/readme.txt", "not audio");
    writeText(plevnt::PlevntPlugin::playlistPath(1), song + "\n" + voice + "\n");
    start();

    // The window as the engine made it: its class and title, the medium size
    // by default, the first playlist from its file with nothing known yet.
    EXPECT_EQ(plat::ui::windowTitle(handle()), "PlevNT Input Module");
    EXPECT_EQ(plat::ui::windowClassName(handle()), "PlevNT");
    EXPECT_EQ(windowHeight(), plevnt::kMediumHeight);
    Shown first = shown(0);
    EXPECT_EQ(first.rows, (std::vector<std::string>{"song.mp3", "voice.wav"}));
    EXPECT_EQ(first.title, "player 1: no file");
    EXPECT_EQ(first.time, "00:00:00");
    EXPECT_TRUE(first.playlistVisible);
    EXPECT_FALSE(first.infoVisible);

    // A double click plays the entry: its tags name it, the information
    // view and the time follow the stream.
    const plevnt::Box list = plevnt::kPlaylistView;
    headless::doubleClick(handle(), list.x + 60, list.y + 2 + plevnt::kPlaylistRowHeight / 2);
    ASSERT_TRUE(eventually([&] { return player(0).state() == plevnt::kStatePlaying; }));
    ASSERT_TRUE(eventually([&] { return shown(0).time != "00:00:00"; }, 10s));
    first = shown(0);
    EXPECT_EQ(first.title, "Ada Brenner / Lanterns");
    EXPECT_EQ(first.rows.front(), "Ada Brenner / Lanterns 00:00:20");
    EXPECT_EQ(first.current, 0);
    EXPECT_EQ(first.info.rfind("MPEG 1 Layer 3\n44100Hz\nJointStereo\n128kbps", 0), 0u) << first.info;

    // Pause and resume by the pause button, stop by the stop button; a click
    // on the time shows the time that remains.
    clickAt(plevnt::kPauseButton);
    EXPECT_TRUE(eventually([&] { return player(0).state() == plevnt::kStatePaused; }));
    clickAt(plevnt::kPauseButton);
    EXPECT_TRUE(eventually([&] { return player(0).state() == plevnt::kStatePlaying; }));
    clickAt(plevnt::kTimeDisplay);
    EXPECT_TRUE(eventually([&] { return shown(0).time.rfind("-00:00:", 0) == 0; }, 10s)) << shown(0).time;
    clickAt(plevnt::kStopButton);
    EXPECT_TRUE(eventually([&] { return player(0).state() == plevnt::kStateStopped; }));
    // The run ends once the stopped stream has drained; until then the engine
    // keeps a feeding input in its slot and would refuse the close below.
    EXPECT_TRUE(eventually([&] { return !engine.audio().streamThreadAlive(); }, 10s));

    // Dropped on the second player: a folder adds its audio files in name
    // order, a file the modules do not play is left out, and so is a FIFO (never waited on).
    const std::string fifo = files.file("fifo.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(onWindowThread([&] { return player(1).open(fifo, true, false); }),
              toWire(engine::Error::ReadFailed));
    const plevnt::Box second = plevnt::ofPlayer(plevnt::kPlaylistView, 1);
    headless::dropFiles(handle(), second.x + 20, second.y + 20, {more, more + "/readme.txt", fifo, voice});
    ASSERT_TRUE(eventually([&] { return shown(1).rows.size() == 3; }));
    EXPECT_EQ(shown(1).rows, (std::vector<std::string>{"a.ogg", "b.flac", "voice.wav"}));
    EXPECT_EQ(shown(0).rows.size(), 2u);

    // Find selects the next match after the selection, any case, and wraps.
    bool found = false;
    onWindowThread([&] { return found = window().findInPlaylist(1, "FLAC"); });
    EXPECT_TRUE(found);
    EXPECT_EQ(shown(1).selected, 1);
    onWindowThread([&] { return found = window().findInPlaylist(1, ".o"); });
    EXPECT_EQ(shown(1).selected, 0);
    onWindowThread([&] { return found = window().findInPlaylist(1, "missing"); });
    EXPECT_FALSE(found);

    // The menu's switches and sizes.
    command(PlevntWindow::kCrossFadeCommand);
    EXPECT_TRUE(plevnt::plugin()->autoCrossFade);
    command(PlevntWindow::kLargeCommand);
    EXPECT_EQ(windowHeight(), plevnt::kLargeHeight);
    EXPECT_TRUE(shown(1).infoVisible);
    command(PlevntWindow::kSmallCommand);
    EXPECT_EQ(windowHeight(), plevnt::kSmallHeight);
    EXPECT_FALSE(shown(1).playlistVisible);

    // The user's close asks the engine to unload the plug-in: the window goes
    // for good and keeps its size and its place.
    headless::closeRequest(handle());
    EXPECT_TRUE(eventually([&] { return EngineSeam::inputs(engine)[0] == nullptr; }));
    // The slot empties before the plug-in goes, and the window writes its view as it goes.
    std::string settings;
    EXPECT_TRUE(eventually([&] {
        settings = readText(config.file("velmoraaudioengine.ini"));
        return settings.find("PlevUIPos=") != std::string::npos;
    })) << settings;
    EXPECT_NE(settings.find("PlevUIState=0"), std::string::npos) << settings;
}

} // namespace
} // namespace velmora::test
