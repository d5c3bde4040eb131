#include "engine/EffectPlugin.h"

namespace engine {

bool EffectPlugin::bindKindExports()
{
    bool complete = bindRequired(exports.setupAudioSystem, kExportSetupAudioSystem);
    bindOptional(exports.onSetupFX, kExportOnSetupFX);
    bindOptional(exports.onCleanupFX, kExportOnCleanupFX);
    complete &= bindRequired(exports.onFXParamChange, kExportOnFXParamChange);
    complete &= bindRequired(exports.processChannelBuffer, kExportProcessChannelBuffer);
    complete &= bindRequired(exports.resetFXChannel, kExportResetFXChannel);
    return complete;
}

int EffectPlugin::onSetupFX()
{
    if (!callable())
        return lastError;
    return checkResult(exports.onSetupFX != nullptr ? exports.onSetupFX() : 1);
}

int EffectPlugin::onCleanupFX()
{
    if (!callable())
        return lastError;
    return checkResult(exports.onCleanupFX != nullptr ? exports.onCleanupFX() : 1);
}

void EffectPlugin::onFXParamChange(int32_t channel, int32_t value)
{
    if (callable())
        exports.onFXParamChange(channel, value);
}

void EffectPlugin::processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes)
{
    if (callable())
        exports.processChannelBuffer(channel, samples, bytes);
}

void EffectPlugin::resetFXChannel(int32_t channel)
{
    if (callable())
        exports.resetFXChannel(channel);
}

} // namespace engine
