#pragma once

#include "zkr/Box.h"

// Where everything of the two windows sits and how big each picture is. The
// windows place their controls from here, and the artwork tool
// (tools/draw-velmoraui-artwork.cpp) draws the skins and control pictures to
// the same numbers, so a frame on the skin always lies under its control.

#include <array>

namespace velmoraui {

using Box = zkr::Box;

// ---- bitmap resources -------------------------------------------------------
inline constexpr unsigned kMainSkinBitmap = 158;
inline constexpr unsigned kMainMaskBitmap = 105;
inline constexpr unsigned kConsoleSkinBitmap = 160;
inline constexpr unsigned kConsoleMaskBitmap = 161;
inline constexpr unsigned kMenuButtonBitmap = 162;
inline constexpr unsigned kConsoleButtonBitmap = 163;
inline constexpr unsigned kCloseButtonBitmap = 203;
inline constexpr unsigned kMinimiseButtonBitmap = 202;
inline constexpr unsigned kLampLitBitmap = 117;
inline constexpr unsigned kLampDarkBitmap = 118;
inline constexpr unsigned kSelectionAreasBitmap = 116;
inline constexpr unsigned kInputDisplayBitmap = 119;
inline constexpr unsigned kOutputDisplayBitmap = 134;
inline constexpr unsigned kEffectDisplayBitmap = 165;
inline constexpr unsigned kFontBitmap = 205;
inline constexpr unsigned kKnobStripBitmap = 183;
inline constexpr unsigned kFaderBitmap = 184;
inline constexpr unsigned kFaderThumbBitmap = 188;
inline constexpr unsigned kMeterLitBitmap = 127;
inline constexpr unsigned kMeterDarkBitmap = 128;
inline constexpr unsigned kMasterFaderLeftBitmap = 175;
inline constexpr unsigned kMasterFaderRightBitmap = 182;
inline constexpr unsigned kMasterThumbBitmap = 179;
inline constexpr unsigned kMasterMeterLitBitmap = 180;
inline constexpr unsigned kMasterMeterDarkBitmap = 181;
inline constexpr unsigned kPanBitmap = 130;
inline constexpr unsigned kPanThumbBitmap = 132;
inline constexpr unsigned kMuteBitmap = 197;
inline constexpr unsigned kPreFaderBitmap = 199;
inline constexpr unsigned kSoloBitmap = 200;
inline constexpr unsigned kLedPowerBitmap = 204;
inline constexpr unsigned kSelectBitmap = 206;
inline constexpr unsigned kAutoMixBitmap = 207;
inline constexpr unsigned kIcon = 1; // the windows' icon

// Push buttons hold 4 frames stacked vertically (normal, disabled, hot,
// pressed), toggle buttons 8 (the same four again for "on").
inline constexpr int kPushFrames = 4;
inline constexpr int kToggleFrames = 8;

// ---- the bitmap font --------------------------------------------------------
// One glyph per row for the characters '!' to '}', each row kFontHeight high,
// the glyph at the row's left edge on black. Characters outside the range
// (the blank) advance by kFontFixedWidth and leave the black field showing.
inline constexpr char kFontFirst = '!';
inline constexpr char kFontLast = '}';
inline constexpr int kFontGlyphs = kFontLast - kFontFirst + 1; // 93
inline constexpr int kFontHeight = 10;
inline constexpr int kFontFixedWidth = 6;
// Advance of each glyph, from '!' on: narrow punctuation is narrower.
inline constexpr std::array<int, kFontGlyphs> kFontWidths = [] {
    std::array<int, kFontGlyphs> widths{};
    for (int& width : widths)
        width = kFontFixedWidth;
    for (char narrow : {'!', '\'', '.', ':', ';', '|', ',', 'i', 'l'})
        widths[static_cast<std::size_t>(narrow - kFontFirst)] = 3;
    for (char bracket : {'(', ')', '[', ']', '`', '{', '}', 'I', 'j'})
        widths[static_cast<std::size_t>(bracket - kFontFirst)] = 4;
    for (char medium : {'t', '1'})
        widths[static_cast<std::size_t>(medium - kFontFirst)] = 5;
    return widths;
}();

// ---- main window ------------------------------------------------------------
inline constexpr int kMainWidth = 407;
inline constexpr int kMainHeight = 178;
inline constexpr int kLampSize = 11;
inline constexpr Box kMenuButton{356, 81, 40, 18};    // one frame
inline constexpr Box kConsoleButton{256, 84, 88, 18}; // one frame
inline constexpr Box kStreamingLamp{256, 36, kLampSize, kLampSize};
inline constexpr Box kTimeDisplay{277, 36, 55, 10};
inline constexpr Box kCloseButton{364, 36, 16, 14};    // one frame
inline constexpr Box kMinimiseButton{346, 36, 16, 14}; // one frame, beside the close button
inline constexpr int kSelectionWidth = 84;
inline constexpr int kSelectionHeight = 24;
inline constexpr std::array<Box, 2> kInputDisplays{{{34, 42, 84, 24}, {34, 69, 84, 24}}};
inline constexpr Box kOutputDisplay{34, 123, 84, 24};
inline constexpr std::array<Box, 4> kEffectDisplays{
    {{142, 42, 84, 24}, {142, 69, 84, 24}, {142, 96, 84, 24}, {142, 123, 84, 24}}};
// Inside a selection display, as bitmap 116 marks them: the name area
// (black) and the lamp area (red).
inline constexpr Box kSelectionNameArea{3, 3, 64, 18};
inline constexpr Box kSelectionLampArea{70, 6, kLampSize, kLampSize};

// ---- mixing console ---------------------------------------------------------
inline constexpr int kConsoleWidth = 503;
inline constexpr int kConsoleHeight = 385;
inline constexpr int kStripPitch = 85; // strip k sits 85 * k further right
inline constexpr int kStripCount = 4;

// Strip 0; the others are shifted by kStripPitch.
inline constexpr Box kNameDisplay{35, 334, 55, 17};
inline constexpr Box kEffectSlotDisplays[2] = {{35, 130, 55, 17}, {35, 79, 55, 17}};
inline constexpr int kKnobSize = 30;
inline constexpr int kKnobFrames = 11;
inline constexpr Box kEffectKnobs[2] = {{47, 98, 30, 30}, {47, 47, 30, 30}};
inline constexpr Box kMuteButton{74, 197, 36, 14};     // one frame
inline constexpr Box kSoloButton{74, 212, 36, 14};     // one frame
inline constexpr Box kPreFaderButton{74, 227, 36, 14}; // one frame
inline constexpr Box kSelectButton{75, 315, 34, 16};   // one frame

// Channel fader: bitmap 184 at (39, 197); inside it (relative rectangles as
// left, top, right, bottom) the meter, the thumb's track and the value text.
inline constexpr Box kFader{39, 197, 34, 116};
inline constexpr int kMeterWidth = 8;
inline constexpr int kMeterHeight = 101;
inline constexpr int kMeterSegments = 10;
inline constexpr Box kFaderMeter{3, 4, kMeterWidth, kMeterHeight};
inline constexpr Box kFaderThumb{0, 0, 18, 9}; // thumb picture size
// The thumb's track: its left edge and width are the thumb's, and the
// thumb's centre runs from the bottom (value 0) to the top (full range).
inline constexpr Box kFaderTrack{14, 8, 18, 88};
inline constexpr Box kFaderText{0, 105, 34, 11};

// Pan slider: bitmap 130 at (39, 164), horizontal.
inline constexpr Box kPan{39, 164, 72, 28};
inline constexpr Box kPanThumb{0, 0, 10, 14};
inline constexpr Box kPanTrack{6, 1, 60, 14}; // the thumb's centre runs from left (0) to right (100)
inline constexpr Box kPanText{0, 16, 72, 11};

// Master section.
inline constexpr Box kMasterFaders[2] = {{385, 171, 36, 190}, {425, 171, 36, 190}};
inline constexpr int kMasterMeterHeight = 161;
inline constexpr Box kMasterMeters[2] = {{2, 6, kMeterWidth, kMasterMeterHeight},
                                         {26, 6, kMeterWidth, kMasterMeterHeight}};
inline constexpr Box kMasterThumb{0, 0, 20, 10};
inline constexpr Box kMasterTracks[2] = {{13, 10, 20, 160}, {3, 10, 20, 160}};
inline constexpr Box kMasterText{0, 177, 36, 11};
inline constexpr Box kClipLamp{405, 154, kLampSize, kLampSize};
inline constexpr Box kLedPowerButton{435, 20, 44, 16}; // one frame
inline constexpr Box kAutoMixButton{385, 20, 44, 16};  // one frame

} // namespace velmoraui
