// The exports of PlevNT.vin.
#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/plevnt/PlevntPlugin.h"
#include "zkr/LibraryApplication.h"

namespace {

// The plug-in object lives from the library's load to its unload.
const zkr::LibraryLifetime<plevnt::PlevntPlugin> lifetime;

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
    return plevnt::kPlayerCount;
}

int32_t execCommandString(int32_t flags, const char* text)
{
    plevnt::PlevntPlugin* p = plevnt::plugin();
    return p != nullptr ? p->execCommandString(flags, text) : 0;
}

void getPluginInfo(engine::PluginInfo* info)
{
    plevnt::fillPluginInfo(info);
}

void setPluginHandle(engine::PluginHandle handle)
{
    if (plevnt::PlevntPlugin* p = plevnt::plugin())
        p->pluginHandle = handle;
}

void setEventCallback(engine::EventCallback callback)
{
    if (plevnt::PlevntPlugin* p = plevnt::plugin())
        p->eventCallback = callback;
}

void setInternalCallback(engine::InternalCallback callback)
{
    if (plevnt::PlevntPlugin* p = plevnt::plugin())
        p->internalCallback = callback;
}

int32_t createUserInterface(engine::InstanceHandle instance, int32_t showCommand)
{
    plevnt::PlevntPlugin* p = plevnt::plugin();
    return answer(p != nullptr && p->createUserInterface(instance, showCommand));
}

void destroyUserInterface()
{
    if (plevnt::PlevntPlugin* p = plevnt::plugin())
        p->destroyUserInterface();
}

void onPluginSwitch(int32_t show)
{
    if (plevnt::PlevntPlugin* p = plevnt::plugin())
        p->onPluginSwitch(show != 0);
}

int32_t setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    plevnt::PlevntPlugin* p = plevnt::plugin();
    return answer(p != nullptr && p->setupAudioSystem(setup));
}

int32_t readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    plevnt::PlevntPlugin* p = plevnt::plugin();
    return answer(p != nullptr && p->readStreamChannel(stream, block, bytes));
}

void onStreamingError(int32_t code, int32_t value)
{
    if (plevnt::PlevntPlugin* p = plevnt::plugin())
        p->onStreamingError(code, value);
}

} // extern "C"
