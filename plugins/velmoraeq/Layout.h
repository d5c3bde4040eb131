#pragma once

#include "zkr/Box.h"

// Where everything of the equaliser's window sits and how big each picture
// is. The window places its controls from here, and the artwork tool
// (tools/draw-velmoraeq-artwork.cpp) draws the skin and the control pictures
// to the same numbers, so a frame on the skin always lies under its control.

namespace velmoraeq {

using Box = zkr::Box;

// ---- resources ------------------------------------------------------------------
// Every effect's icon and cursor have these ids.
inline constexpr unsigned kIcon = 101;
inline constexpr unsigned kCursor = 102;
inline constexpr unsigned kSkinBitmap = 103;
inline constexpr unsigned kMaskBitmap = 104;
inline constexpr unsigned kBypassBitmap = 106;
// The channel buttons' pictures, for channels 1 to 4.
inline constexpr unsigned kChannelBitmaps[4] = {110, 107, 108, 109};
inline constexpr unsigned kThumbBitmap = 111;
inline constexpr unsigned kPresetBitmap = 112;
// The menu whose first pop-up holds the presets.
inline constexpr unsigned kPresetMenu = 120;

// Push buttons hold 4 frames stacked (normal, disabled, hot, pressed),
// toggle buttons 8 (the same four again for "on").
inline constexpr int kPushFrames = 4;
inline constexpr int kToggleFrames = 8;

// ---- the window -----------------------------------------------------------------
inline constexpr int kWindowWidth = 500;
inline constexpr int kWindowHeight = 283;
inline constexpr int kCornerRadius = 12;

inline constexpr Box kTitle{16, 8, 468, 18};

// The sliders: the whole track each, the thumb travelling inside it.
inline constexpr int kBandCount = 9;
inline constexpr int kBandPitch = 33;
inline constexpr Box kFirstBandSlider{28, 38, 22, 170};
constexpr Box bandSlider(int band)
{
    return {kFirstBandSlider.x + kBandPitch * band, kFirstBandSlider.y, kFirstBandSlider.width,
            kFirstBandSlider.height};
}
inline constexpr Box kDryMixSlider{358, 38, 22, 170};
// The thumb, as wide as a track.
inline constexpr int kThumbWidth = 22;
inline constexpr int kThumbHeight = 10;

// Channel selection and bypass, one button per channel.
inline constexpr int kChannelCount = 4;
inline constexpr int kButtonPitch = 20;
constexpr Box channelButton(int channel)
{
    return {407 + kButtonPitch * channel, 110, 19, 16};
}
constexpr Box bypassButton(int channel)
{
    return {407 + kButtonPitch * channel, 138, 19, 16};
}
inline constexpr Box kPresetButton{405, 188, 81, 18};

// The curve of every channel's gains.
inline constexpr Box kCurveDisplay{17, 221, 315, 40};

// ---- panel pieces the skin carries ----------------------------------------------
// The sliders with their names and scale, and the curve display below them.
inline constexpr Box kBandWell{8, 31, 340, 237};
inline constexpr Box kDryWell{354, 31, 36, 189};
inline constexpr Box kChannelWell{396, 31, 98, 189};
inline constexpr Box kLegendWell{354, 226, 140, 42};
// The band names and the dry mix caption run under the sliders.
inline constexpr int kCaptionTop = 209;
inline constexpr int kCaptionHeight = 10;
// The gain scale, right of the last band slider.
inline constexpr int kScaleLeft = 319;
// The emblem over the channel buttons, and the captions of the buttons' rows.
inline constexpr Box kEmblem{404, 39, 82, 50};
inline constexpr Box kChannelCaption{404, 96, 84, 10};
inline constexpr Box kBypassCaption{404, 127, 84, 10};
inline constexpr Box kPresetCaption{404, 175, 84, 10};
inline constexpr Box kLegendCaption{362, 230, 124, 10};

} // namespace velmoraeq
