#pragma once

// The panel pieces of the skinned windows, shared by the plug-ins' artwork
// tools so their windows look alike: the graphite palette, cropping, captions,
// screws, the word mark, bevelled push and toggle buttons, the window mask and
// a preview of a shaped window.
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "tools/ArtworkKit.h"
#include "zkr/Box.h"

namespace artwork {

// Frames of a push button (normal, disabled, hot, pressed) and of a toggle
// button (the same four again for "on"), as the class library draws them.
inline constexpr int kPushFrames = 4;
inline constexpr int kToggleFrames = 8;

inline Surface crop(const Surface& from, const Rect& area)
{
    Surface piece(area.width(), area.height());
    piece.copyFrom(from, area, 0, 0);
    return piece;
}

// ---- colours ------------------------------------------------------------------

inline const Argb kOutline = rgb(0x0A, 0x0B, 0x0D);
inline const PlateStyle kCasing{kOutline, rgb(0x5C, 0x62, 0x6B), rgb(0x12, 0x13, 0x16), rgb(0x33, 0x37, 0x3D),
                                rgb(0x1B, 0x1D, 0x21)};
// Wells are sunk into the casing and flat, so every control in one sits on the same colour.
inline const Argb kWellFace = rgb(0x22, 0x25, 0x29);
inline const PlateStyle kWell{rgb(0x0F, 0x10, 0x12), rgb(0x15, 0x17, 0x1A), rgb(0x41, 0x46, 0x4D), kWellFace,
                              kWellFace};
// A channel strip's raised panel.
inline const PlateStyle kStripPanel{rgb(0x0D, 0x0E, 0x10), rgb(0x52, 0x57, 0x5F), rgb(0x17, 0x19, 0x1C),
                                    rgb(0x37, 0x3B, 0x41), rgb(0x29, 0x2C, 0x31)};
// Around every lamp, on either skin and in the selection displays.
inline const Argb kLampBed = rgb(0x14, 0x16, 0x19);
inline const PlateStyle kLampHousing{rgb(0x0C, 0x0D, 0x0F), rgb(0x0E, 0x0F, 0x11), rgb(0x3E, 0x43, 0x4A),
                                     kLampBed, kLampBed};
inline const Argb kCaption = rgb(0xC8, 0xCD, 0xD4);
inline const Argb kCaptionDim = rgb(0x86, 0x8C, 0x95);
inline const Argb kRule = rgb(0x46, 0x4B, 0x52);
inline const Argb kTextShadow = argb(0xC0, 0x08, 0x09, 0x0A);
inline const Argb kInputAccent = rgb(0x52, 0xCC, 0x66);
inline const Argb kOutputAccent = rgb(0x4C, 0xA2, 0xFF);
inline const Argb kEffectAccent = rgb(0xFF, 0xAE, 0x34);

// ---- text -----------------------------------------------------------------------

inline TextStyle captionStyle()
{
    return {font("DejaVu Sans", -8, kWeightBold), kCaption, 1, kTextShadow};
}

inline TextStyle smallStyle(Argb colour = kCaptionDim)
{
    return {font("DejaVu Sans Condensed", -8, kWeightNormal), colour, 0, kTextShadow};
}

// A caption at the left of area with a thin rule running on to its right edge.
inline void drawGroupCaption(Surface& image, const Rect& area, std::string_view text, Argb accent)
{
    Painter p(image);
    const TextStyle style = captionStyle();
    const int middle = area.top + area.height() / 2;
    fillRoundRect(image, {area.left, middle - 2, area.left + 4, middle + 2}, 1.0, accent);
    drawText(p, style, area.offsetBy(7, 0), text, Align::Left);
    const int ruleLeft = area.left + 7 + textWidth(style, text) + 5;
    p.fillRect({ruleLeft, middle, area.right, middle + 1}, kRule);
}

// A one-pixel sunken frame just outside area.
inline void frameSunken(Surface& image, const Rect& area)
{
    Painter p(image);
    const Rect frame = area.inflatedBy(1, 1);
    p.fillRect({frame.left, frame.top, frame.right, frame.top + 1}, rgb(0x0B, 0x0C, 0x0E));
    p.fillRect({frame.left, frame.top, frame.left + 1, frame.bottom}, rgb(0x0B, 0x0C, 0x0E));
    p.fillRect({frame.left + 1, frame.bottom - 1, frame.right, frame.bottom}, rgb(0x4C, 0x51, 0x59));
    p.fillRect({frame.right - 1, frame.top + 1, frame.right, frame.bottom}, rgb(0x4C, 0x51, 0x59));
}

// A screw head with a slot.
inline void drawScrew(Surface& image, double cx, double cy)
{
    fillDisc(image, cx, cy + 0.6, 3.4, argb(0x90, 0x00, 0x00, 0x00));
    fillDisc(image, cx, cy, 3.2, rgb(0x1A, 0x1C, 0x1F));
    fillDisc(image, cx, cy - 0.3, 2.6, rgb(0x6A, 0x70, 0x78));
    fillDisc(image, cx, cy + 0.3, 2.4, rgb(0x48, 0x4D, 0x54));
    strokeLine(image, cx - 1.8, cy + 1.1, cx + 1.8, cy - 1.1, 1.0, rgb(0x1A, 0x1C, 0x1F));
}

// The product's mark and name, centred in area.
inline void drawWordmark(Surface& image, const Rect& area, int nameHeight, bool withSubtitle)
{
    Painter p(image);
    const TextStyle name{font("DejaVu Sans", -nameHeight, kWeightBold), rgb(0xE4, 0xE7, 0xEB), 0,
                         kTextShadow};
    const TextStyle subtitle{font("DejaVu Sans", -7, kWeightBold), kCaptionDim, 2, kTextShadow};
    const double markSize = nameHeight * 1.45;
    const int gap = nameHeight / 5;
    const int nameWidth = textWidth(name, "velmora");
    const int width = static_cast<int>(markSize) + gap + nameWidth;
    const int left = area.left + (area.width() - width) / 2;
    const int subtitleHeight = withSubtitle ? 12 : 0;
    const int nameTop = area.top + (area.height() - nameHeight - subtitleHeight) / 2;
    const double markTop = nameTop + nameHeight / 2.0 - markSize / 2.0 - 1;
    drawMark(image, left + 1, markTop + 1, markSize, argb(0xA0, 0x05, 0x05, 0x06));
    drawMark(image, left, markTop, markSize, kEffectAccent);
    const int nameLeft = left + static_cast<int>(markSize) + gap;
    drawText(p, name, {nameLeft, nameTop, nameLeft + nameWidth, nameTop + nameHeight}, "velmora",
             Align::Left);
    if (withSubtitle)
        drawText(p, subtitle,
                 {nameLeft, nameTop + nameHeight + 4, nameLeft + nameWidth + 40, nameTop + nameHeight + 12},
                 "AUDIO ENGINE", Align::Left);
}

// A window's title strip in area: the mark, the product's name and the
// plug-in's in its colour, and a rule running on to ruleEnd.
inline void drawTitleStrip(Surface& skin, const Rect& area, std::string_view plugin, Argb pluginColour,
                           int ruleEnd)
{
    Painter p(skin);
    const double markSize = 19.0;
    const double markTop = area.top + (area.height() - markSize) / 2.0 - 1.0;
    drawMark(skin, area.left + 1, markTop + 1, markSize, argb(0xA0, 0x05, 0x05, 0x06));
    drawMark(skin, area.left, markTop, markSize, kEffectAccent);
    const TextStyle name{font("DejaVu Sans", -12, kWeightBold), rgb(0xE4, 0xE7, 0xEB), 0, kTextShadow};
    const TextStyle product{font("DejaVu Sans", -9, kWeightBold), pluginColour, 2, kTextShadow};
    int x = area.left + static_cast<int>(markSize) + 3;
    drawText(p, name, {x, area.top, area.right, area.bottom}, "velmora", Align::Left);
    x += textWidth(name, "velmora") + 8;
    drawText(p, product, {x, area.top + 1, area.right, area.bottom + 1}, plugin, Align::Left);
    x += textWidth(product, plugin) + 8;
    const int middle = area.top + area.height() / 2 + 1;
    p.fillRect({x, middle, ruleEnd, middle + 1}, kRule);
}

// ---- lamps ----------------------------------------------------------------------

// The colours of a round lamp's glass, lit and dark.
struct LampColours {
    Argb litRim;
    Argb litGlass;
    Argb litCentre;
    Argb darkRim;
    Argb darkGlass;
};
inline const LampColours kGreenLamp{argb(0xFF, 0x1C, 0xB8, 0x3E), rgb(0x4C, 0xF0, 0x6C),
                                    rgb(0xB4, 0xFF, 0xC2), rgb(0x0C, 0x2A, 0x15), rgb(0x12, 0x3D, 0x1E)};
inline const LampColours kRedLamp{rgb(0xB8, 0x1C, 0x1C), rgb(0xF0, 0x4C, 0x40), rgb(0xFF, 0xC0, 0xB4),
                                  rgb(0x2A, 0x0C, 0x0C), rgb(0x3D, 0x12, 0x12)};

// A round lamp of size x size on the lamp bed, lit or dark.
inline Surface drawLamp(int size, bool lit, const LampColours& colours)
{
    Surface image(size, size, kLampBed);
    const double c = size / 2.0;
    fillDisc(image, c, c + 0.4, c, rgb(0x3A, 0x3E, 0x45)); // the bezel's lit lower rim
    fillDisc(image, c, c, c - 0.4, rgb(0x05, 0x06, 0x07));
    if (lit) {
        fillDisc(image, c, c, c - 1.1, colours.litRim);
        fillDisc(image, c - 0.3, c - 0.3, c - 2.2, colours.litGlass);
        fillDisc(image, c - 0.5, c - 0.6, c - 3.4, colours.litCentre);
        fillDisc(image, c - 1.4, c - 1.6, 1.0, argb(0xD0, 0xFF, 0xFF, 0xFF));
    } else {
        fillDisc(image, c, c, c - 1.1, colours.darkRim);
        fillDisc(image, c - 0.3, c - 0.3, c - 2.2, colours.darkGlass);
        fillDisc(image, c - 1.4, c - 1.6, 1.0, argb(0x50, 0xFF, 0xFF, 0xFF));
    }
    return image;
}

// The recess a lamp sits in, on a skin, with the dark lamp in it.
inline void drawLampHousing(Surface& skin, const Rect& lamp, const Surface& darkLamp)
{
    drawPlate(skin, lamp.inflatedBy(2, 2), 3.0, kLampHousing);
    skin.copyFrom(darkLamp, darkLamp.bounds(), lamp.left, lamp.top);
}

// ---- buttons --------------------------------------------------------------------

enum class ButtonState { Normal, Disabled, Hot, Pressed };
inline constexpr std::array<ButtonState, kPushFrames> kButtonStates{
    ButtonState::Normal, ButtonState::Disabled, ButtonState::Hot, ButtonState::Pressed};

// What goes on a button's face, in its ink colour, moved down a pixel when pressed.
using FaceContent = std::function<void(Surface&, const Rect&, Argb ink)>;

inline FaceContent label(std::string text, int height = 8)
{
    return [text = std::move(text), height](Surface& image, const Rect& face, Argb ink) {
        Painter p(image);
        const TextStyle style{font("DejaVu Sans", -height, kWeightBold), ink, 1, 0};
        drawText(p, style, face, text);
    };
}

inline double luminance(Argb colour)
{
    return (0.299 * redOf(colour) + 0.587 * greenOf(colour) + 0.114 * blueOf(colour)) / 255.0;
}

// One frame of a button over the skin behind it; on (with a lit colour) for
// a toggle button's second four frames.
inline void drawButtonFrame(Surface& frame, ButtonState state, const FaceContent& content, Argb litColour = 0)
{
    const bool on = alphaOf(litColour) != 0;
    Argb faceTop = rgb(0x4C, 0x51, 0x59);
    Argb faceBottom = rgb(0x34, 0x38, 0x3E);
    Argb ink = rgb(0xD8, 0xDC, 0xE2);
    if (on) {
        faceTop = mix(litColour, kWhite, 0.22);
        faceBottom = mix(litColour, kBlack, 0.18);
        ink = luminance(litColour) > 0.55 ? rgb(0x16, 0x18, 0x1B) : kWhite;
    }
    PlateStyle style{kOutline, mix(faceTop, kWhite, 0.25), mix(faceBottom, kBlack, 0.35), faceTop,
                     faceBottom};
    int shift = 0;
    switch (state) {
    case ButtonState::Normal:
        break;
    case ButtonState::Hot:
        style.faceTop = mix(faceTop, kWhite, 0.14);
        style.faceBottom = mix(faceBottom, kWhite, 0.12);
        style.topEdge = mix(style.topEdge, kWhite, 0.2);
        break;
    case ButtonState::Pressed:
        style.faceTop = mix(faceBottom, kBlack, 0.2);
        style.faceBottom = mix(faceTop, kBlack, 0.1);
        style.topEdge = mix(faceBottom, kBlack, 0.5);
        style.bottomEdge = mix(faceTop, kWhite, 0.1);
        shift = 1;
        break;
    case ButtonState::Disabled:
        style.faceTop = style.faceBottom = mix(faceBottom, rgb(0x26, 0x28, 0x2C), 0.6);
        style.topEdge = mix(style.faceTop, kWhite, 0.08);
        style.bottomEdge = mix(style.faceTop, kBlack, 0.3);
        ink = mix(ink, style.faceTop, 0.62);
        break;
    }
    drawPlate(frame, frame.bounds(), 3.0, style);
    content(frame, frame.bounds().inflatedBy(-2, -2).offsetBy(0, shift), ink);
}

// A button's frames stacked, each cut from the skin at place; a lit colour
// adds the four "on" frames of a toggle button.
inline Surface drawButton(const Surface& skin, const Rect& place, const FaceContent& content,
                          Argb litColour = 0)
{
    const int frames = alphaOf(litColour) != 0 ? kToggleFrames : kPushFrames;
    Surface image(place.width(), place.height() * frames);
    for (int index = 0; index < frames; ++index) {
        Surface frame = crop(skin, place);
        drawButtonFrame(frame, kButtonStates[static_cast<std::size_t>(index % kPushFrames)], content,
                        index < kPushFrames ? 0 : litColour);
        image.copyFrom(frame, frame.bounds(), 0, index * place.height());
    }
    return image;
}

// A switch's face: a small lamp (lit when on) and its name.
inline FaceContent switchFace(std::string text, Argb lamp, bool on)
{
    return [text = std::move(text), lamp, on](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + 4.5;
        const double cy = face.top + face.height() / 2.0;
        fillDisc(image, cx, cy, 3.2, rgb(0x0B, 0x0C, 0x0E));
        if (on) {
            fillDisc(image, cx, cy, 2.4, mix(lamp, kWhite, 0.55));
            fillDisc(image, cx - 0.6, cy - 0.6, 1.0, argb(0xD0, 0xFF, 0xFF, 0xFF));
        } else {
            fillDisc(image, cx, cy, 2.4, mix(lamp, kBlack, 0.72));
        }
        Painter p(image);
        const TextStyle style{font("DejaVu Sans", -8, kWeightBold), ink, 0, 0};
        drawText(p, style, {face.left + 9, face.top, face.right, face.bottom}, text);
    };
}

// The eight frames of a switch at place: off (normal, disabled, hot, pressed), then on.
inline Surface drawSwitch(const Surface& skin, const Rect& place, const std::string& text, Argb lamp)
{
    Surface image(place.width(), place.height() * kToggleFrames);
    for (int index = 0; index < kToggleFrames; ++index) {
        const bool on = index >= kPushFrames;
        Surface frame = crop(skin, place);
        drawButtonFrame(frame, kButtonStates[static_cast<std::size_t>(index % kPushFrames)],
                        switchFace(text, lamp, on), on ? mix(lamp, kBlack, 0.25) : 0);
        image.copyFrom(frame, frame.bounds(), 0, index * place.height());
    }
    return image;
}

inline FaceContent closeSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + face.width() / 2.0;
        const double cy = face.top + face.height() / 2.0;
        strokeLine(image, cx - 2.6, cy - 2.6, cx + 2.6, cy + 2.6, 1.5, ink);
        strokeLine(image, cx - 2.6, cy + 2.6, cx + 2.6, cy - 2.6, 1.5, ink);
    };
}

