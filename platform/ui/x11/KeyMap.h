#pragma once

#include <X11/X.h>

#include <cstdint>

namespace plat::ui::x11 {

// The virtual-key code (the system's numbering: 'A'..'Z', '0'..'9', 0x70 F1,
// 0x0D Enter, ...) of an unshifted keysym; 0 for keys without one.
uint32_t virtualKeyOf(KeySym keysym);

} // namespace plat::ui::x11
