// Playlist files come from anywhere: any bytes, line ends, lengths. Reading
// must not depend on how the text arrives, must give absolute normal paths,
// and every path read must come back unchanged through writing and reading.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plugins/plevnt/PlaylistFiles.h"
#include "support/FileText.h"
#include "support/TempFolder.h"

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "playlist fuzz: %s\n", what);
        std::abort();
    }
}

const velmora::test::TempFolder folder;

std::vector<std::string> readM3u(const std::string& text, std::size_t piece)
{
    plevnt::M3uReader reader(folder.path());
    for (std::size_t at = 0; at < text.size(); at += piece)
        reader.feed(text.data() + at, std::min(piece, text.size() - at));
    reader.finish();
    return reader.paths;
}

void checkReadsBack(const std::vector<std::string>& paths, plevnt::PlaylistFormat format, const char* name)
{
    std::vector<plevnt::PlaylistEntry> entries(paths.size());
    std::vector<const plevnt::PlaylistEntry*> written;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].size() < sizeof entries[i].path) {
            paths[i].copy(entries[i].path, paths[i].size());
            written.push_back(&entries[i]);
            expected.push_back(paths[i]);
        }
    }
    velmora::test::writeText(folder.file(name), plevnt::playlistText(format, written, folder.path()));
    std::vector<std::string> back;
    check(plevnt::readPlaylistFile(folder.file(name), back) && back == expected,
          "written playlist reads back different");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> paths = readM3u(text, text.size() + 1);
    for (std::size_t piece : {1u, 7u, 4096u})
        check(readM3u(text, piece) == paths, "result depends on the pieces");
    for (const std::string& path : paths)
        check(path == std::filesystem::path(path).lexically_normal().string() && path.starts_with('/') &&
                  (path == "/" || !path.ends_with('/')) && path.find('\0') == std::string::npos,
              "path not absolute and normal");
    velmora::test::writeText(folder.file("in.pls"), text);
    checkReadsBack(paths, plevnt::PlaylistFormat::M3u, "out.m3u");
    checkReadsBack(paths, plevnt::PlaylistFormat::Pls, "out.pls");
    checkReadsBack(plevnt::readPlsFile(folder.file("in.pls")), plevnt::PlaylistFormat::Pls, "again.pls");
    return 0;
}
