#include "zkr/Registry.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "api/Protocol.h"
#include "platform/core/Profile.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Window.h"
#include "zkr/Application.h"
#include "zkr/Text.h"
#include "zkr/WindowHelpers.h"

namespace zkr {

namespace {

int clampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// One number as "%i" reads it (decimal, "0x" hexadecimal, leading-zero
// octal, blanks before it skipped); false when there is none.
bool readNumber(const char*& text, int& number)
{
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 0);
    if (end == text)
        return false;
    number = clampToInt(value);
    text = end;
    return true;
}

} // namespace

Registry::Registry()
{
    kind = kKindRegistry;
}

// Sections live only in memory: nothing is written here.
Registry::~Registry() = default;

void Registry::setFileName(const char* name)
{
    fileName = name != nullptr ? name : "";
}

std::string Registry::storedName(const char* name)
{
    return name != nullptr ? std::string(name, strnlen(name, kSectionNameSize - 1)) : std::string();
}

Registry::Entry* Registry::entryAt(int index)
{
    return currentSection == nullptr ? nullptr : currentSection->itemAt(index);
}

std::unique_ptr<Registry::Section> Registry::sectionOf(const std::string& lines, const char* name)
{
    std::erase_if(longValues_, [&](const auto& entry) { return entry.first.first == name; });
    std::unique_ptr<Section> section(new (std::nothrow) Section(1, true, 1));
    if (section == nullptr) {
        setError(toWire(engine::Error::OutOfMemory));
        return nullptr;
    }
    section->silent = silent;
    for (size_t pos = 0; pos < lines.size();) {
        const char* line = lines.c_str() + pos;
        size_t lineLength = std::strlen(line);
        pos += lineLength + 1;

        // Only the first '=' separates; a line without one is all key.
        const char* equals = std::strchr(line, '=');
        size_t keyLength = equals != nullptr ? static_cast<size_t>(equals - line) : lineLength;
        if (keyLength == 0)
            continue;
        Entry entry{};
        std::memcpy(entry.key, line, std::min<size_t>(keyLength, kKeySize - 1));
        const char* value = equals != nullptr ? equals + 1 : "";
        copyText(entry.value, value);
        const size_t valueLength = std::strlen(value);
        if (valueLength >= static_cast<size_t>(kValueSize) &&
            valueLength < static_cast<size_t>(kLongValueSize))
            longValues_[{name, entry.key}] = LongValue{value, false};
        if (section->append(&entry) != 0) {
            lastError = section->lastError;
            return nullptr;
        }
    }
    return section;
}

