// Fonts and text: sizes and metrics, face mapping, where drawn text lands.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/ui/Font.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Surface.h"
#include "support/Watchdog.h"

namespace plat::ui {
namespace {

// The smallest rectangle holding every pixel that is not the background.
Rect inkOf(const Surface& s, Argb background = kWhite)
{
    Rect ink;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) != background)
                ink = ink.unite({x, y, x + 1, y + 1});
    return ink;
}

const Font& tahoma8()
{
    const Font* font = Font::get({"Tahoma", heightForPoints(8)});
    EXPECT_NE(font, nullptr);
    return *font;
}

TEST(FontSizeTest, PointsBecomeNegativePixelHeightsAt96Dpi)
{
    EXPECT_EQ(heightForPoints(7), -9);
    EXPECT_EQ(heightForPoints(8), -11);
    EXPECT_EQ(heightForPoints(10), -13);
    EXPECT_EQ(heightForPoints(12), -16);
}

TEST(FontSizeTest, AnEightPointFontHasDialogSizedMetrics)
{
    const TextMetrics& m = tahoma8().metrics();
    EXPECT_GE(m.height, 12);
    EXPECT_LE(m.height, 14);
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_GT(m.ascent, 2 * m.descent);
    EXPECT_EQ(m.internalLeading, m.height - 11); // the character height is the 11 asked for
    EXPECT_GE(m.aveCharWidth, 4);
    EXPECT_LE(m.aveCharWidth, 7);
    EXPECT_GE(m.maxCharWidth, m.aveCharWidth);
}

TEST(FontSizeTest, PositiveHeightIsTheCellHeight)
{
    const Font* font = Font::get({"Arial", 20});
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->metrics().height, 20);
    const Font* larger = Font::get({"Arial", -20});
    ASSERT_NE(larger, nullptr);
    EXPECT_GT(larger->metrics().height, 20);
    EXPECT_GT(larger->textWidth("Velmora"), font->textWidth("Velmora"));
}

TEST(FontFaceTest, SystemFaceNamesMapToDejaVu)
{
    EXPECT_NE(fontFileFor("Courier New", false, false).find("DejaVuSansMono.ttf"), std::string::npos);
    EXPECT_NE(fontFileFor("tahoma", false, false).find("DejaVuSansCondensed.ttf"), std::string::npos);
    EXPECT_NE(fontFileFor("Arial", true, false).find("DejaVuSans-Bold.ttf"), std::string::npos);
    EXPECT_NE(fontFileFor("Verdana", false, true).find("DejaVuSans-Oblique.ttf"), std::string::npos);
    EXPECT_NE(fontFileFor("Times New Roman", true, true).find("DejaVuSerif-BoldItalic.ttf"),
              std::string::npos);
    EXPECT_NE(fontFileFor("No Such Face", false, false).find("DejaVuSans.ttf"), std::string::npos);

    const Font* mono = Font::get({"Courier New", -12});
    ASSERT_NE(mono, nullptr);
    EXPECT_EQ(mono->advance('i'), mono->advance('W'));
    const Font* bold = Font::get({"Tahoma", -11, kWeightBold});
    ASSERT_NE(bold, nullptr);
    EXPECT_NE(bold, &tahoma8());
    EXPECT_GT(bold->textWidth("Mixer Settings"), tahoma8().textWidth("Mixer Settings"));
}

TEST(FontFaceTest, TheSameSpecGivesTheSameFontOnEveryThread)
{
    velmora::test::Watchdog watchdog(std::chrono::seconds(20));
    const FontSpec spec{"Verdana", -15, kWeightNormal, true};
    std::vector<const Font*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, &spec, i] { seen[i] = Font::get(spec); });
    for (std::thread& t : threads)
        t.join();
    ASSERT_NE(seen[0], nullptr);
    for (const Font* font : seen)
        EXPECT_EQ(font, seen[0]);
    EXPECT_EQ(Font::get(spec), seen[0]);
}

TEST(TextExtentTest, ExtentIsTheSumOfAdvancesOnOneLineHigh)
{
    const Font& f = tahoma8();
    EXPECT_EQ(f.textExtent(""), (Size{0, f.metrics().height}));
    EXPECT_EQ(f.textWidth("Audio") + f.textWidth(" Setup"), f.textWidth("Audio Setup"));
    EXPECT_GT(f.textWidth("W"), f.textWidth("i"));
    EXPECT_GT(f.advance(0xE9), 0); // Latin-1 e acute
    EXPECT_GT(f.advance(0x80), 0); // the euro sign of the 8-bit character set
}

class DrawTextTest : public ::testing::Test {
protected:
    DrawTextTest() : surface(120, 40, kWhite), painter(surface)
    {
        painter.setFont(&tahoma8());
        painter.setTextColour(kBlack);
        painter.setBackgroundMode(BackgroundMode::Transparent);
    }
    Surface surface;
    Painter painter;
};

TEST_F(DrawTextTest, CentredTextIsCentredInItsRectangle)
{
    const Rect box{10, 5, 110, 35};
    painter.drawText("Hello", box, kTextCentre | kTextVCentre | kTextSingleLine);
    const Rect ink = inkOf(surface);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_EQ(ink.intersect(box), ink);
    EXPECT_LE(std::abs((ink.left - box.left) - (box.right - ink.right)), 2);
    // The cell is centred; the ink lies within it.
    const int lineHeight = tahoma8().metrics().height;
    const int cellTop = box.top + (box.height() - lineHeight) / 2;
    EXPECT_GE(ink.top, cellTop);
    EXPECT_LE(ink.bottom, cellTop + lineHeight);
    EXPECT_LE(std::abs((ink.top - box.top) - (box.bottom - ink.bottom)), 3);
}

