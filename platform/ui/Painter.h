#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/core/Api.h"
#include "platform/ui/Colour.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Surface.h"

namespace plat::ui {

class Font;
class Region;

// Raster flags and values with the original platform's numbers.
// Edges (DrawEdge): the outer and inner borders, raised or sunken.
inline constexpr unsigned kBorderRaisedOuter = 0x1;
inline constexpr unsigned kBorderSunkenOuter = 0x2;
inline constexpr unsigned kBorderRaisedInner = 0x4;
inline constexpr unsigned kBorderSunkenInner = 0x8;
inline constexpr unsigned kEdgeRaised = 5;  // EDGE_RAISED
inline constexpr unsigned kEdgeSunken = 10; // EDGE_SUNKEN
inline constexpr unsigned kEdgeEtched = 6;  // EDGE_ETCHED
inline constexpr unsigned kEdgeBump = 9;    // EDGE_BUMP
// Sides and options (BF_...).
inline constexpr unsigned kSideLeft = 0x1;
inline constexpr unsigned kSideTop = 0x2;
inline constexpr unsigned kSideRight = 0x4;
inline constexpr unsigned kSideBottom = 0x8;
inline constexpr unsigned kSidesRect = 0xF;    // BF_RECT
inline constexpr unsigned kEdgeMiddle = 0x800; // fill the inside with the face colour
inline constexpr unsigned kEdgeFlat = 0x4000;  // one flat line in the shadow colour per border
inline constexpr unsigned kEdgeMono = 0x8000;  // one black line per border

// Text drawing (DrawText's DT_...).
inline constexpr unsigned kTextLeft = 0x0;
inline constexpr unsigned kTextCentre = 0x1;
inline constexpr unsigned kTextRight = 0x2;
inline constexpr unsigned kTextTop = 0x0;
inline constexpr unsigned kTextVCentre = 0x4; // single line only
inline constexpr unsigned kTextBottom = 0x8;  // single line only
inline constexpr unsigned kTextWordBreak = 0x10;
inline constexpr unsigned kTextSingleLine = 0x20;
inline constexpr unsigned kTextNoClip = 0x100;
inline constexpr unsigned kTextCalcRect = 0x400; // measure only: the rectangle's right and bottom are set
inline constexpr unsigned kTextNoPrefix = 0x800; // '&' is drawn as it is
inline constexpr unsigned kTextEndEllipsis = 0x8000;
inline constexpr unsigned kTextHidePrefix = 0x100000; // '&' is taken away, nothing underlined

enum class BackgroundMode { Transparent = 1, Opaque = 2 };

struct Pen {
    Argb colour = kBlack;
    int width = 1;     // a square pen: width x width pixels around each point
    bool none = false; // draws nothing (the null pen)
    static Pen solid(Argb colour, int width = 1) { return {colour, width, false}; }
    static Pen null() { return {kBlack, 1, true}; }
};

struct Brush {
    Argb colour = kWhite;
    bool none = false; // hollow: shapes are not filled
    static Brush solid(Argb colour) { return {colour, false}; }
    static Brush null() { return {kWhite, true}; }
};

// What a painter draws with; saved and restored whole.
struct PainterState {
    Point origin; // surface position of logical 0, 0
    Rect clip;    // in surface coordinates, inside the surface
    Pen pen;
    Brush brush;
    const Font* font = nullptr; // null: Font::defaultGui()
    Argb textColour = kBlack;
    Argb backgroundColour = kWhite;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    Point position; // current position of moveTo / lineTo, logical
};

// Draws on a surface: the stand-in for the original platform's drawing
// context. Coordinates are logical: the origin moves them (children of a
// window paint into its back buffer at their own position), and nothing is
// drawn outside the clip. The drawing colours are opaque (alpha is ignored
// and 0xFF is stored). The surface must outlive the painter.
class PLAT_API Painter {
public:
    explicit Painter(Surface& target);

