#include "platform/ui/Painter.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/Font.h"
#include "platform/ui/Region.h"
#include "platform/ui/ScreenText.h"

namespace plat::ui {

namespace {

uint8_t mix(uint8_t from, uint8_t to, unsigned weight) // weight 0..255 towards to
{
    return uint8_t((unsigned(from) * (255 - weight) + unsigned(to) * weight + 127) / 255);
}

Argb blend(Argb under, Argb over, unsigned weight)
{
    return argb(uint8_t(alphaOf(under) + (255 - alphaOf(under)) * weight / 255),
                mix(redOf(under), redOf(over), weight), mix(greenOf(under), greenOf(over), weight),
                mix(blueOf(under), blueOf(over), weight));
}

struct EdgeColours {
    Argb topLeft;
    Argb bottomRight;
};

} // namespace

Painter::Painter(Surface& target) : surface_(&target)
{
    state_.clip = target.bounds();
}

void Painter::restoreState(const PainterState& saved)
{
    state_ = saved;
    state_.clip = state_.clip.intersect(surface_->bounds());
}

void Painter::setClip(const Rect& area)
{
    state_.clip = toDevice(area).intersect(surface_->bounds());
}

void Painter::intersectClip(const Rect& area)
{
    state_.clip = state_.clip.intersect(toDevice(area));
}

Rect Painter::clip() const
{
    if (state_.clip.isEmpty())
        return {};
    return state_.clip.offsetBy(-state_.origin.x, -state_.origin.y);
}

bool Painter::isVisible(const Rect& area) const
{
    return state_.clip.intersects(toDevice(area));
}

Pen Painter::setPen(const Pen& pen)
{
    return std::exchange(state_.pen, pen);
}

Brush Painter::setBrush(const Brush& brush)
{
    return std::exchange(state_.brush, brush);
}

const Font* Painter::setFont(const Font* font)
{
    return std::exchange(state_.font, font);
}

const Font& Painter::font() const
{
    if (state_.font != nullptr)
        return *state_.font;
    return *Font::defaultGui();
}

Argb Painter::setTextColour(Argb colour)
{
    return std::exchange(state_.textColour, colour);
}

Argb Painter::setBackgroundColour(Argb colour)
{
    return std::exchange(state_.backgroundColour, colour);
}

BackgroundMode Painter::setBackgroundMode(BackgroundMode mode)
{
    return std::exchange(state_.backgroundMode, mode);
}

Argb Painter::pixel(int x, int y) const
{
    return surface_->pixel(x + state_.origin.x, y + state_.origin.y);
}

void Painter::setPixel(int x, int y, Argb colour)
{
    plot(x + state_.origin.x, y + state_.origin.y, colour);
}

void Painter::plot(int sx, int sy, Argb colour)
{
    if (state_.clip.contains(sx, sy))
        surface_->row(sy)[sx] = opaque(colour);
}

void Painter::fillDevice(const Rect& area, Argb colour)
{
    const Rect cut = area.intersect(state_.clip);
    for (int y = cut.top; y < cut.bottom; ++y)
        std::fill(surface_->row(y) + cut.left, surface_->row(y) + cut.right, opaque(colour));
}

void Painter::penDot(int x, int y)
{
    const int width = std::max(1, state_.pen.width);
    if (width == 1) {
        setPixel(x, y, state_.pen.colour);
        return;
    }
    const int before = (width - 1) / 2;
    fillDevice(
        Rect::fromSize(x - before, y - before, width, width).offsetBy(state_.origin.x, state_.origin.y),
        state_.pen.colour);
}

void Painter::moveTo(int x, int y)
{
    state_.position = {x, y};
}

void Painter::lineTo(int x, int y)
{
    const Point from = state_.position;
    state_.position = {x, y};
    if (state_.pen.none)
        return;
    // Bresenham, stopping one step before the end point.
    const int dx = std::abs(x - from.x);
    const int dy = -std::abs(y - from.y);
    const int stepX = from.x < x ? 1 : -1;
    const int stepY = from.y < y ? 1 : -1;
    int error = dx + dy;
    int cx = from.x;
    int cy = from.y;
    while (cx != x || cy != y) {
        penDot(cx, cy);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            cx += stepX;
        }
        if (twice <= dx) {
            error += dx;
            cy += stepY;
        }
    }
}