inline FaceContent minimiseSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + face.width() / 2.0;
        const double y = face.top + face.height() / 2.0 + 2.5;
        strokeLine(image, cx - 3.0, y, cx + 3.0, y, 1.6, ink);
    };
}

// ---- the window ------------------------------------------------------------------

// The mask of a window shaped as a rounded rectangle: white falls outside.
inline Surface drawMask(int width, int height, double radius)
{
    Surface shape(width, height, kWhite);
    fillRoundRect(shape, shape.bounds(), radius, kBlack);
    // One bit a pixel: a pixel belongs to the window when mostly covered.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            shape.setPixel(x, y, redOf(shape.pixel(x, y)) < 0x80 ? kBlack : kWhite);
    return shape;
}

// ---- previews --------------------------------------------------------------------

// Frame index of pictures of equal height stacked vertically.
// A length of the 32 x 32 icon design at another icon size, in whole pixels;
// rims and lines stay at least one pixel wide.
inline int iconPixels(int size, double at32, int least = 0)
{
    return std::max(least, static_cast<int>(std::lround(at32 * size / 32.0)));
}

// The graphite tile of a square icon (32 x 32 unless told), with its drop
// shadow; the symbol goes on top.
inline Surface drawIconTile(int size = 32)
{
    const double scale = size / 32.0;
    const int rim = iconPixels(size, 1, 1);
    const int inner = iconPixels(size, 1);
    const int outer = size - inner;
    Surface image(size, size, 0);
    fillRoundRect(image, {inner, inner + rim, outer, size}, 6.0 * scale, argb(0x70, 0x00, 0x00, 0x00));
    fillRoundRect(image, {inner, inner, outer, outer}, 6.0 * scale, rgb(0x0B, 0x0C, 0x0E));
    const Rect face{inner + rim, inner + rim, outer - rim, outer - rim};
    fillRoundRect(image, face, 5.0 * scale, rgb(0x4E, 0x54, 0x5C), rgb(0x22, 0x25, 0x29));
    fillRoundRect(image, {face.left, face.top + rim, face.right, face.bottom}, 5.0 * scale,
                  rgb(0x3A, 0x3E, 0x45), rgb(0x1E, 0x21, 0x25));
    return image;
}

