#include "zkr/ApplicationUpdate.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/Time.h"
#include "zkr/Registry.h"
#include "zkr/Text.h"

namespace zkr {

namespace {

// One decimal number: a leading 0 means nothing in a date ("08" is August).
bool readNumber(const char* text, int& value)
{
    return std::sscanf(text, "%d", &value) == 1;
}

} // namespace

ApplicationUpdate::ApplicationUpdate() : entries(8, true, 8)
{
    kind = kKindApplicationUpdate;
}

bool ApplicationUpdate::parseDate(const char* text, uint64_t& fileTime)
{
    char month[16];
    char day[16];
    char year[16];
    if (text == nullptr || std::sscanf(text, "%15[^/]/%15[^/]/%15s", month, day, year) != 3)
        return false;
    int monthValue = 0;
    int dayValue = 0;
    int yearValue = 0;
    if (!readNumber(month, monthValue) || !readNumber(day, dayValue) || !readNumber(year, yearValue))
        return false;
    if (monthValue < 1 || monthValue > 12 || dayValue < 1 || dayValue > 31 || yearValue < 1601 ||
        yearValue > 30827)
        return false;
    plat::LocalTime midnight{};
    midnight.year = static_cast<uint16_t>(yearValue);
    midnight.month = static_cast<uint16_t>(monthValue);
    midnight.day = static_cast<uint16_t>(dayValue);
    return plat::localTimeToFileTime(midnight, fileTime);
}

std::string ApplicationUpdate::firstLine(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::string line;
    char c;
    while (line.size() + 1 < kFirstLineSize && file.get(c) && c != '\r' && c != '\n')
        line += c;
    return line;
}

std::string ApplicationUpdate::offerLine(const UpdateEntry& entry)
{
    return std::string(entry.title) + " (" + entry.fileName + ") => " + entry.webAddress;
}

bool ApplicationUpdate::evaluate(const char* descriptionPath, const char* pluginsFolder)
{
    entries.clear();
    Registry description;
    description.silent = true;
    description.setFileName(descriptionPath);
    // A section that cannot be read has no NumFiles: no description.
    (void)description.selectSection(kSection, true);
    const int numFiles = description.getInt("NumFiles", -1);
    if (numFiles == -1)
        return false;

    // The file is read once for the named sections, however many: a section
    // at a time, a long list would read it again and again.
    std::vector<std::string> sectionNames;
    for (int i = 1; i <= std::min(numFiles, kMostFiles); ++i) {
        char key[Registry::kKeySize];
        std::snprintf(key, sizeof key, "%s%i", "File", i);
        char sectionName[Registry::kValueSize];
        description.getString(key, "", sectionName);
        if (sectionName[0] != '\0')
            sectionNames.emplace_back(sectionName);
    }
    // Sections that could not be read stay empty, their entries skipped.
    (void)description.loadSections(sectionNames);

    for (const std::string& sectionName : sectionNames) {
        // Not selected, the previous section would be read again.
        if (description.selectSection(sectionName.c_str(), false) != 0)
            continue;
        char name[Registry::kValueSize];
        char title[Registry::kValueSize];
        char date[Registry::kValueSize];
        char url[Registry::kValueSize];
        description.getString("name", "", name);
        description.getString("title", "", title);
        description.getString("date", "", date);
        description.getString("url", "", url);
        UpdateEntry entry{};
        // A name cut to fit would name another file.
        uint64_t remoteTime = 0;
        if (name[0] == '\0' || date[0] == '\0' || url[0] == '\0' ||
            std::strlen(name) >= sizeof entry.fileName || !parseDate(date, remoteTime))
            continue;
        // The packed record's 64-bit fields may be misaligned: assigned, never referenced.
        entry.remoteTime = remoteTime;
        copyText(entry.fileName, name);
        (void)copyText(entry.title, title[0] != '\0' ? title : name);
        copyText(entry.dateText, date);
        copyText(entry.webAddress, url);
        if (entries.append(&entry) != 0)
            break; // out of memory: the entries kept so far are compared
    }

    for (const std::string& file : plat::listFolder(pluginsFolder, "*.*", plat::ListWhat::Files)) {
        for (int i = 0; i < entries.count; ++i) {
            auto* entry = entries.itemAt(i);
            if (strcasecmp(entry->fileName, file.c_str()) != 0)
                continue;
            uint64_t written = 0;
            if (!plat::lastWriteTime(plat::joinPath(pluginsFolder, file), written))
                continue;
            entry->found = 1;
            entry->localTime = written;
            entry->newer = written < entry->remoteTime ? 1 : 0;
        }
    }
    return true;
}

int ApplicationUpdate::newerCount()
{
    int count = 0;
    for (int i = 0; i < entries.count; ++i)
        count += entries.itemAt(i)->newer != 0 ? 1 : 0;
    return count;
}

UpdateEntry* ApplicationUpdate::newerAt(int index)
{
    for (int i = 0; i < entries.count; ++i) {
        auto* entry = entries.itemAt(i);
        if (entry->newer != 0 && index-- == 0)
            return entry;
    }
    return nullptr;
}

} // namespace zkr
