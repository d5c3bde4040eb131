// The exports of Quillan.vin.
#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/quillan/QuillanApplication.h"
#include "plugins/quillan/RecorderWindow.h"
#include "zkr/LibraryApplication.h"

namespace {

// The application object lives from the library's load to its unload.
const zkr::LibraryLifetime<quillan::QuillanApplication> lifetime;

quillan::RecorderWindow* window()
{
    quillan::QuillanApplication* application = quillan::plugin();
    return application != nullptr ? application->window.get() : nullptr;
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
    return 2;
}

int32_t execCommandString(int32_t, const char*)
{
    return 0;
}

void getPluginInfo(engine::PluginInfo* info)
{
    quillan::fillPluginInfo(info);
}

void setPluginHandle(engine::PluginHandle handle)
{
    if (quillan::RecorderWindow* w = window())
        w->pluginHandle = handle;
}

void setEventCallback(engine::EventCallback callback)
{
    if (quillan::QuillanApplication* application = quillan::plugin())
        application->setEventCallback(callback);
}

void setInternalCallback(engine::InternalCallback callback)
{
    if (quillan::QuillanApplication* application = quillan::plugin())
        application->setInternalCallback(callback);
}

int32_t createUserInterface(engine::InstanceHandle, int32_t showCommand)
{
    quillan::RecorderWindow* w = window();
    return w != nullptr && w->open(showCommand) ? 1 : 0;
}

void destroyUserInterface()
{
    if (quillan::RecorderWindow* w = window())
        w->closeByHost();
}

void onPluginSwitch(int32_t show)
{
    if (quillan::RecorderWindow* w = window())
        w->showByEngine(show != 0);
}

int32_t setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    quillan::RecorderWindow* w = window();
    if (w == nullptr || setup == nullptr)
        return 0;
    w->setupAudioSystem(*setup);
    return 1;
}

int32_t readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    quillan::RecorderWindow* w = window();
    if (w == nullptr || block == nullptr || bytes == nullptr)
        return 0;
    return w->readStreamChannel(stream, block, bytes) ? 1 : 0;
}

void onStreamingError(int32_t first, int32_t)
{
    if (quillan::RecorderWindow* w = window())
        w->streamingError(first);
}

} // extern "C"