// The program's icon at any size: three fader slots with their caps at
// different heights on the graphite tile, one for each kind of plug-in. From
// 48 pixels up a scale runs beside the slots.
inline Surface drawProgramIcon(int size)
{
    const double scale = size / 32.0;
    Surface image = drawIconTile(size);
    const int line = iconPixels(size, 1, 1);
    const int spacing = iconPixels(size, 7);
    const int slotTop = iconPixels(size, 6);
    const int slotBottom = iconPixels(size, 27);
    if (size >= 48) {
        const int ticks = 7;
        const int tickWidth = iconPixels(size, 1.4, 1);
        const int tickHeight = std::max(1, line / 2);
        for (int gap = -2; gap < 2; ++gap) {
            const int centre = size / 2 + gap * spacing + spacing / 2;
            for (int tick = 0; tick < ticks; ++tick) {
                const int y = slotTop + line + (slotBottom - slotTop - 2 * line) * tick / (ticks - 1);
                const int width = tick % 3 == 0 ? tickWidth * 2 : tickWidth;
                fillRoundRect(image, {centre - width / 2, y, centre - width / 2 + width, y + tickHeight}, 0.0,
                              argb(0x60, 0x9A, 0xA0, 0xA8));
            }
        }
    }
    const double caps[] = {19.5, 11.0, 15.5};
    const Argb accents[] = {kInputAccent, kEffectAccent, kOutputAccent};
    const int capHalf = iconPixels(size, 4);
    const int capHeight = iconPixels(size, 5);
    for (int index = 0; index < 3; ++index) {
        const int x = size / 2 + (index - 1) * spacing;
        fillRoundRect(image, {x - line, slotTop, x + line, slotBottom}, 1.0 * scale, rgb(0x05, 0x06, 0x07));
        const int top = static_cast<int>(std::floor((caps[index] - 2.5) * scale));
        fillRoundRect(image, {x - capHalf, top, x + capHalf, top + capHeight}, 1.2 * scale,
                      rgb(0x0B, 0x0C, 0x0E));
        const Rect cap{x - capHalf + line, top + line, x + capHalf - line, top + capHeight - line};
        fillRoundRect(image, cap, 0.8 * scale, rgb(0xE2, 0xE5, 0xE9), rgb(0x9A, 0xA0, 0xA8));
        const int stripeTop = top + (capHeight - line) / 2;
        image.fill({cap.left, stripeTop, cap.right, stripeTop + line}, accents[index]);
    }
    return image;
}