void Painter::line(int x0, int y0, int x1, int y1)
{
    moveTo(x0, y0);
    lineTo(x1, y1);
}

void Painter::polyline(std::span<const Point> points)
{
    if (points.empty())
        return;
    const Point saved = state_.position;
    moveTo(points[0].x, points[0].y);
    for (std::size_t i = 1; i < points.size(); ++i)
        lineTo(points[i].x, points[i].y);
    state_.position = saved;
}

void Painter::rectangle(const Rect& area)
{
    if (area.isEmpty())
        return;
    if (state_.pen.none) {
        fillRect(area, state_.brush);
        return;
    }
    // The outline lies inside the rectangle, as wide as the pen.
    const int width = std::clamp(state_.pen.width, 1, std::min(area.width(), area.height()));
    const Rect inner = area.inflatedBy(-width, -width);
    fillRect(inner, state_.brush);
    const Rect device = toDevice(area);
    const Argb colour = state_.pen.colour;
    fillDevice({device.left, device.top, device.right, device.top + width}, colour);
    fillDevice({device.left, device.bottom - width, device.right, device.bottom}, colour);
    fillDevice({device.left, device.top + width, device.left + width, device.bottom - width}, colour);
    fillDevice({device.right - width, device.top + width, device.right, device.bottom - width}, colour);
}

void Painter::ellipse(const Rect& area)
{
    if (area.isEmpty())
        return;
    const double cx = (area.left + area.right) / 2.0;
    const double cy = (area.top + area.bottom) / 2.0;
    const double rx = area.width() / 2.0;
    const double ry = area.height() / 2.0;
    const int penWidth = state_.pen.none ? 0 : std::max(1, state_.pen.width);
    const double innerRx = rx - penWidth;
    const double innerRy = ry - penWidth;
    const auto inside = [&](double x, double y, double radiusX, double radiusY) {
        if (radiusX <= 0 || radiusY <= 0)
            return false;
        const double nx = (x - cx) / radiusX;
        const double ny = (y - cy) / radiusY;
        return nx * nx + ny * ny <= 1.0;
    };
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            if (!inside(px, py, rx, ry))
                continue;
            if (inside(px, py, innerRx, innerRy)) {
                if (!state_.brush.none)
                    setPixel(x, y, state_.brush.colour);
            } else {
                setPixel(x, y, state_.pen.colour);
            }
        }
    }
}

void Painter::fillRect(const Rect& area, Argb colour)
{
    fillDevice(toDevice(area), colour);
}

void Painter::fillRect(const Rect& area, const Brush& brush)
{
    if (!brush.none)
        fillRect(area, brush.colour);
}

void Painter::fillRegion(const Region& region, Argb colour)
{
    for (const Rect& r : region.rects())
        fillRect(r, colour);
}

void Painter::frameRect(const Rect& area, Argb colour)
{
    if (area.isEmpty())
        return;
    const Rect d = toDevice(area);
    fillDevice({d.left, d.top, d.right, d.top + 1}, colour);
    fillDevice({d.left, d.bottom - 1, d.right, d.bottom}, colour);
    fillDevice({d.left, d.top + 1, d.left + 1, d.bottom - 1}, colour);
    fillDevice({d.right - 1, d.top + 1, d.right, d.bottom - 1}, colour);
}

void Painter::invertRect(const Rect& area)
{
    const Rect cut = toDevice(area).intersect(state_.clip);
    for (int y = cut.top; y < cut.bottom; ++y) {
        Argb* row = surface_->row(y);
        for (int x = cut.left; x < cut.right; ++x)
            row[x] ^= 0x00FFFFFFu;
    }
}

