#include "shared/CHTMLWrite.h"

#include <cstdarg>
#include <cstring>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "zkr/Text.h"

namespace shared {

namespace {

constexpr const char* kFrameColumns = "COLS=\"";
constexpr const char* kFrameRows = "ROWS=\"";

// Closes a page opened for reading on every way out.
class ReadFile {
public:
    explicit ReadFile(const char* path) : file_(std::fopen(path, "r")) {}
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;
    ~ReadFile()
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    std::FILE* get() const { return file_; }

private:
    std::FILE* file_;
};

bool escapedInUrl(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == ' ' || c == '"' || c == '#' || c == '%' || c == '<' || c == '>' ||
           c == '?';
}

} // namespace

std::string fileUrlOf(const std::string& path)
{
    // An absolute path brings its own leading slash.
    std::string url = !path.empty() && (path[0] == '/' || path[0] == '\\') ? "file://" : "file:///";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '\\') {
            url += '/';
        } else if (escapedInUrl(c)) {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0x0F];
        } else {
            url += ch;
        }
    }
    return url;
}

CHTMLWrite::~CHTMLWrite()
{
    (void)detach();
}

bool CHTMLWrite::open(const char* name, int /*mode*/)
{
    if (name == nullptr || name[0] == '\0')
        return false;
    file = std::fopen(name, "w+");
    writeFailed_ = false;
    return file != nullptr;
}

bool CHTMLWrite::close()
{
    if (file == nullptr)
        return true;
    const bool closed = std::fclose(file) == 0;
    // The stream is gone whether or not its last bytes reached the disk.
    file = nullptr;
    if (!closed)
        writeFailed_ = true;
    return closed;
}

void CHTMLWrite::write(const char* text)
{
    if (file == nullptr || std::fputs(text, file) < 0) {
        if (!writeFailed_)
            setError(toWire(engine::Error::WriteFailed));
        writeFailed_ = true;
    }
}

void CHTMLWrite::writeFormatted(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int written = file != nullptr ? std::vfprintf(file, format, arguments) : -1;
    va_end(arguments);
    if (written < 0) {
        if (!writeFailed_)
            setError(toWire(engine::Error::WriteFailed));
        writeFailed_ = true;
    }
}

void CHTMLWrite::head(const char* title, bool styled)
{
    writeFormatted("<HTML>\n<HEAD>\n  <TITLE>%s</TITLE>\n", title != nullptr ? title : "");
    write("  <META NAME=\"generator\" CONTENT=\"CHTMLWrite\">\n");
    write("</HEAD>\n\n");
    if (!styled)
        return;
    write("<STYLE TYPE=\"text/css\">\n");
    write("td {font-size: 8pt; }\n");
    write("A:link {text-decoration: none; color: #0068D0;}\n");
    write("A:visited {text-decoration: none; color: 989868;}\n");
    write("A:active {text-decoration: none; color: #FF0000;}\n");
    write("A:hover {text-decoration: underline; color:#0068D0;}\n");
    write("</STYLE>\n\n");
}

void CHTMLWrite::body()
{
    writeFormatted("\n<BODY BGCOLOR=\"%s\" TEXT=\"%s\">\n", "#000000", "#FFFFFF");
    writeFormatted("<FONT FACE=\"%s\" SIZE=\"%s\">\n\n", "Verdana, Arial, Helvetica", "1");
}

void CHTMLWrite::image(const char* source, const char* alt, bool centred)
{
    if (centred)
        write("<DIV ALIGN=\"CENTER\">\n");
    writeFormatted("<IMG SRC=\"%s\" BORDER=\"0\" ALT=\"%s\">\n", source != nullptr ? source : "",
                   alt != nullptr ? alt : "");
    if (centred)
        write("</DIV>\n");
}

void CHTMLWrite::heading(const char* text, bool large)
{
    const char* shown = text != nullptr ? text : "";
    if (large)
        writeFormatted("<FONT COLOR=\"%s\" SIZE=\"+1\"><B>%s</B></FONT><BR>\n", "#FFFF00", shown);
    else
        writeFormatted("<FONT COLOR=\"%s\"><B>%s</B></FONT><BR>\n", "#FFFF00", shown);
}

void CHTMLWrite::breaks(int count)
{
    write("\n");
    for (int i = 0; i < count; ++i)
        write("<BR>\n");
    write("\n");
}

void CHTMLWrite::links(const std::vector<std::string>& pages, const char* target, bool asFileUrl,
                       bool withTitles)
{
    const char* frame = target != nullptr ? target : "";
    for (const std::string& page : pages) {
        const std::string address = asFileUrl ? fileUrlOf(page) : page;
        writeFormatted("<A HREF=\"%s\" TARGET=\"%s\">", address.c_str(), frame);
        if (withTitles && readTitle(page.c_str())) {
            writeFormatted("%s</A><BR>\n", pageTitle);
        } else {
            // Pages may still be named with backslashes by their callers.
            std::string name = page;
            const std::string::size_type cut = name.find_last_of("/\\");
            if (cut != std::string::npos)
                name.erase(0, cut + 1);
            writeFormatted("%s</A><BR>\n", name.c_str());
        }
    }
}

void CHTMLWrite::frameset(bool rows, const std::vector<FrameRecord>& frames)
{
    write("<FRAMESET ");
    std::string layout = rows ? kFrameRows : kFrameColumns;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (i > 0)
            layout += ',';
        layout += frames[i].size;
    }
    layout += '"';
    writeFormatted("%s BORDER=\"0\" FRAMEBORDER=\"0\" FRAMESPACING=\"0\">\n", layout.c_str());
    for (const FrameRecord& frame : frames) {
        writeFormatted("  <FRAME NAME=\"%s\" SRC=\"%s\" SCROLLING=\"", frame.name, frame.source);
        write(frame.scrolling ? "AUTO" : "NO");
        write("\">\n");
    }
    write("</FRAMESET>\n\n");
}

void CHTMLWrite::bodyEnd()
{
    write("</FONT>\n</BODY>\n");
}

void CHTMLWrite::end()
{
    write("</HTML>\n");
}

bool CHTMLWrite::readTitle(const char* page)
{
    pageTitle[0] = '\0';
    if (page == nullptr)
        return false;
    ReadFile in(page);
    if (in.get() == nullptr)
        return false;

    // Lines of up to 255 characters, as the pages were always read.
    char line[256];
    std::string title;
    bool elementSeen = false; // a line with "TITLE" was met
    bool inTitle = false;     // past the '>' that opens the title text
    while (std::fgets(line, sizeof line, in.get()) != nullptr) {
        const char* at = line;
        if (!elementSeen) {
            at = std::strstr(line, "TITLE");
            if (at == nullptr)
                continue;
            elementSeen = true;
        }
        if (!inTitle) {
            at = std::strchr(at, '>');
            if (at == nullptr)
                continue;
            inTitle = true;
            ++at;
        }
        const char* stop = std::strchr(at, '<');
        const size_t length = stop != nullptr ? static_cast<size_t>(stop - at) : std::strlen(at);
        // Longer titles are cut to the field.
        const size_t room = static_cast<size_t>(kTitleSize - 1) - title.size();
        title.append(at, length < room ? length : room);
        if (stop != nullptr) {
            if (title.empty())
                return false; // an empty title would make a link no one can see
            zkr::copyText(pageTitle, title.c_str());
            return true;
        }
    }
    return false;
}

} // namespace shared