// The plug-ins' cursor: an arrow pointing up and left, white with a dark rim; its tip is the hot spot.
inline Surface drawArrowCursor()
{
    const int size = 20;
    Surface image(size, size, 0);
    auto inside = [](double x, double y, double grow) {
        // The arrow's outline: tip at (1, 1), the left edge straight down.
        const double tx = x - 1.0;
        const double ty = y - 1.0;
        const bool head = tx >= -grow && ty >= tx - grow && ty <= 13.0 + grow - tx * 0.45 && tx <= 9.0 + grow;
        const bool tail = tx >= 4.0 - grow && tx <= 7.5 + grow && ty >= 9.0 && ty <= 17.0 + grow &&
                          std::abs((ty - 9.0) - (tx - 4.0) * 2.2) <= 3.5 + grow;
        return head || tail;
    };
    coverSampled(
        image, 0, 0, size - 1, size - 1, [&](double x, double y) { return inside(x, y, 1.0); },
        [](int, int) { return rgb(0x10, 0x11, 0x13); });
    coverSampled(
        image, 0, 0, size - 1, size - 1, [&](double x, double y) { return inside(x, y, 0.0); },
        [](int, int) { return kWhite; });
    return image;
}

// A layout's place as a rectangle.
inline Rect rectOf(const zkr::Box& box)
{
    return box.rect();
}

