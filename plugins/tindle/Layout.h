#pragma once

#include "zkr/Box.h"

// Where everything of the player's main window sits and how big each picture
// is. The window places its controls from here, and the artwork tool
// (tools/draw-tindle-artwork.cpp) draws the skin and the control pictures to
// the same numbers, so a frame on the skin always lies under its control.

namespace tindle {

using Box = zkr::Box;

// ---- resources (the pre-recorder's pictures use 300 to 399) -------------------
inline constexpr unsigned kCursor = 101;
inline constexpr unsigned kIcon = 109;
inline constexpr unsigned kMaskBitmap = 112;
inline constexpr unsigned kSkinBitmap = 120;
inline constexpr unsigned kOpenButtonBitmap = 121;
inline constexpr unsigned kCloseFileButtonBitmap = 122;
inline constexpr unsigned kPlayButtonBitmap = 123;
inline constexpr unsigned kPauseButtonBitmap = 124;
inline constexpr unsigned kSyncButtonBitmap = 125;
inline constexpr unsigned kLoopButtonBitmap = 126;
inline constexpr unsigned kPropertiesButtonBitmap = 127;
inline constexpr unsigned kTitleFieldBitmap = 128;
// Under a loaded file's picture: the display's screen, two mono heights stacked.
inline constexpr unsigned kDisplayBitmap = 129;
inline constexpr unsigned kPreRecorderButtonBitmap = 130;
inline constexpr unsigned kHelpButtonBitmap = 131;
inline constexpr unsigned kCloseButtonBitmap = 132;

// ---- the window -----------------------------------------------------------------
inline constexpr int kWindowWidth = 664;
inline constexpr int kWindowHeight = 212;
inline constexpr int kCornerRadius = 12;

// Title strip.
inline constexpr Box kTitle{20, 8, 440, 18};
inline constexpr Box kPreRecorderButton{496, 9, 86, 16};
inline constexpr Box kHelpButton{606, 10, 16, 14};
inline constexpr Box kCloseButton{626, 10, 16, 14};

// The well that holds the four strips.
inline constexpr Box kStripsWell{12, 32, 640, 168};

// ---- one channel strip -----------------------------------------------------------
// Strip n lies kStripPitch * n below strip 0; the boxes below are strip 0's.
inline constexpr int kStripPitch = 40;
inline constexpr Box kStripPanel{18, 38, 628, 36};
// The channel's number, drawn on the panel.
inline constexpr Box kChannelBadge{24, 43, 14, 26};
inline constexpr Box kOpenButton{42, 43, 22, 26};
inline constexpr Box kCloseFileButton{66, 43, 22, 26};
inline constexpr Box kPlayButton{90, 43, 22, 26};
inline constexpr Box kPauseButton{114, 43, 22, 26};
inline constexpr Box kTitleField{144, 43, 120, 26};
// Where the title's text goes inside the field (relative to the field).
inline constexpr Box kTitleText{5, 1, 110, 24};
inline constexpr Box kDisplay{272, 43, 315, 26};
// Over the display's left end.
inline constexpr Box kPropertiesButton{272, 43, 12, 12};
inline constexpr Box kSyncButton{596, 43, 44, 12};
inline constexpr Box kLoopButton{596, 57, 44, 12};

// Colours the window draws with (0xAARRGGBB): an empty display, a loaded
// file's bars and centre line, the play cursor, and the title's text.
inline constexpr unsigned kEmptyDisplayColour = 0xFF636394; // RGB(99, 99, 148)
inline constexpr unsigned kWaveColour = 0xFF5CD67A;
inline constexpr unsigned kCentreLineColour = 0xFF24513A;
inline constexpr unsigned kCursorColour = 0xFFFFD37A;
inline constexpr unsigned kTitleInk = 0xFFFFB845;

inline constexpr Box inStrip(const Box& box, int strip)
{
    return {box.x, box.y + strip * kStripPitch, box.width, box.height};
}

} // namespace tindle
