#pragma once

#include <array>
#include <cstdint>

#include "plugins/velmoraeq/EqChannel.h"

namespace velmoraeq {

// A setting of the preset menu: its command and text, the gains of the nine
// bands (lowest first) and the dry mix.
struct Preset {
    unsigned command;
    const char* text;
    std::array<int32_t, kStandardBandCount> gains;
    int32_t dryMix;
};

inline constexpr std::array<Preset, 5> kPresets{{
    {40001, "Preset 1: Ground Zero", {0, 0, 0, 0, 0, 0, 0, 0, 0}, 100},
    {40002, "Preset 2: Bass Boost", {74, 50, 33, 14, 0, 0, 0, 0, 0}, 90},
    {40003, "Preset 3: FM Radio", {0, 0, 0, 0, 0, 100, 50, 0, 0}, 0},
    {40004, "Preset 4: Loudness", {74, 50, 33, 14, 0, 14, 33, 50, 74}, 90},
    {40005, "Preset 5: Treble Boost", {0, 0, 0, 0, 0, 14, 33, 50, 74}, 100},
}};

// Gives the channel the preset of the menu command (band 0 first, then the
// dry mix); false, changing nothing, for any other command.
bool applyPreset(EqChannel& channel, unsigned command);

} // namespace velmoraeq