TEST_F(DrawTextTest, AlignmentPutsTheInkAtEitherSide)
{
    const Rect box{10, 0, 110, 20};
    painter.drawText("Level", box, kTextRight | kTextBottom | kTextSingleLine);
    Rect ink = inkOf(surface);
    EXPECT_GE(ink.right, box.right - 2);
    EXPECT_LE(ink.right, box.right);
    EXPECT_GE(ink.top, box.bottom - tahoma8().metrics().height);

    surface.fill(kWhite);
    painter.drawText("Level", box, kTextLeft | kTextSingleLine);
    ink = inkOf(surface);
    EXPECT_LE(ink.left, box.left + 2);
    EXPECT_LT(ink.bottom, 14);
}

TEST_F(DrawTextTest, TextIsClippedToItsRectangleUnlessAskedNotTo)
{
    const Rect box{20, 10, 40, 30};
    painter.drawText("A very long channel name", box, kTextLeft | kTextSingleLine);
    Rect ink = inkOf(surface);
    EXPECT_EQ(ink.intersect(box), ink);
    EXPECT_EQ(ink.right, box.right); // cut, not left out

    surface.fill(kWhite);
    painter.drawText("A very long channel name", box, kTextLeft | kTextSingleLine | kTextNoClip);
    EXPECT_GT(inkOf(surface).right, box.right + 20);

    // The painter's clip holds as well.
    surface.fill(kWhite);
    painter.setClip({0, 0, 30, 40});
    painter.drawText("A very long channel name", box, kTextLeft | kTextSingleLine | kTextNoClip);
    EXPECT_LE(inkOf(surface).right, 30);
}

TEST_F(DrawTextTest, GlyphEdgesAreBlendedWithTheBackground)
{
    painter.setTextColour(rgb(0, 0, 255));
    painter.drawText("Wave", surface.bounds(), kTextSingleLine);
    bool blended = false;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            const Argb c = surface.pixel(x, y);
            if (c != kWhite && c != rgb(0, 0, 255)) {
                blended = true;
                EXPECT_EQ(blueOf(c), 255); // between white and blue only
                EXPECT_EQ(redOf(c), greenOf(c));
            }
        }
    EXPECT_TRUE(blended);
}

TEST_F(DrawTextTest, OpaqueModeFillsTheTextCell)
{
    painter.setBackgroundMode(BackgroundMode::Opaque);
    painter.setBackgroundColour(rgb(0, 0, 0));
    painter.setTextColour(rgb(0, 255, 0));
    painter.textOut(5, 5, "00:01:02");
    const Size extent = painter.textExtent("00:01:02");
    EXPECT_EQ(inkOf(surface), Rect::fromSize(5, 5, extent.width, extent.height));
}

TEST_F(DrawTextTest, PrefixesUnderlineOrStandForThemselves)
{
    Surface other(120, 40, kWhite);
    Painter plain(other);
    plain.setFont(&tahoma8());
    plain.setBackgroundMode(BackgroundMode::Transparent);

    // "&&" is one '&'.
    painter.drawText("a&&b", surface.bounds(), kTextSingleLine);
    plain.drawText("a&b", other.bounds(), kTextSingleLine | kTextNoPrefix);
    EXPECT_TRUE(surface.samePixels(other));

    // "&F" underlines the F: more ink, and below the baseline.
    surface.fill(kWhite);
    other.fill(kWhite);
    painter.drawText("&File", surface.bounds(), kTextSingleLine);
    plain.drawText("File", other.bounds(), kTextSingleLine);
    EXPECT_FALSE(surface.samePixels(other));
    EXPECT_GT(inkOf(surface).bottom, inkOf(other).bottom);
    EXPECT_EQ(inkOf(surface).right, inkOf(other).right);

    surface.fill(kWhite);
    painter.drawText("&File", surface.bounds(), kTextSingleLine | kTextHidePrefix);
    EXPECT_TRUE(surface.samePixels(other));
}

TEST_F(DrawTextTest, MeasuringLaysOutLinesWithoutDrawing)
{
    const int lineHeight = tahoma8().metrics().height;
    Rect box{0, 0, 60, 0};
    const char* text = "The droped files won't be handled by this window!";
    const int height = painter.drawText(text, box, kTextWordBreak | kTextCalcRect);
    EXPECT_EQ(height, box.height());
    EXPECT_TRUE(inkOf(surface).isEmpty());
    EXPECT_GT(box.height(), 2 * lineHeight);
    EXPECT_EQ(box.height() % lineHeight, 0);
    EXPECT_LE(box.width(), 60);

    Rect lines{0, 0, 200, 0};
    painter.drawText("one\ntwo\r\nthree", lines, kTextCalcRect);
    EXPECT_EQ(lines.height(), 3 * lineHeight);
    EXPECT_EQ(lines.width(), tahoma8().textWidth("three"));

    Rect single{0, 0, 200, 0};
    painter.drawText("", single, kTextSingleLine | kTextCalcRect);
    EXPECT_EQ(single.width(), 0);
}

TEST_F(DrawTextTest, EndEllipsisCutsTextToFit)
{
    const char* text = "Velmora Audio Engine v0.1b";
    Rect box{0, 0, 50, 20};
    painter.drawText(text, box, kTextSingleLine | kTextEndEllipsis | kTextCalcRect);
    EXPECT_LE(box.width(), 50);
    EXPECT_GT(box.width(), tahoma8().textWidth("..."));

    Rect roomy{0, 0, 500, 20};
    painter.drawText(text, roomy, kTextSingleLine | kTextEndEllipsis | kTextCalcRect);
    EXPECT_EQ(roomy.width(), tahoma8().textWidth(text));
}

} // namespace
} // namespace plat::ui
