#pragma once

// Where everything of the pre-recorder's window sits and how big each picture
// is. The window places its controls from here, and the artwork tool
// (tools/draw-tindle-recorder-artwork.cpp) draws the skin and the control
// pictures to the same numbers.

#include "plugins/tindle/Layout.h"

namespace tindle::recorder {

// ---- resources (300 to 399 belong to the pre-recorder) -------------------------
inline constexpr unsigned kSkinBitmap = 300;
inline constexpr unsigned kMaskBitmap = 301;
// The scope's screen, under its trace.
inline constexpr unsigned kScopeBitmap = 302;
inline constexpr unsigned kStartButtonBitmap = 303;
inline constexpr unsigned kStopButtonBitmap = 304;
inline constexpr unsigned kBrowseButtonBitmap = 305;
inline constexpr unsigned kLampLitBitmap = 306;
inline constexpr unsigned kLampDarkBitmap = 307;
inline constexpr unsigned kFileFieldBitmap = 308;
// The configure dialog's volume control button.
inline constexpr unsigned kVolumeIcon = 309;

// ---- the window -----------------------------------------------------------------
inline constexpr int kWindowWidth = 264;
inline constexpr int kWindowHeight = 148;
inline constexpr int kCornerRadius = 12;

inline constexpr Box kTitle{20, 8, 224, 18};

// The scope in its well.
inline constexpr Box kScopeWell{12, 32, 116, 100};
inline constexpr Box kScope{20, 42, 100, 80};

// The recorder's controls in the other well.
inline constexpr Box kRecorderWell{136, 32, 116, 100};
inline constexpr Box kRecorderCaption{144, 36, 82, 12};
inline constexpr Box kIndicator{233, 37, 11, 11};
inline constexpr Box kStartButton{144, 54, 48, 18};
inline constexpr Box kStopButton{196, 54, 48, 18};
inline constexpr Box kFileField{144, 78, 100, 28};
// Where the file's name goes inside its field (relative to the field).
inline constexpr Box kFileText{5, 2, 90, 24};
inline constexpr Box kBrowseButton{144, 110, 100, 16};

} // namespace tindle::recorder
