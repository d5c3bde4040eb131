#include "plugins/plevnt/Playlist.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "plugins/plevnt/PlaylistFiles.h"

namespace plevnt {

namespace {

constexpr int kGrowStep = 16;

} // namespace

Playlist::Playlist(int maxEntries)
    : zkr::List<PlaylistEntry>(kGrowStep, true, kGrowStep), maxEntries(maxEntries)
{
}

const PlaylistEntry* Playlist::entry(int index) const
{
    return itemAt(index);
}

PlaylistEntry* Playlist::mutableEntry(int index)
{
    return itemAt(index);
}

int Playlist::prepareEntry(const char* path, const StreamInfo* info, PlaylistEntry& out)
{
    const std::size_t length = path != nullptr ? std::strlen(path) : 0;
    if (length == 0 || length >= sizeof out.path || count >= maxEntries) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    std::memcpy(out.path, path, length + 1);
    if (info != nullptr)
        out.info = *info;
    else
        std::memset(&out.info, 0, sizeof out.info);
    return 0;
}

int Playlist::add(const char* path, const StreamInfo* info)
{
    return insert(count, path, info);
}

int Playlist::addUnlessLast(const char* path, const StreamInfo* info)
{
    const PlaylistEntry* last = entry(count - 1);
    if (last == nullptr || path == nullptr || std::strcmp(last->path, path) != 0)
        return add(path, info);
    return info != nullptr ? setInfo(count - 1, *info) : 0;
}

int Playlist::insert(int index, const char* path, const StreamInfo* info)
{
    if (index < 0 || index > count) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    PlaylistEntry entry{};
    if (prepareEntry(path, info, entry) != 0 || append(&entry) != 0)
        return lastError;
    // The appended entry moves up to index, the ones from there on one down.
    const auto first = slots.begin() + index;
    const auto end = slots.begin() + count;
    std::rotate(first, end - 1, end);
    if (current >= index)
        ++current;
    return 0;
}

int Playlist::setInfo(int index, const StreamInfo& info)
{
    PlaylistEntry* target = mutableEntry(index);
    if (target == nullptr) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    target->info = info;
    return 0;
}

int Playlist::remove(int index)
{
    if (removeAt(index) != 0)
        return lastError;
    if (index == current)
        current = kNoEntry;
    else if (index < current)
        --current;
    return 0;
}

int Playlist::move(int from, int to)
{
    if (from < 0 || from >= count || to < 0 || to >= count) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    const auto at = [this](int index) { return slots.begin() + index; };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else
        std::rotate(at(to), at(from), at(from + 1));
    if (current == from)
        current = to;
    else if (from < current && current <= to)
        --current;
    else if (to <= current && current < from)
        ++current;
    return 0;
}

void Playlist::clearEntries()
{
    clear();
    current = kNoEntry;
}

bool Playlist::setCurrentIndex(int index)
{
    if (index < 0 || index >= count)
        return false;
    current = index;
    return true;
}

bool Playlist::next()
{
    return setCurrentIndex(current == kNoEntry ? 0 : current + 1);
}

bool Playlist::previous()
{
    return current != kNoEntry && setCurrentIndex(current - 1);
}

int Playlist::load(const char* playlistPath)
{
    // Each path is checked and added as it is read: a huge file stops being
    // read once the list is full.
    int result = 0;
    const auto take = [this, &result](std::string&& path) {
        // A path too long for an entry is skipped like a missing file; only a
        // full list stops the loading.
        if (path.size() >= sizeof(PlaylistEntry::path) || !plat::fileExists(path))
            return true;
        result = add(path.c_str());
        return result == 0;
    };
    if (playlistPath == nullptr || !readPlaylistFile(playlistPath, take)) {
        setError(toWire(engine::Error::ReadFailed));
        return lastError;
    }
    return result;
}

int Playlist::save(const char* playlistPath)
{
    const PlaylistFormat format =
        playlistPath != nullptr ? playlistFormatOf(playlistPath) : PlaylistFormat::Unknown;
    if (format == PlaylistFormat::Unknown) {
        setError(toWire(engine::Error::NotImplemented));
        return lastError;
    }
    std::vector<const PlaylistEntry*> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        entries.push_back(entry(i));
    const std::string text = playlistText(format, entries, playlistFolderOf(playlistPath));
    if (!plat::replaceFileContents(playlistPath, text.data(), text.size())) {
        setError(toWire(engine::Error::WriteFailed));
        return lastError;
    }
    return 0;
}

} // namespace plevnt
