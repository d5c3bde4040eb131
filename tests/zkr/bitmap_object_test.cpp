#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/core/Module.h"
#include "platform/ui/Png.h"
#include "platform/ui/Resources.h"
#include "zkr/BitmapObject.h"
#include "zkr/OffscreenBitmap.h"

namespace {

using plat::ui::Argb;
using plat::ui::Painter;
using plat::ui::Rect;
using plat::ui::Surface;
using zkr::BitmapObject;

constexpr Argb kGrey = 0xFF808080u;

// Every pixel different: 0xFF000000 | y << 8 | x.
BitmapObject numbered(int width, int height)
{
    BitmapObject bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.bitmap().setPixel(x, y, 0xFF000000u | Argb(y << 8) | Argb(x));
    return bitmap;
}

TEST(BitmapObjectRegion, OnlyExactlyWhitePixelsAreHoles)
{
    BitmapObject mask(5, 4, kGrey);
    mask.bitmap().setPixel(0, 0, 0xFFFFFFFFu);
    mask.bitmap().setPixel(2, 1, 0x00FFFFFFu); // alpha does not matter
    mask.bitmap().setPixel(3, 2, 0xFFFFFFFEu); // almost white stays inside
    const plat::ui::Region region = mask.makeRegion();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(region.contains(x, y), !((x == 0 && y == 0) || (x == 2 && y == 1))) << x << "," << y;
    EXPECT_EQ(region.bounds(), (Rect{0, 0, 5, 4}));
    EXPECT_TRUE(BitmapObject(3, 3, plat::ui::kWhite).makeRegion().isEmpty());
    EXPECT_TRUE(BitmapObject().makeRegion().isEmpty());
}

TEST(BitmapObjectBlit, CopiesTheSourceRectangleThroughOriginAndClip)
{
    const BitmapObject source = numbered(6, 5);
    Surface target(12, 10, kGrey);
    Painter dc(target);
    dc.setOrigin({1, 1});
    dc.setClip({0, 0, 5, 10});         // surface columns 1..5
    source.blit(dc, 3, 2, 1, 2, 4, 4); // 3 x 2 from 1, 2 to surface 4, 3
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 4 && x < 6 && y >= 3 && y < 5; // column 6 clipped
            EXPECT_EQ(target.pixel(x, y), inside ? source.bitmap().pixel(x - 3, y - 1) : kGrey)
                << x << "," << y;
        }
    Surface whole(8, 8, kGrey);
    Painter wholeDc(whole);
    source.blitAll(wholeDc, 1, 1);
    EXPECT_TRUE(whole.view({1, 1, 7, 6}).samePixels(source.bitmap()));
    EXPECT_EQ(whole.pixel(7, 1), kGrey);
    EXPECT_EQ(source.rasterOperation(), 0xCC0020u);
}

TEST(BitmapObjectLifetime, LoadsModuleBitmapsAndKeepsItsContextAcrossMoves)
{
    Surface image(3, 2, 0xFF00FF00u);
    image.setPixel(2, 1, 0xFF0000FFu);
    static std::vector<uint8_t> png;
    ASSERT_TRUE(plat::ui::encodePng(image, png));
    static const plat::ui::ImageResource images[] = {
        {plat::ui::ImageKind::Bitmap, 4711, png.data(), png.size(), 0, 0}};
    static const plat::ui::ResourceTable table{{}, images, {}, {}};
    plat::ui::registerResources(plat::programModule(), table);

    BitmapObject loaded;
    ASSERT_TRUE(loaded.load(plat::programModule(), 4711));
    EXPECT_TRUE(loaded.bitmap().samePixels(image));
    EXPECT_EQ(loaded.description().rowBytes, 12);
    BitmapObject moved(std::move(loaded));
    moved.dc().fillRect({0, 0, 1, 1}, kGrey); // the context still draws into the moved bitmap
    EXPECT_EQ(moved.bitmap().pixel(0, 0), kGrey);

    EXPECT_FALSE(moved.load(plat::programModule(), 4712));
    EXPECT_TRUE(moved.isEmpty());
    EXPECT_EQ(moved.width(), 0);
    plat::ui::unregisterResources(plat::programModule(), table);
}

TEST(OffscreenBitmapSetup, StartsAsAPlainRectangle)
{
    zkr::OffscreenBitmap picture(5, 4);
    EXPECT_EQ(picture.kind, zkr::kKindGraphics);
    ASSERT_TRUE(picture.hasBitmap());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(picture.bitmap().pixel(x, y),
                      x == 0 || y == 0 || x == 4 || y == 3 ? plat::ui::kBlack : plat::ui::kWhite);
    EXPECT_FALSE(zkr::OffscreenBitmap(0, 3).hasBitmap());
}

} // namespace
