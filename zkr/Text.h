#pragma once

#include <cstddef>
#include <cstring>

namespace zkr {

// Copies text into a fixed field of size characters, cutting it to fit and
// always terminating it. A null source gives an empty field.
inline void copyText(char* field, std::size_t size, const char* text)
{
    if (size == 0)
        return;
    std::size_t n = 0;
    if (text != nullptr) {
        while (n + 1 < size && text[n] != '\0')
            ++n;
        std::memcpy(field, text, n);
    }
    field[n] = '\0';
}

template <std::size_t N> inline void copyText(char (&field)[N], const char* text)
{
    copyText(field, N, text);
}

} // namespace zkr
