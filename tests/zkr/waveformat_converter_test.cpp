#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "api/Protocol.h"
#include "zkr/ErrorRecording.h"
#include "api/Protocol.h"
#include "zkr/WaveformatConverter.h"

using namespace zkr;
using velmora::test::RecordingApplication;
using velmora::test::ShownError;

namespace {

const WaveFormat kMono16 = pcmFormat(44100, 1, 16);
const WaveFormat kStereo16 = pcmFormat(44100, 2, 16);

class WaveformatConverterTest : public testing::Test {
protected:
    RecordingApplication application;
    WaveformatConverter converter;
};

} // namespace

TEST_F(WaveformatConverterTest, SetupTellsWhetherAConversionIsNeeded)
{
    EXPECT_EQ(converter.getName(nullptr), kKindWaveformatConverter);
    EXPECT_EQ(converter.setup(kMono16, kMono16, false), toWire(engine::Error::NoConversion));
    // Splitting only applies to stereo sources.
    EXPECT_EQ(converter.setup(kMono16, kMono16, true), toWire(engine::Error::NoConversion));
    EXPECT_EQ(converter.setup(kStereo16, kMono16, false), toWire(engine::Error::NoConversion));
    EXPECT_EQ(converter.setup(kStereo16, kMono16, true), toWire(engine::Error::Ok));
    EXPECT_TRUE(converter.splitStereo);

    // Rates within 9 Hz count as equal.
    EXPECT_EQ(converter.setup(pcmFormat(44095, 1, 16), kMono16, false), toWire(engine::Error::NoConversion));
    EXPECT_EQ(converter.setup(pcmFormat(44109, 1, 16), kMono16, false), toWire(engine::Error::NoConversion));
    EXPECT_EQ(converter.setup(pcmFormat(44110, 1, 16), kMono16, false), toWire(engine::Error::Ok));
    EXPECT_TRUE(converter.ratesDiffer);
    EXPECT_EQ(converter.setup(pcmFormat(22050, 1, 16), kMono16, false), toWire(engine::Error::Ok));
    EXPECT_EQ(converter.setup(pcmFormat(44100, 1, 8), kMono16, false), toWire(engine::Error::Ok));
    EXPECT_TRUE(converter.sizesDiffer);
    EXPECT_TRUE(application.shown.empty());
}

WaveFormat withTag(WaveFormat format, uint16_t tag)
{
    format.formatTag = tag;
    return format;
}

