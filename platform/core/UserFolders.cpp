#include "platform/core/UserFolders.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/Module.h"
#include "platform/core/Profile.h"

namespace plat {

namespace {

constexpr char kMusicKey[] = "XDG_MUSIC_DIR";
constexpr std::string_view kHomePrefix = "$HOME";

// A value of user-dirs.dirs: "$HOME/Music" or "/abs/path", in double quotes,
// with '\' escaping the next character. Anything else is empty.
std::string userDirsValue(std::string_view quoted)
{
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return {};
    quoted = quoted.substr(1, quoted.size() - 2);
    std::string value;
    if (quoted.substr(0, kHomePrefix.size()) == kHomePrefix &&
        (quoted.size() == kHomePrefix.size() || quoted[kHomePrefix.size()] == '/')) {
        value = homeFolder();
        quoted.remove_prefix(kHomePrefix.size());
    } else if (quoted.empty() || quoted.front() != '/') {
        return {};
    }
    for (size_t i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 1 < quoted.size())
            ++i;
        value += quoted[i];
    }
    return value;
}

// XDG_MUSIC_DIR as xdg-user-dirs wrote it, or empty.
std::string musicFolderFromUserDirs()
{
    const char* configHome = environmentValue("XDG_CONFIG_HOME");
    const std::string configFolder = configHome != nullptr && *configHome == '/'
                                         ? std::string(configHome)
                                         : joinPath(homeFolder(), ".config");
    std::ifstream file(joinPath(configFolder, "user-dirs.dirs"));
    std::string line;
    std::string found;
    while (std::getline(file, line)) {
        std::string_view text = line;
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
            text.remove_suffix(1);
        const size_t equals = text.find('=');
        if (equals == std::string_view::npos || text.substr(0, equals) != kMusicKey)
            continue;
        // The file is sourced by shells: the last assignment wins.
        found = userDirsValue(text.substr(equals + 1));
    }
    return found;
}

bool isFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

const char* environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : nullptr;
}

std::string homeFolder()
{
    if (const char* home = environmentValue("HOME"))
        return home;
    std::vector<char> scratch(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && *found->pw_dir != '\0')
        return found->pw_dir;
    // No home at all (a bare service account): still somewhere writable.
    return tempFolder();
}

std::string musicFolder()
{
    std::string folder;
    if (const char* music = environmentValue(kMusicKey); music != nullptr && *music == '/')
        folder = music;
    else
        folder = musicFolderFromUserDirs();
    if (folder.empty())
        folder = joinPath(homeFolder(), "Music");
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool folderWritable(const std::string& path)
{
    return ::access(path.c_str(), W_OK | X_OK) == 0;
}

bool programMayWriteIn(const std::string& folder)
{
    static const bool installed = fileExists(joinPath(programFolder(), "install_manifest.txt"));
    return !installed && folderWritable(folder);
}

std::string cacheFolder()
{
    if (const char* cache = environmentValue("XDG_CACHE_HOME"); cache != nullptr && *cache == '/')
        return joinPath(cache, "velmora");
    return joinPath(joinPath(homeFolder(), ".cache"), "velmora");
}

std::string recordingsFolderFor(const std::string& programFolder)
{
    const std::string userfiles = joinPath(programFolder, "Userfiles");
    const bool usable = isFolder(userfiles) ? programMayWriteIn(userfiles) : programMayWriteIn(programFolder);
    return usable ? userfiles : joinPath(musicFolder(), "Velmora");
}

std::string recordingsFolder()
{
    return recordingsFolderFor(programFolder());
}

std::string userFilesFolderFor(const std::string& folder)
{
    return programMayWriteIn(folder) ? folder : configFolder();
}

std::string copiesFolderFor(const std::string& folder, const std::string& name)
{
    return programMayWriteIn(folder) ? folder : joinPath(cacheFolder(), name);
}

std::string madeCopiesFolderFor(const std::string& folder, const std::string& name)
{
    const std::string usual = copiesFolderFor(folder, name);
    if (createFolder(usual) && folderWritable(usual))
        return usual;
    const std::string session = privateSessionFolder();
    if (session.empty())
        return {};
    const std::string fallback = joinPath(joinPath(session, "velmora"), name);
    if (!createFolder(fallback))
        return {};
    std::fprintf(stderr, "velmora: %s cannot be written; copies go to %s for this session\n", usual.c_str(),
                 fallback.c_str());
    return fallback;
}

} // namespace plat
