#pragma once

#include <cstddef>
#include <cstdint>

namespace zkr {

// Room for a control's value text, terminator included.
inline constexpr std::size_t kValueTextSize = 256;

// Makes the text shown for a control's value; writes at most size characters,
// terminator included, into text.
using ValueFormatter = void (*)(int32_t value, char* text, std::size_t size);

// The value text of value: the formatter's, or the plain number without one.
void formatValueText(ValueFormatter formatter, int32_t value, char* text, std::size_t size);

// The tooltip of a control with a value: "base - [value]", or "[value]" when
// the base text is empty.
void buildValueTooltip(const char* base, const char* valueText, char* tooltip, std::size_t size);

// The tooltip left by a finished drag: "base [value]".
void buildDragTooltip(const char* base, const char* valueText, char* tooltip, std::size_t size);

// The part of a value text shown on a linked display: everything before the first "|".
void displayPartOf(const char* valueText, char* display, std::size_t size);

} // namespace zkr
