#include "plugins/brolet/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace brolet {

using plat::ui::Argb;
using plat::ui::Rect;
using plat::ui::Surface;

namespace {

constexpr Argb kPlainField = plat::ui::rgb(12, 16, 22);
constexpr Argb kPeakColour = plat::ui::rgb(240, 244, 255);

struct ColourStop {
    double at; // 0 at the bottom, 1 at the top
    Argb colour;
};

// The colour of a rising scale at height (0 bottom, 1 top), blended between stops.
Argb blend(std::initializer_list<ColourStop> stops, double height)
{
    const ColourStop* below = stops.begin();
    for (const ColourStop& stop : stops) {
        if (stop.at >= height) {
            const double span = stop.at - below->at;
            const double t = span > 0 ? (height - below->at) / span : 0.0;
            const auto mix = [t](uint8_t from, uint8_t to) {
                return uint8_t(std::lround(from + (to - from) * t));
            };
            return plat::ui::rgb(mix(plat::ui::redOf(below->colour), plat::ui::redOf(stop.colour)),
                                 mix(plat::ui::greenOf(below->colour), plat::ui::greenOf(stop.colour)),
                                 mix(plat::ui::blueOf(below->colour), plat::ui::blueOf(stop.colour)));
        }
        below = &stop;
    }
    return below->colour;
}

} // namespace

Spectrum::Spectrum(int width, int height) : width_(width), height_(height)
{
    using plat::ui::rgb;
    for (int y = 0; y < height; ++y) {
        const double rise = height > 1 ? double(height - 1 - y) / (height - 1) : 0.0;
        // Sea blue through cyan to violet and pink at full level.
        barColours_.push_back(blend({{0.0, rgb(24, 128, 190)},
                                     {0.45, rgb(50, 210, 240)},
                                     {0.8, rgb(150, 120, 255)},
                                     {1.0, rgb(255, 90, 170)}},
                                    rise));
        // A meter's lamps: green, yellow, then red.
        segmentColours_.push_back(blend({{0.0, rgb(30, 200, 90)},
                                         {0.55, rgb(170, 230, 50)},
                                         {0.75, rgb(255, 196, 40)},
                                         {1.0, rgb(255, 70, 60)}},
                                        rise));
    }
}

int Spectrum::bandBin(int band)
{
    const int frequency = 50 + band * ((22050 - 50) / kBands);
    return std::max(frequency * kPoints / kSampleRate, 1);
}

void Spectrum::feed(const void* block, uint32_t bytes)
{
    const StereoBlock stereo(block, bytes);
    if (stereo.frames() == 0)
        return;
    for (uint32_t i = 0; i < uint32_t(kPoints); ++i)
        samples_[i] = stereo.spread(i, kPoints, 0);
    fft_.transform(samples_.data());
    for (std::size_t bin = 0; bin < std::size_t(kPoints); ++bin) {
        const int32_t magnitude = fft_.magnitudePercent(int(bin));
        levels_[bin] = magnitude < levels_[bin] ? levels_[bin] / 2 : magnitude;
        peaks_[bin] = levels_[bin] < peaks_[bin] ? peaks_[bin] - 5 : levels_[bin];
    }
}

void Spectrum::clear()
{
    levels_.fill(0);
    peaks_.fill(0);
}

void Spectrum::render(Surface& target, const Surface* background) const
{
    if (background != nullptr && !background->isEmpty())
        target.copyFrom(*background, background->bounds(), 0, 0);
    else
        target.fill(kPlainField);
    for (int band = 0; band < kBands; ++band) {
        const int bin = bandBin(band);
        if (style == Style::Bars)
            drawBar(target, bandLeft(band), levels_[std::size_t(bin)], peaks_[std::size_t(bin)]);
        else
            drawSegments(target, bandLeft(band), levels_[std::size_t(bin)]);
    }
}

void Spectrum::drawBar(Surface& target, int left, int level, int peak) const
{
    const int right = left + bandWidth();
    const int top = std::max(height_ - level * height_ / 100, 0);
    for (int y = top; y < height_; ++y)
        target.fill(Rect{left, y, right, y + 1}, barColours_[std::size_t(y)]);
    target.fill(Rect{left, height_ - peak * height_ / 100, right, height_ - peak * height_ / 100 + 1},
                kPeakColour);
}

void Spectrum::drawSegments(Surface& target, int left, int level) const
{
    const int right = left + bandWidth();
    const int segments = level * height_ / 300;
    for (int segment = 0; segment < segments; ++segment) {
        const int bottom = height_ - segment * 5;
        if (bottom <= 0)
            break;
        const int top = std::max(bottom - 3, 0);
        target.fill(Rect{left, top, right, bottom}, segmentColours_[std::size_t(top)]);
    }
}

} // namespace brolet