inline Rect frameOf(int index, int width, int height)
{
    return {0, index * height, width, (index + 1) * height};
}

// Puts a control's first frame (the top left of its picture, of place's
// size) on the skin at place, so the skin shows the control where it sits.
inline void showFirstFrame(Surface& skin, const Surface& frames, const Rect& place)
{
    skin.copyFrom(frames, {0, 0, place.width(), place.height()}, place.left, place.top);
}

// The window as a desktop would show it, at twice the size.
inline Surface presented(const Surface& window, const Surface& mask)
{
    const int scale = 2;
    Surface out(window.width() * scale + 24, window.height() * scale + 24, rgb(0x6E, 0x76, 0x80));
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) {
            if (sameColour(mask.pixel(x, y), kWhite))
                continue;
            out.fill(Rect::fromSize(12 + x * scale, 12 + y * scale, scale, scale), window.pixel(x, y));
        }
    return out;
}

// ---- sliders and knobs ---------------------------------------------------------

// Scale marks beside sliders and knobs; the unity (or centre) mark brighter.
inline const Argb kTick = rgb(0x6C, 0x72, 0x7B);
inline const Argb kTickUnity = rgb(0xB4, 0xBA, 0xC2);

// A vertical slot with a lit lower and right edge, for a thumb to run in.
inline void drawGroove(Surface& image, const Rect& groove)
{
    fillRoundRect(image, groove.inflatedBy(1, 1), 2.0, rgb(0x4A, 0x4F, 0x57));
    fillRoundRect(image, {groove.left - 1, groove.top - 1, groove.right, groove.bottom}, 2.0,
                  rgb(0x08, 0x09, 0x0A));
    fillRoundRect(image, {groove.left, groove.top, groove.right - 1, groove.bottom - 1}, 1.5,
                  rgb(0x02, 0x02, 0x03));
}

