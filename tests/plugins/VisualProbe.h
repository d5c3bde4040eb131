#pragma once

#include <cstdint>

#include "api/VisualModuleApi.h"

// What the probe visual module (visual_probe.cpp) was handed, read by the
// tests through its export ProbeRecordOf.
struct ProbeRecord {
    int initialised = 0;
    int renders = 0;
    visual::VisualData data{};
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowLength = 0;
    uint32_t firstPixelOnEntry = 0; // the bottom-left pixel
    char loadedFrom[512] = {};
    char savedTo[512] = {};
};

inline constexpr uint32_t kProbeMark = 0x00FF00FF; // drawn over the bottom-left pixel
using ProbeRecordFn = ProbeRecord* (*)();
