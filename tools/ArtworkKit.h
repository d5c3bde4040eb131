#pragma once

// Drawing helpers of the artwork tools (tools/draw-*-artwork.cpp): colour
// mixing, shapes with smooth edges, gradients, bevelled plates, the product's
// mark and text. Edges are smoothed by 4 x 4 samples a pixel and blended over
// what is there, so shapes sit cleanly on any background.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/ui/Font.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Png.h"
#include "platform/ui/Surface.h"

namespace artwork {

using namespace plat::ui;

inline Argb mix(Argb a, Argb b, double t)
{
    auto channel = [t](uint8_t from, uint8_t to) {
        return static_cast<uint8_t>(std::lround(from + (to - from) * t));
    };
    return argb(channel(alphaOf(a), alphaOf(b)), channel(redOf(a), redOf(b)), channel(greenOf(a), greenOf(b)),
                channel(blueOf(a), blueOf(b)));
}

// The same colour with another alpha.
inline Argb withAlpha(Argb colour, uint8_t alpha)
{
    return (colour & 0x00FFFFFFu) | (Argb(alpha) << 24);
}

// Blends colour over the pixel with the given coverage (0..1), keeping alpha.
inline void blend(Surface& image, int x, int y, Argb colour, double coverage)
{
    if (coverage <= 0.0 || !image.bounds().contains(x, y))
        return;
    coverage = std::min(coverage, 1.0);
    const Argb below = image.pixel(x, y);
    const double a = coverage * alphaOf(colour) / 255.0;
    const double belowA = alphaOf(below) / 255.0;
    const double outA = a + belowA * (1.0 - a);
    if (outA <= 0.0)
        return;
    auto channel = [&](uint8_t top, uint8_t bottom) {
        return static_cast<uint8_t>(std::lround((top * a + bottom * belowA * (1.0 - a)) / outA));
    };
    image.setPixel(x, y,
                   argb(static_cast<uint8_t>(std::lround(outA * 255.0)), channel(redOf(colour), redOf(below)),
                        channel(greenOf(colour), greenOf(below)), channel(blueOf(colour), blueOf(below))));
}

// Blends colourAt(x, y) over every pixel of left..right, top..bottom
// (inclusive) by the share of its 4 x 4 samples for which inside(px, py) holds.
template <typename Inside, typename ColourAt>
void coverSampled(Surface& image, int left, int top, int right, int bottom, Inside inside, ColourAt colourAt)
{
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            int count = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0))
                        ++count;
            if (count > 0)
                blend(image, x, y, colourAt(x, y), count / 16.0);
        }
}

inline void fillDisc(Surface& image, double cx, double cy, double radius, Argb colour)
{
    coverSampled(
        image, static_cast<int>(std::floor(cx - radius)) - 1, static_cast<int>(std::floor(cy - radius)) - 1,
        static_cast<int>(std::ceil(cx + radius)) + 1, static_cast<int>(std::ceil(cy + radius)) + 1,
        [&](double px, double py) {
            const double dx = px - cx;
            const double dy = py - cy;
            return dx * dx + dy * dy <= radius * radius;
        },
        [colour](int, int) { return colour; });
}

// A thick line with round ends.
inline void strokeLine(Surface& image, double x0, double y0, double x1, double y1, double width, Argb colour)
{
    const double half = width / 2.0;
    const double lx = x1 - x0;
    const double ly = y1 - y0;
    const double length2 = std::max(lx * lx + ly * ly, 1e-9);
    coverSampled(
        image, static_cast<int>(std::floor(std::min(x0, x1) - half)) - 1,
        static_cast<int>(std::floor(std::min(y0, y1) - half)) - 1,
        static_cast<int>(std::ceil(std::max(x0, x1) + half)) + 1,
        static_cast<int>(std::ceil(std::max(y0, y1) + half)) + 1,
        [&](double px, double py) {
            const double t = std::clamp(((px - x0) * lx + (py - y0) * ly) / length2, 0.0, 1.0);
            const double dx = px - (x0 + t * lx);
            const double dy = py - (y0 + t * ly);
            return dx * dx + dy * dy <= half * half;
        },
        [colour](int, int) { return colour; });
}

// A rectangle with corners rounded by radius, its colour running from top to
// bottom over its height.
inline void fillRoundRect(Surface& image, const Rect& area, double radius, Argb top, Argb bottom)
{
    if (area.isEmpty())
        return;
    radius = std::clamp(radius, 0.0, std::min(area.width(), area.height()) / 2.0);
    const double innerLeft = area.left + radius;
    const double innerRight = area.right - radius;
    const double innerTop = area.top + radius;
    const double innerBottom = area.bottom - radius;
    const double span = std::max(1, area.height() - 1);
    coverSampled(
        image, area.left, area.top, area.right - 1, area.bottom - 1,
        [&](double px, double py) {
            if (px < area.left || px > area.right || py < area.top || py > area.bottom)
                return false;
            const double dx = px - std::clamp(px, innerLeft, innerRight);
            const double dy = py - std::clamp(py, innerTop, innerBottom);
            return dx * dx + dy * dy <= radius * radius;
        },
        [&](int, int y) { return mix(top, bottom, (y - area.top) / span); });
}

