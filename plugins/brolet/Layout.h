#pragma once

#include "zkr/Box.h"

// Where everything of the output window sits and how big each picture is.
// The window places its controls from here, and the artwork tool
// (tools/draw-brolet-artwork.cpp) draws the skin and the control pictures to
// the same numbers, so a frame on the skin always lies under its control.

namespace brolet {

using Box = zkr::Box;

// ---- resources --------------------------------------------------------------
inline constexpr unsigned kCursor = 101;
inline constexpr unsigned kIcon = 104;
inline constexpr unsigned kMaskBitmap = 105;
inline constexpr unsigned kSkinBitmap = 106;
inline constexpr unsigned kDisplayBitmap = 107;     // the visual's background, the display's size
inline constexpr unsigned kDeviceFieldBitmap = 108; // the sound card field, behind its name
inline constexpr unsigned kModeFieldBitmap = 109;   // the visual's name field
inline constexpr unsigned kAboutButtonBitmap = 110;
inline constexpr unsigned kModeButtonBitmap = 111;
inline constexpr unsigned kSoundSwitchBitmap = 112;
inline constexpr unsigned kFileSwitchBitmap = 113;
inline constexpr unsigned kFolderButtonBitmap = 114;
inline constexpr unsigned kHelpButtonBitmap = 115;
inline constexpr unsigned kCloseButtonBitmap = 116;
inline constexpr unsigned kBroadcastSwitchBitmap = 117;
inline constexpr unsigned kServerButtonBitmap = 118;

// Push buttons hold 4 frames stacked vertically (normal, disabled, hot,
// pressed), switches 8 (the same four again for "on").
inline constexpr int kPushFrames = 4;
inline constexpr int kSwitchFrames = 8;

// ---- the window ---------------------------------------------------------------
inline constexpr int kWindowWidth = 384;
inline constexpr int kWindowHeight = 208;
inline constexpr int kCornerRadius = 12;

// Title strip.
inline constexpr Box kTitle{20, 8, 294, 18};
inline constexpr Box kHelpButton{326, 10, 16, 14};
inline constexpr Box kCloseButton{346, 10, 16, 14};

// The visual: its display, the name of what it shows and the mode button.
inline constexpr Box kDisplay{20, 38, 200, 100};
inline constexpr Box kModeLabel{20, 144, 150, 16};
inline constexpr Box kModeButton{174, 144, 46, 16};

// Sound card: its name (a button that opens the device menu) and "about".
inline constexpr Box kDeviceField{242, 50, 122, 18};
inline constexpr Box kAboutButton{242, 72, 122, 16};
// Output: the three switches, the broadcast's server and the recording folder.
inline constexpr Box kSoundSwitch{242, 120, 59, 18};
inline constexpr Box kFileSwitch{305, 120, 59, 18};
inline constexpr Box kBroadcastSwitch{242, 144, 59, 18};
inline constexpr Box kServerButton{305, 145, 59, 16};
inline constexpr Box kFolderButton{242, 168, 122, 16};
// The sound card's underruns, right of the output group's caption, shown
// only when there were some.
inline constexpr Box kUnderrunsText{292, 104, 72, 12};
// How the broadcast stands, under the visual's name: empty while off air.
inline constexpr Box kBroadcastText{20, 166, 200, 14};

// Where the text goes inside the two name fields (relative to the field);
// the device field keeps its right end for the menu's arrow.
inline constexpr Box kDeviceText{5, 1, 102, 16};
inline constexpr Box kModeText{5, 1, 140, 14};

// The wells the controls sit in.
inline constexpr Box kDisplayWell{12, 30, 216, 162};
inline constexpr Box kSoundCardWell{234, 30, 138, 64};
inline constexpr Box kOutputWell{234, 100, 138, 92};

} // namespace brolet
