#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ErrorRecording.h"
#include "zkr/ErrorCodes.h"
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
    EXPECT_EQ(converter.setup(kMono16, kMono16, false), kStatusNoConversion);
    // Splitting only applies to stereo sources.
    EXPECT_EQ(converter.setup(kMono16, kMono16, true), kStatusNoConversion);
    EXPECT_EQ(converter.setup(kStereo16, kMono16, false), kStatusNoConversion);
    EXPECT_EQ(converter.setup(kStereo16, kMono16, true), kOk);
    EXPECT_TRUE(converter.splitStereo);

    // Rates within 9 Hz count as equal.
    EXPECT_EQ(converter.setup(pcmFormat(44095, 1, 16), kMono16, false), kStatusNoConversion);
    EXPECT_EQ(converter.setup(pcmFormat(44109, 1, 16), kMono16, false), kStatusNoConversion);
    EXPECT_EQ(converter.setup(pcmFormat(44110, 1, 16), kMono16, false), kOk);
    EXPECT_TRUE(converter.ratesDiffer);
    EXPECT_EQ(converter.setup(pcmFormat(22050, 1, 16), kMono16, false), kOk);
    EXPECT_EQ(converter.setup(pcmFormat(44100, 1, 8), kMono16, false), kOk);
    EXPECT_TRUE(converter.sizesDiffer);
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(WaveformatConverterTest, SizeAndRateConversionsAreRefusedWith17)
{
    uint32_t input = 99;
    ASSERT_EQ(converter.setup(pcmFormat(22050, 1, 16), kMono16, false), kOk);
    EXPECT_EQ(converter.prepare(4096, &input), kErrNotImplemented);
    ASSERT_EQ(converter.setup(pcmFormat(44100, 2, 8), kStereo16, true), kOk);
    EXPECT_EQ(converter.prepare(4096, &input), kErrNotImplemented);
    EXPECT_EQ(input, 99u);
    EXPECT_FALSE(converter.prepared);
    EXPECT_EQ(application.shown,
              (std::vector<ShownError>{{17, "Waveformat Converter"}, {17, "Waveformat Converter"}}));
}

TEST_F(WaveformatConverterTest, SplittingNeedsTwiceTheOutputAndSeparatesTheChannels)
{
    ASSERT_EQ(converter.setup(kStereo16, kMono16, true), kOk);
    uint32_t inputSize = 0;
    ASSERT_EQ(converter.prepare(4096, &inputSize), kOk);
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
    ASSERT_EQ(converter.setup(stereo8, pcmFormat(44100, 1, 8), true), kOk);
    uint32_t inputSize = 0;
    ASSERT_EQ(converter.prepare(4, &inputSize), kOk);
    EXPECT_EQ(inputSize, 8u);
    const uint8_t frames[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(converter.convert(frames, 8), 4u);
    EXPECT_EQ(std::memcmp(converter.leftOutput(), "\x01\x03\x05\x07", 4), 0);
    EXPECT_EQ(std::memcmp(converter.rightOutput(), "\x02\x04\x06\x08", 4), 0);
}

TEST_F(WaveformatConverterTest, WithoutSplittingTheInputIsCopiedOverSilence)
{
    ASSERT_EQ(converter.setup(kStereo16, kStereo16, false), kStatusNoConversion);
    uint32_t inputSize = 0;
    ASSERT_EQ(converter.prepare(16, &inputSize), kOk);
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
