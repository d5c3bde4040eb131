#pragma once

#include <cstdint>
#include <memory>

#include "api/PluginApi.h"
#include "zkr/Application.h"

namespace fxframe {

class EffectWindow;

// The application object of an effect library: made when the library is
// loaded (startUp) and gone when it is unloaded (shutDown). The exports the
// plug-in skeleton makes call it; each effect derives its
// own, which holds the processing objects and makes its window object.
//
// Threads: onSetupFX, createUserInterface and the window run on the thread
// that loads the plug-in; processChannelBuffer (and resetFXChannel when a
// stream ends) on the engine's streaming thread; onFXParamChange,
// resetFXChannel and destroyUserInterface on the engine's main thread. The
// frame takes no lock: each effect guards what its threads share.
class EffectApplication : public zkr::Application {
public:
    EffectApplication();
    ~EffectApplication() override;

    // Binds the shared services (going on without them), makes the window
    // object and names the settings file.
    virtual void startUp();
    // Closes the window if the engine left it open and lets the window object
    // and the shared services go.
    virtual void shutDown();
    // Kept here and handed to the window object; an effect that makes no use
    // of them ignores them.
    virtual void setEventCallback(engine::EventCallback callback);
    virtual void setInternalCallback(engine::InternalCallback callback);
    void setPluginHandle(engine::PluginHandle handle);

    // createUserInterface: makes the window on the calling thread; false when it cannot be made.
    bool createUserInterface(int32_t showCommand);
    // destroyUserInterface: the window goes for good; its object stays.
    void destroyUserInterface();
    void onPluginSwitch(bool show);

    // ---- the effect's own ----
    virtual void fillPluginInfo(engine::PluginInfo& info) const = 0;
    // Builds the processing objects and hands them to the window object.
    virtual void onSetupFX() = 0;
    virtual void onCleanupFX() = 0;
    // The engine's channel calls. A channel other than the engine's 0 to 3,
    // or a block without a whole sample, is ignored here, so the effect's
    // own (processBlock, resetChannel, changeParameter) need not check.
    void processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes);
    void resetFXChannel(int32_t channel);
    void onFXParamChange(int32_t channel, int32_t value);

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    // From startUp to shutDown.
    std::unique_ptr<EffectWindow> window;

protected:
    virtual void processBlock(int32_t channel, int16_t* samples, int32_t bytes) = 0;
    virtual void resetChannel(int32_t channel) = 0;
    virtual void changeParameter(int32_t channel, int32_t value) = 0;
    // The effect's window object, made by startUp (its platform window is not).
    virtual std::unique_ptr<EffectWindow> makeWindow() = 0;
    // Whether the engine's callbacks and the plug-in handle are kept at all.
    bool keepsEngineLinks = true;
};

// Whether channel names one of the engine's four channels.
constexpr bool isEffectChannel(int32_t channel)
{
    return channel >= 0 && channel < engine::kChannelCount;
}

} // namespace fxframe
