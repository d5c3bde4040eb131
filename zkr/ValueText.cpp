#include "zkr/ValueText.h"

#include <cstdio>
#include <cstring>

namespace zkr {

void formatValueText(ValueFormatter formatter, int32_t value, char* text, std::size_t size)
{
    if (size == 0)
        return;
    text[0] = '\0';
    if (formatter != nullptr)
        formatter(value, text, size);
    else
        std::snprintf(text, size, "%i", value);
    // A formatter that forgot the terminator must not run past the buffer.
    text[size - 1] = '\0';
}

void buildValueTooltip(const char* base, const char* valueText, char* tooltip, std::size_t size)
{
    if (size == 0)
        return;
    if (base == nullptr || base[0] == '\0')
        std::snprintf(tooltip, size, "[%s]", valueText);
    else
        std::snprintf(tooltip, size, "%s - [%s]", base, valueText);
}

void buildDragTooltip(const char* base, const char* valueText, char* tooltip, std::size_t size)
{
    if (size == 0)
        return;
    std::snprintf(tooltip, size, "%s [%s]", base != nullptr ? base : "", valueText);
}

void displayPartOf(const char* valueText, char* display, std::size_t size)
{
    if (size == 0)
        return;
    const char* bar = std::strchr(valueText, '|');
    std::size_t length = bar != nullptr ? std::size_t(bar - valueText) : std::strlen(valueText);
    if (length >= size)
        length = size - 1;
    std::memcpy(display, valueText, length);
    display[length] = '\0';
}

} // namespace zkr
