// Surfaces and the painter: which pixels each drawing operation touches.
#include <gtest/gtest.h>

#include <vector>

#include "platform/ui/Painter.h"
#include "platform/ui/Region.h"
#include "platform/ui/Surface.h"

namespace plat::ui {
namespace {

constexpr Argb kRed = rgb(255, 0, 0);
constexpr Argb kGreen = rgb(0, 255, 0);
constexpr Argb kBlue = rgb(0, 0, 255);

// The points of the surface that hold colour, as a list to compare.
std::vector<Point> pixelsOf(const Surface& s, Argb colour)
{
    std::vector<Point> points;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) == colour)
                points.push_back({x, y});
    return points;
}

TEST(SurfaceTest, ViewsShareThePixelsAndClonesDoNot)
{
    Surface surface(8, 6, kWhite);
    Surface view = surface.view({2, 1, 20, 4}); // cut to the surface
    EXPECT_EQ(view.size(), (Size{6, 3}));
    view.setPixel(0, 0, kRed);
    EXPECT_EQ(surface.pixel(2, 1), kRed);

    Surface copy = surface.clone();
    copy.setPixel(2, 1, kBlue);
    EXPECT_EQ(surface.pixel(2, 1), kRed);
    EXPECT_TRUE(surface.view({0, 0, 1, 1}).samePixels(copy.view({0, 0, 1, 1})));

    EXPECT_TRUE(surface.view({9, 9, 12, 12}).isEmpty());
    EXPECT_TRUE(Surface(0, 5).isEmpty());
    EXPECT_EQ(surface.pixel(-1, 0), 0u);
}

TEST(SurfaceTest, CopyWithinOneSurfaceScrollsWithoutSmearing)
{
    Surface s(1, 6, kWhite);
    for (int y = 0; y < 6; ++y)
        s.setPixel(0, y, rgb(0, 0, uint8_t(y)));
    s.copyFrom(s, {0, 0, 1, 4}, 0, 2); // down by two, overlapping
    for (int y = 2; y < 6; ++y)
        EXPECT_EQ(s.pixel(0, y), rgb(0, 0, uint8_t(y - 2))) << y;
}

