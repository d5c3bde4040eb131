#pragma once

// The contract between the output plug-in's visuals host and a visual module
// (a shared library with the extension "svp" in Plugins/Visuals). A module
// includes this header alone: it depends on nothing but the C++ standard
// headers below.
//
// The host loads the module by its full path, looks up QueryModule, calls
// it once and then only the descriptor's functions: initialise, then load
// settings, then render once per block played, then save settings before the
// library is released. Every call comes with the host's lock held, so a
// module never sees two calls at once, but the calls may come from different
// threads (render from the streaming thread, the others from the window's).
//
// On 64-bit Linux every field that carries a pointer is pointer-sized; the
// flags stay a 32-bit number.

#include <cstddef>
#include <cstdint>

namespace visual {

// Bits of VisualModuleDescriptor::flags.
inline constexpr uint32_t kWantsWaveform = 1;
inline constexpr uint32_t kWantsSpectrum = 2;

inline constexpr int kWaveformPoints = 512; // bytes per channel; the host fills the first 256
inline constexpr int kWaveformFilled = 256;
inline constexpr int kSpectrumBins = 256;

// What render receives for every block. Waveform values are signed (-127 to
// 127), spectrum values 0 to 255; an area the module did not ask for is 0.
struct VisualData {
    int32_t blockCount; // 1 for every block from the output
    int8_t waveform[2][kWaveformPoints];
    uint8_t spectrum[2][kSpectrumBins];
};

static_assert(sizeof(VisualData) == 1540);
static_assert(offsetof(VisualData, waveform) == 4);
static_assert(offsetof(VisualData, spectrum) == 1028);

// The picture render draws into: width x height pixels of 32 bits
// (0x00RRGGBB), rows bottom-up (the first row in memory is the bottom row of
// the picture), rowLength pixels from one row to the next. On entry it holds
// the display's background picture, or black.
using RenderFn = void (*)(uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength,
                          const VisualData* data);
// path: the full path of "visuals.ini" in the visuals folder, shared by all modules.
using SettingsFn = void (*)(const char* path);

struct VisualModuleDescriptor {
    intptr_t version;        // not read by the host
    const char* description; // shown as the module's name; may be null or empty
    uint32_t flags;          // kWantsWaveform | kWantsSpectrum
    void (*initialise)();
    RenderFn render;
    SettingsFn saveSettings;
    SettingsFn loadSettings;
};

// The one export of a module: the descriptor, valid while the module is
// loaded, or null when the module cannot run.
using QueryModuleFn = VisualModuleDescriptor* (*)();
inline constexpr char kQueryModuleExport[] = "QueryModule";

} // namespace visual
