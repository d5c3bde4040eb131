// The exports of Tindle.vin.
#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/tindle/ChannelSet.h"
#include "plugins/tindle/TindlePlugin.h"
#include "zkr/LibraryApplication.h"

namespace {

// The plug-in object lives from the library's load to its unload.
const zkr::LibraryLifetime<tindle::TindlePlugin> lifetime;

int32_t answer(bool success)
{
    return success ? 1 : 0;
}

} // namespace

extern "C" {

int32_t getInterfaceVersion()
{
    return engine::kInterfaceVersion;
}

int32_t getPluginKind()
{
    return toWire(engine::PluginKind::Input);
}

int32_t supportNumChannels()
{
    return tindle::kChannelCount;
}

int32_t execCommandString(int32_t, const char*)
{
    return 0;
}

void getPluginInfo(engine::PluginInfo* info)
{
    tindle::fillPluginInfo(info);
}

void setPluginHandle(engine::PluginHandle handle)
{
    if (tindle::TindlePlugin* p = tindle::plugin())
        p->pluginHandle = handle;
}

void setEventCallback(engine::EventCallback callback)
{
    if (tindle::TindlePlugin* p = tindle::plugin())
        p->eventCallback = callback;
}

void setInternalCallback(engine::InternalCallback callback)
{
    if (tindle::TindlePlugin* p = tindle::plugin())
        p->internalCallback = callback;
}

int32_t createUserInterface(engine::InstanceHandle instance, int32_t showCommand)
{
    tindle::TindlePlugin* p = tindle::plugin();
    return answer(p != nullptr && p->createUserInterface(instance, showCommand));
}

void destroyUserInterface()
{
    if (tindle::TindlePlugin* p = tindle::plugin())
        p->destroyUserInterface();
}

void onPluginSwitch(int32_t show)
{
    if (tindle::TindlePlugin* p = tindle::plugin())
        p->onPluginSwitch(show != 0);
}

int32_t setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    tindle::TindlePlugin* p = tindle::plugin();
    return answer(p != nullptr && p->setupAudioSystem(setup));
}

int32_t readStreamChannel(int32_t channel, const int16_t** block, int32_t* bytes)
{
    tindle::TindlePlugin* p = tindle::plugin();
    return answer(p != nullptr && p->readStreamChannel(channel, block, bytes));
}

void onStreamingError(int32_t, int32_t)
{
    if (tindle::TindlePlugin* p = tindle::plugin())
        p->onStreamingError();
}

} // extern "C"
