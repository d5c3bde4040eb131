#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/audio/AudioTypes.h"
#include "platform/core/Api.h"

// The installed sound devices. VELMORA_AUDIO=alsa|virtual chooses the sound
// system (default alsa); it is read at the first enumeration and the lists are
// kept until forgetDevices. Under alsa the output list starts with "default";
// the input list holds only PCMs that have something to record from, so it is
// empty on a machine that cannot record. Under virtual the devices are (in
// this order):
//   output 0 "Velmora Null Output"   plays nothing, paced in real time
//   output 1 "Velmora File Output"   writes what it plays to $VELMORA_AUDIO_OUTPUT_FILE
//                                    (a WAVE file when the name ends in .wav, else raw PCM)
//   input 0  "Velmora Test Signal"   a 1 kHz sine at half full scale on every channel
//   input 1  "Velmora File Input"    the samples of $VELMORA_AUDIO_INPUT_FILE (WAVE or raw),
//                                    then silence
// The default device (index -1) is the file device of a direction when its
// variable is set, else device 0. VELMORA_AUDIO_PACE=off makes virtual devices
// finish blocks as fast as they are queued instead of in real time;
// VELMORA_AUDIO_PACE=stall makes them hang: blocks are taken and never finished
// until a reset or close hands them back. Read at each open.
namespace plat::audio {

inline constexpr int kDefaultDevice = -1;

// "alsa" or "virtual": the sound system in use (enumerates if needed).
PLAT_API const char* backendName();
// Number of devices of a direction.
PLAT_API uint32_t deviceCount(Direction direction);
// Capabilities of device index (kDefaultDevice for the default one).
PLAT_API Result deviceCaps(Direction direction, int index, DeviceCaps& caps);
// Whether the device would open with that format, without opening it for use.
PLAT_API Result queryFormat(Direction direction, int index, const PcmFormat& format);
// Forgets the lists and the choice of sound system; the next enumeration reads
// VELMORA_AUDIO again. Open devices are not affected.
PLAT_API void forgetDevices();

// The text of a result, for the output or input variant ("" is never given:
// unknown codes have a text too). Writes at most size bytes including the zero.
PLAT_API void errorText(Direction direction, Result result, char* text, size_t size);

} // namespace plat::audio
