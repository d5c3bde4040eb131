#pragma once

#include "zkr/List.h"

namespace zkr {

// The settings store: whole sections of a private profile file, loaded once,
// served from memory and written back whole by saveSection.
class Registry : public ObjectBase {
public:
    static constexpr int kKeySize = 32;
    static constexpr int kValueSize = 256;
    static constexpr int kFileNameSize = 256;
    // The platform buffer a section is read into and built in.
    static constexpr int kSectionTextSize = 16384;

    struct Entry {
        char key[kKeySize];
        char value[kValueSize];
    };
    static_assert(sizeof(Entry) == 288);

    Registry();
    ~Registry() override;

    void setFileName(const char* fileName);

    int selectSection(const char* name, bool load);
    int saveSection();

    // Reads never fail and never change lastError. out holds kValueSize.
    void getString(const char* key, const char* defaultValue, char* out);
    int getInt(const char* key, int defaultValue);
    void getPoint(const char* key, int defaultX, int defaultY, int* x, int* y);

    int setString(const char* key, const char* value);
    int setInt(const char* key, int value);
    int setPoint(const char* key, int x, int y);
    int addEntry(const char* key, const char* value);
    // Index of the key in the current section, or -1.
    int findKey(const char* key);

    List** sections = nullptr;
    int sectionCount = 0;
    List* currentSection = nullptr;
    char fileName[kFileNameSize] = {};
    bool createMissingKeys = false;
};

} // namespace zkr
