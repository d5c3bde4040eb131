#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string_view>

namespace prism {

struct Rgb {
    float red, green, blue; // 0 to 1
};

inline Rgb mix(Rgb from, Rgb to, float amount)
{
    return {from.red + (to.red - from.red) * amount, from.green + (to.green - from.green) * amount,
            from.blue + (to.blue - from.blue) * amount};
}

inline Rgb scaled(Rgb colour, float factor)
{
    return {colour.red * factor, colour.green * factor, colour.blue * factor};
}

// 0x00RRGGBB, as the host's picture holds it.
inline uint32_t packed(Rgb colour)
{
    auto channel = [](float value) { return static_cast<uint32_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return channel(colour.red) << 16 | channel(colour.green) << 8 | channel(colour.blue);
}

struct ColourScheme {
    std::string_view name; // as written to visuals.ini
    Rgb bass, middle, treble; // the bars' colours from left to right
    Rgb trace;
};

inline constexpr ColourScheme kColourSchemes[] = {
    {"aurora", {0.05f, 0.85f, 0.65f}, {0.20f, 0.55f, 1.00f}, {0.80f, 0.30f, 1.00f}, {0.35f, 1.00f, 0.75f}},
    {"ember", {0.90f, 0.12f, 0.05f}, {1.00f, 0.50f, 0.05f}, {1.00f, 0.90f, 0.25f}, {1.00f, 0.45f, 0.20f}},
    {"ice", {0.10f, 0.25f, 0.90f}, {0.30f, 0.70f, 1.00f}, {0.85f, 0.95f, 1.00f}, {0.55f, 0.80f, 1.00f}},
};

// Equal without regard to case, as names in visuals.ini are compared.
inline bool sameLetters(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// The scheme of that name; the first one for a name no scheme has.
inline const ColourScheme& schemeNamed(std::string_view name)
{
    const auto* found = std::find_if(std::begin(kColourSchemes), std::end(kColourSchemes),
                                     [name](const ColourScheme& scheme) { return sameLetters(scheme.name, name); });
    return found != std::end(kColourSchemes) ? *found : kColourSchemes[0];
}

} // namespace prism
