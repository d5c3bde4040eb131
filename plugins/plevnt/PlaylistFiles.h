#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/plevnt/Playlist.h"

// Playlist files on Linux. Reading resolves each line: "/..." is absolute; a
// "file://" address is decoded to its path; a line from Windows (a drive
// letter or backslashes) gets slashes for its backslashes, loses its drive
// letter and is then read like any other line; anything else is relative to
// the playlist's folder. Writing names an entry in or below the playlist's
// folder relatively, any other by its absolute path, and one that would read
// back as something else (a line break, a backslash, a leading '#', ...) as a
// "file://" address.
namespace plevnt {

enum class PlaylistFormat { Unknown, M3u, Pls, Txt };

// By the extension, without regard to case.
PlaylistFormat playlistFormatOf(const std::string& playlistPath);

// The absolute, lexically normal folder a playlist's relative lines refer to.
std::string playlistFolderOf(const std::string& playlistPath);

// The absolute path a playlist line names, or "" for a line that names none
// (empty, a foreign host's address, a zero byte).
std::string resolvePlaylistLine(std::string_view line, const std::string& playlistFolder);

// Reads M3U text given in pieces of any size. Lines end at CR or LF; a line
// longer than kMaxLineLength is skipped whole rather than cut or split, and
// the lines after kMaxLines are not read, so a file of any size is read in
// bounded memory and time.
class M3uReader {
public:
    static constexpr std::size_t kMaxLineLength = 4 * PlaylistEntry::kPathSize; // room for %XX escapes
    // A full playlist with an "#EXTINF" line and one more before each entry.
    static constexpr std::size_t kMaxLines = 3 * std::size_t(Playlist::kMaxEntries);

    explicit M3uReader(std::string playlistFolder);
    void feed(const char* data, std::size_t size);
    // Takes the last line when the text does not end with a line break.
    void finish();
    // kMaxLines have been read: the rest is not.
    bool full() const { return lines >= kMaxLines; }

    // Resolved paths in order (existence is not checked). A caller that
    // feeds a large file in pieces takes them out as they come.
    std::vector<std::string> paths;

private:
    void endLine();

    std::string folder;
    std::string line;
    std::size_t lines = 0;
    bool overlong = false;
};

// The paths a PLS file names: the "File<i>" keys of its "playlist" section
// for i = 1 to "NumberOfEntries", at most maxEntries of them, read with the
// settings file reader (any line ends, no newline needed after the last line).
std::vector<std::string> readPlsFile(const std::string& playlistPath,
                                     std::size_t maxEntries = std::size_t(Playlist::kMaxEntries));

// Hands take the paths of an M3U or PLS file in order, as they are read,
// until it answers false; false when the file cannot be read. Another format
// reads as no paths.
bool readPlaylistFile(const std::string& playlistPath, const std::function<bool(std::string&&)>& take);
// All the paths at once.
bool readPlaylistFile(const std::string& playlistPath, std::vector<std::string>& paths);

// The file's text in the format, entries named as the header says.
std::string playlistText(PlaylistFormat format, const std::vector<const PlaylistEntry*>& entries,
                         const std::string& playlistFolder);

} // namespace plevnt
