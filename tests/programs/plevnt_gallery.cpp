// The media player's window with both playlists loaded, player 1 playing
// and player 2's second entry chosen, saved as docs pictures:
// plevnt_gallery [folder] (docs/ by default): plevnt-players.png (the large
// window with the information views) and plevnt-small.png (the players
// alone). The real engine loads VelmoraUI.vui, PlevNT.vin and Brolet.vwo
// from a program folder of its own on the virtual audio backend, with our
// decoder modules in Plugins/Decoders; the music is made by ffmpeg and the
// playlists are the player's own plevnt1.m3u and plevnt2.m3u. The player
// finds both beside the program, so the gallery runs a copy of itself from
// the program folder. The window is driven by clicks as a user would. Run it
// under Xvfb on the X11 backend:
//   xvfb-run -a -s "-screen 0 1280x1024x24" plevnt_gallery docs
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/core/Module.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "plugins/plevnt/Layout.h"
#include "plugins/plevnt/PlevntWindow.h"
#include "programs/GalleryKit.h"
#include "programs/ServerCapture.h"
#include "support/Ffmpeg.h"
#include "support/TempFolder.h"

using namespace std::chrono_literals;
using plat::ui::WindowHandle;
using velmora::gallery::fail;
using velmora::gallery::finish;

namespace {

constexpr char kEffectFile[] = "offset_effect.vfx";

void pointerAt(WindowHandle window, intptr_t at)
{
    (void)plat::ui::postMessage(window, plat::ui::kMsgMouseMove, 0, at);
}

// A click of the user's on a control; the mouse then rests on the title strip.
void click(WindowHandle window, const plevnt::Box& box)
{
    const intptr_t at = plat::ui::makePointParam(box.x + box.width / 2, box.y + box.height / 2);
    pointerAt(window, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonDown, plat::ui::kKeyLButton, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonUp, 0, at);
    pointerAt(window, plat::ui::makePointParam(300, 4));
}

// A double click on row of player's playlist.
void doubleClickRow(WindowHandle window, int player, int row)
{
    const plevnt::Box list = plevnt::ofPlayer(plevnt::kPlaylistView, player);
    const intptr_t at = plat::ui::makePointParam(list.x + 60, list.y + 2 + row * plevnt::kPlaylistRowHeight + 5);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonDown, plat::ui::kKeyLButton, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonUp, 0, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonDoubleClick, plat::ui::kKeyLButton, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonUp, 0, at);
    pointerAt(window, plat::ui::makePointParam(300, 4));
}

struct Track {
    const char* file;
    const char* artist;
    const char* title;
    const char* source;
    const char* codec;
};

// Short pieces of ffmpeg's own sources, tagged as music would be.
const Track kTracks[] = {
    {"Harbour Lights.mp3", "Marisol Vega", "Harbour Lights", "sine=frequency=330:duration=40",
     "-ac 2 -c:a libmp3lame -b:a 192k"},
    {"Slow Tide.ogg", "Marisol Vega", "Slow Tide", "sine=frequency=262:duration=35", "-ac 2 -c:a libvorbis"},
    {"Glass Garden.flac", "The Quiet Rooms", "Glass Garden", "sine=frequency=392:duration=52", "-ac 2"},
    {"Paper Moon.mp3", "Oskar Lind", "Paper Moon", "sine=frequency=220:duration=28",
     "-ac 1 -c:a libmp3lame -b:a 128k"},
    {"field-recording-03.wav", "", "", "anoisesrc=color=pink:duration=20:amplitude=0.2", "-ac 1"},
    {"Northbound.ogg", "Ada Brenner", "Northbound", "sine=frequency=294:duration=44", "-ac 2 -c:a libvorbis"},
    {"Lanterns.flac", "The Quiet Rooms", "Lanterns", "sine=frequency=349:duration=61", "-ac 2"},
};

bool makeTrack(const std::string& folder, const Track& track)
{
    std::string options = track.codec;
    if (track.title[0] != '\0')
        options += std::string(" -metadata title='") + track.title + "' -metadata artist='" + track.artist + "'";
    return velmora::test::ffmpegMake(folder + "/" + track.file,
                                     std::string("-f lavfi -i ") + track.source + ":sample_rate=44100", options);
}