void Painter::drawFocusRect(const Rect& area)
{
    if (area.isEmpty())
        return;
    const Rect d = toDevice(area);
    const auto invert = [&](int x, int y) {
        if (((x + y) & 1) == 0 && state_.clip.contains(x, y))
            surface_->row(y)[x] ^= 0x00FFFFFFu;
    };
    // Every pixel of the frame once, so that a second call restores it.
    for (int x = d.left; x < d.right; ++x) {
        invert(x, d.top);
        if (d.bottom - 1 > d.top)
            invert(x, d.bottom - 1);
    }
    for (int y = d.top + 1; y < d.bottom - 1; ++y) {
        invert(d.left, y);
        if (d.right - 1 > d.left)
            invert(d.right - 1, y);
    }
}

Rect Painter::drawEdge(const Rect& area, unsigned edge, unsigned sides)
{
    EdgeColours outer{};
    EdgeColours inner{};
    bool hasOuter = true;
    bool hasInner = true;
    if (sides & kEdgeMono) {
        outer = {kBlack, kBlack};
        inner = {sysColour(kColourWindow), sysColour(kColourWindow)};
    } else if (sides & kEdgeFlat) {
        outer = {sysColour(kColourButtonShadow), sysColour(kColourButtonShadow)};
        inner = {sysColour(kColourButtonFace), sysColour(kColourButtonFace)};
    }
    if (!(sides & (kEdgeMono | kEdgeFlat))) {
        if (edge & kBorderRaisedOuter)
            outer = {sysColour(kColour3dLight), sysColour(kColour3dDarkShadow)};
        else if (edge & kBorderSunkenOuter)
            outer = {sysColour(kColourButtonShadow), sysColour(kColourButtonHighlight)};
        else
            hasOuter = false;
        if (edge & kBorderRaisedInner)
            inner = {sysColour(kColourButtonHighlight), sysColour(kColourButtonShadow)};
        else if (edge & kBorderSunkenInner)
            inner = {sysColour(kColour3dDarkShadow), sysColour(kColour3dLight)};
        else
            hasInner = false;
    } else {
        hasOuter = (edge & (kBorderRaisedOuter | kBorderSunkenOuter)) != 0;
        hasInner = (edge & (kBorderRaisedInner | kBorderSunkenInner)) != 0;
    }

    Rect r = area;
    const auto ring = [&](const EdgeColours& colours) {
        if (r.isEmpty())
            return;
        // The bottom and right lines run the full length and so own the
        // top-right and bottom-left corners when they are drawn.
        const int topEnd = (sides & kSideRight) ? r.right - 1 : r.right;
        const int leftEnd = (sides & kSideBottom) ? r.bottom - 1 : r.bottom;
        if (sides & kSideTop)
            fillRect({r.left, r.top, topEnd, r.top + 1}, colours.topLeft);
        if (sides & kSideLeft)
            fillRect({r.left, r.top, r.left + 1, leftEnd}, colours.topLeft);
        if (sides & kSideRight)
            fillRect({r.right - 1, r.top, r.right, r.bottom}, colours.bottomRight);
        if (sides & kSideBottom)
            fillRect({r.left, r.bottom - 1, r.right, r.bottom}, colours.bottomRight);
        r = {r.left + ((sides & kSideLeft) ? 1 : 0), r.top + ((sides & kSideTop) ? 1 : 0),
             r.right - ((sides & kSideRight) ? 1 : 0), r.bottom - ((sides & kSideBottom) ? 1 : 0)};
    };
    if (hasOuter)
        ring(outer);
    if (hasInner)
        ring(inner);
    if (sides & kEdgeMiddle)
        fillRect(r, (sides & kEdgeMono) ? sysColour(kColourWindow) : sysColour(kColourButtonFace));
    return r;
}

