#include "visuals/prism/PrismScene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace prism {

namespace {

constexpr int kNoiseFloor = 3;            // spectrum values at or below this draw nothing
constexpr float kBarFall = 0.8f;          // a bar keeps this share of its height per frame
constexpr float kHidden = 0.01f;          // below this a bar or cap is gone
constexpr int kPeakHoldFrames = 12;       // about a quarter of a second
constexpr float kPeakGravity = 0.002f;    // a falling cap's speed grows by this per frame
constexpr uint32_t kTrailKeeps = 205;     // of 256 per frame: a trace lasts about half a second
constexpr uint32_t kGlowShare = 112;      // of 256: the trace's soft edge
constexpr uint32_t kReflectionShare = 176; // of 256: the lower half mirrors the upper, dimmer
constexpr Rgb kWhite = {1.0f, 1.0f, 1.0f};

// Every channel of a 0x00RRGGBB pixel times share / 256.
uint32_t faded(uint32_t pixel, uint32_t share)
{
    return (((pixel & 0xFF00FFu) * share >> 8) & 0xFF00FFu) | (((pixel & 0x00FF00u) * share >> 8) & 0x00FF00u);
}

uint32_t addSaturated(uint32_t a, uint32_t b)
{
    uint32_t sum = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        sum |= std::min(255u, (a >> shift & 255u) + (b >> shift & 255u)) << shift;
    return sum;
}

uint32_t brighterOf(uint32_t a, uint32_t b)
{
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        result |= std::max(a >> shift & 255u, b >> shift & 255u) << shift;
    return result;
}

} // namespace

PrismScene::PrismScene() : scheme_(&kColourSchemes[0])
{
    // One bin per bar in the bass, ever more towards the treble: equal steps
    // of pitch, as the ear hears them, where the bins are fine enough.
    firstBin_[0] = 1;
    for (int bar = 1; bar <= kBars; ++bar) {
        const int edge = static_cast<int>(std::lround(std::pow(256.0, double(bar) / kBars)));
        firstBin_[bar] = std::min(visual::kSpectrumBins, std::max(edge, firstBin_[bar - 1] + 1));
    }
    setScheme(*scheme_);
}

void PrismScene::setScheme(const ColourScheme& scheme)
{
    scheme_ = &scheme;
    for (int bar = 0; bar < kBars; ++bar) {
        const float across = float(bar) / (kBars - 1);
        const Rgb base = across < 0.5f ? mix(scheme.bass, scheme.middle, across * 2)
                                       : mix(scheme.middle, scheme.treble, across * 2 - 1);
        for (int shade = 0; shade < kShades; ++shade) {
            const float height = float(shade) / (kShades - 1);
            const Rgb body = scaled(base, 0.45f + 0.55f * height);
            barShades_[bar][shade] = packed(height > 0.8f ? mix(body, kWhite, (height - 0.8f) * 2) : body);
        }
        capColours_[bar] = packed(mix(base, kWhite, 0.6f));
    }
}

void PrismScene::reset()
{
    level_.fill(0);
    peak_.fill(0);
    peakSpeed_.fill(0);
    peakHold_.fill(0);
    std::fill(trail_.begin(), trail_.end(), 0u);
}

void PrismScene::render(uint32_t* pixels, int width, int height, int rowLength, const visual::VisualData& data)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || rowLength < width)
        return;
    if (width != width_ || height != height_) {
        trail_.assign(size_t(width) * size_t(height), 0u);
        width_ = width;
        height_ = height;
    }
    followSpectrum(data);
    fadeTrail();
    traceWaveform(data);
    for (int row = 0; row < height_; ++row) {
        uint32_t* line = pixels + size_t(row) * size_t(rowLength);
        const uint32_t* trail = trail_.data() + size_t(row) * size_t(width_);
        for (int x = 0; x < width_; ++x)
            if (trail[x] != 0)
                line[x] = addSaturated(line[x], trail[x]);
    }
    drawBars(pixels, rowLength);
}

