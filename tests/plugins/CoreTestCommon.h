#pragma once

// The exports every kind shares, for the audio core's test plug-ins. The
// including file defines, before including this header:
//   kTestKind (the kind value), kTestShortName, kTestChannels,
//   and the function testFlags() giving PluginInfo's flags.

#ifndef VELMORA_PLUGIN
#error "define VELMORA_PLUGIN before including api/PluginApi.h"
#endif
#include "api/PluginApi.h"

#include <cstring>

namespace {

engine::PluginHandle ownHandle = 0;

} // namespace

void setPluginHandle(engine::PluginHandle handle)
{
    ownHandle = handle;
}

int32_t getInterfaceVersion()
{
    return engine::kInterfaceVersion;
}

int32_t getPluginKind()
{
    return kTestKind;
}

void getPluginInfo(engine::PluginInfo* info)
{
    std::memset(info, 0, sizeof *info);
    std::strcpy(info->title, "Velmora core test plug-in");
    std::strcpy(info->shortName, kTestShortName);
    std::strcpy(info->media, "test patterns");
    std::strcpy(info->version, "v1");
    info->flags = testFlags();
}

int32_t supportNumChannels()
{
    return kTestChannels;
}

void setEventCallback(engine::EventCallback) {}

void setInternalCallback(engine::InternalCallback) {}

int32_t createUserInterface(engine::InstanceHandle, int32_t)
{
    return 1;
}

void destroyUserInterface() {}

void onPluginSwitch(int32_t) {}
