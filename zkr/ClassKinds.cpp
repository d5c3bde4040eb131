#include "zkr/ClassKinds.h"

namespace zkr {

const char kKindNames[kKindCount][kKindNameSize] = {
    "[abstract]",
    "Resource",
    "Plugin",
    "Multimedia File",
    "List",
    "Queue",
    "Registry",
    "[windowed]",
    "Window",
    "Dialog",
    "User Interface",
    "Control",
    "Wave Device",
    "Wave Output",
    "Wave Input",
    "Stereo Mixer",
    "Waveformat Converter",
    "Shared Buffer",
    "[graphics]",
    "DirectX Object",
    "DirectDraw",
    "DirectSound",
    "Audio Manager",
    "Audio Decoder",
    "Audio File",
    "Decoder Manager",
    "HTTP Socket",
    "Application Update",
};

const char* kindName(int kind)
{
    if (kind < 1 || kind > kKindCount)
        return "";
    return kKindNames[kind - 1];
}

} // namespace zkr
