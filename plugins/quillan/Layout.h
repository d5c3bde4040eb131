#pragma once

#include "zkr/Box.h"

// Where everything of the live input's window sits and how big each picture
// is. The window places its controls from here, and the artwork tool
// (tools/draw-quillan-artwork.cpp) draws the skin and the control pictures to
// the same numbers, so a frame on the skin always lies under its control.

namespace quillan {

using Box = zkr::Box;

// ---- resources --------------------------------------------------------------
inline constexpr unsigned kIcon = 101;
inline constexpr unsigned kCursor = 102;
inline constexpr unsigned kMaskBitmap = 103;
inline constexpr unsigned kSkinBitmap = 104;
inline constexpr unsigned kAboutButtonBitmap = 105;
inline constexpr unsigned kReadyLitBitmap = 106;
inline constexpr unsigned kReadyDarkBitmap = 107;
inline constexpr unsigned kRecordingLitBitmap = 108;
inline constexpr unsigned kRecordingDarkBitmap = 109;
inline constexpr unsigned kStereoButtonBitmap = 110;  // 8 frames: mono, then stereo
inline constexpr unsigned kConnectButtonBitmap = 111; // 8 frames: free, then connected
inline constexpr unsigned kRecordButtonBitmap = 112;
inline constexpr unsigned kConfigureDialog = 113;
inline constexpr unsigned kDeviceFieldBitmap = 114; // behind the sound card's name

// ---- the window ---------------------------------------------------------------
inline constexpr int kWindowWidth = 224;
inline constexpr int kWindowHeight = 200;
inline constexpr int kCornerRadius = 12;

inline constexpr Box kTitle{16, 8, 192, 18};
// The one well every control sits in.
inline constexpr Box kWell{12, 32, 200, 138};

// The sound card: "about" and the chosen card's name, which opens the menu.
inline constexpr Box kSoundCardCaption{20, 37, 184, 12};
inline constexpr Box kAboutButton{33, 57, 32, 16};
inline constexpr Box kDeviceDisplay{70, 58, 120, 15};
// Where the name goes inside its field (relative to the field); the field
// keeps its right end for the menu's arrow.
inline constexpr Box kDeviceText{4, 0, 101, 15};

// The recording: mono or stereo, the two lamps, the fixed format, start/stop
// and the connection to the mixer.
inline constexpr Box kRecordingCaption{20, 80, 112, 10};
inline constexpr Box kStereoButton{138, 82, 52, 16};
inline constexpr Box kReadyLamp{46, 95, 11, 11};
inline constexpr Box kRecordingLamp{108, 95, 11, 11};
inline constexpr Box kReadyCaption{26, 109, 51, 9};
inline constexpr Box kRecordingLampCaption{83, 109, 61, 9};
inline constexpr Box kFormatDisplay{28, 128, 94, 22};
inline constexpr Box kRecordButton{130, 128, 26, 22};
inline constexpr Box kConnectButton{159, 129, 40, 20};
inline constexpr Box kRecordButtonCaption{122, 153, 42, 9};
inline constexpr Box kConnectButtonCaption{159, 153, 40, 9};

} // namespace quillan