inline void fillRoundRect(Surface& image, const Rect& area, double radius, Argb colour)
{
    fillRoundRect(image, area, radius, colour, colour);
}

// Rows running from top to bottom over area, each of one colour.
inline void fillGradient(Painter& p, const Rect& area, Argb top, Argb bottom)
{
    for (int y = area.top; y < area.bottom; ++y)
        p.fillRect({area.left, y, area.right, y + 1}, mix(top, bottom, double(y - area.top) / area.height()));
}

// A bevelled plate: an outline, a one-pixel top and bottom edge and a face
// running from faceTop to faceBottom. Lit top edge and dark bottom edge make it
// stand out; the other way round it is sunk into the panel.
struct PlateStyle {
    Argb outline;
    Argb topEdge;
    Argb bottomEdge;
    Argb faceTop;
    Argb faceBottom;
};

inline void drawPlate(Surface& image, const Rect& area, double radius, const PlateStyle& style)
{
    fillRoundRect(image, area, radius, style.outline);
    const Rect inside = area.inflatedBy(-1, -1);
    const double innerRadius = std::max(0.0, radius - 1.0);
    fillRoundRect(image, inside, innerRadius, style.bottomEdge);
    fillRoundRect(image, {inside.left, inside.top, inside.right, inside.bottom - 1}, innerRadius,
                  style.topEdge);
    fillRoundRect(image, {inside.left, inside.top + 1, inside.right, inside.bottom - 1}, innerRadius,
                  style.faceTop, style.faceBottom);
}

// The product's mark: a "V" whose right arm trails off as a waveform.
inline void drawMark(Surface& image, double x, double y, double size, Argb colour)
{
    const double stroke = std::max(1.5, size * 0.12);
    strokeLine(image, x + size * 0.12, y + size * 0.2, x + size * 0.42, y + size * 0.82, stroke, colour);
    strokeLine(image, x + size * 0.42, y + size * 0.82, x + size * 0.62, y + size * 0.38, stroke, colour);
    const double wave[] = {0.38, 0.52, 0.3, 0.46, 0.4};
    double px = x + size * 0.62;
    double py = y + size * 0.38;
    for (double level : wave) {
        const double nx = px + size * 0.08;
        const double ny = y + size * level;
        strokeLine(image, px, py, nx, ny, stroke * 0.6, colour);
        px = nx;
        py = ny;
    }
}

inline const Font* font(const char* face, int height, int weight)
{
    FontSpec spec;
    spec.face = face;
    spec.height = height;
    spec.weight = weight;
    return Font::get(spec);
}

// How a caption looks: its font and colour, extra pixels between the
// characters, and an optional shadow one pixel below (alpha 0: none).
struct TextStyle {
    const Font* font = nullptr;
    Argb colour = kWhite;
    int tracking = 0;
    Argb shadow = 0;
};

inline int textWidth(const TextStyle& style, std::string_view text)
{
    if (style.font == nullptr || text.empty())
        return 0;
    return style.font->textWidth(text) + style.tracking * static_cast<int>(text.size() - 1);
}

// Draws text with the top left of its cell at x, y.
inline void drawText(Painter& p, const TextStyle& style, int x, int y, std::string_view text)
{
    if (style.font == nullptr)
        return;
    const PainterState saved = p.state();
    p.setFont(style.font);
    p.setBackgroundMode(BackgroundMode::Transparent);
    for (const bool shadow : {true, false}) {
        if (shadow && alphaOf(style.shadow) == 0)
            continue;
        p.setTextColour(shadow ? style.shadow : style.colour);
        int left = x;
        for (const char c : text) {
            p.textOut(left, y + (shadow ? 1 : 0), std::string_view(&c, 1));
            left += style.font->advance(static_cast<unsigned char>(c)) + style.tracking;
        }
    }
    p.restoreState(saved);
}

enum class Align { Left, Centre, Right };

// Draws text in area, centred from top to bottom on the font's capitals and
// placed from left to right by align.
inline void drawText(Painter& p, const TextStyle& style, const Rect& area, std::string_view text,
                     Align align = Align::Centre)
{
    if (style.font == nullptr)
        return;
    const int width = textWidth(style, text);
    const int x = align == Align::Left    ? area.left
                  : align == Align::Right ? area.right - width
                                          : area.left + (area.width() - width) / 2;
    const TextMetrics& metrics = style.font->metrics();
    // Capitals fill the ascent less the internal leading.
    const int capitals = metrics.ascent - metrics.internalLeading;
    const int y = area.top + (area.height() - capitals) / 2 - metrics.internalLeading;
    drawText(p, style, x, y, text);
}

inline bool save(const Surface& image, const std::string& path)
{
    const bool ok = !image.isEmpty() && savePng(image, path);
    std::printf("%s %s (%d x %d)\n", ok ? "wrote" : "could not write", path.c_str(), image.width(),
                image.height());
    return ok;
}

} // namespace artwork