void Painter::blit(int x, int y, const Surface& source, const Rect& area)
{
    Rect from = area.intersect(source.bounds());
    if (from.isEmpty())
        return;
    Rect to =
        Rect::fromSize(x + (from.left - area.left), y + (from.top - area.top), from.width(), from.height());
    to = toDevice(to);
    const Rect cut = to.intersect(state_.clip);
    if (cut.isEmpty())
        return;
    from = Rect::fromSize(from.left + (cut.left - to.left), from.top + (cut.top - to.top), cut.width(),
                          cut.height());
    surface_->copyFrom(source, from, cut.left, cut.top);
}

// Calls combine(target pixel, source pixel) for each pixel of area of source
// drawn at x, y (logical), within the clip.
template <typename Combine>
void Painter::combinePixels(int x, int y, const Surface& source, const Rect& area, Combine combine)
{
    const Rect from = area.intersect(source.bounds());
    const int dx = x - area.left + state_.origin.x;
    const int dy = y - area.top + state_.origin.y;
    const Rect cut = from.offsetBy(dx, dy).intersect(state_.clip);
    for (int sy = cut.top; sy < cut.bottom; ++sy) {
        const Argb* in = source.row(sy - dy);
        Argb* out = surface_->row(sy);
        for (int sx = cut.left; sx < cut.right; ++sx)
            combine(out[sx], in[sx - dx]);
    }
}

void Painter::blitTransparent(int x, int y, const Surface& source, const Rect& area, Argb key)
{
    combinePixels(x, y, source, area, [key](Argb& out, Argb c) {
        if (!sameColour(c, key))
            out = c;
    });
}

void Painter::alphaBlend(int x, int y, const Surface& source, const Rect& area)
{
    combinePixels(x, y, source, area, [](Argb& out, Argb c) {
        const unsigned a = alphaOf(c);
        if (a == 0xFF)
            out = c;
        else if (a != 0)
            out = blend(out, c, a);
    });
}

// Draws glyphs with the pen position starting at x and the cell's top at y;
// underlineIndex (or -1) marks the one character a prefix underlines.
namespace {

// A line of text on target: pens[i] is where character i starts, the last
// pen where the line ends. Answers the pixels it may touch (inside clip).
Rect lineBox(const Font& font, std::string_view text, std::span<const int> pens, int baseline,
             const Rect& clip, int underlineIndex)
{
    Rect box;
    const auto add = [&](const Rect& part) {
        const Rect cut = part.intersect(clip);
        if (!cut.isEmpty())
            box = box.isEmpty() ? cut : box.unite(cut);
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& g = font.glyph(static_cast<unsigned char>(text[i]));
        if (g.coverage)
            add(Rect::fromSize(pens[i] + g.left, baseline - g.top, g.width, g.height));
    }
    const int top = baseline + font.underlineOffset();
    if (font.spec().underline)
        add(Rect{pens.front(), top, pens.back(), top + font.underlineThickness()});
    else if (underlineIndex >= 0 && std::size_t(underlineIndex) < text.size())
        add(Rect{pens[std::size_t(underlineIndex)], top, pens[std::size_t(underlineIndex) + 1],
                 top + font.underlineThickness()});
    return box;
}

void drawLine(Surface& target, const Font& font, std::string_view text, std::span<const int> pens,
              int baseline, const Rect& area, Argb colour, int underlineIndex)
{
    const Rect clip = area.intersect(target.bounds());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& g = font.glyph(static_cast<unsigned char>(text[i]));
        if (!g.coverage)
            continue;
        const Rect box = Rect::fromSize(pens[i] + g.left, baseline - g.top, g.width, g.height);
        const Rect cut = box.intersect(clip);
        for (int sy = cut.top; sy < cut.bottom; ++sy) {
            const uint8_t* cover = g.coverage.get() + std::size_t(sy - box.top) * std::size_t(g.width);
            Argb* out = target.row(sy);
            for (int sx = cut.left; sx < cut.right; ++sx) {
                const unsigned weight = cover[sx - box.left];
                if (weight == 255)
                    out[sx] = colour;
                else if (weight != 0)
                    out[sx] = opaque(blend(out[sx], colour, weight));
            }
        }
    }
    const auto fill = [&](int left, int right) {
        const int top = baseline + font.underlineOffset();
        const Rect line = Rect{left, top, right, top + font.underlineThickness()}.intersect(clip);
        for (int sy = line.top; sy < line.bottom; ++sy)
            std::fill(target.row(sy) + line.left, target.row(sy) + line.right, colour);
    };
    if (underlineIndex >= 0 && std::size_t(underlineIndex) < text.size())
        fill(pens[std::size_t(underlineIndex)], pens[std::size_t(underlineIndex) + 1]);
    if (font.spec().underline)
        fill(pens.front(), pens.back());
}

} // namespace