int Registry::keepSection(std::unique_ptr<Section> section, const std::string& name)
{
    section->name = name;
    try {
        sections.push_back(std::move(section));
    } catch (const std::bad_alloc&) {
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    currentSection = sections.back().get();
    lastError = 0;
    return 0;
}

Registry::Section* Registry::findSection(const std::string& name) const
{
    for (const auto& section : sections) {
        if (section->name == name)
            return section.get();
    }
    return nullptr;
}

int Registry::selectSection(const char* name, bool load)
{
    const std::string wanted = storedName(name);
    if (load && fileName.empty())
        load = false;

    if (Section* known = findSection(wanted)) {
        currentSection = known;
        lastError = 0;
        return 0;
    }
    // The whole section, however long: a section read only in part would
    // lose the rest on its next save.
    std::unique_ptr<Section> section =
        sectionOf(load ? plat::getProfileSectionLines(wanted.c_str(), fileName.c_str()) : std::string(),
                  wanted.c_str());
    if (section == nullptr)
        return lastError;
    return keepSection(std::move(section), wanted);
}

int Registry::loadSections(const std::vector<std::string>& names)
{
    if (fileName.empty())
        return 0;
    Section* const current = currentSection;
    // Asked for as selectSection asks: by the name cut to its field.
    std::vector<std::string> missing;
    for (const std::string& name : names) {
        const std::string wanted = storedName(name.c_str());
        const bool known = std::find(missing.begin(), missing.end(), wanted) != missing.end() ||
                           findSection(wanted) != nullptr;
        if (!known)
            missing.emplace_back(wanted);
    }
    const std::vector<std::string> texts = plat::getProfileSections(missing, fileName.c_str());
    int failed = 0;
    for (size_t i = 0; i < missing.size() && failed == 0; ++i) {
        std::unique_ptr<Section> section = sectionOf(texts[i], missing[i].c_str());
        failed = section != nullptr ? keepSection(std::move(section), missing[i]) : lastError;
    }
    currentSection = current;
    return failed;
}

int Registry::saveSection()
{
    if (currentSection == nullptr) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    std::unique_ptr<char[]> text(new (std::nothrow) char[kSectionTextSize]);
    if (text == nullptr) {
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    size_t used = 0;
    for (int i = 0; i < currentSection->count; ++i) {
        const Entry* entry = entryAt(i);
        size_t keyLength = strnlen(entry->key, kKeySize - 1);
        const char* value = entry->value;
        size_t valueLength = strnlen(value, kValueSize - 1);
        const auto whole = longValues_.find({currentSection->name, entry->key});
        if (whole != longValues_.end() && whole->second.savedWhole) {
            value = whole->second.text.c_str();
            valueLength = whole->second.text.size();
        }
        size_t lineSize = keyLength + 1 + valueLength + 1;
        // The line, its zero and the final zero must all fit.
        if (used + lineSize + 1 > static_cast<size_t>(kSectionTextSize)) {
            setError(toWire(engine::Error::IndexOutOfRange));
            return lastError;
        }
        char* line = text.get() + used;
        std::memcpy(line, entry->key, keyLength);
        line[keyLength] = '=';
        std::memcpy(line + keyLength + 1, value, valueLength);
        line[keyLength + 1 + valueLength] = '\0';
        used += lineSize;
    }
    text[used] = '\0';
    if (used == 0)
        text[1] = '\0';

    if (!plat::writeProfileSection(currentSection->name.c_str(), text.get(), fileName.c_str())) {
        setError(toWire(engine::Error::WriteFailed));
        return lastError;
    }
    lastError = 0;
    return 0;
}

int Registry::findKey(const char* key)
{
    if (currentSection == nullptr)
        return -1;
    // Compared as stored: cut to the key field.
    char wanted[kKeySize];
    copyText(wanted, key);
    for (int i = 0; i < currentSection->count; ++i) {
        const Entry* entry = entryAt(i);
        if (entry != nullptr && std::strncmp(entry->key, wanted, kKeySize) == 0)
            return i;
    }
    return -1;
}

void Registry::getString(const char* key, const char* defaultValue, char* out)
{
    if (out == nullptr)
        return;
    int index = findKey(key);
    if (index >= 0)
        copyText(out, kValueSize, entryAt(index)->value);
    else if (defaultValue != out)
        copyText(out, kValueSize, defaultValue);
}

int Registry::getInt(const char* key, int defaultValue)
{
    int index = findKey(key);
    if (index < 0)
        return defaultValue;
    // The leading decimal integer; letters alone read as 0.
    return clampToInt(std::strtoll(entryAt(index)->value, nullptr, 10));
}

void Registry::getPoint(const char* key, int defaultX, int defaultY, int* x, int* y)
{
    int readX = defaultX;
    int readY = defaultY;
    int index = findKey(key);
    if (index >= 0) {
        // "%i,%i": the comma must follow the first number directly.
        const char* text = entryAt(index)->value;
        int first = 0;
        int second = 0;
        bool both = readNumber(text, first) && *text == ',';
        if (both) {
            ++text;
            both = readNumber(text, second);
        }
        if (both) {
            readX = first;
            readY = second;
        }
    }
    if (x != nullptr)
        *x = readX;
    if (y != nullptr)
        *y = readY;
}

int Registry::setString(const char* key, const char* value)
{
    if (currentSection == nullptr) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    int index = findKey(key);
    if (index < 0) {
        if (createMissingKeys)
            return addEntry(key, value);
        setError(toWire(engine::Error::ElementNotFound));
        return lastError;
    }
    Entry* entry = entryAt(index);
    copyText(entry->value, value);
    longValues_.erase({currentSection->name, entry->key});
    lastError = 0;
    return 0;
}

std::string Registry::getLongString(const char* key, const char* defaultValue)
{
    const int index = findKey(key);
    if (index < 0)
        return defaultValue != nullptr ? defaultValue : "";
    const Entry* entry = entryAt(index);
    const auto whole = longValues_.find({currentSection->name, entry->key});
    if (whole == longValues_.end())
        return entry->value;
    whole->second.savedWhole = true;
    return whole->second.text;
}

int Registry::setLongString(const char* key, const std::string& value)
{
    if (value.size() >= static_cast<size_t>(kLongValueSize)) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    if (setString(key, value.c_str()) != 0)
        return lastError;
    if (value.size() >= static_cast<size_t>(kValueSize))
        longValues_[{currentSection->name, entryAt(findKey(key))->key}] = LongValue{value, true};
    return 0;
}

int Registry::setInt(const char* key, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i", value);
    return setString(key, text);
}

int Registry::setPoint(const char* key, int x, int y)
{
    char text[32];
    std::snprintf(text, sizeof text, "%i,%i", x, y);
    return setString(key, text);
}

int Registry::addEntry(const char* key, const char* value)
{
    if (currentSection == nullptr) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    Entry entry{};
    copyText(entry.key, key);
    copyText(entry.value, value);
    if (currentSection->append(&entry) != 0) {
        lastError = currentSection->lastError;
        return lastError;
    }
    lastError = 0;
    return 0;
}

int Registry::savePosition(plat::ui::WindowHandle window, const char* key)
{
    plat::ui::Rect place;
    if (theApplication == nullptr || !plat::ui::windowRect(window, place))
        return toWire(engine::Error::NotNow);
    return theApplication->settings.setPoint(key, place.left, place.top);
}

bool Registry::restorePosition(plat::ui::WindowHandle window, const char* key)
{
    plat::ui::Rect place;
    if (theApplication == nullptr || !plat::ui::windowRect(window, place))
        return false;
    int x = 0;
    int y = 0;
    theApplication->settings.getPoint(key, 0, 0, &x, &y);
    if (x == 0 && y == 0)
        return false;
    // Negative positions are fine (a window partly past the left or top
    // edge), but one the user could not grab and drag back is not restored.
    if (!leavesGrabbablePart(x, y, place.width(), place.height()))
        return false;
    return plat::ui::setWindowPos(window, x, y, 0, 0, plat::ui::kPosNoSize | plat::ui::kPosNoZOrder);
}

} // namespace zkr
