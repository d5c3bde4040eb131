// A visual module that wants only spectrum data, marks the bottom-left pixel
// and records every call. Built once as it is and once each without
// QueryModule and with a null descriptor.
#include <cstring>

#include "plugins/VisualProbe.h"

namespace {

ProbeRecord record;

void render(uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength,
            const visual::VisualData* data)
{
    ++record.renders;
    std::memcpy(&record.data, data, sizeof record.data);
    record.width = width;
    record.height = height;
    record.rowLength = rowLength;
    record.firstPixelOnEntry = pixels[0];
    pixels[0] = kProbeMark;
}

[[maybe_unused]] visual::VisualModuleDescriptor descriptor{
    1,
    "",
    visual::kWantsSpectrum,
    [] { ++record.initialised; },
    render,
    [](const char* path) { std::strncpy(record.savedTo, path, sizeof record.savedTo - 1); },
    [](const char* path) { std::strncpy(record.loadedFrom, path, sizeof record.loadedFrom - 1); }};

} // namespace

extern "C" {

#ifndef PROBE_WITHOUT_QUERY
__attribute__((visibility("default"))) visual::VisualModuleDescriptor* QueryModule()
{
#ifdef PROBE_NULL_DESCRIPTOR
    return nullptr;
#else
    return &descriptor;
#endif
}
#endif

__attribute__((visibility("default"))) ProbeRecord* ProbeRecordOf()
{
    return &record;
}
}
