#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "platform/core/DynamicLibrary.h"
#include "api/VisualModuleApi.h"
#include "support/FileText.h"
#include "support/TempFolder.h"

using namespace velmora::test;

namespace {

constexpr int kWidth = 300, kHeight = 120, kRowLength = 304; // rows padded, as a host may

// A dim background, with padding the module must not touch.
struct Picture {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t(kRowLength) * kHeight);
    Picture()
    {
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = int(i % kRowLength) < kWidth ? 0x00080404u + uint32_t(i / kRowLength % 7) : 0x00ABCDEFu;
    }
    uint32_t at(int x, int row) const { return pixels[size_t(row) * kRowLength + size_t(x)]; }
};

int brightness(uint32_t pixel)
{
    return int(pixel >> 16 & 255) + int(pixel >> 8 & 255) + int(pixel & 255);
}

} // namespace

TEST(PrismModule, DrawsMirroredBarsWithFallingCapsOverAFadingTraceAndKeepsItsScheme)
{
    plat::DynamicLibrary library;
    ASSERT_TRUE(library.load(VELMORA_OUT_DIR "/Plugins/Visuals/Prism.svp")) << library.errorText();
    auto query = library.function<visual::QueryModuleFn>(visual::kQueryModuleExport);
    ASSERT_NE(query, nullptr);
    visual::VisualModuleDescriptor* module = query();
    ASSERT_NE(module, nullptr);
    EXPECT_STREQ(module->description, "Velmora Prism v1.0");
    EXPECT_EQ(module->flags, visual::kWantsWaveform | visual::kWantsSpectrum);

    TempFolder folder;
    writeText(folder.file("visuals.ini"), "[Other]\nKeep=1\n[Prism]\nscheme = EMBER\n");
    module->initialise();
    module->loadSettings(folder.file("visuals.ini").c_str());

    visual::VisualData data{};
    auto render = [&](Picture& picture) { module->render(picture.pixels.data(), kWidth, kHeight, kRowLength, &data); };
    const Picture untouched = Picture();
    Picture picture = Picture();
    render(picture);
    EXPECT_EQ(picture.pixels, untouched.pixels) << "silence draws nothing";

    // A tone near bin 40 in the spectrum alone: one group of bars, mirrored.
    for (int bin = 39; bin <= 41; ++bin)
        data.spectrum[0][bin] = data.spectrum[1][bin] = 250;
    render(picture = Picture());
    std::set<int> litColumns;
    for (int x = 0; x < kWidth; ++x)
        if (picture.at(x, kHeight / 2) != untouched.at(x, kHeight / 2))
            litColumns.insert(x);
    ASSERT_FALSE(litColumns.empty());
    EXPECT_LT(*litColumns.rbegin() - *litColumns.begin(), kWidth / 10);
    const int column = *litColumns.begin();
    EXPECT_GT(brightness(picture.at(column, kHeight / 2 + 10)), brightness(picture.at(column, kHeight / 2 - 11)))
        << "the upper half (later rows in memory) is the bright one";

    // After the tone the bar sinks faster than its cap: a gap opens between them.
    data = visual::VisualData{};
    for (int frame = 0; frame < 8; ++frame)
        render(picture = Picture());
    auto nextRowWhere = [&](int row, bool changed) {
        while (row < kHeight && (picture.at(column, row) != untouched.at(column, row)) != changed)
            ++row;
        return row;
    };
    const int barTop = nextRowWhere(kHeight / 2, false);
    const int capBottom = nextRowWhere(barTop, true);
    EXPECT_GT(barTop, kHeight / 2);
    EXPECT_GT(capBottom - barTop, 5);
    EXPECT_LT(capBottom, kHeight);
    auto settle = [&] {
        data = visual::VisualData{};
        for (int frame = 0; frame < 100; ++frame)
            render(picture = Picture());
        return picture.pixels == untouched.pixels;
    };
    EXPECT_TRUE(settle()) << "bars and caps are gone";

    // A loud wave alone: a trace across the whole width (not the padding) that fades away.
    auto traceOf = [&](long& light) {
        std::set<int> columns;
        light = 0;
        for (int row = 0; row < kHeight; ++row)
            for (int x = 0; x < kRowLength; ++x)
                if (picture.at(x, row) != untouched.at(x, row))
                    light += brightness(picture.at(x, row)) - brightness(untouched.at(x, row)), columns.insert(x);
        return columns.size();
    };
    for (int point = 0; point < visual::kWaveformFilled; ++point)
        data.waveform[0][point] = data.waveform[1][point] = int8_t(std::lround(120 * std::sin(point * 0.2)));
    long fresh = 0, fading = 0;
    render(picture = Picture());
    EXPECT_EQ(traceOf(fresh), size_t(kWidth));
    data = visual::VisualData{};
    render(picture = Picture());
    EXPECT_EQ(traceOf(fading), size_t(kWidth));
    EXPECT_GT(fading, 0);
    EXPECT_LT(fading, fresh);
    EXPECT_TRUE(settle()) << "the trace is gone";

    // The scheme read is the scheme saved, and other sections stay.
    module->saveSettings(folder.file("visuals.ini").c_str());
    EXPECT_EQ(readText(folder.file("visuals.ini")), "[Other]\nKeep=1\n[Prism]\nScheme=ember\n");
    writeText(folder.file("ice.ini"), "[Prism]\nScheme=Ice\n");
    module->loadSettings(folder.file("ice.ini").c_str());
    module->saveSettings(folder.file("visuals.ini").c_str());
    EXPECT_NE(readText(folder.file("visuals.ini")).find("Scheme=ice\n"), std::string::npos);
}
