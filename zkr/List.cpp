#include "zkr/List.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "api/Protocol.h"

namespace zkr {

List::List(int initialCapacity, uint32_t size, bool grow, int step)
    : itemSize(size), autoGrow(grow), growStep(step)
{
    kind = kKindList;
    if (initialCapacity > 0) {
        slots = static_cast<void**>(std::calloc(static_cast<size_t>(initialCapacity), sizeof(void*)));
        if (slots != nullptr)
            capacity = initialCapacity;
    }
}

List::~List()
{
    clear();
    std::free(slots);
}

int List::append(const void* item)
{
    if (autoGrow && count >= capacity && growStep > 0) {
        size_t grown = static_cast<size_t>(capacity) + static_cast<size_t>(growStep);
        void* larger = std::realloc(slots, grown * sizeof(void*));
        if (larger != nullptr) {
            slots = static_cast<void**>(larger);
            for (size_t i = static_cast<size_t>(capacity); i < grown; ++i)
                slots[i] = nullptr;
            capacity = static_cast<int>(grown);
        }
    }
    if (count >= capacity) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    void* copy = std::malloc(itemSize > 0 ? itemSize : 1);
    if (copy == nullptr) {
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    if (itemSize > 0)
        std::memcpy(copy, item, itemSize);
    slots[count++] = copy;
    lastError = 0;
    return 0;
}

int List::readItem(int index, void* out)
{
    if (index < 0 || index >= count) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    std::memcpy(out, slots[index], itemSize);
    lastError = 0;
    return 0;
}

int List::writeItem(int index, const void* item)
{
    if (index < 0 || index >= count) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    std::memcpy(slots[index], item, itemSize);
    lastError = 0;
    return 0;
}

int List::removeAt(int index)
{
    if (index < 0 || index >= count) {
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    std::free(slots[index]);
    for (int i = index; i + 1 < count; ++i)
        slots[i] = slots[i + 1];
    slots[--count] = nullptr;
    lastError = 0;
    return 0;
}

void* List::itemAt(int index)
{
    if (index < 0 || index >= count)
        return nullptr;
    return slots[index];
}

void List::clear()
{
    for (int i = 0; i < count; ++i) {
        std::free(slots[i]);
        slots[i] = nullptr;
    }
    count = 0;
}

} // namespace zkr
