// PNG files: round trips, files other programs made, damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ui/Png.h"
#include "platform/ui/Surface.h"
#include "support/TempFolder.h"

namespace plat::ui {
namespace {

Surface gradient(int width, int height, bool withAlpha)
{
    Surface s(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            s.setPixel(
                x, y,
                argb(withAlpha ? uint8_t(x * 20) : 0xFF, uint8_t(x * 9), uint8_t(y * 13), uint8_t(x ^ y)));
    return s;
}

TEST(PngTest, OpaqueAndTranslucentImagesSurviveARoundTrip)
{
    for (bool withAlpha : {false, true}) {
        const Surface original = gradient(13, 7, withAlpha);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(encodePng(original, bytes));
        EXPECT_EQ(bytes[25], withAlpha ? 6 : 2); // colour type: RGBA or RGB
        Surface decoded;
        ASSERT_TRUE(loadPng(bytes.data(), bytes.size(), decoded));
        EXPECT_TRUE(decoded.samePixels(original)) << withAlpha;
    }
}

TEST(PngTest, AViewIsSavedAsItsOwnPixels)
{
    const Surface whole = gradient(20, 10, false);
    const Surface part = whole.view({5, 2, 12, 9});
    velmora::test::TempFolder folder;
    const std::string path = folder.file("part.png");
    ASSERT_TRUE(savePng(part, path));
    Surface loaded;
    ASSERT_TRUE(loadPngFile(path, loaded));
    EXPECT_TRUE(loaded.samePixels(part));
    EXPECT_EQ(std::filesystem::directory_iterator(folder.path())->path().filename(), "part.png");
}

TEST(PngTest, FailuresLeaveTheImageAndTheFolderAlone)
{
    velmora::test::TempFolder folder;
    EXPECT_FALSE(savePng(gradient(2, 2, false), folder.file("missing/x.png")));
    EXPECT_FALSE(savePng(Surface(), folder.file("empty.png")));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodePng(gradient(9, 9, false), bytes));
    Surface kept(1, 1, kWhite);
    EXPECT_FALSE(loadPng(bytes.data(), bytes.size() / 2, kept)); // cut short
    bytes[40] ^= 0xFF;                                           // damaged data
    EXPECT_FALSE(loadPng(bytes.data(), bytes.size(), kept));
    const char text[] = "not a picture";
    EXPECT_FALSE(loadPng(text, sizeof text, kept));
    EXPECT_FALSE(loadPng(nullptr, 0, kept));
    EXPECT_FALSE(loadPngFile(folder.file("none.png"), kept));
    EXPECT_FALSE(loadPngFile(folder.path(), kept));
    EXPECT_EQ(kept.size(), (Size{1, 1}));
    EXPECT_EQ(kept.pixel(0, 0), kWhite);
}

uint32_t crc32Of(const uint8_t* data, std::size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

TEST(PngTest, AHeaderClaimingAHugePictureIsRefused)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodePng(gradient(2, 2, false), bytes));
    // 30000 x 30000 pixels, with a valid header checksum.
    for (int field : {16, 20}) {
        bytes[field] = 0;
        bytes[field + 1] = 0;
        bytes[field + 2] = 30000 >> 8;
        bytes[field + 3] = 30000 & 0xFF;
    }
    const uint32_t crc = crc32Of(&bytes[12], 17);
    for (int i = 0; i < 4; ++i)
        bytes[29 + i] = uint8_t(crc >> (24 - 8 * i));
    Surface image;
    EXPECT_FALSE(loadPng(bytes.data(), bytes.size(), image));
    EXPECT_TRUE(image.isEmpty());
}

TEST(PngTest, APalettePictureFromAnotherProgramLoads)
{
    if (std::system("command -v sox >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sox is not installed";
    velmora::test::TempFolder folder;
    const std::string path = folder.file("spectrum.png");
    // A raw monochrome spectrogram of a tone on a light background.
    const std::string command =
        "sox -n -r 8000 -n synth 0.5 sine 1000 spectrogram -r -m -l -x 100 -y 65 -o '" + path +
        "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    Surface image;
    ASSERT_TRUE(loadPngFile(path, image));
    EXPECT_EQ(image.size(), (Size{100, 65}));
    // High above the tone the picture is white; near it, dark.
    int darkestRow = 255;
    for (int y = 0; y < image.height(); ++y) {
        int sum = 0;
        for (int x = 0; x < image.width(); ++x) {
            const Argb c = image.pixel(x, y);
            EXPECT_EQ(alphaOf(c), 0xFF);
            EXPECT_TRUE(redOf(c) == greenOf(c) && greenOf(c) == blueOf(c)); // grey scale
            sum += redOf(c);
        }
        darkestRow = std::min(darkestRow, sum / image.width());
    }
    for (int x = 0; x < image.width(); ++x)
        EXPECT_EQ(image.pixel(x, 0), kWhite);
    EXPECT_LT(darkestRow, 64);
}

} // namespace
} // namespace plat::ui
