// The exports of Brolet.vwo.
#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/brolet/BroletOutput.h"
#include "plugins/brolet/BroletWindow.h"
#include "zkr/LibraryApplication.h"

namespace {

// The plug-in object lives from the library's load to its unload.
const zkr::LibraryLifetime<brolet::BroletOutput> lifetime;

brolet::BroletWindow* window()
{
    brolet::BroletOutput* output = brolet::plugin();
    return output != nullptr ? output->window.get() : nullptr;
}

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
    return toWire(engine::PluginKind::Output);
}

int32_t supportNumChannels()
{
    return 2;
}

int32_t execCommandString(int32_t, const char*)
{
    return 0;
}

void getPluginInfo(engine::PluginInfo* info)
{
    brolet::fillPluginInfo(info);
}

void setPluginHandle(engine::PluginHandle handle)
{
    if (brolet::BroletWindow* w = window())
        w->pluginHandle = handle;
}

void setEventCallback(engine::EventCallback callback)
{
    if (brolet::BroletWindow* w = window())
        w->eventCallback = callback;
}

void setInternalCallback(engine::InternalCallback callback)
{
    if (brolet::BroletWindow* w = window())
        w->internalCallback = callback;
}

int32_t createUserInterface(engine::InstanceHandle instance, int32_t showCommand)
{
    brolet::BroletOutput* output = brolet::plugin();
    return answer(output != nullptr && output->createUserInterface(instance, showCommand));
}

void destroyUserInterface()
{
    if (brolet::BroletOutput* output = brolet::plugin())
        output->destroyUserInterface();
}

void onPluginSwitch(int32_t show)
{
    if (brolet::BroletOutput* output = brolet::plugin())
        output->onPluginSwitch(show != 0);
}

int32_t setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    brolet::BroletOutput* output = brolet::plugin();
    return answer(output != nullptr && output->setupAudioSystem(setup));
}

int32_t startStreaming(int32_t)
{
    brolet::BroletOutput* output = brolet::plugin();
    return answer(output != nullptr && output->startStreaming());
}

int32_t stopStreaming()
{
    brolet::BroletOutput* output = brolet::plugin();
    return answer(output != nullptr && output->stopStreaming());
}

int32_t streamStereoBuffer(int32_t empty, const int16_t* block, int32_t bytes)
{
    brolet::BroletOutput* output = brolet::plugin();
    return answer(output != nullptr && output->streamStereoBuffer(empty != 0, block, bytes));
}

int32_t waitForOutputDone()
{
    brolet::BroletOutput* output = brolet::plugin();
    return answer(output != nullptr && output->waitForOutputDone());
}

} // extern "C"
