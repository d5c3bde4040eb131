#include "platform/core/Profile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/UserFolders.h"

namespace plat {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Serializes the section writes of this process (every deliverable shares
// this library); the flock on the lock file excludes other processes.
std::mutex& writeMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string_view trimBlanks(std::string_view text)
{
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// The name as sameName compares it, for a look-up.
std::string foldedName(std::string_view name)
{
    std::string folded(trimBlanks(name));
    for (char& c : folded)
        c = lowerAscii(c);
    return folded;
}

// One line of a file: its text is [begin, end), the next line starts at next.
// LF, CR-LF and a lone CR each end a line.
struct Line {
    size_t begin;
    size_t end;
    size_t next;
};

Line lineAt(const std::string& content, size_t pos)
{
    Line line{pos, content.find_first_of("\r\n", pos), content.size()};
    if (line.end == std::string::npos) {
        line.end = content.size();
        return line;
    }
    line.next = line.end + 1;
    if (content[line.end] == '\r' && line.next < content.size() && content[line.next] == '\n')
        ++line.next;
    return line;
}

// The text of a line as the reader sees it: a zero byte ends it.
std::string_view lineText(const std::string& content, const Line& line)
{
    std::string_view text(content.data() + line.begin, line.end - line.begin);
    size_t zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

// True for "[name]" (blanks around the brackets and the name dropped; text
// after the ']' is ignored). A '[' without its ']' is no header.
bool headerName(std::string_view text, std::string_view& name)
{
    text = trimBlanks(text);
    if (text.empty() || text.front() != '[')
        return false;
    size_t close = text.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trimBlanks(text.substr(1, close - 1));
    return true;
}

size_t contentStart(const std::string& content)
{
    return content.compare(0, kUtf8Mark.size(), kUtf8Mark) == 0 ? kUtf8Mark.size() : 0;
}

// Where a section lies: its header line starts at header, its lines run from
// body up to end (the next header, or the end of the file).
struct SectionSpan {
    bool found = false;
    size_t header = 0;
    size_t body = 0;
    size_t end = 0;
};

SectionSpan findSection(const std::string& content, std::string_view wanted)
{
    SectionSpan span;
    for (size_t pos = contentStart(content); pos < content.size();) {
        Line line = lineAt(content, pos);
        std::string_view name;
        if (headerName(lineText(content, line), name)) {
            if (span.found) {
                span.end = line.begin;
                return span;
            }
            if (sameName(name, wanted)) {
                span.found = true;
                span.header = line.begin;
                span.body = line.next;
            }
        }
        pos = line.next;
    }
    span.end = content.size();
    return span;
}

// Appends the "key=value" of a section line to lines, or nothing for a line
// that carries no entry.
void appendEntry(std::string_view text, std::string& lines)
{
    text = trimBlanks(text);
    if (text.empty() || text.front() == ';' || text.front() == '#' || text.front() == '[')
        return;
    size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return;
    std::string_view key = trimBlanks(text.substr(0, equals));
    if (key.empty())
        return;
    lines.append(key);
    lines += '=';
    lines.append(trimBlanks(text.substr(equals + 1)));
    lines += '\0';
}

enum class ReadResult { Read, Missing, Failed };

// Only a regular file is read: a FIFO or a device in its place would block
// the open or the reads (hence O_NONBLOCK, which regular files ignore).
ReadResult readWholeFile(const std::string& path, std::string& content, mode_t& mode)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return ReadResult::Failed;
    mode = info.st_mode & 07777;
    content.clear();
    try {
        content.reserve(static_cast<size_t>(info.st_size));
        char chunk[65536];
        for (;;) {
            ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return ReadResult::Failed;
            }
            if (got == 0)
                return ReadResult::Read;
            content.append(chunk, static_cast<size_t>(got));
        }
    } catch (const std::bad_alloc&) {
        return ReadResult::Failed;
    }
}

// The file's own line end, so that a file written elsewhere keeps its style.
std::string_view lineEndOf(const std::string& content)
{
    size_t newline = content.find('\n');
    if (newline != std::string::npos && newline > 0 && content[newline - 1] == '\r')
        return "\r\n";
    return "\n";
}

bool endsLine(const std::string& content, size_t pos)
{
    return pos == 0 || content[pos - 1] == '\n' || content[pos - 1] == '\r';
}

// The section's new lines as file text. Each line is cut at its first CR or
// LF, and lines that would read back as a header are dropped, so the caller's
// text cannot add lines or sections of its own.
std::string sectionLines(const char* text, std::string_view lineEnd)
{
    std::string lines;
    for (const char* line = text; *line != '\0'; line += std::strlen(line) + 1) {
        std::string_view view(line);
        view = view.substr(0, view.find_first_of("\r\n"));
        std::string_view trimmed = trimBlanks(view);
        if (trimmed.empty() || trimmed.front() == '[')
            continue;
        lines.append(view);
        lines.append(lineEnd);
    }
    return lines;
}

// The whole file with the section replaced (or removed for a null text).
std::string replaceSection(const std::string& content, const char* section, const char* text)
{
    std::string_view lineEnd = lineEndOf(content);
    SectionSpan span = findSection(content, trimBlanks(section));
    if (!span.found) {
        std::string updated = content;
        if (text == nullptr)
            return updated;
        if (!endsLine(updated, updated.size()))
            updated.append(lineEnd);
        updated += '[';
        updated += section;
        updated += ']';
        updated.append(lineEnd);
        updated += sectionLines(text, lineEnd);
        return updated;
    }
    if (text == nullptr)
        return content.substr(0, span.header) + content.substr(span.end);

    // Blank lines that close the old section stay, so the layout of the file
    // stays too.
    size_t keepFrom = span.body;
    for (size_t pos = span.body; pos < span.end;) {
        Line line = lineAt(content, pos);
        if (!trimBlanks(lineText(content, line)).empty())
            keepFrom = line.next;
        pos = line.next;
    }
    std::string updated = content.substr(0, span.body);
    if (!endsLine(updated, updated.size()))
        updated.append(lineEnd);
    updated += sectionLines(text, lineEnd);
    updated.append(content, keepFrom, std::string::npos);
    return updated;
}

bool validSectionName(const char* section)
{
    std::string_view name(section);
    return !trimBlanks(name).empty() && name.find_first_of("]\r\n") == std::string_view::npos;
}

// The file a chain of symbolic links ends at (path itself when it is no
// link), so that a write replaces the target and the links stay. A missing
// target is where a new file goes; a loop ends the walk and the write fails.
std::string finalTarget(std::string path)
{
    constexpr int kMaxLinks = 40; // as the kernel allows
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::vector<char> target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4095) + 1);
        ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<size_t>(length) >= target.size())
            return path;
        std::string next(target.data(), static_cast<size_t>(length));
        path = next.front() == '/' ? next : joinPath(folderOf(path), next);
    }
    return path;
}