void Painter::drawGlyphs(std::string_view text, int x, int y, const Rect& clip, int underlineIndex)
{
    const Font& f = font();
    const Rect deviceClip = toDevice(clip).intersect(state_.clip);
    if (deviceClip.isEmpty())
        return;
    const Argb colour = opaque(state_.textColour);
    const int top = y + state_.origin.y;
    const int baseline = top + f.metrics().ascent;
    std::vector<int> pens(text.size() + 1);
    pens[0] = x + state_.origin.x;
    for (std::size_t i = 0; i < text.size(); ++i)
        pens[i + 1] = pens[i] + f.advance(static_cast<unsigned char>(text[i]));

    const std::shared_ptr<ScreenText> screenText = screenTextOf(*surface_);
    Rect touched =
        screenText != nullptr ? lineBox(f, text, pens, baseline, deviceClip, underlineIndex) : Rect{};
    // A logical pixel more on each side: the larger letters' soft edges reach a little further.
    if (!touched.isEmpty())
        touched = touched.inflatedBy(1, 1).intersect(deviceClip);
    if (!touched.isEmpty()) {
        // The same line at the screen's resolution, each character where its
        // enlarged pixels would be, so the layout stays the logical one.
        const Scale scale = screenText->scale();
        const Font& large = screenFont(f, scale);
        const Rect screenArea = scale.toScreen(touched);
        std::vector<int> screenPens(pens.size());
        for (std::size_t i = 0; i < pens.size(); ++i)
            screenPens[i] = scale.toScreen(pens[i]) - screenArea.left;
        Surface& screen = screenText->beginRun(*surface_, touched);
        drawLine(
            screen, large, text, screenPens, scale.toScreen(top) + large.metrics().ascent - screenArea.top,
            scale.toScreen(deviceClip).offsetBy(-screenArea.left, -screenArea.top), colour, underlineIndex);
    }
    drawLine(*surface_, f, text, pens, baseline, deviceClip, colour, underlineIndex);
    if (!touched.isEmpty())
        screenText->endRun(*surface_);
}

void Painter::textOut(int x, int y, std::string_view text)
{
    const Size extent = textExtent(text);
    const Rect cell = Rect::fromSize(x, y, extent.width, extent.height);
    if (state_.backgroundMode == BackgroundMode::Opaque)
        fillRect(cell, state_.backgroundColour);
    drawGlyphs(text, x, y, clip(), -1);
}

Size Painter::textExtent(std::string_view text) const
{
    return font().textExtent(text);
}

