// The exports of every effect library, compiled into each one: they hand the
// engine's calls to the library's application object.
#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/fxframe/EffectApplication.h"

namespace {

fxframe::EffectApplication* effect()
{
    return fxframe::EffectApplication::current();
}

} // namespace

extern "C" {

int32_t getInterfaceVersion()
{
    return engine::kInterfaceVersion;
}

int32_t getPluginKind()
{
    return toWire(engine::PluginKind::Effect);
}

int32_t supportNumChannels()
{
    return engine::kChannelCount;
}

void getPluginInfo(engine::PluginInfo* info)
{
    if (info == nullptr)
        return;
    *info = engine::PluginInfo{};
    if (fxframe::EffectApplication* application = effect())
        application->fillPluginInfo(*info);
}

void setPluginHandle(engine::PluginHandle handle)
{
    if (fxframe::EffectApplication* application = effect())
        application->setPluginHandle(handle);
}

void setEventCallback(engine::EventCallback callback)
{
    if (fxframe::EffectApplication* application = effect())
        application->setEventCallback(callback);
}

void setInternalCallback(engine::InternalCallback callback)
{
    if (fxframe::EffectApplication* application = effect())
        application->setInternalCallback(callback);
}

int32_t createUserInterface(engine::InstanceHandle, int32_t showCommand)
{
    fxframe::EffectApplication* application = effect();
    return application != nullptr && application->createUserInterface(showCommand) ? 1 : 0;
}

void destroyUserInterface()
{
    if (fxframe::EffectApplication* application = effect())
        application->destroyUserInterface();
}

void onPluginSwitch(int32_t show)
{
    if (fxframe::EffectApplication* application = effect())
        application->onPluginSwitch(show != 0);
}

int32_t execCommandString(int32_t, const char*)
{
    return 0;
}

int32_t setupAudioSystem(const engine::AudioSystemSetup*)
{
    return 1;
}

int32_t onSetupFX()
{
    if (fxframe::EffectApplication* application = effect())
        application->onSetupFX();
    return 1;
}

int32_t onCleanupFX()
{
    if (fxframe::EffectApplication* application = effect())
        application->onCleanupFX();
    return 1;
}

int32_t processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes)
{
    fxframe::EffectApplication* application = effect();
    if (application != nullptr && samples != nullptr && bytes > 1 && fxframe::isEffectChannel(channel))
        application->processChannelBuffer(channel, samples, bytes);
    return 1;
}

int32_t resetFXChannel(int32_t channel)
{
    fxframe::EffectApplication* application = effect();
    if (application != nullptr && fxframe::isEffectChannel(channel))
        application->resetFXChannel(channel);
    return 1;
}

int32_t onFXParamChange(int32_t channel, int32_t value)
{
    fxframe::EffectApplication* application = effect();
    if (application != nullptr && fxframe::isEffectChannel(channel))
        application->onFXParamChange(channel, value);
    return 1;
}

} // extern "C"