// A fader cap: brushed light metal with a white line across its middle.
inline Surface drawFaderThumb(int width, int height)
{
    Surface image(width, height, kOutline);
    Painter p(image);
    const Rect inside = image.bounds().inflatedBy(-1, -1);
    fillGradient(p, inside, rgb(0xD4, 0xD8, 0xDE), rgb(0x78, 0x7E, 0x87));
    p.fillRect({inside.left, inside.top, inside.right, inside.top + 1}, rgb(0xF0, 0xF2, 0xF5));
    p.fillRect({inside.left, inside.bottom - 1, inside.right, inside.bottom}, rgb(0x55, 0x5A, 0x62));
    const int middle = height / 2;
    const int lineHeight = height % 2 == 0 ? 2 : 1;
    const int lineTop = height % 2 == 0 ? middle - 1 : middle;
    p.fillRect({inside.left, lineTop - 1, inside.right, lineTop}, rgb(0x3A, 0x3E, 0x44));
    p.fillRect({inside.left, lineTop, inside.right, lineTop + lineHeight}, kWhite);
    p.fillRect({inside.left, lineTop + lineHeight, inside.right, lineTop + lineHeight + 1},
               rgb(0x3A, 0x3E, 0x44));
    return image;
}

// Knob angle (0 at the lower left, clockwise over 270 degrees) of an offset from the centre.
inline double knobAngleOf(double dx, double dy)
{
    double degrees = std::atan2(dy, dx) * 180.0 / M_PI - 135.0;
    while (degrees < 0.0)
        degrees += 360.0;
    return degrees;
}

