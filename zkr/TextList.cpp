#include "zkr/TextList.h"

#include <cstring>

namespace zkr {

std::size_t textListLength(const char* list)
{
    std::size_t length = 0;
    while (list[length] != '\0')
        length += std::strlen(list + length) + 1;
    return length + 1;
}

int textListCount(const char* list)
{
    int count = 0;
    for (const char* text = list; *text != '\0'; text += std::strlen(text) + 1)
        ++count;
    return count;
}

bool textListCopy(char* out, std::size_t size, const char* list)
{
    const std::size_t length = textListLength(list);
    if (length > size) {
        if (size > 0)
            out[0] = '\0';
        return false;
    }
    std::memmove(out, list, length);
    return true;
}

bool textListAppend(char* list, std::size_t size, const char* text)
{
    const std::size_t textSize = std::strlen(text) + 1;
    if (textSize == 1)
        return false;
    // The new text takes the place of the final zero, and a new final zero follows it.
    const std::size_t at = textListLength(list) - 1;
    if (at + textSize + 1 > size)
        return false;
    std::memcpy(list + at, text, textSize);
    list[at + textSize] = '\0';
    return true;
}

} // namespace zkr
