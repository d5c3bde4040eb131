// Regions: set operations checked pixel by pixel, the banded form, masks.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "platform/ui/Region.h"
#include "platform/ui/Surface.h"

namespace plat::ui {
namespace {

// Every pixel of area is in the region exactly when expected says so.
void expectPixels(const Region& region, const Rect& area, const std::function<bool(int, int)>& expected)
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            ASSERT_EQ(region.contains(x, y), expected(x, y)) << x << "," << y;
}

// Bands sorted from the top, rectangles in a band sorted and apart, touching
// bands different: the one list a set of pixels has.
void expectBanded(const Region& region)
{
    const auto& rects = region.rects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        ASSERT_FALSE(rects[i].isEmpty());
        if (i == 0)
            continue;
        const Rect& a = rects[i - 1];
        const Rect& b = rects[i];
        if (a.top == b.top) {
            ASSERT_EQ(a.bottom, b.bottom);
            ASSERT_LT(a.right, b.left); // apart, not touching
        } else {
            ASSERT_GE(b.top, a.bottom);
        }
    }
}

TEST(RegionTest, EmptyAndRectangularRegions)
{
    Region none;
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(Region(Rect{3, 3, 3, 9}).isEmpty());
    EXPECT_EQ(none.bounds(), Rect{});

    Region r(Rect{2, 1, 5, 4});
    EXPECT_EQ(r.bounds(), (Rect{2, 1, 5, 4}));
    EXPECT_TRUE(r.contains(2, 1));
    EXPECT_TRUE(r.contains(4, 3));
    EXPECT_FALSE(r.contains(5, 3)); // right and bottom are outside
    EXPECT_FALSE(r.contains(4, 4));

    r.offset(-2, 10);
    EXPECT_EQ(r.rects(), (std::vector<Rect>{{0, 11, 3, 14}}));
}

TEST(RegionTest, OperationsOnTwoRectanglesMatchEveryPixel)
{
    const Rect a{0, 0, 6, 4};
    const Rect b{3, 2, 9, 8};
    const Rect area{-1, -1, 10, 10};
    expectPixels(Region(a).unite(b), area,
                 [&](int x, int y) { return a.contains(x, y) || b.contains(x, y); });
    expectPixels(Region(a).intersect(b), area,
                 [&](int x, int y) { return a.contains(x, y) && b.contains(x, y); });
    expectPixels(Region(a).subtract(b), area,
                 [&](int x, int y) { return a.contains(x, y) && !b.contains(x, y); });
    expectPixels(Region(a).exclusiveOr(Region(b)), area,
                 [&](int x, int y) { return a.contains(x, y) != b.contains(x, y); });

    EXPECT_EQ(Region(a).unite(b).bounds(), (Rect{0, 0, 9, 8}));
    EXPECT_EQ(Region(a).unite(b).rects(), (std::vector<Rect>{{0, 0, 6, 2}, {0, 2, 9, 4}, {3, 4, 9, 8}}));
    EXPECT_TRUE(Region(a).subtract(a).isEmpty());
    EXPECT_TRUE(Region(a).intersect(Rect{6, 0, 9, 4}).isEmpty()); // touching is not overlapping
}

TEST(RegionTest, TouchingPiecesJoinSoEqualSetsCompareEqual)
{
    const Region halves = Region(Rect{0, 0, 4, 2}).unite(Rect{4, 0, 8, 2}).unite(Rect{0, 2, 8, 5});
    EXPECT_EQ(halves, Region(Rect{0, 0, 8, 5}));
    EXPECT_EQ(halves.rects().size(), 1u);

    const Region ab = Region(Rect{0, 0, 5, 5}).unite(Rect{3, 3, 9, 9});
    const Region ba = Region(Rect{3, 3, 9, 9}).unite(Rect{0, 0, 5, 5});
    EXPECT_EQ(ab, ba);
}

TEST(RegionTest, RandomOperationsAgreeWithPixelSets)
{
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> coordinate(0, 24);
    const auto randomRect = [&] {
        const int x = coordinate(random);
        const int y = coordinate(random);
        return Rect{x, y, x + 1 + coordinate(random) / 2, y + 1 + coordinate(random) / 2};
    };
    for (int round = 0; round < 40; ++round) {
        bool pixels[40][40] = {};
        Region region;
        for (int step = 0; step < 6; ++step) {
            const Rect r = randomRect();
            const int op = step == 0 ? 0 : int(random() % 4);
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x) {
                    const bool in = r.contains(x, y);
                    bool& p = pixels[y][x];
                    p = op == 0 ? (p || in) : op == 1 ? (p && in) : op == 2 ? (p && !in) : (p != in);
                }
            region = op == 0   ? region.unite(r)
                     : op == 1 ? region.intersect(r)
                     : op == 2 ? region.subtract(r)
                               : region.exclusiveOr(Region(r));
            expectBanded(region);
            expectPixels(region, {0, 0, 40, 40}, [&](int x, int y) { return pixels[y][x]; });
        }
    }
}

TEST(RegionMaskTest, EveryPixelThatIsNotWhiteBelongsToTheShape)
{
    // A round skin on white, with a pixel just off white (which counts) and a
    // white pixel of another alpha (which does not).
    Surface mask(30, 20, kWhite);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            if ((x - 15) * (x - 15) + (y - 10) * (y - 10) * 2 < 100)
                mask.setPixel(x, y, rgb(40, 40, 40));
    mask.setPixel(0, 0, rgb(255, 255, 254));
    mask.setPixel(29, 19, argb(0, 255, 255, 255));
    mask.setPixel(15, 10, kWhite); // a hole in the middle

    const Region shape = Region::fromMask(mask);
    expectBanded(shape);
    expectPixels(shape, mask.bounds(), [&](int x, int y) { return !sameColour(mask.pixel(x, y), kWhite); });
    EXPECT_FALSE(shape.contains(30, 10));
    EXPECT_EQ(shape.bounds().left, 0);
    EXPECT_EQ(shape.bounds().bottom, 18);

    EXPECT_TRUE(Region::fromMask(Surface(8, 8, kWhite)).isEmpty());
    EXPECT_EQ(Region::fromMask(Surface(8, 3, kBlack)), Region(Rect{0, 0, 8, 3}));
    EXPECT_TRUE(Region::fromMask(Surface()).isEmpty());
}

} // namespace
} // namespace plat::ui
