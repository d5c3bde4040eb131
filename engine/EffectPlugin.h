#pragma once

#include "engine/Plugin.h"

namespace engine {

// A realtime effect (.vfx): transforms channel blocks in place.
class EffectPlugin : public Plugin {
public:
    EffectPlugin() : Plugin(toWire(PluginKind::Effect)) {}

    // Each 0, or PluginInternal when the plug-in reports failure; a plug-in without the
    // export succeeds.
    int onSetupFX();
    int onCleanupFX();

    void onFXParamChange(int32_t channel, int32_t value);
    void processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes);
    void resetFXChannel(int32_t channel);
    // The plug-in's own function, for the mixer to call per channel block
    // without going through the wrapper; null until initialised.
    ProcessChannelBufferFn processFunction() const { return exports.processChannelBuffer; }

protected:
    bool bindKindExports() override;
};

} // namespace engine
