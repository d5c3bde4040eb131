#include "plugins/plevnt/PlaylistFiles.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/core/FileUri.h"
#include "platform/core/Files.h"
#include "platform/core/Profile.h"

namespace plevnt {

namespace {

constexpr std::string_view kFileAddress = "file://";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF"; // may open a file written on Windows
// A PLS file's keys: "File1" ... and the count.
constexpr std::string_view kFileKey = "File";
constexpr std::string_view kEntryCountKey = "NumberOfEntries";
constexpr std::size_t kMaxFileKeyLength = 12; // "File" and up to eight digits

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

bool isDriveLetterAt(std::string_view text, std::size_t at)
{
    return text.size() > at + 1 && std::isalpha(static_cast<unsigned char>(text[at])) != 0 &&
           text[at + 1] == ':';
}

// The path of a file:// address, "" for another host's.
std::string pathOfFileAddress(std::string_view address)
{
    std::optional<std::string> local = plat::localPathOfFileUri(address);
    if (!local)
        return {};
    std::string path = std::move(*local);
    // file:///C:/Music/a.mp3 from Windows
    if (isDriveLetterAt(path, 1) && (path.size() == 3 || path[3] == '/'))
        path.erase(0, 3);
    return path.empty() ? std::string("/") : path;
}

std::string normalPath(const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        absolute = path;
    std::string text = absolute.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// A name as the reader would resolve it back to the same path, or the
// file:// address when the plain name would read as something else.
std::string writtenName(const PlaylistEntry& entry, const std::string& playlistFolder, bool trimmedByReader)
{
    const std::string path = normalPath(entry.path);
    const std::string prefix = playlistFolder == "/" ? playlistFolder : playlistFolder + "/";
    const bool inside = path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
    const std::string name = inside ? path.substr(prefix.size()) : path;

    const bool misread = name.empty() ||
                         name.find_first_of(std::string("\r\n\\\0", 4)) != std::string::npos ||
                         name.front() == '#' || name.starts_with(kByteOrderMark) ||
                         isDriveLetterAt(name, 0) || startsWithNoCase(name, kFileAddress) ||
                         (trimmedByReader && (std::isspace(static_cast<unsigned char>(name.front())) != 0 ||
                                              std::isspace(static_cast<unsigned char>(name.back())) != 0));
    return misread ? plat::fileUriOf(path) : name;
}

std::string displayName(const PlaylistEntry& entry)
{
    const StreamInfo& info = entry.info;
    std::string name;
    if (info.valid != 0 && (info.artist[0] != '\0' || info.title[0] != '\0'))
        name = std::string(info.artist) + " / " + info.title;
    else
        name = plat::fileNameOf(entry.path);
    // One entry, one line, whatever the tags hold.
    for (char& c : name) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return name;
}

} // namespace

PlaylistFormat playlistFormatOf(const std::string& playlistPath)
{
    const std::string extension = plat::extensionOf(playlistPath);
    if (strcasecmp(extension.c_str(), ".m3u") == 0)
        return PlaylistFormat::M3u;
    if (strcasecmp(extension.c_str(), ".pls") == 0)
        return PlaylistFormat::Pls;
    if (strcasecmp(extension.c_str(), ".txt") == 0)
        return PlaylistFormat::Txt;
    return PlaylistFormat::Unknown;
}

std::string playlistFolderOf(const std::string& playlistPath)
{
    return normalPath(std::filesystem::path(normalPath(playlistPath)).parent_path());
}

std::string resolvePlaylistLine(std::string_view line, const std::string& playlistFolder)
{
    if (line.empty() || line.find('\0') != std::string_view::npos)
        return {};
    std::string path;
    if (startsWithNoCase(line, kFileAddress)) {
        path = pathOfFileAddress(line);
        if (path.empty() || path.find('\0') != std::string::npos)
            return {};
    } else {
        path = line;
        if (isDriveLetterAt(path, 0) || path.find('\\') != std::string::npos) {
            if (isDriveLetterAt(path, 0))
                path.erase(0, 2);
            for (char& c : path) {
                if (c == '\\')
                    c = '/';
            }
            if (path.empty())
                return {};
        }
    }
    return path.front() == '/' ? normalPath(path) : normalPath(std::filesystem::path(playlistFolder) / path);
}

M3uReader::M3uReader(std::string playlistFolder) : folder(std::move(playlistFolder)) {}

void M3uReader::feed(const char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size && !full(); ++i) {
        const char c = data[i];
        if (c == '\n' || c == '\r') {
            endLine();
        } else if (!overlong) {
            if (line.size() < kMaxLineLength)
                line += c;
            else
                overlong = true;
        }
    }
}

void M3uReader::finish()
{
    if (!full())
        endLine();
}

void M3uReader::endLine()
{
    std::string_view text = line;
    if (lines == 0 && text.starts_with(kByteOrderMark))
        text.remove_prefix(3);
    if (!overlong && !text.empty() && text.front() != '#') {
        std::string path = resolvePlaylistLine(text, folder);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    ++lines;
    line.clear();
    overlong = false;
}

std::vector<std::string> readPlsFile(const std::string& playlistPath, std::size_t maxEntries)
{
    // With a '/' the settings reader takes the name as a path, not as a file
    // of the configuration folder.
    const std::string file = playlistPath.find('/') == std::string::npos ? "./" + playlistPath : playlistPath;
    const std::string lines = plat::getProfileSections({"playlist"}, file.c_str()).front();
    const std::string folder = playlistFolderOf(playlistPath);

    // The section's keys in order: its "key=value" lines, each ended by a zero.
    const auto forEachKey = [&lines](const auto& visit) {
        for (std::size_t at = 0; at < lines.size();) {
            std::size_t end = lines.find('\0', at);
            if (end == std::string::npos)
                end = lines.size();
            const std::string_view entry(lines.data() + at, end - at);
            at = end + 1;
            const std::size_t equals = entry.find('=');
            if (equals != std::string_view::npos && !visit(entry.substr(0, equals), entry.substr(equals + 1)))
                return;
        }
    };
    // The count may come last (as written here): it is found first, so that
    // only the keys it declares, no more than maxEntries, are kept.
    std::size_t declared = 0;
    forEachKey([&declared, maxEntries](std::string_view key, std::string_view value) {
        if (key.size() != kEntryCountKey.size() || !startsWithNoCase(key, kEntryCountKey))
            return true;
        const long count = std::strtol(std::string(value).c_str(), nullptr, 10);
        declared = count > 0 ? std::min(std::size_t(count), maxEntries) : 0;
        return false; // the first one counts
    });

    std::vector<std::optional<std::string>> files(declared); // the first of each number counts
    forEachKey([&files](std::string_view key, std::string_view value) {
        if (startsWithNoCase(key, kFileKey) && key.size() > kFileKey.size() &&
            key.size() <= kMaxFileKeyLength &&
            key.find_first_not_of("0123456789", kFileKey.size()) == std::string_view::npos) {
            const long number = std::strtol(std::string(key.substr(kFileKey.size())).c_str(), nullptr, 10);
            if (number >= 1 && std::size_t(number) <= files.size() && !files[std::size_t(number) - 1])
                files[std::size_t(number) - 1] = std::string(value);
        }
        return true;
    });

    std::vector<std::string> paths;
    for (const std::optional<std::string>& value : files) {
        if (!value)
            continue;
        std::string path = resolvePlaylistLine(*value, folder);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    return paths;
}

bool readPlaylistFile(const std::string& playlistPath, const std::function<bool(std::string&&)>& take)
{
    if (!plat::fileExists(playlistPath))
        return false;
    switch (playlistFormatOf(playlistPath)) {
    case PlaylistFormat::M3u: {
        std::ifstream in(playlistPath, std::ios::binary);
        if (!in)
            return false;
        M3uReader reader(playlistFolderOf(playlistPath));
        // Each piece's paths go before the next is read, so a list that
        // fills up stops the reading.
        const auto handOver = [&reader, &take] {
            for (std::string& path : reader.paths) {
                if (!take(std::move(path)))
                    return false;
            }
            reader.paths.clear();
            return true;
        };
        char block[16384];
        while (!reader.full() && (in.read(block, sizeof block) || in.gcount() > 0)) {
            reader.feed(block, static_cast<std::size_t>(in.gcount()));
            if (!handOver())
                return true;
        }
        if (in.bad())
            return false;
        reader.finish();
        (void)handOver(); // the last path: nothing more to stop
        return true;
    }
    case PlaylistFormat::Pls:
        for (std::string& path : readPlsFile(playlistPath)) {
            if (!take(std::move(path)))
                break;
        }
        return true;
    default:
        return true;
    }
}

bool readPlaylistFile(const std::string& playlistPath, std::vector<std::string>& paths)
{
    paths.clear();
    return readPlaylistFile(playlistPath, [&paths](std::string&& path) {
        paths.push_back(std::move(path));
        return true;
    });
}

std::string playlistText(PlaylistFormat format, const std::vector<const PlaylistEntry*>& entries,
                         const std::string& playlistFolder)
{
    std::string text;
    switch (format) {
    case PlaylistFormat::M3u:
        for (const PlaylistEntry* entry : entries)
            text += writtenName(*entry, playlistFolder, false) + "\n";
        break;
    case PlaylistFormat::Pls: {
        text = "[playlist]\n";
        int number = 0;
        for (const PlaylistEntry* entry : entries)
            text +=
                "File" + std::to_string(++number) + "=" + writtenName(*entry, playlistFolder, true) + "\n";
        text += "NumberOfEntries=" + std::to_string(number);
        break;
    }
    case PlaylistFormat::Txt:
        for (const PlaylistEntry* entry : entries) {
            text += displayName(*entry);
            if (entry->info.hasSize != 0)
                text += " " + timeText(entry->info.size);
            text += "\n";
        }
        break;
    case PlaylistFormat::Unknown:
        break;
    }
    return text;
}

} // namespace plevnt