// 8, 24 and 32-bit integer and float samples become the nearest 16-bit ones
// (rates are changed as a file streams: the player's tests); what cannot be
// converted is refused with 17.
TEST_F(WaveformatConverterTest, SampleSizesAndRatesAreConvertedTo16Bit44100)
{
    uint32_t input = 0;
    ASSERT_EQ(converter.setup(pcmFormat(44100, 2, 24), kMono16, true), toWire(engine::Error::Ok));
    ASSERT_EQ(converter.prepare(8, &input), toWire(engine::Error::Ok));
    EXPECT_EQ(input, 24u);
    const uint8_t deep[] = {0x80, 0x34, 0x12, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x7F, 0xFF, 0xFF,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(converter.convert(deep, sizeof deep), 8u);
    const auto* left = reinterpret_cast<const int16_t*>(converter.leftOutput());
    const auto* right = reinterpret_cast<const int16_t*>(converter.rightOutput());
    EXPECT_EQ(std::vector<int16_t>(left, left + 4), (std::vector<int16_t>{0x1235, 32767, 0, -1}));
    EXPECT_EQ(std::vector<int16_t>(right, right + 4), (std::vector<int16_t>{-32768, -1, 16384, 0}));

    const float loud[] = {0.5f, -1.5f, 0.25f};
    ASSERT_EQ(converter.setup(withTag(pcmFormat(44100, 1, 32), kWaveFormatFloat), kMono16, true),
              toWire(engine::Error::Ok));
    ASSERT_EQ(converter.prepare(6, &input), toWire(engine::Error::Ok));
    EXPECT_EQ(converter.convert(loud, sizeof loud), 6u);
    left = reinterpret_cast<const int16_t*>(converter.leftOutput());
    EXPECT_EQ(std::vector<int16_t>(left, left + 3), (std::vector<int16_t>{16384, -32768, 8192}));
    const uint8_t quiet[] = {128, 255, 0};
    ASSERT_EQ(converter.setup(pcmFormat(44100, 1, 8), kMono16, false), toWire(engine::Error::Ok));
    ASSERT_EQ(converter.prepare(6, &input), toWire(engine::Error::Ok));
    EXPECT_EQ(input, 3u);
    EXPECT_EQ(converter.convert(quiet, sizeof quiet), 6u);
    EXPECT_EQ(std::memcmp(converter.leftOutput(), "\0\0\0\x7f\0\x80", 6), 0);

    for (const WaveFormat& refused :
         {pcmFormat(48000, 6, 24), pcmFormat(44100, 1, 12), pcmFormat(4000, 1, 16),
          withTag(pcmFormat(44100, 1, 16), kWaveFormatFloat)}) {
        ASSERT_EQ(converter.setup(refused, kMono16, true), toWire(engine::Error::Ok));
        input = 99;
        EXPECT_EQ(converter.prepare(4096, &input), toWire(engine::Error::NotImplemented));
        EXPECT_EQ(input, 99u);
        EXPECT_FALSE(converter.prepared);
    }
    EXPECT_EQ(application.shown, std::vector<ShownError>(4, ShownError{toWire(engine::Error::NotImplemented),
                                                                       "Waveformat Converter"}));
}

TEST_F(WaveformatConverterTest, SplittingNeedsTwiceTheOutputAndSeparatesTheChannels)
{
    ASSERT_EQ(converter.setup(kStereo16, kMono16, true), toWire(engine::Error::Ok));
    uint32_t inputSize = 0;
    ASSERT_EQ(converter.prepare(4096, &inputSize), toWire(engine::Error::Ok));
    EXPECT_EQ(inputSize, 8192u);
    ASSERT_NE(converter.leftOutput(), nullptr);
    ASSERT_NE(converter.rightOutput(), nullptr);

    std::vector<int16_t> frames(4096);
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = static_cast<int16_t>(i % 2 == 0 ? 1000 + i : -1000 - static_cast<int>(i));
    EXPECT_EQ(converter.convert(frames.data(), 8192), 4096u);
    const auto* left = reinterpret_cast<const int16_t*>(converter.leftOutput());
    const auto* right = reinterpret_cast<const int16_t*>(converter.rightOutput());
    for (size_t frame = 0; frame < 2048; ++frame) {
        ASSERT_EQ(left[frame], frames[2 * frame]);
        ASSERT_EQ(right[frame], frames[2 * frame + 1]);
    }

    // A part of a frame at the end is left out.
    EXPECT_EQ(converter.convert(frames.data(), 4002), 2000u);
    // More than the buffers hold is cut to what fits.
    std::vector<int16_t> more(8192, 5);
    EXPECT_EQ(converter.convert(more.data(), 16384), 4096u);
}

TEST_F(WaveformatConverterTest, Splitting8BitSourcesMovesSingleBytes)
{
    const WaveFormat stereo8 = pcmFormat(44100, 2, 8);
    ASSERT_EQ(converter.setup(stereo8, pcmFormat(44100, 1, 8), true), toWire(engine::Error::Ok));
    uint32_t inputSize = 0;
    ASSERT_EQ(converter.prepare(4, &inputSize), toWire(engine::Error::Ok));
    EXPECT_EQ(inputSize, 8u);
    const uint8_t frames[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(converter.convert(frames, 8), 4u);
    EXPECT_EQ(std::memcmp(converter.leftOutput(), "\x01\x03\x05\x07", 4), 0);
    EXPECT_EQ(std::memcmp(converter.rightOutput(), "\x02\x04\x06\x08", 4), 0);
}

TEST_F(WaveformatConverterTest, WithoutSplittingTheInputIsCopiedOverSilence)
{
    ASSERT_EQ(converter.setup(kStereo16, kStereo16, false), toWire(engine::Error::NoConversion));
    uint32_t inputSize = 0;
    ASSERT_EQ(converter.prepare(16, &inputSize), toWire(engine::Error::Ok));
    EXPECT_EQ(inputSize, 16u);
    EXPECT_EQ(converter.rightOutput(), nullptr);

    std::memset(converter.leftOutput(), 0x55, 16);
    EXPECT_EQ(converter.convert("abcdefghij", 10), 8u);
    EXPECT_EQ(std::memcmp(converter.leftOutput(), "abcdefgh\0\0\0\0\0\0\0\0", 16), 0);
    // Never past the output buffer.
    EXPECT_EQ(converter.convert("0123456789abcdefXYZW", 20), 16u);

    converter.release();
    EXPECT_EQ(converter.leftOutput(), nullptr);
    EXPECT_EQ(converter.convert("abcd", 4), 0u);
}