    Surface& surface() const { return *surface_; }
    const PainterState& state() const { return state_; }
    void restoreState(const PainterState& saved);

    // Origin and clip.
    void setOrigin(Point origin) { state_.origin = origin; }
    Point origin() const { return state_.origin; }
    // The clip becomes area (logical), cut to the surface.
    void setClip(const Rect& area);
    // The clip becomes its common part with area (logical).
    void intersectClip(const Rect& area);
    Rect clip() const;                      // logical
    bool isVisible(const Rect& area) const; // some of area (logical) is inside the clip

    // Selections: each returns what was selected before.
    Pen setPen(const Pen& pen);
    Brush setBrush(const Brush& brush);
    const Font* setFont(const Font* font);
    const Font& font() const;
    Argb setTextColour(Argb colour);
    Argb setBackgroundColour(Argb colour);
    BackgroundMode setBackgroundMode(BackgroundMode mode);

    // Pixels (logical); pixel answers 0 outside the surface.
    Argb pixel(int x, int y) const;
    void setPixel(int x, int y, Argb colour);

    // Lines with the pen. lineTo draws from the current position to x, y
    // without the end point and moves there.
    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void line(int x0, int y0, int x1, int y1); // moveTo then lineTo
    void polyline(std::span<const Point> points);

    // Shapes: outlined with the pen and filled with the brush, covering
    // left..right-1, top..bottom-1.
    void rectangle(const Rect& area);
    void ellipse(const Rect& area);
    // Fills with a colour or a brush (a null brush fills nothing), no outline.
    void fillRect(const Rect& area, Argb colour);
    void fillRect(const Rect& area, const Brush& brush);
    void fillRegion(const Region& region, Argb colour);
    // A one-pixel frame just inside area.
    void frameRect(const Rect& area, Argb colour);
    // Inverts the colours in area.
    void invertRect(const Rect& area);
    // The dotted frame of a focused control (drawn by inverting every other pixel,
    // so a second call takes it away).
    void drawFocusRect(const Rect& area);
    // Two-tone 3D edges in the classic scheme's colours; answers the rectangle left inside.
    Rect drawEdge(const Rect& area, unsigned edge, unsigned sides);

    // Copies source's area (source coordinates) to x, y (logical), pixel for
    // pixel, alpha included (the raster operation "source copy").
    void blit(int x, int y, const Surface& source, const Rect& area);
    void blit(int x, int y, const Surface& source) { blit(x, y, source, source.bounds()); }
    // As blit, but pixels of the key colour (alpha ignored) are left out.
    void blitTransparent(int x, int y, const Surface& source, const Rect& area, Argb key);
    // Blends the source over the surface by the source's alpha.
    void alphaBlend(int x, int y, const Surface& source, const Rect& area);

    // Text in the selected font and text colour; in opaque mode the text's cells are filled with the
    // background colour first. x, y is the top left of the first character's cell.
    void textOut(int x, int y, std::string_view text);
    // Text laid out in area by format (kText...). Answers the height of the
    // text drawn; with kTextCalcRect draws nothing and sets area's right and bottom.
    int drawText(std::string_view text, Rect& area, unsigned format);
    int drawText(std::string_view text, const Rect& area, unsigned format)
    {
        Rect copy = area;
        return drawText(text, copy, format);
    }
    // The size textOut would draw.
    Size textExtent(std::string_view text) const;

private:
    Rect toDevice(const Rect& area) const { return area.offsetBy(state_.origin.x, state_.origin.y); }
    void plot(int sx, int sy, Argb colour);         // surface coordinates, clipped
    void fillDevice(const Rect& area, Argb colour); // surface coordinates, clipped
    void penDot(int x, int y);                      // logical
    void drawGlyphs(std::string_view text, int x, int y, const Rect& clip, int underlineIndex); // logical
    template <typename Combine>
    void combinePixels(int x, int y, const Surface& source, const Rect& area, Combine combine); // logical

    Surface* surface_;
    PainterState state_;
};

} // namespace plat::ui