// The staged copy: the engine on the program folder it runs from.
int showPlayers(const std::string& folder)
{
    namespace fs = std::filesystem;
    const std::string programFolder = plat::programFolder();
    auto inProgram = [&](const std::string& file) { return programFolder + "/" + file; };
    velmora::test::TempFolder config;
    velmora::test::TempFolder music;
    setenv("VELMORA_CONFIG_DIR", config.path().c_str(), 1);
    for (const Track& track : kTracks)
        if (!makeTrack(music.path(), track))
            return fail("ffmpeg could not make the music");
    // The playlists the player reads at start: four entries and three.
    std::ofstream first(inProgram("Plugins/plevnt1.m3u"));
    std::ofstream second(inProgram("Plugins/plevnt2.m3u"));
    for (int index = 0; index < 7; ++index)
        (index < 4 ? first : second) << music.file(kTracks[index].file) << "\n";
    first.close();
    second.close();
    std::ofstream(config.file("velmoraaudioengine.ini"))
        << "[Velmora Audio Engine v0.1b]\nLastAudioInput1=PlevNT.vin\nLastAudioOutput=Brolet.vwo\n"
           "[Velmora User Interface]\nMainUIPos=860,840\nMixerVisible=0\nbTrayIcon=0\n"
           "[Velmora Brolet Blaster]\nWindowPos=860,620\nVizMode=0\nbSoundOutput=1\nbFileOutput=0\n"
           "[PlevNT Input Module]\nPlevUIPos=24,24\nPlevUIState=2\nViewCh1=0\nViewCh2=0\n";

    velmora::gallery::startEngine(programFolder);
    const WindowHandle window = velmora::gallery::windowTitled(plevnt::PlevntWindow::kTitle);
    if (window == nullptr)
        return fail("the player's window is missing");

    // Player 1 plays its first entry, looping; player 2 opens its second entry, stopped.
    click(window, plevnt::kLoopButton);
    click(window, plevnt::kPlayButton);
    std::this_thread::sleep_for(1000ms);
    doubleClickRow(window, 1, 1);
    std::this_thread::sleep_for(300ms);
    click(window, plevnt::ofPlayer(plevnt::kStopButton, 1));
    std::this_thread::sleep_for(2500ms);
    bool saved = velmora::gallery::capture(window, folder + "/plevnt-players.png");

    // The small window: the players alone.
    (void)plat::ui::postMessage(window, plevnt::PlevntWindow::kCommandMessage, plevnt::PlevntWindow::kSmallCommand, 0);
    std::this_thread::sleep_for(800ms);
    saved &= velmora::gallery::capture(window, folder + "/plevnt-small.png");

    fs::remove_all(config.path());
    fs::remove_all(music.path());
    finish(saved ? 0 : 1);
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const std::string folder = fs::absolute(argc > 1 ? argv[1] : "docs").string();
    setenv("VELMORA_AUDIO", "virtual", 1);
    if (getenv("PLEVNT_GALLERY_STAGED") != nullptr)
        return showPlayers(folder);

    // A program folder with the plug-ins, the decoder modules, the shared
    // services library and a copy of this program, which then runs there.
    velmora::test::TempFolder program;
    velmora::gallery::installPlugins(program.path(), {"VelmoraUI.vui", "PlevNT.vin", "Brolet.vwo"}, {kEffectFile});
    fs::create_directory(program.file("Plugins/Decoders"));
    for (const char* module : {"ELAMP.ESP", "WAVMP.ESP", "WMAMP.ESP"})
        fs::copy_file(velmora::gallery::buildFolder() + "/out/Plugins/Decoders/" + module,
                      program.file(std::string("Plugins/Decoders/") + module));
    const std::string self = plat::programFolder();
    fs::copy_file(self + "/ZKRShared.so", program.file("ZKRShared.so"));
    fs::copy_file(self + "/plevnt_gallery", program.file("plevnt_gallery"));
    setenv("PLEVNT_GALLERY_STAGED", "1", 1);
    const int status = std::system(("'" + program.file("plevnt_gallery") + "' '" + folder + "'").c_str());
    fs::remove_all(program.path());
    return status == 0 ? 0 : 1;
}
