#pragma once

#include <cstdint>

#include "zkr/ObjectBase.h"

namespace zkr {

// A growable array of slots, each owning one heap copy of a fixed-size item.
// Items always occupy slots 0 to count - 1.
class List : public ObjectBase {
public:
    static constexpr int kNameSize = 256;

    List(int capacity, uint32_t itemSize, bool autoGrow = false, int growStep = 1);
    ~List() override;

    [[nodiscard]] virtual int removeAt(int index);
    // The stored item, or null outside 0 .. count - 1 (records no error).
    [[nodiscard]] virtual void* itemAt(int index);

    // Copies item into a new slot; 13 when the list is full and may not grow.
    [[nodiscard]] int append(const void* item);
    [[nodiscard]] int readItem(int index, void* out);
    [[nodiscard]] int writeItem(int index, const void* item);
    void clear();

    int capacity = 0;
    void** slots = nullptr;
    uint32_t itemSize = 0;
    int count = 0;
    bool autoGrow = false;
    int growStep = 1;
    char name[kNameSize] = {};
};

} // namespace zkr
