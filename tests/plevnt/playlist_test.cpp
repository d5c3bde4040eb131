// Playlist files written and read back on Linux, and playlists from elsewhere.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>

#include "api/Protocol.h"
#include "plugins/plevnt/Playlist.h"
#include "plugins/plevnt/PlaylistFiles.h"
#include "support/FileText.h"
#include "support/TempFolder.h"

using namespace velmora::test;

namespace {

struct PlaylistFolder {
    PlaylistFolder()
    {
        for (const char* name :
             {"list/a.wav", "list/sub/b.mp3", "other/c.flac", "list/#hash.ogg", "list/back\\slash.wav"}) {
            std::filesystem::create_directories(std::filesystem::path(root.file(name)).parent_path());
            writeText(root.file(name), "x");
        }
    }
    std::vector<std::string> loaded(const std::string& name) const
    {
        plevnt::Playlist playlist;
        playlist.silent = true;
        EXPECT_EQ(playlist.load(root.file(name).c_str()), 0) << name;
        std::vector<std::string> paths;
        for (int i = 0; i < playlist.size(); ++i)
            paths.push_back(playlist.entry(i)->path);
        return paths;
    }
    TempFolder root;
};

} // namespace

TEST(PlaylistFiles, WrittenM3uAndPlsReadBackWithRelativeAndAbsoluteEntries)
{
    PlaylistFolder folder;
    const std::string& root = folder.root.path();
    const std::vector<std::string> paths = {root + "/list/a.wav", root + "/list/sub/b.mp3",
                                            root + "/other/c.flac", root + "/list/#hash.ogg",
                                            root + "/list/back\\slash.wav"};
    plevnt::Playlist playlist;
    playlist.silent = true;
    const plevnt::StreamInfo info{
        .valid = 1, .title = "Title", .artist = "Artist", .hasSize = 1, .size = 3723000};
    for (const std::string& path : paths)
        ASSERT_EQ(playlist.add(path.c_str(), path == paths[1] ? &info : nullptr), 0);

    ASSERT_EQ(playlist.save(folder.root.file("list/x.m3u").c_str()), 0);
    // Names that would read back as a comment or a Windows line go as addresses.
    EXPECT_EQ(readText(folder.root.file("list/x.m3u")),
              "a.wav\nsub/b.mp3\n" + root + "/other/c.flac\nfile://" + root + "/list/%23hash.ogg\nfile://" +
                  root + "/list/back%5Cslash.wav\n");
    EXPECT_EQ(folder.loaded("list/x.m3u"), paths);

    ASSERT_EQ(playlist.save(folder.root.file("list/x.PLS").c_str()), 0);
    EXPECT_EQ(readText(folder.root.file("list/x.PLS")),
              "[playlist]\nFile1=a.wav\nFile2=sub/b.mp3\nFile3=" + root + "/other/c.flac\nFile4=file://" +
                  root + "/list/%23hash.ogg\nFile5=file://" + root +
                  "/list/back%5Cslash.wav\nNumberOfEntries=5");
    EXPECT_EQ(folder.loaded("list/x.PLS"), paths);

    ASSERT_EQ(playlist.save(folder.root.file("list/x.txt").c_str()), 0);
    EXPECT_EQ(readText(folder.root.file("list/x.txt")),
              "a.wav\nArtist / Title 01:02:03\nc.flac\n#hash.ogg\nback\\slash.wav\n");
    EXPECT_EQ(folder.loaded("list/x.txt"), std::vector<std::string>{}); // save only
}

