#include "plugins/fxframe/EffectApplication.h"

#include "api/Protocol.h"
#include "plugins/fxframe/EffectWindow.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"

namespace fxframe {

EffectApplication::EffectApplication() = default;

EffectApplication::~EffectApplication() = default;

void EffectApplication::processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes)
{
    if (isEffectChannel(channel) && samples != nullptr && bytes >= engine::kBytesPerSample)
        processBlock(channel, samples, bytes);
}

void EffectApplication::resetFXChannel(int32_t channel)
{
    if (isEffectChannel(channel))
        resetChannel(channel);
}

void EffectApplication::onFXParamChange(int32_t channel, int32_t value)
{
    if (isEffectChannel(channel))
        changeParameter(channel, value);
}

void EffectApplication::startUp()
{
    if (window)
        return;
    // Without the shared services the effect still works: plain error boxes, no help.
    (void)zkr::bindSharedServices();
    window = makeWindow();
    settings.setFileName(zkr::kSettingsFile);
    settings.createMissingKeys = true;
}

void EffectApplication::shutDown()
{
    if (!window)
        return;
    // At the engine's exit the library may go without destroyUserInterface.
    window->closeByEngine();
    window.reset();
    zkr::releaseSharedServices();
}

void EffectApplication::setEventCallback(engine::EventCallback callback)
{
    if (!keepsEngineLinks)
        return;
    eventCallback = callback;
    if (window)
        window->eventCallback = callback;
}

void EffectApplication::setInternalCallback(engine::InternalCallback callback)
{
    if (!keepsEngineLinks)
        return;
    internalCallback = callback;
    if (window)
        window->internalCallback = callback;
}

void EffectApplication::setPluginHandle(engine::PluginHandle handle)
{
    if (keepsEngineLinks && window)
        window->pluginHandle = handle;
}

bool EffectApplication::createUserInterface(int32_t showCommand)
{
    if (!window)
        return false;
    if (window->open(showCommand))
        return true;
    showError(toWire(engine::Error::CreateUserInterface), window->description.title);
    return false;
}

void EffectApplication::destroyUserInterface()
{
    if (window)
        window->closeByEngine();
}

void EffectApplication::onPluginSwitch(bool show)
{
    if (window)
        window->showByEngine(show);
}

} // namespace fxframe
