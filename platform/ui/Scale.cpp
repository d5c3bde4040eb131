#include "platform/ui/Scale.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace plat::ui {

namespace {

constexpr double kDpiPerStep = 96.0;
// Where the resolution's steps round to the next scale: 1 | 1.5 | 2 | 3.
constexpr double kOneAndHalfFrom = 1.25;
constexpr double kTwoFrom = 1.75;
constexpr double kThreeFrom = 2.5;
constexpr int kOneAndHalfHalves = 3;
constexpr int kLargestWhole = Scale::kMaxHalves / Scale::kHalvesPerStep;

std::mutex& preferenceMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::optional<Scale> gPreferred;                        // guarded by preferenceMutex
std::atomic<int> gDisplayHalves{Scale::kHalvesPerStep}; // set by the backend when it opens

std::optional<Scale> scaleFromVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0')
        return std::nullopt;
    std::optional<Scale> scale = parseScale(value);
    if (!scale)
        std::fprintf(stderr, "velmora: %s=%s is not a scale; use 1, 1.5, 2 or 3 (it is passed over)\n", name,
                     value);
    return scale;
}

} // namespace

std::string Scale::text() const
{
    return halves_ % kHalvesPerStep == 0 ? std::to_string(halves_ / kHalvesPerStep)
                                         : std::to_string(halves_ / kHalvesPerStep) + ".5";
}

std::optional<Scale> parseScale(std::string_view text)
{
    if (text == "1.5")
        return Scale::fromHalves(kOneAndHalfHalves);
    int whole = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), whole);
    if (error != std::errc() || end != text.data() + text.size() || whole < 1)
        return std::nullopt;
    return Scale::fromHalves(std::min(whole, kLargestWhole) * Scale::kHalvesPerStep);
}

Scale scaleForDpi(double dpi)
{
    const double steps = dpi / kDpiPerStep;
    if (steps < kOneAndHalfFrom)
        return Scale{};
    if (steps < kTwoFrom)
        return Scale::fromHalves(kOneAndHalfHalves);
    if (steps < kThreeFrom)
        return Scale::fromHalves(2 * Scale::kHalvesPerStep);
    return Scale::fromHalves(Scale::kMaxHalves);
}

void setPreferredScale(std::string_view setting)
{
    std::optional<Scale> preferred;
    if (!setting.empty() && setting != kAutomaticScale) {
        preferred = parseScale(setting);
        if (!preferred)
            std::fprintf(stderr,
                         "velmora: the display scale \"%.*s\" in the settings is not a scale; "
                         "choose one under Display in the Audio System Setup (automatic is used)\n",
                         static_cast<int>(setting.size()), setting.data());
    }
    std::lock_guard lock(preferenceMutex());
    gPreferred = preferred;
}

Scale chooseScale(double desktopDpi)
{
    if (std::optional<Scale> scale = scaleFromVariable("VELMORA_SCALE"))
        return *scale;
    {
        std::lock_guard lock(preferenceMutex());
        if (gPreferred)
            return *gPreferred;
    }
    if (std::optional<Scale> scale = scaleFromVariable("GDK_SCALE"))
        return *scale;
    if (desktopDpi > 0)
        return scaleForDpi(desktopDpi);
    return Scale{};
}

Scale displayScale()
{
    return Scale::fromHalves(gDisplayHalves.load());
}

void setDisplayScale(Scale scale)
{
    gDisplayHalves.store(scale.halves());
}

} // namespace plat::ui