TEST(PlaylistFiles, PlaylistsFromElsewhereCommentsOverlongLinesAndHugeFiles)
{
    PlaylistFolder folder;
    const std::string& root = folder.root.path();
    std::string windowsRoot = "D:" + root;
    std::replace(windowsRoot.begin(), windowsRoot.end(), '/', '\\');
    // Longer than old playlists' lines, and too long for any path.
    const std::string slashes(800, '/');
    const std::string overlong(plevnt::M3uReader::kMaxLineLength, '/');
    writeText(folder.root.file("list/win.m3u"),
              "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:12,a.wav\r\n" + windowsRoot +
                  "\\other\\c.flac\r\nsub\\b.mp3\r\n\r\nmissing.wav\r\nfile://" + root +
                  "/list/%23hash.ogg\r\nfile://localhost" + root +
                  "/list/a.wav\r\nfile://elsewhere/list/a.wav\r\nsub" + overlong + "b.mp3\r\nsub" + slashes +
                  "b.mp3\r\n" + root + "/other/c.flac");
    EXPECT_EQ(
        folder.loaded("list/win.m3u"),
        (std::vector<std::string>{root + "/other/c.flac", root + "/list/sub/b.mp3", root + "/list/#hash.ogg",
                                  root + "/list/a.wav", root + "/list/sub/b.mp3", root + "/other/c.flac"}));

    // Only the declared entries count, whatever their order; no newline at the end.
    writeText(folder.root.file("list/win.pls"), "[Playlist]\r\nFile2=" + windowsRoot +
                                                    "\\other\\c.flac\r\nFile3=a.wav\r\nfile1=sub\\b.mp3\r\n"
                                                    "NumberOfEntries=2");
    EXPECT_EQ(folder.loaded("list/win.pls"),
              (std::vector<std::string>{root + "/list/sub/b.mp3", root + "/other/c.flac"}));

    // A huge M3U is read up to its line limit only.
    const std::string blank(plevnt::M3uReader::kMaxLines, '\n');
    writeText(folder.root.file("list/huge.m3u"), blank + "a.wav\n");
    EXPECT_EQ(folder.loaded("list/huge.m3u"), std::vector<std::string>{});
    writeText(folder.root.file("list/huge.m3u"), blank.substr(1) + "a.wav\n");
    EXPECT_EQ(folder.loaded("list/huge.m3u").size(), 1u);
}

TEST(Playlist, FailedWriteKeepsTheOldFileAndAFullListRefuses)
{
    PlaylistFolder folder;
    plevnt::Playlist playlist(3);
    playlist.silent = true;
    const std::string old = "a.wav\n";
    writeText(folder.root.file("list/keep.m3u"), old);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(playlist.add(folder.root.file("other/c.flac").c_str()), 0);
    EXPECT_EQ(playlist.add(folder.root.file("list/a.wav").c_str()), 13);

    // A file size limit below the new text makes the write fail half way.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    const rlimit small{16, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const int result = playlist.save(folder.root.file("list/keep.m3u").c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(result, toWire(engine::Error::WriteFailed));
    EXPECT_EQ(readText(folder.root.file("list/keep.m3u")), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.root.file("list")), {}),
              5); // no temporary file left
    EXPECT_EQ(playlist.save(folder.root.file("list/keep.xyz").c_str()),
              toWire(engine::Error::NotImplemented));
    EXPECT_EQ(playlist.load(folder.root.file("list/none.m3u").c_str()), toWire(engine::Error::ReadFailed));
    EXPECT_EQ(playlist.load(folder.root.file("list/keep.m3u").c_str()),
              toWire(engine::Error::IndexOutOfRange));
}

TEST(Playlist, CurrentIndexFollowsItsEntry)
{
    plevnt::Playlist playlist;
    playlist.silent = true;
    for (const char* path : {"/0", "/1", "/2", "/3"})
        ASSERT_EQ(playlist.add(path), 0);
    EXPECT_TRUE(playlist.next() && playlist.next() && playlist.currentIndex() == 1);
    EXPECT_TRUE(playlist.insert(0, "/new") == 0 && playlist.currentIndex() == 2);
    EXPECT_TRUE(playlist.move(2, 4) == 0 && playlist.currentIndex() == 4);
    EXPECT_TRUE(playlist.move(0, 3) == 0 && playlist.currentIndex() == 4);
    EXPECT_STREQ(playlist.currentEntry()->path, "/1");
    EXPECT_FALSE(playlist.next());
    EXPECT_TRUE(playlist.remove(0) == 0 && playlist.currentIndex() == 3);
    EXPECT_TRUE(playlist.remove(3) == 0 && playlist.currentIndex() == plevnt::Playlist::kNoEntry);
    EXPECT_EQ(playlist.add(""), 13);
}
