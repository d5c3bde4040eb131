#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "zkr/BitmapObject.h"
#include "zkr/WaveformPicture.h"

namespace {

using plat::ui::Argb;

constexpr Argb kCyan = 0xFF00FFFFu;
constexpr Argb kRed = 0xFFFF0000u;
constexpr Argb kBlue = 0xFF0000FFu;
constexpr Argb kBlack = 0xFF000000u;

std::vector<uint8_t> bytes16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out;
    for (const int16_t s : samples) {
        out.push_back(uint8_t(uint16_t(s) & 0xFF));
        out.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return out;
}

// A picture set up as its owners do: format, scale height / channels / 2, columns.
struct Picture : zkr::WaveformPicture {
    Picture(int width, int height, uint16_t channels, uint16_t bits) : WaveformPicture(width, height)
    {
        sourceFormat = zkr::pcmFormat(44100, channels, bits);
        scale = height / channels / 2;
        allocateColumns();
    }
    void feedBytes(const std::vector<uint8_t>& block) { feed(block.data(), uint32_t(block.size())); }
    Argb at(int x, int y) const { return bitmap().pixel(x, y); }
};

TEST(WaveformFeed, ValuesScaleAndTruncateTowardZero)
{
    Picture mono(4, 26, 1, 16);
    EXPECT_EQ(mono.scale, 13);
    mono.feedBytes(bytes16({32767, -32768, 2521, -2521})); // 2521 * 13 / 32768 = 1.0001
    const int16_t expected16[] = {12, -13, 1, -1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mono.leftValue(i), expected16[i]);
        EXPECT_EQ(mono.rightValue(i), 0);
    }
    Picture stereo8(2, 52, 2, 8); // scale 13
    stereo8.feedBytes({255, 0, 128, 127});
    EXPECT_EQ(stereo8.leftValue(0), 12); // 127 * 13 / 128
    EXPECT_EQ(stereo8.rightValue(0), -13);
    EXPECT_EQ(stereo8.leftValue(1), 0);
    EXPECT_EQ(stereo8.rightValue(1), 0); // -13 / 128 truncates to 0
}

TEST(WaveformFeed, ColumnsTakeEveryStepthFrameOrTheFirstOfAShortBlock)
{
    Picture picture(4, 200, 2, 16);
    picture.scale = 32768; // values are the samples themselves
    std::vector<int16_t> samples;
    for (int frame = 0; frame < 9; ++frame) // step 9 / 4 = 2
        samples.insert(samples.end(), {int16_t(frame * 1000), int16_t(-frame)});
    picture.feedBytes(bytes16(samples));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(picture.leftValue(i), i * 2000);
        EXPECT_EQ(picture.rightValue(i), -i * 2);
    }
    picture.feedBytes(bytes16({7000, -3000, 1, 2, 3, 4})); // 3 frames, 4 columns: step 0
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(picture.leftValue(i) == 7000 && picture.rightValue(i) == -3000) << i;
}

TEST(WaveformFeed, NothingToReadLeavesTheColumnsAlone)
{
    Picture picture(1, 26, 1, 16);
    picture.setColumn(0, 5, 0);
    const auto block = bytes16({32767, 32767});
    picture.sourceFormat.blockAlign = 0; // no format set
    picture.feedBytes(block);
    picture.sourceFormat = zkr::pcmFormat(44100, 1, 16);
    picture.feed(block.data(), 1); // less than one frame
    picture.sourceFormat = zkr::pcmFormat(44100, 1, 24);
    picture.feedBytes(block);
    EXPECT_EQ(picture.leftValue(0), 5);

    zkr::WaveformPicture unallocated(2, 26);
    unallocated.sourceFormat = zkr::pcmFormat(44100, 1, 16);
    unallocated.feed(block.data(), uint32_t(block.size()));
    unallocated.render(nullptr); // background and centre line only
    EXPECT_EQ(unallocated.bitmap().pixel(0, 0), kCyan);
    EXPECT_EQ(unallocated.bitmap().pixel(1, 13), kBlack);
}

TEST(WaveformRender, MonoBarsRunFromCentrePlusToCentreMinusTheValue)
{
    Picture picture(3, 26, 1, 16);
    picture.feedBytes(bytes16({32767, -32768, 0}));
    picture.render(nullptr);
    for (int y = 0; y < 26; ++y) {
        EXPECT_EQ(picture.at(0, y), y >= 2 ? kRed : kCyan) << y; // 12: 25 up to 1, exclusive
        EXPECT_EQ(picture.at(1, y), kRed) << y;                  // -13: 0 down to 26
        EXPECT_EQ(picture.at(2, y), y == 13 ? kBlack : kCyan) << y;
    }
}

TEST(WaveformRender, StereoHasTwoCentresWithTheirOwnPens)
{
    Picture picture(3, 40, 2, 16);
    picture.setColumn(1, 3, -4);
    picture.render(nullptr);
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(picture.at(0, y), y == 10 || y == 30 ? kBlack : kCyan) << y;
        // Left 3 about 10: 13 .. 8; right -4 about 30: 26 .. 33.
        EXPECT_EQ(picture.at(1, y), y >= 8 && y <= 13 ? kRed : y >= 26 && y <= 33 ? kBlue : kCyan) << y;
    }
}

TEST(WaveformRender, LineStyleStartsAtTheLeftEdgeOnTheCentre)
{
    Picture picture(4, 26, 1, 16);
    picture.style = zkr::WaveformPicture::kStyleLine;
    picture.setColumn(0, 5, 0);
    picture.setColumn(1, 5, 0);
    picture.render(nullptr);
    for (int y = 0; y < 26; ++y)
        EXPECT_EQ(picture.at(0, y), y >= 8 && y <= 13 ? kRed : kCyan) << y; // (0, 13) to (0, 8)
    EXPECT_EQ(picture.at(1, 8), kRed);
    EXPECT_EQ(picture.at(3, 13), kCyan); // no centre line, the last point is not drawn

    const zkr::BitmapObject background(4, 26, 0xFF123456u);
    picture.backgroundBitmap = &background;
    picture.render(nullptr);
    EXPECT_EQ(picture.at(3, 0), 0xFF123456u);
}

} // namespace
