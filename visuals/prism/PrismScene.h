#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "api/VisualModuleApi.h"
#include "visuals/prism/ColourSchemes.h"

namespace prism {

inline constexpr int kBars = 40;
inline constexpr int kShades = 64; // steps of a bar's colour from the centre line to its tip

// What Prism draws, frame by frame: a spectrum mirrored about the centre
// line, with peak caps that hold and then fall, over an oscilloscope trace
// whose earlier frames fade out. Quiet input leaves the picture untouched.
class PrismScene {
public:
    PrismScene();

    void setScheme(const ColourScheme& scheme);
    const ColourScheme& scheme() const { return *scheme_; }
    // Forgets the bars, the peaks and the trail.
    void reset();
    // Draws over the picture as the host hands it (rows bottom-up); allocates
    // only when the picture's size changes.
    void render(uint32_t* pixels, int width, int height, int rowLength, const visual::VisualData& data);

private:
    void followSpectrum(const visual::VisualData& data);
    void fadeTrail();
    void traceWaveform(const visual::VisualData& data);
    void drawBars(uint32_t* pixels, int rowLength) const;

    const ColourScheme* scheme_;
    std::array<int, kBars + 1> firstBin_{}; // bar i shows bins firstBin_[i] to firstBin_[i + 1] - 1
    std::array<float, kBars> level_{};      // 0 to 1 of the bar's full height
    std::array<float, kBars> peak_{};
    std::array<float, kBars> peakSpeed_{};
    std::array<int, kBars> peakHold_{};
    std::array<std::array<uint32_t, kShades>, kBars> barShades_{};
    std::array<uint32_t, kBars> capColours_{};

    // The trace of this and the earlier frames, width_ x height_, bottom-up.
    std::vector<uint32_t> trail_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace prism
