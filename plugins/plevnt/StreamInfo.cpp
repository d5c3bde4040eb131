#include "plugins/plevnt/StreamInfo.h"

#include <cstdio>

namespace plevnt {

namespace {

std::string twoDigits(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, value < 10 ? "0%u" : "%u", value);
    return text;
}

const char* channelModeName(int32_t mode, char* fallback, std::size_t size)
{
    switch (mode) {
    case 0:
        return "Stereo";
    case 1:
        return "JointStereo";
    case 2:
        return "DualChannel";
    case 3:
        return "Mono";
    default:
        std::snprintf(fallback, size, "Mode %i", mode);
        return fallback;
    }
}

} // namespace

bool isStereo(const StreamInfo& info)
{
    return info.valid != 0 && info.channelMode >= 0 && info.channelMode < kChannelModeMono;
}

std::string timeText(uint32_t milliseconds)
{
    const uint32_t seconds = milliseconds / 1000;
    return twoDigits(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" + twoDigits(seconds % 60);
}

std::string infoText(const StreamInfo& info)
{
    char mode[32];
    char text[512];
    std::snprintf(text, sizeof text, "%s\n%iHz\n%s\n%ikbps", info.media, info.sampleRate,
                  channelModeName(info.channelMode, mode, sizeof mode), info.bitRate);
    std::string result = text;
    if (info.hasBits != 0) {
        std::snprintf(text, sizeof text, "\n%ibit", info.bits);
        result += text;
    }
    return result;
}

} // namespace plevnt
