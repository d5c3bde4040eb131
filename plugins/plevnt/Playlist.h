#pragma once

#include <cstdint>

#include "plugins/plevnt/StreamInfo.h"
#include "zkr/List.h"

namespace plevnt {

// One playlist entry: the file and what is known of it.
struct PlaylistEntry {
    // Linux paths run longer than the 256 characters of old playlists; a path
    // that does not fit is refused whole, never cut.
    static constexpr int kPathSize = 1024;

    char path[kPathSize];
    StreamInfo info; // zero (not valid) until the file has been opened
};

// A player's playlist: a growable list of entries with a current index.
// Used on the plug-in window's thread only (the player and the window), so it
// has no lock of its own. The list underneath is private, so that every
// change keeps the current index right.
class Playlist : private zkr::List<PlaylistEntry> {
public:
    using zkr::ObjectBase::lastError;
    using zkr::ObjectBase::setOwnHandler;
    using zkr::ObjectBase::silent;

    // Far more than anyone plays in a row; it keeps a broken or hostile
    // playlist file from eating the memory.
    static constexpr int kMaxEntries = 65536;
    static constexpr int kNoEntry = -1;

    explicit Playlist(int maxEntries = kMaxEntries);

    int size() const { return count; }
    // Null outside 0 .. size() - 1.
    const PlaylistEntry* entry(int index) const;
    const PlaylistEntry* currentEntry() const { return entry(current); }

    // add, insert, setInfo, remove and move answer 0, or the error they
    // reported: IndexOutOfRange when the list is full (maxEntries) or the index is out of
    // range, 19 without memory. info may be null (nothing known yet).
    int add(const char* path, const StreamInfo* info = nullptr);
    // As add, but a path that is already the last entry is not listed again
    // (a file opened or handed over twice in a row); that entry takes info
    // when it is given.
    int addUnlessLast(const char* path, const StreamInfo* info = nullptr);
    // Before index; index == size() appends. The current entry stays current.
    int insert(int index, const char* path, const StreamInfo* info = nullptr);
    int setInfo(int index, const StreamInfo& info);
    // Removing the current entry leaves none current.
    int remove(int index);
    // Moves the entry at from so that it ends up at to; the current entry
    // stays current wherever it moves.
    int move(int from, int to);
    void clearEntries();

    // kNoEntry, or 0 .. size() - 1.
    int currentIndex() const { return current; }
    // False (nothing changed) outside the list.
    bool setCurrentIndex(int index);
    // Steps the current index by one within the list: false at either end
    // (nothing changed). With none current, next starts at the first entry.
    bool next();
    bool previous();

    // Appends the entries of an M3U or PLS file (chosen by its extension),
    // only those whose file exists, checked as they are read. 0, ReadFailed when the
    // file cannot be read, IndexOutOfRange when the list filled up on the way (the entries
    // before stay, the rest of the file is not read).
    int load(const char* playlistPath);
    // Writes the entries as M3U, PLS or TXT (by the extension) through a
    // temporary file renamed over the old one: 0, WriteFailed when it cannot be written
    // (the old file stays as it was), NotImplemented for another extension.
    int save(const char* playlistPath);

private:
    PlaylistEntry* mutableEntry(int index);
    int prepareEntry(const char* path, const StreamInfo* info, PlaylistEntry& out);

    int maxEntries;
    int current = kNoEntry;
};

} // namespace plevnt
