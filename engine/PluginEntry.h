#pragma once

#include <cstdint>

#include "api/PluginApi.h"
#include "zkr/List.h"

namespace engine {

class Plugin;

// One item of a kind list, copied by value into the list at discovery. A
// plug-in file is loaded at most once at a time: instance names the object
// loaded from it, or is null.
struct PluginEntry {
    static constexpr int kPathSize = 256;

    PluginInfo info;
    char path[kPathSize];
    Plugin* instance;
};

// The plug-ins of one kind found in the Plugins folder.
using PluginList = zkr::List<PluginEntry>;

} // namespace engine
