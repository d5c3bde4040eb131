#pragma once

#include <cstdint>

#include "platform/core/Api.h"

// Colours. Surfaces hold 32-bit ARGB pixels (0xAARRGGBB). The system names its
// colours as the original platform did, 0x00BBGGRR ("COLORREF", RGB(r, g, b)):
// 0x00FF00 is green either way, but 0x0000FF is red there and blue here, so
// every colour that comes from the system's code passes through fromColorRef.
namespace plat::ui {

using Argb = uint32_t;
using ColorRef = uint32_t;

constexpr Argb argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b)
{
    return (Argb(a) << 24) | (Argb(r) << 16) | (Argb(g) << 8) | Argb(b);
}
// Opaque.
constexpr Argb rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return argb(0xFF, r, g, b);
}
constexpr uint8_t alphaOf(Argb c)
{
    return uint8_t(c >> 24);
}
constexpr uint8_t redOf(Argb c)
{
    return uint8_t(c >> 16);
}
constexpr uint8_t greenOf(Argb c)
{
    return uint8_t(c >> 8);
}
constexpr uint8_t blueOf(Argb c)
{
    return uint8_t(c);
}
constexpr Argb opaque(Argb c)
{
    return c | 0xFF000000u;
}
// The same colour, alpha ignored.
constexpr bool sameColour(Argb a, Argb b)
{
    return ((a ^ b) & 0x00FFFFFFu) == 0;
}

// RGB(r, g, b) of the original platform.
constexpr ColorRef colorRef(uint8_t r, uint8_t g, uint8_t b)
{
    return ColorRef(r) | (ColorRef(g) << 8) | (ColorRef(b) << 16);
}
// 0x00BBGGRR -> opaque ARGB.
constexpr Argb fromColorRef(ColorRef c)
{
    return rgb(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
}
constexpr ColorRef toColorRef(Argb c)
{
    return colorRef(redOf(c), greenOf(c), blueOf(c));
}

inline constexpr Argb kBlack = 0xFF000000u;
inline constexpr Argb kWhite = 0xFFFFFFFFu;

// The system colours by their original indices (COLOR_...), with the values
// of the classic grey scheme.
enum SysColour : int {
    kColourScrollbar = 0,
    kColourBackground = 1,
    kColourActiveCaption = 2,
    kColourInactiveCaption = 3,
    kColourMenu = 4,
    kColourWindow = 5,
    kColourWindowFrame = 6,
    kColourMenuText = 7,
    kColourWindowText = 8,
    kColourCaptionText = 9,
    kColourActiveBorder = 10,
    kColourInactiveBorder = 11,
    kColourAppWorkspace = 12,
    kColourHighlight = 13,
    kColourHighlightText = 14,
    kColourButtonFace = 15, // also the 3D face
    kColourButtonShadow = 16,
    kColourGrayText = 17,
    kColourButtonText = 18,
    kColourInactiveCaptionText = 19,
    kColourButtonHighlight = 20,
    kColour3dDarkShadow = 21,
    kColour3dLight = 22,
    kColourInfoText = 23,
    kColourInfoBackground = 24,
};

// Opaque ARGB of a system colour; black for an unknown index.
PLAT_API Argb sysColour(int index);

} // namespace plat::ui
