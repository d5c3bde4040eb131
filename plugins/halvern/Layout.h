#pragma once

#include "zkr/Box.h"

// Where everything of the reverb's window sits and how big each picture is.
// The window places its controls from here, and the artwork tool
// (tools/draw-halvern-artwork.cpp) draws the skin and the control pictures to
// the same numbers, so a picture cut from the skin always lies where it was cut.

namespace halvern {

using Box = zkr::Box;

// ---- resources --------------------------------------------------------------
inline constexpr unsigned kIcon = 101;
inline constexpr unsigned kCursor = 102;
inline constexpr unsigned kKnobStripBitmap = 103;
inline constexpr unsigned kBypassButtonBitmap = 104;
inline constexpr unsigned kSkinBitmap = 108;
inline constexpr unsigned kMaskBitmap = 125;

// The knob's strip holds its frames side by side, the toggle button's 8 frames
// are stacked (normal, disabled, hot, pressed, then the same while on).
inline constexpr int kKnobFrames = 11;
inline constexpr int kToggleFrames = 8;

// ---- the window ---------------------------------------------------------------
inline constexpr int kWindowWidth = 237;
inline constexpr int kWindowHeight = 119;
inline constexpr int kCornerRadius = 10;

// The controls.
inline constexpr Box kKnob{162, 53, 30, 30};
inline constexpr Box kDisplay{150, 83, 55, 17};
inline constexpr Box kBypassButton{100, 26, 40, 16};

// Title strip, and the band the bypass button sits in.
inline constexpr Box kTitle{14, 5, 209, 18};
inline constexpr Box kHeader{14, 26, 209, 16};
// The echo's diagram in its well, and the delay's well with its caption beside the knob.
inline constexpr Box kEchoWell{10, 47, 128, 63};
inline constexpr Box kDelayWell{142, 47, 85, 63};
inline constexpr Box kDelayCaption{196, 58, 29, 12};

} // namespace halvern
