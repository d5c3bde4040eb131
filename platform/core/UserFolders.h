#pragma once

#include <string>

#include "platform/core/Api.h"

// Folders of the user's own, outside the program folder.
namespace plat {

// An environment variable's value, or null when it is unset or empty (an
// empty variable counts as unset, as the XDG rules have it).
PLAT_API const char* environmentValue(const char* name);
// $HOME, else the account's home folder, else the temporary folder.
PLAT_API std::string homeFolder();
// The user's music folder: $XDG_MUSIC_DIR, else XDG_MUSIC_DIR of
// user-dirs.dirs in $XDG_CONFIG_HOME or ~/.config, else ~/Music. Relative
// values are ignored, as the XDG rules say.
PLAT_API std::string musicFolder();
// True when the calling process may create files in the folder.
PLAT_API bool folderWritable(const std::string& path);
// True when the program may keep files of its own in folder: it may write
// there and the folder is not part of an installed program (whose files its
// install manifest lists, so that an uninstall leaves nothing behind, even
// after a run by a user who may write there).
PLAT_API bool programMayWriteIn(const std::string& folder);
// The user's cache folder for the program, without a trailing '/':
// "velmora" in $XDG_CACHE_HOME, else in ~/.cache. Not created here.
PLAT_API std::string cacheFolder();
// Where recordings go, without a trailing '/': the program folder's
// "Userfiles" while the program may write there (a copy unpacked by the user
// keeps everything in one place), else "Velmora" in the music folder (an
// installed program's folder belongs to the system). Not created here.
PLAT_API std::string recordingsFolderFor(const std::string& programFolder);
PLAT_API std::string recordingsFolder(); // for the running program's folder
// Where a program folder's own files that each user changes (the media
// player's playlists, the visual modules' settings) are kept: folder while
// the program may write there, else the settings file's folder, so that the
// users of an installed program each keep their own. Not created here.
PLAT_API std::string userFilesFolderFor(const std::string& folder);
// Where copies of a program folder's files go (the decoder modules each
// player loads a copy of): folder while the program may write there, else
// name in the cache folder. Not created here.
PLAT_API std::string copiesFolderFor(const std::string& folder, const std::string& name);
// copiesFolderFor, made; when that cannot be made or written (a cache folder
// another user made), name in the session's private folder. Empty when no
// folder can be had.
PLAT_API std::string madeCopiesFolderFor(const std::string& folder, const std::string& name);

} // namespace plat
