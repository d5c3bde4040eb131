#pragma once

// What every kind shares, for the audio core's test plug-ins: each derives
// its class from CoreTestPlugin and makes its exports with the plug-in
// skeleton. The including file defines, before including this header:
//   kTestShortName, kTestChannels, and the function testFlags() giving
//   PluginInfo's flags.

#include "plugins/skeleton/PluginExports.h"

#include <cstring>

namespace {

struct CoreTestPlugin {
    static constexpr int32_t kStreamCount = kTestChannels;

    void startUp() {}
    void shutDown() {}
    bool createUserInterface(engine::InstanceHandle, int32_t) { return true; }

    static void fillPluginInfo(engine::PluginInfo* info)
    {
        std::memset(info, 0, sizeof *info);
        std::strcpy(info->title, "Velmora core test plug-in");
        std::strcpy(info->shortName, kTestShortName);
        std::strcpy(info->media, "test patterns");
        std::strcpy(info->version, "v1");
        info->flags = testFlags();
    }
};

} // namespace
