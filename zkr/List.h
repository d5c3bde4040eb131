#pragma once

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "zkr/ObjectBase.h"

namespace zkr {

// A growable array of slots, each owning one heap copy of an item, so an item
// stays where it is while others come and go. Items always occupy slots 0 to
// count - 1.
template <class T> class List : public ObjectBase {
public:
    explicit List(int initialCapacity, bool grow = false, int step = 1) : autoGrow(grow), growStep(step)
    {
        kind = kKindList;
        if (initialCapacity > 0 && resizeSlots(initialCapacity))
            capacity = initialCapacity;
    }

    // 13 outside 0 .. count - 1; later items move down.
    [[nodiscard]] int removeAt(int index)
    {
        if (!holds(index))
            return fail(toWire(engine::Error::IndexOutOfRange));
        for (int i = index; i + 1 < count; ++i)
            slots[slot(i)] = std::move(slots[slot(i + 1)]);
        slots[slot(--count)].reset();
        lastError = toWire(engine::Error::Ok);
        return toWire(engine::Error::Ok);
    }
    // The stored item, or null outside 0 .. count - 1 (records no error).
    [[nodiscard]] T* itemAt(int index) { return holds(index) ? slots[slot(index)].get() : nullptr; }
    [[nodiscard]] const T* itemAt(int index) const
    {
        return holds(index) ? slots[slot(index)].get() : nullptr;
    }

    // Copies item into a new slot; IndexOutOfRange when the list is full and may not grow, OutOfMemory without memory.
    [[nodiscard]] int append(const T* item)
    {
        if (autoGrow && count >= capacity && growStep > 0 && resizeSlots(capacity + growStep))
            capacity += growStep;
        if (count >= capacity)
            return fail(toWire(engine::Error::IndexOutOfRange));
        std::unique_ptr<T> copy(new (std::nothrow) T(*item));
        if (copy == nullptr)
            return fail(toWire(engine::Error::OutOfMemory));
        slots[slot(count++)] = std::move(copy);
        lastError = toWire(engine::Error::Ok);
        return toWire(engine::Error::Ok);
    }
    [[nodiscard]] int readItem(int index, T* out)
    {
        if (!holds(index))
            return fail(toWire(engine::Error::IndexOutOfRange));
        *out = *slots[slot(index)];
        lastError = toWire(engine::Error::Ok);
        return toWire(engine::Error::Ok);
    }
    [[nodiscard]] int writeItem(int index, const T* item)
    {
        if (!holds(index))
            return fail(toWire(engine::Error::IndexOutOfRange));
        *slots[slot(index)] = *item;
        lastError = toWire(engine::Error::Ok);
        return toWire(engine::Error::Ok);
    }
    void clear()
    {
        for (int i = 0; i < count; ++i)
            slots[slot(i)].reset();
        count = 0;
    }

    int capacity = 0;
    std::vector<std::unique_ptr<T>> slots;
    int count = 0;
    bool autoGrow = false;
    int growStep = 1;
    std::string name;

private:
    bool holds(int index) const { return index >= 0 && index < count; }
    static std::size_t slot(int index) { return static_cast<std::size_t>(index); }
    int fail(int code)
    {
        setError(code);
        return lastError;
    }
    // False when memory runs out: the list keeps the slots it has.
    bool resizeSlots(int wanted)
    {
        try {
            slots.resize(slot(wanted));
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
};

} // namespace zkr
