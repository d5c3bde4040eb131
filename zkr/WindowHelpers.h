#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ui/Menu.h"
#include "platform/ui/Messages.h"

namespace zkr {

// Enough for any duration formatDuration makes ("1193:02:47" at most).
inline constexpr std::size_t kDurationTextSize = 32;

// "hh:mm:ss" from milliseconds, each part at least two digits; the hours are
// not limited to two.
void formatDuration(uint32_t milliseconds, char* out, std::size_t size);
template <std::size_t N> void formatDuration(uint32_t milliseconds, char (&out)[N])
{
    formatDuration(milliseconds, out, N);
}

// Moves the window to the middle of the screen, keeping its size, without
// activating it.
[[nodiscard]] bool centreOnScreen(plat::ui::WindowHandle window);

// The least of a window that must show on the screen for the user to grab it
// and drag it back: the windows are frameless and move by their background.
inline constexpr int kGrabbableWidth = 32;
inline constexpr int kGrabbableHeight = 16;
// Whether a window of that size at x, y leaves at least kGrabbableWidth x
// kGrabbableHeight pixels of itself on the screen; the one rule for every
// stored window place.
[[nodiscard]] bool leavesGrabbablePart(int x, int y, int width, int height);

// Moves a window that has no place of its own beside the program's windows
// already shown, inside the screen's work area, never over the main window
// (the program's window in the task bar, shown or not). The first free spot
// in reading order wins; with none free, the spot that covers the least of
// the others, still clear of the main window where the area allows. False
// when the window has no rectangle or cannot be moved.
[[nodiscard]] bool placeBesideShownWindows(plat::ui::WindowHandle window);

// Sets or clears the check mark of the menu item with command id.
[[nodiscard]] bool setMenuCheck(plat::ui::MenuHandle menu, uint32_t id, bool checked);
// Appends a text item with command id, greyed when not enabled.
[[nodiscard]] bool appendMenuItem(plat::ui::MenuHandle menu, uint32_t id, const char* text, bool enabled);

} // namespace zkr
