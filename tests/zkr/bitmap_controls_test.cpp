#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "api/Protocol.h"
#include "platform/core/Module.h"
#include "platform/ui/Png.h"
#include "platform/ui/Resources.h"
#include "zkr/BitmapFont.h"
#include "zkr/LabelControl.h"
#include "zkr/ToggleButton.h"

namespace {

using plat::ui::Argb;
using plat::ui::kBlack;
using plat::ui::Painter;
using plat::ui::Rect;
using plat::ui::Surface;
using zkr::BitmapObject;
using zkr::Control;

constexpr Argb kBackdrop = 0xFF404040u;

Argb frameColour(int frame)
{
    return 0xFF000077u | Argb(0x10 * (frame + 1)) << 16;
}

// frames pictures of width x height stacked vertically, picture k in frameColour(k).
BitmapObject strip(int width, int height, int frames)
{
    BitmapObject bitmap(width, height * frames);
    for (int k = 0; k < frames; ++k)
        bitmap.dc().fillRect(Rect::fromSize(0, k * height, width, height), frameColour(k));
    return bitmap;
}

Surface painted(Control& control, int size = 40)
{
    Surface target(size, size, kBackdrop);
    Painter dc(target);
    control.paint(&dc);
    return target;
}

// The frame a button shows; it must cover exactly the button's rectangle.
int shownFrame(Control& button)
{
    const Surface target = painted(button);
    const Argb shown = target.pixel(button.rect.left, button.rect.top);
    EXPECT_EQ(target.pixel(button.rect.right - 1, button.rect.bottom - 1), shown);
    EXPECT_EQ(target.pixel(button.rect.left, button.rect.bottom), kBackdrop);
    for (int k = 0; k < 8; ++k)
        if (shown == frameColour(k))
            return k;
    return -1;
}

// Glyphs for 'a' to 'd', 3 high; 'a' + k is k + 1 wide, fixed width 2.
zkr::BitmapFont blockFont()
{
    return zkr::BitmapFont(strip(8, 3, 4), 'a', 'd', 3, 2, {1, 2, 3, 4});
}

TEST(BitmapFontText, WidthsComeFromTheTableOrTheFixedWidth)
{
    const zkr::BitmapFont font = blockFont();
    EXPECT_EQ(font.textWidth("abcd"), 10);
    EXPECT_EQ(font.textWidth("`ez\xE9"), 8); // below, above and past 127 (negative) count 2 each
    EXPECT_EQ(zkr::BitmapFont(BitmapObject(4, 12), 'a', 'd', 3, 5, {1}).textWidth("ab"), 6); // short table
}

TEST(BitmapFontText, DrawsGlyphRowsSkipsUnknownsAndCentresDroppingRemainders)
{
    const zkr::BitmapFont font = blockFont();
    Surface target(30, 20, kBackdrop);
    Painter dc(target);
    font.draw(dc, 1, 2, "b?c"); // 'b' at 1, '?' leaves 3..4 alone, 'c' at 5
    const Argb b = frameColour(1), c = frameColour(2), o = kBackdrop;
    const std::vector<Argb> row{o, b, b, o, o, c, c, c, o};
    for (int x = 0; x < int(row.size()); ++x)
        EXPECT_TRUE(target.pixel(x, 2) == row[x] && target.pixel(x, 4) == row[x] && target.pixel(x, 5) == o)
            << x;
    // "cd" is 7 wide: x = 2 + 11 / 2 - 7 / 2 = 4; y = 10 + 10 / 2 - 3 / 2 = 14.
    font.drawCentred(dc, Rect::fromSize(2, 10, 11, 10), "cd");
    EXPECT_TRUE(target.pixel(3, 14) == o && target.pixel(4, 14) == c && target.pixel(4, 13) == o);
    EXPECT_TRUE(target.pixel(10, 16) == frameColour(3) && target.pixel(11, 16) == o &&
                target.pixel(10, 17) == o);
}

TEST(LabelPainting, GreenTextCentredOnBlackWithoutPrefixes)
{
    zkr::LabelControl label;
    label.place(5, 4, 60, 20);
    EXPECT_TRUE(label.rect == (Rect{5, 4, 65, 24}) && label.width == 60 && label.height == 20);
    EXPECT_TRUE(label.region.contains(64, 23) && !label.region.contains(65, 23));
    const auto ink = [&](const char* text) {
        label.setText(text);
        const Surface target = painted(label, 80);
        Rect box{80, 80, 0, 0};
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 80; ++x) {
                const Argb p = target.pixel(x, y);
                EXPECT_EQ(p, label.rect.contains(x, y) ? p & 0xFF00FF00u : kBackdrop) << x << "," << y;
                if (p != kBlack && p != kBackdrop)
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
            }
        return box;
    };
    const Rect box = ink("II");
    ASSERT_FALSE(box.isEmpty());
    EXPECT_LE(std::abs((box.left - 5) - (65 - box.right)), 2);
    EXPECT_LE(std::abs((box.top - 4) - (24 - box.bottom)), 3);
    EXPECT_GT(ink("&&").width(), ink("&").width() + 2); // both ampersands are drawn
    label.alignment = plat::ui::kTextLeft | plat::ui::kTextVCentre;
    EXPECT_LT(ink("II").left, 5 + 4);
}

