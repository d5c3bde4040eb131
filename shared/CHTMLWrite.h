#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "zkr/Resource.h"

namespace shared {

// One frame of a frameset page.
struct FrameRecord {
    char source[256] = {};
    char name[256] = {};
    char size[32] = {};
    bool scrolling = false;
};

// Writes the generated help pages. attach(path, 0) creates or empties the
// page, detach closes it; every writing operation appends fixed pieces of
// text. A failed write is recorded (writeFailed) so the caller does not take
// a half written page for a finished one.
class CHTMLWrite : public zkr::Resource {
public:
    static constexpr int kTitleSize = 256;

    CHTMLWrite() = default;
    ~CHTMLWrite() override;

    bool open(const char* name, int mode) override;
    bool close() override;

    void head(const char* title, bool styled);
    void body();
    void image(const char* source, const char* alt, bool centred);
    void heading(const char* text, bool large);
    void breaks(int count);
    // One link per page (full paths), shown in the frame named target: as a
    // file URL or the path as given, named by the page's title or file name.
    void links(const std::vector<std::string>& pages, const char* target, bool asFileUrl, bool withTitles);
    // Columns, or rows when rows is set, sized as the frames say.
    void frameset(bool rows, const std::vector<FrameRecord>& frames);
    void bodyEnd();
    void end();

    // Reads the text of the page's TITLE element into pageTitle; false when
    // the page has none (or an empty one), and pageTitle is then empty.
    bool readTitle(const char* page);

    bool writeFailed() const { return writeFailed_; }

    std::FILE* file = nullptr;
    char pageTitle[kTitleSize] = {};

private:
    void write(const char* text);
    void writeFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));

    bool writeFailed_ = false;
};

// "file://" address of a local path: backslashes become slashes, and the few
// characters that would end the path early or break the HTML attribute are
// escaped.
std::string fileUrlOf(const std::string& path);

} // namespace shared
