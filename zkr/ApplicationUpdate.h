#pragma once

#include <cstdint>
#include <string>

#include "zkr/List.h"
#include "zkr/ObjectBase.h"

namespace zkr {

// One file named by an update description, compared with the installed file.
#pragma pack(push, 4)
struct UpdateEntry {
    char fileName[128];
    char title[256];
    char dateText[16];
    char webAddress[256];
    uint64_t remoteTime; // file time of the date, local midnight
    uint8_t found;       // a file of that name is in the plug-in folder
    uint64_t localTime;  // that file's last write time
    uint8_t newer;       // remoteTime is later than localTime
};
#pragma pack(pop)
static_assert(sizeof(UpdateEntry) == 680);

// The update description downloaded from the update server (a settings file,
// possibly behind the response's header lines) and the plug-ins it offers.
class ApplicationUpdate : public ObjectBase {
public:
    static constexpr char kSection[] = "AUTO_UPDATE_SECTION";
    static constexpr int kFirstLineSize = 256;
    // Entries past this count are not read: no real description comes near it.
    static constexpr int kMostFiles = 1000;

    ApplicationUpdate();

    // Reads the description and compares its entries with the files of
    // pluginsFolder. False when the file is no description (it lacks
    // "NumFiles" in kSection); the entries are then empty.
    [[nodiscard]] bool evaluate(const char* descriptionPath, const char* pluginsFolder);
    // The entries with the newer flag, in order.
    int newerCount();
    UpdateEntry* newerAt(int index);
    // The line shown for an entry: "title (file name) => web address".
    static std::string offerLine(const UpdateEntry& entry);

    // The file's first line, at most kFirstLineSize - 1 characters, without
    // its line end; empty for a file that cannot be read.
    static std::string firstLine(const char* path);
    // "month/day/year" as a file time of local midnight; false when the text
    // names no date.
    [[nodiscard]] static bool parseDate(const char* text, uint64_t& fileTime);

    // Every valid entry of the description, found or not.
    List<UpdateEntry> entries;
};

} // namespace zkr