TEST(PainterLineTest, LinesLeaveOutTheirEndPoint)
{
    Surface s(10, 10, kWhite);
    Painter p(s);
    p.setPen(Pen::solid(kRed));
    p.line(2, 3, 6, 3);
    EXPECT_EQ(pixelsOf(s, kRed), (std::vector<Point>{{2, 3}, {3, 3}, {4, 3}, {5, 3}}));

    s.fill(kWhite);
    p.line(1, 5, 1, 2); // upwards
    EXPECT_EQ(pixelsOf(s, kRed), (std::vector<Point>{{1, 3}, {1, 4}, {1, 5}}));

    s.fill(kWhite);
    p.line(0, 0, 3, 3);
    EXPECT_EQ(pixelsOf(s, kRed), (std::vector<Point>{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(p.state().position, (Point{3, 3}));

    s.fill(kWhite);
    p.line(4, 4, 4, 4); // nothing to draw
    EXPECT_TRUE(pixelsOf(s, kRed).empty());
}

TEST(PainterLineTest, ConnectedLinesAndPolylinesCloseTheirPath)
{
    Surface s(6, 6, kWhite);
    Painter p(s);
    p.setPen(Pen::solid(kGreen));
    const Point square[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}, {1, 1}};
    p.polyline(square);
    // Each side leaves its end to the next, so the closed square has every corner once.
    EXPECT_EQ(pixelsOf(s, kGreen).size(), 12u);
    EXPECT_EQ(s.pixel(4, 4), kGreen);
    EXPECT_EQ(s.pixel(2, 2), kWhite);

    s.fill(kWhite);
    p.setPen(Pen::null());
    p.line(0, 0, 5, 0);
    EXPECT_TRUE(pixelsOf(s, kGreen).empty());
}

TEST(PainterShapeTest, RectanglesCoverLeftToRightMinusOne)
{
    Surface s(8, 8, kWhite);
    Painter p(s);
    p.setPen(Pen::solid(kRed));
    p.setBrush(Brush::solid(kBlue));
    p.rectangle({1, 1, 5, 4});
    EXPECT_EQ(s.pixel(1, 1), kRed);
    EXPECT_EQ(s.pixel(4, 3), kRed);
    EXPECT_EQ(s.pixel(5, 3), kWhite);
    EXPECT_EQ(s.pixel(4, 4), kWhite);
    EXPECT_EQ(pixelsOf(s, kBlue), (std::vector<Point>{{2, 2}, {3, 2}}));

    s.fill(kWhite);
    p.setBrush(Brush::null());
    p.rectangle({0, 0, 3, 3});
    EXPECT_EQ(s.pixel(1, 1), kWhite);
    EXPECT_EQ(pixelsOf(s, kRed).size(), 8u);

    s.fill(kWhite);
    p.fillRect({6, 6, 20, 20}, kGreen);
    EXPECT_EQ(pixelsOf(s, kGreen).size(), 4u);
    p.frameRect({0, 0, 4, 3}, kBlue);
    EXPECT_EQ(pixelsOf(s, kBlue).size(), 10u);
    EXPECT_EQ(s.pixel(1, 1), kWhite);
    p.fillRect({3, 3, 3, 5}, kRed); // empty
    EXPECT_TRUE(pixelsOf(s, kRed).empty());
}

TEST(PainterShapeTest, EllipseIsFilledInsideAndSymmetric)
{
    Surface s(11, 7, kWhite);
    Painter p(s);
    p.setPen(Pen::solid(kRed));
    p.setBrush(Brush::solid(kBlue));
    p.ellipse(s.bounds());
    EXPECT_EQ(s.pixel(5, 3), kBlue);
    EXPECT_EQ(s.pixel(0, 0), kWhite);
    EXPECT_EQ(s.pixel(10, 6), kWhite);
    EXPECT_EQ(s.pixel(0, 3), kRed);
    EXPECT_EQ(s.pixel(10, 3), kRed);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 11; ++x)
            EXPECT_EQ(s.pixel(x, y), s.pixel(10 - x, 6 - y)) << x << "," << y;
}

TEST(PainterShapeTest, FocusRectangleDrawnTwiceLeavesNoTrace)
{
    Surface s(7, 5, kWhite);
    Painter p(s);
    p.drawFocusRect({0, 0, 7, 5});
    EXPECT_FALSE(pixelsOf(s, rgb(0, 0, 0)).empty());
    EXPECT_EQ(s.pixel(3, 2), kWhite);
    p.drawFocusRect({0, 0, 7, 5});
    EXPECT_EQ(pixelsOf(s, kWhite).size(), 35u);
}

TEST(PainterEdgeTest, SunkenEdgeHasShadowAboveAndLightBelow)
{
    Surface s(6, 6, kRed);
    Painter p(s);
    const Rect inside = p.drawEdge(s.bounds(), kEdgeSunken, kSidesRect);
    EXPECT_EQ(inside, (Rect{2, 2, 4, 4}));
    // Outer ring: shadow top and left, highlight bottom and right (owning two corners).
    EXPECT_EQ(s.pixel(0, 0), sysColour(kColourButtonShadow));
    EXPECT_EQ(s.pixel(3, 0), sysColour(kColourButtonShadow));
    EXPECT_EQ(s.pixel(0, 4), sysColour(kColourButtonShadow));
    EXPECT_EQ(s.pixel(5, 0), sysColour(kColourButtonHighlight));
    EXPECT_EQ(s.pixel(0, 5), sysColour(kColourButtonHighlight));
    EXPECT_EQ(s.pixel(5, 5), sysColour(kColourButtonHighlight));
    // Inner ring: dark shadow, then light.
    EXPECT_EQ(s.pixel(1, 1), sysColour(kColour3dDarkShadow));
    EXPECT_EQ(s.pixel(4, 4), sysColour(kColour3dLight));
    EXPECT_EQ(s.pixel(4, 1), sysColour(kColour3dLight));
    EXPECT_EQ(s.pixel(2, 2), kRed); // no middle asked for
}

TEST(PainterEdgeTest, RaisedEdgeIsTheSunkenOneTurnedOver)
{
    Surface s(5, 5, kRed);
    Painter p(s);
    p.drawEdge(s.bounds(), kEdgeRaised, kSidesRect | kEdgeMiddle);
    EXPECT_EQ(s.pixel(0, 0), sysColour(kColour3dLight));
    EXPECT_EQ(s.pixel(4, 4), sysColour(kColour3dDarkShadow));
    EXPECT_EQ(s.pixel(1, 1), sysColour(kColourButtonHighlight));
    EXPECT_EQ(s.pixel(3, 3), sysColour(kColourButtonShadow));
    EXPECT_EQ(s.pixel(2, 2), sysColour(kColourButtonFace));

    // Only the sides asked for.
    s.fill(kRed);
    EXPECT_EQ(p.drawEdge(s.bounds(), kEdgeRaised, kSideTop), (Rect{0, 2, 5, 5}));
    EXPECT_EQ(s.pixel(0, 4), kRed);
    EXPECT_EQ(s.pixel(2, 0), sysColour(kColour3dLight));
}

TEST(PainterBlitTest, BlitsAreClippedAtEveryEdge)
{
    Surface source(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            source.setPixel(x, y, rgb(uint8_t(x), uint8_t(y), 7));

    Surface s(6, 6, kWhite);
    Painter p(s);
    p.blit(-2, -1, source); // hangs over the top left
    EXPECT_EQ(s.pixel(0, 0), rgb(2, 1, 7));
    EXPECT_EQ(s.pixel(1, 2), rgb(3, 3, 7));
    EXPECT_EQ(s.pixel(2, 0), kWhite);
    EXPECT_EQ(s.pixel(0, 3), kWhite);

    s.fill(kWhite);
    p.blit(4, 5, source, {1, 1, 10, 10}); // source area larger than the source, over the bottom right
    EXPECT_EQ(s.pixel(4, 5), rgb(1, 1, 7));
    EXPECT_EQ(s.pixel(5, 5), rgb(2, 1, 7));
    EXPECT_EQ(pixelsOf(s, kWhite).size(), 34u);

    s.fill(kWhite);
    p.blit(0, 0, source, {-1, -1, 1, 1}); // the part left of the source moves the target with it
    EXPECT_EQ(s.pixel(1, 1), rgb(0, 0, 7));
    EXPECT_EQ(pixelsOf(s, kWhite).size(), 35u);
}

TEST(PainterBlitTest, SourceCopyKeepsAlphaAndKeyedBlitsSkipTheKey)
{
    Surface source(2, 1);
    source.setPixel(0, 0, argb(0x80, 1, 2, 3));
    source.setPixel(1, 0, kWhite);
    Surface s(2, 1, kBlack);
    Painter p(s);
    p.blit(0, 0, source);
    EXPECT_EQ(s.pixel(0, 0), argb(0x80, 1, 2, 3));

    s.fill(kBlack);
    p.blitTransparent(0, 0, source, source.bounds(), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(1, 0), kBlack);
    EXPECT_EQ(s.pixel(0, 0), argb(0x80, 1, 2, 3));

    s.fill(kBlack);
    Surface half(1, 1, argb(0x80, 255, 255, 255));
    p.alphaBlend(0, 0, half, half.bounds());
    EXPECT_NEAR(redOf(s.pixel(0, 0)), 128, 1);
}

TEST(PainterClipTest, OriginAndClipConfineAChildsPainting)
{
    Surface s(20, 20, kWhite);
    Painter p(s);
    p.setOrigin({10, 5});
    p.setClip({0, 0, 4, 3});
    EXPECT_EQ(p.clip(), (Rect{0, 0, 4, 3}));
    p.fillRect({-50, -50, 50, 50}, kRed);
    EXPECT_EQ(pixelsOf(s, kRed).size(), 12u);
    EXPECT_EQ(s.pixel(10, 5), kRed);
    EXPECT_EQ(s.pixel(13, 7), kRed);
    EXPECT_EQ(s.pixel(14, 7), kWhite);

    p.setPen(Pen::solid(kBlue));
    p.line(-5, 1, 30, 1);
    EXPECT_EQ(pixelsOf(s, kBlue).size(), 4u);
    EXPECT_EQ(p.pixel(0, 0), kRed);

    const PainterState saved = p.state();
    p.intersectClip({2, 0, 10, 10});
    EXPECT_EQ(p.clip(), (Rect{2, 0, 4, 3}));
    p.restoreState(saved);
    EXPECT_EQ(p.clip(), (Rect{0, 0, 4, 3}));

    p.setClip({-100, -100, 100, 100}); // never beyond the surface
    EXPECT_EQ(p.clip(), (Rect{-10, -5, 10, 15}));
}

TEST(PainterClipTest, DrawingColoursAreOpaque)
{
    Surface s(3, 1, 0);
    Painter p(s);
    p.fillRect({0, 0, 1, 1}, 0x00123456);
    p.setPixel(1, 0, 0x00654321);
    EXPECT_EQ(s.pixel(0, 0), 0xFF123456u);
    EXPECT_EQ(s.pixel(1, 0), 0xFF654321u);

    Region region = Region({0, 0, 1, 1}).unite(Rect{2, 0, 3, 1});
    p.fillRegion(region, kGreen);
    EXPECT_EQ(pixelsOf(s, kGreen), (std::vector<Point>{{0, 0}, {2, 0}}));
}

} // namespace
} // namespace plat::ui
