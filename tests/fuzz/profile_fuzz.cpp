// Settings files are read as they come: junk, any line ends, huge lines, zero
// bytes. Reading must stay within its buffer and a section write must change
// that section alone.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/Profile.h"
#include "zkr/Registry.h"

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "profile fuzz: %s\n", what);
        std::abort();
    }
}

const std::string& settingsFolder()
{
    static const std::string folder = [] {
        std::string pattern =
            (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/velmora-fuzz-XXXXXX");
        check(mkdtemp(pattern.data()) != nullptr, "no temporary folder");
        setenv("VELMORA_CONFIG_DIR", pattern.c_str(), 1);
        return pattern;
    }();
    return folder;
}

// The name inside the first "[...]" of the data, if any.
std::string firstHeaderName(const std::string& content)
{
    size_t open = content.find('[');
    size_t close = open == std::string::npos ? open : content.find(']', open);
    if (close == std::string::npos || close - open > 64)
        return "Other";
    std::string name = content.substr(open + 1, close - open - 1);
    return name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos ? name : "Other";
}

std::vector<char> readSection(const char* section, uint32_t size)
{
    std::vector<char> buffer(size + 1, '\x7f'); // one guard byte past the end
    uint32_t length = plat::getProfileSection(section, buffer.data(), size, "fuzz.ini");
    check(buffer[size] == '\x7f', "wrote past the buffer");
    if (size >= 2) {
        // The list's last line ends in a zero and one more zero ends the list;
        // a list cut short ends in two zeros at length and length + 1.
        check(length <= size - 1, "length beyond the buffer");
        check(buffer[length] == '\0', "list not ended by a zero");
        const bool complete = length == 0 ? buffer[1] == '\0' : buffer[length - 1] == '\0';
        const bool cut = length == size - 2 && buffer[length + 1] == '\0';
        check(complete || cut, "list not ended by two zeros");
    }
    buffer.resize(size >= 2 ? length + 1 : 0);
    return buffer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = settingsFolder() + "/fuzz.ini";
    const std::string content(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << content;
    }
    const std::string other = firstHeaderName(content);

    // Every size gives a prefix of the whole list, ended by two zeros.
    const std::vector<char> whole = readSection(other.c_str(), 16384);
    for (uint32_t bufferSize : {0u, 1u, 2u, 3u, 7u, 64u}) {
        std::vector<char> part = readSection(other.c_str(), bufferSize);
        if (!part.empty())
            check(std::memcmp(part.data(), whole.data(), part.size() - 1) == 0, "cut list is no prefix");
    }
    // Each line is key=value with a key and no line break.
    for (size_t pos = 0; pos + 1 < whole.size() && whole[pos] != '\0';) {
        std::string line(&whole[pos]);
        check(line.find('=') != std::string::npos && line.front() != '=', "line without key=value");
        check(line.find_first_of("\r\n") == std::string::npos, "line break inside a line");
        pos += line.size() + 1;
    }

    // The class library's store over the same file: any reads, no crash.
    {
        zkr::Registry store;
        store.silent = true;
        store.setFileName("fuzz.ini");
        (void)store.selectSection(other.c_str(), true);
        char value[zkr::Registry::kValueSize];
        int x = 0;
        int y = 0;
        for (int i = 0; i < 4 && i < store.currentSection->count; ++i) {
            auto* entry = static_cast<zkr::Registry::Entry*>(store.currentSection->itemAt(i));
            store.getString(entry->key, "", value);
            store.getInt(entry->key, 0);
            store.getPoint(entry->key, 1, 2, &x, &y);
        }
    }

    // Replacing one section leaves every other section as it read before.
    // Section names match without regard to case or surrounding blanks.
    const size_t first = other.find_first_not_of(" \t");
    const size_t last = other.find_last_not_of(" \t");
    const std::string otherName = first == std::string::npos ? "" : other.substr(first, last - first + 1);
    const bool sameName = strcasecmp(otherName.c_str(), "Written") == 0;
    static const char kLines[] = "first=1\0second=a=b\0";
    if (plat::writeProfileSection("Written", kLines, "fuzz.ini")) {
        std::vector<char> written = readSection("Written", 16384);
        check(written.size() == sizeof kLines && std::memcmp(written.data(), kLines, sizeof kLines) == 0,
              "written section reads back different");
        if (!sameName)
            check(readSection(other.c_str(), 16384) == whole, "another section changed");
    }
    return 0;
}
