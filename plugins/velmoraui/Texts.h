#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmoraui {

// What a display shows for an empty slot or channel.
inline constexpr char kNoneText[] = "none";

// The plug-in's string table: tooltips and titles.
enum StringId : unsigned {
    kStringMixingConsole = 1,
    kStringMenu = 2,
    kStringToggleConsole = 3,
    kStringZeroTime = 4,
    kStringAudioInput = 5,
    kStringAudioOutput = 6,
    kStringRealtimeEffect = 7,
    kStringVolume = 8,
    kStringStereoPan = 9,
    kStringMute = 10,
    kStringSolo = 11,
    kStringPreFader = 12,
    kStringAudioSource = 13,
    kStringChannelEffect = 14,
    kStringEffectLevel = 15,
    kStringMasterVolume = 16,
    kStringClose = 17,
    kStringMinimise = 18,
    kStringLedPower = 19,
    kStringSelect = 20,
    kStringAutoMixing = 21,
};

// The text of a string id ("" for an unknown one).
const char* stringText(unsigned id);
// "%s %i" or "%s CH%i" of a string with a 1-based number.
std::string numberedText(unsigned id, int number);
std::string channelText(unsigned id, int channel);

// Value texts of the console's controls (zkr::ValueFormatter).
// Fader, 0..200 with 100 at unity: decibels, "-inf" for 0.
void volumeText(int32_t value, char* text, std::size_t size);
// Pan, 0..100: "L", "M", "R" or "left/right".
void panText(int32_t value, char* text, std::size_t size);
// Effect level: "n%".
void effectLevelText(int32_t value, char* text, std::size_t size);

// Milliseconds as "hh:mm:ss"; the hours may have more digits.
std::string elapsedText(int64_t milliseconds);

// The parts of a plug-in's "short name|title" text: the short name is
// everything before the first bar, the title everything after it (empty
// without a bar).
std::string shortNameOf(const char* text);
std::string titleOf(const char* text);

} // namespace velmoraui
