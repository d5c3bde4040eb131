#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "platform/core/UserFolders.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

using namespace velmora::test;
namespace fs = std::filesystem;

// Recordings stay in a program folder the user may write to; an installed
// one's go to the music folder, however the desktop names it.
TEST(RecordingsFolder, ProgramFolderWhileWritableElseTheUsersMusicFolder)
{
    TempFolder root;
    const std::string home = root.file("home"), unpacked = root.file("unpacked");
    ScopedEnv homeVariable("HOME", home), configHome("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv music("XDG_MUSIC_DIR", std::nullopt);
    // Read-only; root writes anywhere, but not below a plain file.
    std::string installed = root.file("installed");
    for (const std::string& folder : {home + "/.config", unpacked, installed})
        fs::create_directories(folder);
    fs::permissions(installed, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    if (::access(installed.c_str(), W_OK) == 0) {
        writeText(root.file("file"), "");
        installed = root.file("file/installed");
    }

    EXPECT_EQ(plat::recordingsFolderFor(unpacked), unpacked + "/Userfiles");
    EXPECT_EQ(plat::recordingsFolderFor(installed), home + "/Music/Velmora");
    // The user's own files and copies of an installed program's go to the user's folders.
    ScopedEnv ownSettings("VELMORA_CONFIG_DIR", std::nullopt), cache("XDG_CACHE_HOME", std::nullopt);
    EXPECT_EQ(plat::userFilesFolderFor(unpacked) + plat::copiesFolderFor(unpacked, "D"), unpacked + unpacked);
    EXPECT_EQ(plat::userFilesFolderFor(installed) + plat::copiesFolderFor(installed, "D"),
              home + "/.config/velmora" + home + "/.cache/velmora/D");
    // user-dirs.dirs: the last assignment, $HOME expanded, escapes undone.
    writeText(home + "/.config/user-dirs.dirs",
              "# xdg\nXDG_MUSIC_DIR=\"/old\"\n  XDG_MUSIC_DIR=\"$HOME/Meine \\\"Musik\\\"/\"\n");
    EXPECT_EQ(plat::recordingsFolderFor(installed), home + "/Meine \"Musik\"/Velmora");
    {
        ScopedEnv ownConfig("XDG_CONFIG_HOME", root.path());
        writeText(root.file("user-dirs.dirs"), "XDG_MUSIC_DIR=\"/srv/tunes\"\n");
        EXPECT_EQ(plat::recordingsFolderFor(installed), "/srv/tunes/Velmora");
    }
    // The variable wins; empty or relative counts as unset, and so does a relative value in the file.
    for (const char* value : {"/data/music/", "", "music"}) {
        ScopedEnv variable("XDG_MUSIC_DIR", value);
        EXPECT_EQ(plat::recordingsFolderFor(installed),
                  *value == '/' ? "/data/music/Velmora" : home + "/Meine \"Musik\"/Velmora");
    }
    writeText(home + "/.config/user-dirs.dirs", "XDG_MUSIC_DIR=\"Music\"\n");
    EXPECT_EQ(plat::recordingsFolderFor(installed), home + "/Music/Velmora");
}