// An arc of the knob's scale between two radii, from angle 0 to upTo.
inline void fillKnobArc(Surface& image, double cx, double cy, double inner, double outer, double upTo, Argb colour)
{
    coverSampled(
        image, 0, 0, image.width() - 1, image.height() - 1,
        [&](double px, double py) {
            const double dx = px - cx;
            const double dy = py - cy;
            const double distance = std::sqrt(dx * dx + dy * dy);
            return distance >= inner && distance <= outer && knobAngleOf(dx, dy) <= upTo;
        },
        [colour](int, int) { return colour; });
}

// A knob's frames side by side over the square piece of skin behind it
// (its size is the knob's): a dark cap with a white pointer inside a scale
// arc lit in the accent colour up to the pointer. Drawn for a 30-pixel knob
// and scaled to others.
inline Surface drawKnobStrip(const Surface& behind, int frames, Argb accent)
{
    const int size = behind.width();
    const double k = size / 30.0;
    Surface image(size * frames, size);
    const double c = size / 2.0;
    const double sweep = frames > 1 ? 270.0 / (frames - 1) : 0.0;
    for (int index = 0; index < frames; ++index) {
        Surface frame = behind.clone();
        const double angle = index * sweep;
        fillKnobArc(frame, c, c, 11.0 * k, 13.6 * k, 270.0, rgb(0x0E, 0x0F, 0x11));
        if (index > 0)
            fillKnobArc(frame, c, c, 11.4 * k, 13.2 * k, angle, accent);
        fillDisc(frame, c, c + 1.0 * k, 9.8 * k, argb(0x90, 0x00, 0x00, 0x00));
        fillDisc(frame, c, c, 9.6 * k, rgb(0x0B, 0x0C, 0x0E));
        fillDisc(frame, c, c - 0.4 * k, 8.8 * k, rgb(0x60, 0x66, 0x6F));
        fillDisc(frame, c, c + 0.3 * k, 8.4 * k, rgb(0x3A, 0x3E, 0x45));
        fillDisc(frame, c, c - 0.6 * k, 6.2 * k, rgb(0x43, 0x47, 0x4F));
        const double radians = (135.0 + angle) * M_PI / 180.0;
        const double ux = std::cos(radians);
        const double uy = std::sin(radians);
        strokeLine(frame, c + ux * 2.6 * k, c + uy * 2.6 * k, c + ux * 7.4 * k, c + uy * 7.4 * k, 1.9 * k,
                   rgb(0xF4, 0xF6, 0xF8));
        image.copyFrom(frame, frame.bounds(), index * size, 0);
    }
    return image;
}

// ---- the resource list ------------------------------------------------------------

// One picture of a deliverable's res/ folder: its kind in the list ("bitmap",
// "icon", "cursor"), its id, its file and, for a cursor, its hot spot (" x y").
struct ResourcePicture {
    const char* kind;
    unsigned id;
    const char* file;
    const Surface* picture;
    const char* hotspot = "";
};

// Saves every picture into folder and writes the list naming them (listFile,
// headed by a comment line); false when a file could not be written.
inline bool writeResources(const std::string& folder, const std::string& listFile, const std::string& heading,
                           std::initializer_list<ResourcePicture> resources)
{
    bool ok = true;
    std::string list = "# " + heading + "\n";
    for (const ResourcePicture& resource : resources) {
        ok &= save(*resource.picture, folder + "/" + resource.file);
        char line[128];
        std::snprintf(line, sizeof line, "%-6s %-3u %s%s\n", resource.kind, resource.id, resource.file,
                      resource.hotspot);
        list += line;
    }
    if (std::FILE* out = std::fopen((folder + "/" + listFile).c_str(), "w")) {
        ok &= std::fputs(list.c_str(), out) >= 0;
        ok &= std::fclose(out) == 0;
    } else {
        ok = false;
    }
    return ok;
}

} // namespace artwork
