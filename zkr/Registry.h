#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/Messages.h"
#include "zkr/List.h"

namespace zkr {

// The settings store: whole sections of a private profile file, loaded once,
// served from memory and written back whole by saveSection. Keys longer than
// 31 characters and values longer than 255 are cut to fit, on reading the
// file and on every write and look-up alike, except for the values that the
// owner reads or writes as long strings (folders): those keep up to
// kLongValueSize - 1 characters and are saved whole. A store is used by one
// thread at a time; the deliverable that owns it takes care of that.
class Registry : public ObjectBase {
public:
    static constexpr int kKeySize = 32;
    static constexpr int kValueSize = 256;
    static constexpr int kLongValueSize = 4096; // PATH_MAX
    // Section names are cut to this many characters less one, as stored.
    static constexpr int kSectionNameSize = 256;
    // The most text a saved section may have. Sections are read whole,
    // however long; one longer than this cannot be saved.
    static constexpr int kSectionTextSize = 16384;

    struct Entry {
        char key[kKeySize];
        char value[kValueSize];
    };
    static_assert(sizeof(Entry) == 288);

    Registry();
    ~Registry() override;

    void setFileName(const char* fileName);

    // Makes the named section current, reading it from the file the first
    // time only (with load and a file name).
    [[nodiscard]] int selectSection(const char* name, bool load);
    // Reads the named sections that are not in memory yet with one pass over
    // the file, however many they are; selecting one afterwards (without
    // load) finds it. A section the file lacks is loaded empty.
    [[nodiscard]] int loadSections(const std::vector<std::string>& names);
    // Writes the current section back whole: NotNow without one, IndexOutOfRange when its
    // text exceeds kSectionTextSize, WriteFailed when the file cannot be written.
    [[nodiscard]] int saveSection();

    // Reads never fail and never change lastError. out holds kValueSize.
    void getString(const char* key, const char* defaultValue, char* out);
    int getInt(const char* key, int defaultValue);
    void getPoint(const char* key, int defaultX, int defaultY, int* x, int* y);

    // The whole value as the file or setLongString had it, however long
    // (up to kLongValueSize - 1); the key's value is saved whole from then on.
    std::string getLongString(const char* key, const char* defaultValue);

    [[nodiscard]] int setString(const char* key, const char* value);
    // Sets the value, saved whole; longer than kLongValueSize - 1 is refused
    // with 13 and the old value kept.
    [[nodiscard]] int setLongString(const char* key, const std::string& value);
    [[nodiscard]] int setInt(const char* key, int value);
    [[nodiscard]] int setPoint(const char* key, int x, int y);
    [[nodiscard]] int addEntry(const char* key, const char* value);
    // Index of the key in the current section, or -1.
    int findKey(const char* key);

    // Window positions as "x,y" in whatever section of theApplication's store
    // is current (nothing without theApplication). A position of 0,0, or one
    // that would leave too little of the window on the screen to grab
    // (leavesGrabbablePart), is not restored.
    [[nodiscard]] static int savePosition(plat::ui::WindowHandle window, const char* key);
    [[nodiscard]] static bool restorePosition(plat::ui::WindowHandle window, const char* key);

    int sectionCount() const { return static_cast<int>(sections.size()); }

    using Section = List<Entry>;
    std::vector<std::unique_ptr<Section>> sections;
    Section* currentSection = nullptr;
    std::string fileName;
    bool createMissingKeys = false;

private:
    // A new section named name of the "key=value" lines of a profile section
    // (as plat::getProfileSections gives them), or null with lastError set.
    [[nodiscard]] std::unique_ptr<Section> sectionOf(const std::string& lines, const char* name);
    // Adds section under name and makes it current; 0, or OutOfMemory with the section freed.
    [[nodiscard]] int keepSection(std::unique_ptr<Section> section, const std::string& name);
    // The section in memory named name; null for none.
    Section* findSection(const std::string& name) const;
    // The name as stored: cut to kSectionNameSize - 1 characters.
    static std::string storedName(const char* name);
    Entry* entryAt(int index);

    // Values too long for their entries, by section name and key as stored;
    // saved whole once the owner took them as long strings.
    struct LongValue {
        std::string text;
        bool savedWhole = false;
    };
    std::map<std::pair<std::string, std::string>, LongValue> longValues_;
};

} // namespace zkr
