#pragma once

#include "zkr/Box.h"

// Where everything of the distortion's window sits and how big each picture
// is. The window places its controls from here, and the artwork tool
// (tools/draw-velmorizer-artwork.cpp) draws the skin and the control pictures
// to the same numbers, so a control's picture always matches the skin under it.

namespace velmorizer {

using Box = zkr::Box;

// ---- resources --------------------------------------------------------------
inline constexpr unsigned kIcon = 101;
inline constexpr unsigned kCursor = 102;
inline constexpr unsigned kSkinBitmap = 103;
inline constexpr unsigned kMaskBitmap = 104;
inline constexpr unsigned kDriveStripBitmap = 105;
inline constexpr unsigned kCutoffStripBitmap = 106;
inline constexpr unsigned kGainStripBitmap = 108;
inline constexpr unsigned kLampLitBitmap = 109;
inline constexpr unsigned kLampDarkBitmap = 110;
inline constexpr unsigned kSwitchOffBitmap = 112;
inline constexpr unsigned kSwitchOnBitmap = 113;

// Knob strips hold their frames side by side; the switch's bitmaps hold a
// push button's four frames stacked (normal, disabled, hot, pressed).
inline constexpr int kKnobFrames = 11;
inline constexpr int kSwitchFrames = 4;

// ---- the window ---------------------------------------------------------------
inline constexpr int kWindowWidth = 228;
inline constexpr int kWindowHeight = 212;
inline constexpr int kCornerRadius = 12;

inline constexpr Box kGainKnob{24, 14, 45, 45};
inline constexpr Box kCutoffKnob{91, 14, 45, 45};
inline constexpr Box kDriveKnob{156, 14, 45, 45};

// The text display under a knob, showing its value text.
constexpr Box displayUnder(const Box& knob)
{
    return {knob.x, knob.y + 46, 45, 10};
}

inline constexpr Box kLamp{110, 91, 8, 8};
inline constexpr Box kSwitch{20, 102, 191, 56};

// ---- drawn on the skin only ---------------------------------------------------
// The well the knobs sit in, and the knobs' captions under their displays.
inline constexpr Box kKnobWell{12, 6, 204, 82};
inline constexpr int kCaptionTop = 73;
inline constexpr int kCaptionHeight = 10;
// The product's name along the bottom.
inline constexpr Box kTitle{12, 172, 204, 22};

} // namespace velmorizer
