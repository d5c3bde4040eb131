#pragma once

#include <cstddef>

// Lists of zero-terminated texts ended by an empty text ("Wave files\0*.wav\0\0"),
// as the file dialogs take their filters. An empty list is a single zero.
namespace zkr {

// Characters the list occupies, its final zero included (1 for an empty list).
std::size_t textListLength(const char* list);
// The number of texts in the list.
int textListCount(const char* list);
// Copies the whole list into a buffer of size characters; false (and an
// empty list when size allows one) when it does not fit.
[[nodiscard]] bool textListCopy(char* out, std::size_t size, const char* list);
// Adds text at the end of the list held in a buffer of size characters;
// false, with the list unchanged, when it would not fit or text is empty
// (an empty text would end the list early).
[[nodiscard]] bool textListAppend(char* list, std::size_t size, const char* text);

} // namespace zkr