void PrismScene::followSpectrum(const visual::VisualData& data)
{
    for (int bar = 0; bar < kBars; ++bar) {
        int loudest = 0;
        for (int bin = firstBin_[bar]; bin < firstBin_[bar + 1]; ++bin)
            loudest = std::max({loudest, int(data.spectrum[0][bin]), int(data.spectrum[1][bin])});
        // The square root lifts quiet bands into view.
        const float target =
            loudest <= kNoiseFloor ? 0.0f : std::sqrt(float(loudest - kNoiseFloor) / (255 - kNoiseFloor));
        float& level = level_[bar];
        level = std::max(target, level * kBarFall);
        if (level < kHidden)
            level = 0;

        float& peak = peak_[bar];
        if (level > peak) {
            peak = level;
            peakHold_[bar] = kPeakHoldFrames;
            peakSpeed_[bar] = 0;
        } else if (peakHold_[bar] > 0) {
            --peakHold_[bar];
        } else {
            peakSpeed_[bar] += kPeakGravity;
            peak = std::max(level, peak - peakSpeed_[bar]);
            if (peak < kHidden)
                peak = 0;
        }
    }
}

void PrismScene::fadeTrail()
{
    for (uint32_t& pixel : trail_)
        if (pixel != 0)
            pixel = faded(pixel, kTrailKeeps);
}

void PrismScene::traceWaveform(const visual::VisualData& data)
{
    auto sampleAt = [&data](int point) { return (data.waveform[0][point] + data.waveform[1][point]) * 0.5f; };
    float loudest = 0;
    for (int point = 0; point < visual::kWaveformFilled; ++point)
        loudest = std::max(loudest, std::abs(sampleAt(point)));
    // The trace glows as loud as the sound, so silence draws none.
    const uint32_t core = packed(scaled(scheme_->trace, std::min(1.0f, loudest / 127 * 4)));
    if (core == 0)
        return;
    const uint32_t glow = faded(core, kGlowShare);

    auto plot = [this](int x, int row, uint32_t colour) {
        uint32_t& pixel = trail_[size_t(row) * size_t(width_) + size_t(x)];
        pixel = brighterOf(pixel, colour);
    };
    const int centre = height_ / 2;
    const float reach = float(std::max(1, height_ / 2 - 1));
    const float pointsPerColumn = width_ > 1 ? float(visual::kWaveformFilled - 1) / float(width_ - 1) : 0.0f;
    int previousRow = -1;
    for (int x = 0; x < width_; ++x) {
        const float position = float(x) * pointsPerColumn;
        const int point = std::min(int(position), visual::kWaveformFilled - 1);
        const int next = std::min(point + 1, visual::kWaveformFilled - 1);
        const float sample = sampleAt(point) + (sampleAt(next) - sampleAt(point)) * (position - float(point));
        const int row = std::clamp(centre + int(std::lround(sample / 127 * reach)), 0, height_ - 1);
        // Join this column to the last, so steep edges stay one line.
        const int low = previousRow < 0 ? row : std::min(row, previousRow);
        const int high = previousRow < 0 ? row : std::max(row, previousRow);
        for (int r = low; r <= high; ++r)
            plot(x, r, core);
        if (low > 0)
            plot(x, low - 1, glow);
        if (high + 1 < height_)
            plot(x, high + 1, glow);
        previousRow = row;
    }
}

void PrismScene::drawBars(uint32_t* pixels, int rowLength) const
{
    const int lowerHalf = height_ / 2;
    const int maxBar = std::min(lowerHalf, height_ - lowerHalf) - 3; // room for a cap and its gap
    if (maxBar < 2)
        return;
    const int capThickness = maxBar >= 40 ? 2 : 1;
    // Row d above the centre line in the upper half, and its mirror image below.
    auto fillMirrored = [&](int d, int left, int right, uint32_t colour) {
        uint32_t* up = pixels + size_t(lowerHalf + d) * size_t(rowLength);
        uint32_t* down = pixels + size_t(lowerHalf - 1 - d) * size_t(rowLength);
        std::fill(up + left, up + right, colour);
        std::fill(down + left, down + right, faded(colour, kReflectionShare));
    };
    for (int bar = 0; bar < kBars; ++bar) {
        const int left = bar * width_ / kBars;
        int right = (bar + 1) * width_ / kBars;
        if (right - left >= 3)
            --right; // a gap between bars wide enough to have one
        if (right <= left)
            continue;
        const int barRows = int(std::lround(level_[bar] * float(maxBar)));
        for (int d = 0; d < barRows; ++d)
            fillMirrored(d, left, right, barShades_[bar][d * (kShades - 1) / maxBar]);
        const int capRows = int(std::lround(peak_[bar] * float(maxBar)));
        if (capRows > 0)
            for (int d = capRows + 1; d <= capRows + capThickness; ++d)
                fillMirrored(d, left, right, capColours_[bar]);
    }
}

} // namespace prism