namespace {

struct LaidLine {
    std::string text;
    int underline = -1; // index in text of the character a prefix marks
};

// Takes the '&' prefixes out: "&&" is one '&', a single '&' marks the next character.
std::string stripPrefixes(std::string_view text, int& marked)
{
    std::string out;
    out.reserve(text.size());
    marked = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            } else if (i + 1 < text.size()) {
                marked = int(out.size());
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

// Cuts a line and puts "..." at its end so that it fits width.
void addEllipsis(const Font& font, LaidLine& line, int width)
{
    if (font.textWidth(line.text) <= width)
        return;
    const int dots = font.textWidth("...");
    std::string& text = line.text;
    while (!text.empty() && font.textWidth(text) + dots > width)
        text.pop_back();
    if (line.underline >= int(text.size()))
        line.underline = -1;
    text += "...";
}

} // namespace

int Painter::drawText(std::string_view text, Rect& area, unsigned format)
{
    const Font& f = font();
    const int lineHeight = f.metrics().height;
    int marked = -1;
    std::string plain;
    if (format & kTextNoPrefix)
        plain = std::string(text);
    else
        plain = stripPrefixes(text, marked);
    if (format & kTextHidePrefix)
        marked = -1;

    // Lay the text out in lines: pieces of plain with their first index.
    std::vector<std::pair<std::size_t, std::size_t>> pieces; // start, length
    if (format & kTextSingleLine) {
        pieces.emplace_back(0, plain.size());
    } else {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= plain.size(); ++i) {
            if (i == plain.size() || plain[i] == '\n' || plain[i] == '\r') {
                pieces.emplace_back(start, i - start);
                if (i + 1 < plain.size() && plain[i] == '\r' && plain[i + 1] == '\n')
                    ++i;
                start = i + 1;
            }
        }
    }
    if ((format & kTextWordBreak) && !(format & kTextSingleLine)) {
        std::vector<std::pair<std::size_t, std::size_t>> wrapped;
        const int width = area.width();
        for (const auto& [start, length] : pieces) {
            std::size_t lineStart = start;
            const std::size_t end = start + length;
            if (length == 0)
                wrapped.emplace_back(start, 0);
            while (lineStart < end) {
                // Take words while they fit; a word wider than the line stands alone.
                std::size_t fit = lineStart;
                std::size_t pos = lineStart;
                while (pos < end) {
                    std::size_t wordEnd = pos;
                    while (wordEnd < end && plain[wordEnd] == ' ')
                        ++wordEnd;
                    while (wordEnd < end && plain[wordEnd] != ' ')
                        ++wordEnd;
                    if (fit > lineStart &&
                        f.textWidth(std::string_view(plain).substr(lineStart, wordEnd - lineStart)) > width)
                        break;
                    fit = pos = wordEnd;
                }
                wrapped.emplace_back(lineStart, fit - lineStart);
                lineStart = fit;
                while (lineStart < end && plain[lineStart] == ' ')
                    ++lineStart;
            }
        }
        pieces = std::move(wrapped);
    }

    std::vector<LaidLine> lines;
    int widest = 0;
    for (const auto& [start, length] : pieces) {
        LaidLine line{plain.substr(start, length), -1};
        if (marked >= int(start) && marked < int(start + length))
            line.underline = marked - int(start);
        if (format & kTextEndEllipsis)
            addEllipsis(f, line, area.width());
        widest = std::max(widest, f.textWidth(line.text));
        lines.push_back(std::move(line));
    }
    const int total = lineHeight * int(lines.size());

    if (format & kTextCalcRect) {
        area.right = area.left + widest;
        area.bottom = area.top + total;
        return total;
    }

    int y = area.top;
    if (format & kTextSingleLine) {
        if (format & kTextVCentre)
            y = area.top + (area.height() - lineHeight) / 2;
        else if (format & kTextBottom)
            y = area.bottom - lineHeight;
    }
    const Rect textClip = (format & kTextNoClip) ? clip() : area.intersect(clip());
    for (const LaidLine& line : lines) {
        const int width = f.textWidth(line.text);
        int x = area.left;
        if (format & kTextCentre)
            x = area.left + (area.width() - width) / 2;
        else if (format & kTextRight)
            x = area.right - width;
        if (state_.backgroundMode == BackgroundMode::Opaque)
            fillRect(Rect::fromSize(x, y, width, lineHeight).intersect(textClip), state_.backgroundColour);
        drawGlyphs(line.text, x, y, textClip, line.underline);
        y += lineHeight;
    }
    return (format & kTextSingleLine) ? y - area.top : total;
}

} // namespace plat::ui
