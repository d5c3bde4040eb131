#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Api.h"
#include "platform/ui/Geometry.h"

// How many screen pixels a logical pixel takes. Everything above the
// backends (windows, skins, plug-ins, stored places) works in logical
// pixels; a backend scales only where pixels reach the screen and divides
// what comes back from it. Counted in halves so that 1.5 is exact; logical
// pixel x covers screen pixels toScreen(x) .. toScreen(x + 1) - 1, so at 1.5
// every other logical pixel is doubled and nothing is blended.
namespace plat::ui {

class Scale {
public:
    static constexpr int kHalvesPerStep = 2;
    static constexpr int kMaxHalves = 6; // 3 screen pixels per logical one

    constexpr Scale() = default;
    static constexpr Scale fromHalves(int halves)
    {
        Scale scale;
        scale.halves_ = halves < kHalvesPerStep ? kHalvesPerStep : halves > kMaxHalves ? kMaxHalves : halves;
        return scale;
    }
    constexpr int halves() const { return halves_; }
    constexpr bool isOne() const { return halves_ == kHalvesPerStep; }
    double factor() const { return halves_ / double(kHalvesPerStep); }
    // "1", "1.5", "2" or "3", as the settings and the environment write it.
    std::string text() const;

    // The first screen pixel of logical pixel (or edge) value.
    constexpr int toScreen(int value) const { return floorDivide(value * halves_, kHalvesPerStep); }
    // The logical pixel that covers screen pixel value.
    constexpr int toLogical(int value) const
    {
        return floorDivide((value + 1) * kHalvesPerStep + halves_ - 1, halves_) - 1;
    }
    // A length of screen pixels in logical ones: every logical pixel it touches.
    constexpr int toLogicalLength(int length) const { return length > 0 ? toLogical(length - 1) + 1 : 0; }

    Point toScreen(Point point) const { return {toScreen(point.x), toScreen(point.y)}; }
    Point toLogical(Point point) const { return {toLogical(point.x), toLogical(point.y)}; }
    Size toScreen(Size size) const { return {toScreen(size.width), toScreen(size.height)}; }
    Size toLogical(Size size) const { return {toLogicalLength(size.width), toLogicalLength(size.height)}; }
    // A window's rectangle: its corner moves, its size scales as at the origin,
    // so a window shows the same pixels wherever it stands.
    Rect windowToScreen(const Rect& rect) const
    {
        return Rect::fromSize(toScreen(rect.left), toScreen(rect.top), toScreen(rect.width()),
                              toScreen(rect.height()));
    }
    Rect windowToLogical(const Rect& rect) const
    {
        return Rect::fromSize(toLogical(rect.left), toLogical(rect.top), toLogicalLength(rect.width()),
                              toLogicalLength(rect.height()));
    }
    // The screen pixels of an area of a window's pixels.
    Rect toScreen(const Rect& rect) const
    {
        return {toScreen(rect.left), toScreen(rect.top), toScreen(rect.right), toScreen(rect.bottom)};
    }

    friend constexpr bool operator==(Scale, Scale) = default;

private:
    static constexpr int floorDivide(int value, int by)
    {
        return value >= 0 ? value / by : -((-value + by - 1) / by);
    }

    int halves_ = kHalvesPerStep;
};

// "1", "1.5", "2" or "3" (a whole number above 3 is taken as 3); nothing for anything else.
PLAT_API std::optional<Scale> parseScale(std::string_view text);
// The scale for a resolution in dots per inch: 96 per step, rounded to 1, 1.5, 2 or 3.
PLAT_API Scale scaleForDpi(double dpi);

// What the settings say: "automatic" (or empty) or a scale. The program sets
// it before its first window (the backend may be open already); later calls
// change nothing on the screen.
PLAT_API void setPreferredScale(std::string_view setting);
inline constexpr const char* kAutomaticScale = "automatic";

// How a backend chooses: VELMORA_SCALE, else the preferred scale, else
// GDK_SCALE, else the desktop's resolution (0 when it names none), else 1.
// A variable that names no scale is reported on standard error and passed over.
PLAT_API Scale chooseScale(double desktopDpi);

// The scale of the process's backend; 1 until its first window.
PLAT_API Scale displayScale();
// For backends, when they choose.
PLAT_API void setDisplayScale(Scale scale);

} // namespace plat::ui