TEST(LabelPainting, SunkenEdgeAndBitmapFontCentring)
{
    zkr::LabelControl label;
    label.place(2, 3, 12, 8);
    label.sunken = true;
    Surface expected(40, 40, kBackdrop);
    Painter expectedDc(expected);
    expectedDc.fillRect(label.rect, kBlack);
    expectedDc.drawEdge(label.rect, plat::ui::kEdgeSunken, plat::ui::kSidesRect);
    EXPECT_TRUE(painted(label).samePixels(expected));
    EXPECT_NE(expected.pixel(2, 3), kBlack);

    const zkr::BitmapFont font = blockFont();
    label.sunken = false;
    label.font = &font;
    label.place(3, 2, 11, 10);
    label.setText("cd");
    const Surface target = painted(label); // "cd" at 3 + 5 - 3 = 5, 2 + 5 - 1 = 6
    EXPECT_TRUE(target.pixel(4, 6) == kBlack && target.pixel(5, 6) == frameColour(2));
    EXPECT_TRUE(target.pixel(11, 8) == frameColour(3) && target.pixel(12, 8) == kBlack);
    EXPECT_TRUE(target.pixel(3, 2) == kBlack && target.pixel(2, 2) == kBackdrop);
}

TEST(BitmapButtonFrames, EachStateShowsItsFrameAndDisabledWins)
{
    const BitmapObject frames = strip(6, 5, 4);
    zkr::BitmapButton button;
    button.state = Control::kStateHot;
    button.place(3, 4, &frames);
    EXPECT_TRUE(button.rect == (Rect{3, 4, 9, 9}) && button.state == Control::kStateNormal);
    EXPECT_TRUE(button.region.contains(8, 8) && !button.region.contains(8, 9));
    EXPECT_EQ(shownFrame(button), 0);
    button.onMouseDown(0, 0);
    EXPECT_EQ(shownFrame(button), 3);
    button.enabled = false;
    EXPECT_EQ(shownFrame(button), 1);
    button.enabled = true;
    button.onMouseUp(0, 0);
    EXPECT_EQ(shownFrame(button), 0);
    button.setState(Control::kStateHot);
    EXPECT_EQ(shownFrame(button), 2);
}

TEST(BitmapButtonFrames, LoadsItsOwnBitmapOrReportsCreateControl)
{
    static std::vector<uint8_t> png;
    ASSERT_TRUE(plat::ui::encodePng(strip(4, 3, 4).bitmap(), png));
    static const plat::ui::ImageResource images[] = {
        {plat::ui::ImageKind::Bitmap, 812, png.data(), png.size(), 0, 0}};
    static const plat::ui::ResourceTable table{{}, images, {}, {}};
    plat::ui::registerResources(plat::programModule(), table);
    static std::vector<int> reported;
    zkr::BitmapButton button;
    button.setOwnHandler([](int code, const char*) { reported.push_back(code); });
    EXPECT_EQ(button.place(1, 1, plat::programModule(), 812), 0);
    EXPECT_EQ(button.rect, (Rect{1, 1, 5, 4}));
    EXPECT_EQ(button.place(1, 1, plat::programModule(), 813), toWire(engine::Error::CreateControl));
    EXPECT_EQ(reported, std::vector<int>{toWire(engine::Error::CreateControl)});
    button.state = Control::kStatePressed;
    EXPECT_EQ(shownFrame(button), 3); // the loaded bitmap is kept
    plat::ui::unregisterResources(plat::programModule(), table);
}

TEST(ToggleButtonFrames, ShowsFramesFourToSevenWhileOnAndFlipsOnlyWhenPressed)
{
    const BitmapObject frames = strip(6, 4, 8);
    zkr::ToggleButton toggle;
    toggle.place(2, 2, &frames);
    EXPECT_TRUE(toggle.toggleable && !toggle.on && toggle.rect == (Rect{2, 2, 8, 6}));
    toggle.onMouseDown(0, 0);
    EXPECT_EQ(shownFrame(toggle), 3);
    toggle.onMouseUp(0, 0);
    EXPECT_TRUE(toggle.on);
    const int onFrames[] = {7, 4, 6}; // pressed, normal, hot
    for (int state = 0; state < 3; ++state) {
        toggle.state = state;
        EXPECT_EQ(shownFrame(toggle), onFrames[state]);
    }
    toggle.enabled = false;
    EXPECT_EQ(shownFrame(toggle), 5);
    toggle.enabled = true;

    toggle.state = Control::kStateHot; // a release that did not start on it
    toggle.onMouseUp(0, 0);
    EXPECT_TRUE(toggle.on);
    toggle.toggleable = false;
    toggle.onMouseDown(0, 0);
    toggle.onMouseUp(0, 0);
    EXPECT_TRUE(toggle.on);
    toggle.setOn(false);
    EXPECT_EQ(shownFrame(toggle), 0);
}

} // namespace
