#pragma once

#include "zkr/Box.h"

// Where everything of the media player's window sits and how big each
// picture is. The window places its controls from here, and the artwork tool
// (tools/draw-plevnt-artwork.cpp) draws the skins and the control pictures to
// the same numbers, so a frame on a skin always lies under its control.

namespace plevnt {

using Box = zkr::Box;

// ---- resources --------------------------------------------------------------
inline constexpr unsigned kIcon = 101;
inline constexpr unsigned kCursor = 102;
// The three sizes of the window, each a skin and its mask: the players only,
// with their playlists, and with the information views as well.
inline constexpr unsigned kSmallSkinBitmap = 110;
inline constexpr unsigned kMediumSkinBitmap = 111;
inline constexpr unsigned kLargeSkinBitmap = 112;
inline constexpr unsigned kSmallMaskBitmap = 113;
inline constexpr unsigned kMediumMaskBitmap = 114;
inline constexpr unsigned kLargeMaskBitmap = 115;
// Buttons: push buttons 4 frames, switches 8 (off, then on).
inline constexpr unsigned kMenuButtonBitmap = 120;
inline constexpr unsigned kCloseButtonBitmap = 121;
inline constexpr unsigned kPreviousButtonBitmap = 122;
inline constexpr unsigned kPlayButtonBitmap = 123; // 8 frames: lit while playing
inline constexpr unsigned kPauseButtonBitmap = 124; // 8 frames: lit while paused
inline constexpr unsigned kStopButtonBitmap = 125;
inline constexpr unsigned kNextButtonBitmap = 126;
inline constexpr unsigned kOpenButtonBitmap = 127;
inline constexpr unsigned kLoopButtonBitmap = 128; // 8 frames
// Behind a player's title.
inline constexpr unsigned kTitleFieldBitmap = 130;
// Dialogs and the string table.
inline constexpr unsigned kFindDialog = 140;

// ---- the window ---------------------------------------------------------------
inline constexpr int kWindowWidth = 720;
inline constexpr int kSmallHeight = 140;
inline constexpr int kMediumHeight = 324;
inline constexpr int kLargeHeight = 400;
inline constexpr int kCornerRadius = 12;

// The window's sizes, as "PlevUIState" keeps them.
inline constexpr int kSizeSmall = 0;
inline constexpr int kSizeMedium = 1;
inline constexpr int kSizeLarge = 2;

inline constexpr int heightOfSize(int size)
{
    return size == kSizeSmall ? kSmallHeight : size == kSizeLarge ? kLargeHeight : kMediumHeight;
}

// Title strip: the name, the menu and close.
inline constexpr Box kTitle{20, 8, 600, 18};
inline constexpr Box kMenuButton{628, 9, 48, 16};
inline constexpr Box kCloseButton{686, 10, 16, 14};

// ---- one player -----------------------------------------------------------------
// Player 2's boxes lie kPlayerPitch to the right of player 1's; the boxes
// below are player 1's.
inline constexpr int kPlayerPitch = 352;
inline constexpr int kPanelCount = 2; // one per player

inline constexpr Box kPlayerWell{12, 32, 344, 90};
inline constexpr Box kPlayerCaption{20, 37, 328, 12};
inline constexpr Box kTitleField{20, 53, 240, 20};
// Where the title's text goes inside the field (relative to the field).
inline constexpr Box kTitleText{5, 2, 230, 16};
inline constexpr Box kTimeDisplay{266, 53, 82, 20};
inline constexpr Box kProgressBar{20, 79, 328, 7};
inline constexpr Box kPreviousButton{20, 93, 28, 22};
inline constexpr Box kPlayButton{50, 93, 28, 22};
inline constexpr Box kPauseButton{80, 93, 28, 22};
inline constexpr Box kStopButton{110, 93, 28, 22};
inline constexpr Box kNextButton{140, 93, 28, 22};
inline constexpr Box kOpenButton{176, 93, 28, 22};
inline constexpr Box kLoopButton{278, 95, 70, 18};

// The playlist (medium and large sizes).
inline constexpr Box kPlaylistWell{12, 130, 344, 176};
inline constexpr Box kPlaylistView{18, 136, 332, 164};
inline constexpr int kPlaylistRowHeight = 12;

// The information view (large size).
inline constexpr Box kInfoWell{12, 312, 344, 70};
inline constexpr Box kInfoView{18, 318, 332, 58};
inline constexpr int kInfoLineHeight = 11;

inline constexpr Box ofPlayer(const Box& box, int player)
{
    return {box.x + player * kPlayerPitch, box.y, box.width, box.height};
}

// Colours the window draws with (0xAARRGGBB): the displays' screens and
// their inks, the progress bar's groove and fill, a selected and the
// current playlist row.
inline constexpr unsigned kScreenColour = 0xFF030805;
inline constexpr unsigned kScreenInk = 0xFF52CC66; // the input's green
inline constexpr unsigned kScreenDimInk = 0xFF2F7A3C;
inline constexpr unsigned kTitleInk = 0xFFFFB845;
inline constexpr unsigned kGrooveColour = 0xFF0B0C0E;
inline constexpr unsigned kProgressColour = 0xFF52CC66;
inline constexpr unsigned kSelectionColour = 0xFF1C3A24;
inline constexpr unsigned kCurrentInk = 0xFFFFB845;

} // namespace plevnt