// Writes content to a new file beside path and renames it over path: the
// file is always either the old one or the new one, both whole. The new file
// has its final mode before it holds anything, so no one who may not read
// the old file can open the new one meanwhile.
bool replaceFile(const std::string& path, const std::string& content, bool keepMode, mode_t mode)
{
    std::string tempPath;
    UniqueFd out(createTempFileBeside(path, tempPath, keepMode ? mode : 0666));
    if (!out)
        return false;
    // The umask may have taken bits away at creation.
    bool ok = (!keepMode || ::fchmod(out.get(), mode) == 0) &&
              writeFully(out.get(), content.data(), content.size()) && ::fsync(out.get()) == 0;
    ok = out.close() && ok;
    ok = ok && ::rename(tempPath.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    // The rename lasts a crash only once its folder is on disk too. The new
    // file is in place by now, so a failure here cannot be undone and is not
    // reported.
    std::string folder = folderOf(path);
    UniqueFd folderFd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd)
        (void)::fsync(folderFd.get());
    return true;
}

} // namespace

std::string configFolder()
{
    std::string folder;
    if (const char* own = environmentValue("VELMORA_CONFIG_DIR")) {
        folder = own;
    } else {
        const char* xdg = environmentValue("XDG_CONFIG_HOME");
        folder = joinPath(
            xdg != nullptr && *xdg == '/' ? std::string(xdg) : joinPath(homeFolder(), ".config"), "velmora");
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string profilePath(const std::string& fileName)
{
    if (fileName.find('/') != std::string::npos)
        return fileName;
    return joinPath(configFolder(), fileName);
}

std::string getProfileSectionLines(const char* section, const char* fileName)
{
    if (section == nullptr)
        return {};
    try {
        return getProfileSections({section}, fileName).front();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

uint32_t getProfileSection(const char* section, char* buffer, uint32_t size, const char* fileName)
{
    if (buffer == nullptr || size == 0)
        return 0;
    std::string lines = getProfileSectionLines(section, fileName);

    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    if (lines.size() + 1 <= size) {
        std::memcpy(buffer, lines.data(), lines.size());
        buffer[lines.size()] = '\0';
        if (lines.empty())
            buffer[1] = '\0';
        return static_cast<uint32_t>(lines.size());
    }
    // Too small: as many characters as fit, then the double zero.
    std::memcpy(buffer, lines.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::vector<std::string> getProfileSections(const std::vector<std::string>& sections, const char* fileName)
{
    std::vector<std::string> found(sections.size());
    if (fileName == nullptr || *fileName == '\0')
        return found;
    try {
        // Each name's lines are read into the first place it is asked for.
        std::unordered_map<std::string, size_t> first;
        std::vector<size_t> from(sections.size());
        for (size_t i = 0; i < sections.size(); ++i)
            from[i] = first.emplace(foldedName(sections[i]), i).first->second;

        std::string content;
        mode_t mode = 0;
        if (readWholeFile(profilePath(fileName), content, mode) != ReadResult::Read)
            return found;
        std::vector<bool> read(sections.size(), false);
        std::string* lines = nullptr;
        for (size_t pos = contentStart(content); pos < content.size();) {
            Line line = lineAt(content, pos);
            std::string_view text = lineText(content, line);
            std::string_view name;
            if (headerName(text, name)) {
                // The first section of a name counts.
                auto it = first.find(foldedName(name));
                lines = nullptr;
                if (it != first.end() && !read[it->second]) {
                    read[it->second] = true;
                    lines = &found[it->second];
                }
            } else if (lines != nullptr) {
                appendEntry(text, *lines);
            }
            pos = line.next;
        }
        for (size_t i = 0; i < sections.size(); ++i) {
            if (from[i] != i)
                found[i] = found[from[i]];
        }
    } catch (const std::bad_alloc&) {
        found.assign(sections.size(), std::string());
    }
    return found;
}

bool writeProfileSection(const char* section, const char* text, const char* fileName)
{
    if (section == nullptr || fileName == nullptr || *fileName == '\0' || !validSectionName(section))
        return false;
    try {
        std::lock_guard<std::mutex> guard(writeMutex());
        if (std::strchr(fileName, '/') == nullptr && !createFolder(configFolder()))
            return false;
        // Written beside a link's target, so the link keeps working; the lock
        // goes there too, so writers through the link and past it exclude
        // each other.
        std::string path = finalTarget(profilePath(fileName));

        // The lock file, not the settings file, carries the lock: the
        // settings file is replaced by every write.
        UniqueFd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
        if (!lock)
            return false;
        while (::flock(lock.get(), LOCK_EX) != 0) {
            if (errno != EINTR)
                return false;
        }

        std::string content;
        mode_t mode = 0;
        ReadResult read = readWholeFile(path, content, mode);
        // A file that exists but cannot be read would lose its other sections.
        if (read == ReadResult::Failed)
            return false;
        std::string updated = replaceSection(content, section, text);
        if (updated == content && read == ReadResult::Read)
            return true;
        if (updated.empty() && read == ReadResult::Missing)
            return true; // nothing to remove from a file that is not there
        return replaceFile(path, updated, read == ReadResult::Read, mode);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace plat
