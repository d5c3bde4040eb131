#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/ui/Colour.h"
#include "platform/ui/Surface.h"
#include "plugins/brolet/Fft.h"

namespace brolet {

// The built-in spectrum display: a 128-point transform of each block's left
// channel, a falling level and peak per bin, drawn as 11 bands across the
// display, either as bars with a peak line or as stacked segments.
class Spectrum {
public:
    static constexpr int kPoints = 128;
    static constexpr int kBands = 11;
    static constexpr int kSampleRate = 44100;
    enum class Style { Bars, Segments };

    // The display's size; the colours are worked out for its height.
    Spectrum(int width, int height);

    // One stereo 16-bit block: new magnitudes; a level falls to half of
    // itself when the bin got quieter, a peak falls by 5 while above its level.
    void feed(const void* block, uint32_t bytes);
    // All levels and peaks 0.
    void clear();
    // The background (or a plain dark field when it is null or empty), then the bands.
    void render(plat::ui::Surface& target, const plat::ui::Surface* background) const;

    int level(int bin) const { return levels_[std::size_t(bin)]; }
    int peak(int bin) const { return peaks_[std::size_t(bin)]; }
    // The bin band shows: the band's lowest frequency 50 + 2000 x band Hz, never bin 0.
    static int bandBin(int band);
    // The x of the band's left edge and the width it is drawn with.
    int bandLeft(int band) const { return 6 + band * (width_ / kBands); }
    int bandWidth() const { return width_ / kBands - 6; }

    Style style = Style::Bars;

private:
    void drawBar(plat::ui::Surface& target, int left, int level, int peak) const;
    void drawSegments(plat::ui::Surface& target, int left, int level) const;

    int width_;
    int height_;
    RealFft fft_{kPoints};
    std::array<float, kPoints> samples_{};
    std::array<int32_t, kPoints> levels_{};
    std::array<int32_t, kPoints> peaks_{};
    // One colour per row of the display, top to bottom.
    std::vector<plat::ui::Argb> barColours_;
    std::vector<plat::ui::Argb> segmentColours_;
};

} // namespace brolet
