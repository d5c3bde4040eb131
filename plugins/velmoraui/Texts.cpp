#include "plugins/velmoraui/Texts.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace velmoraui {

namespace {

constexpr const char* kStrings[] = {
    "",
    "Mixing Console",
    "velmora menu",
    "toggle mixing console",
    "00:00:00",
    "audio input",
    "audio output",
    "realtime effect",
    "volume",
    "stereo-pan",
    "mute",
    "solo",
    "pre-fader",
    "audio source",
    "realtime effect",
    "effect level",
    "master volume",
    "close",
    "minimize",
    "led power",
    "select",
    "auto mixing",
};

std::string formatted(const char* format, const char* text, int number)
{
    char buffer[300];
    std::snprintf(buffer, sizeof buffer, format, text, number);
    return buffer;
}

// A time part: "0%i" below 10, "%i" otherwise.
std::string timePart(int64_t value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, value < 10 ? "0%lld" : "%lld", static_cast<long long>(value));
    return buffer;
}

} // namespace

const char* stringText(unsigned id)
{
    return id < std::size(kStrings) ? kStrings[id] : "";
}

std::string numberedText(unsigned id, int number)
{
    return formatted("%s %i", stringText(id), number);
}

std::string channelText(unsigned id, int channel)
{
    return formatted("%s CH%i", stringText(id), channel);
}

void volumeText(int32_t value, char* text, std::size_t size)
{
    if (value <= 0) {
        std::snprintf(text, size, "-inf");
        return;
    }
    const double decibels = 20.0 * std::log10(value / 100.0);
    const char* format = decibels >= 10.0   ? "+%.0f"
                         : decibels > 0.0   ? "+%.1f"
                         : decibels > -10.0 ? "%.1f"
                                            : "%.0f";
    std::snprintf(text, size, format, decibels);
}

void panText(int32_t value, char* text, std::size_t size)
{
    if (value == 0)
        std::snprintf(text, size, "L");
    else if (value == 50)
        std::snprintf(text, size, "M");
    else if (value == 100)
        std::snprintf(text, size, "R");
    else
        std::snprintf(text, size, "%i/%i", value, 100 - value);
}

void effectLevelText(int32_t value, char* text, std::size_t size)
{
    std::snprintf(text, size, "%i%%", value);
}

std::string elapsedText(int64_t milliseconds)
{
    // A negative time cannot be shown as a clock: it counts as none.
    const int64_t seconds = milliseconds > 0 ? milliseconds / 1000 : 0;
    return timePart(seconds / 3600) + ":" + timePart(seconds / 60 % 60) + ":" + timePart(seconds % 60);
}

std::string shortNameOf(const char* text)
{
    if (text == nullptr)
        return "";
    const char* bar = std::strchr(text, '|');
    return bar != nullptr ? std::string(text, bar) : std::string(text);
}

std::string titleOf(const char* text)
{
    if (text == nullptr)
        return "";
    const char* bar = std::strchr(text, '|');
    return bar != nullptr ? std::string(bar + 1) : std::string();
}

} // namespace velmoraui
