#pragma once

#include "engine/Plugin.h"

namespace engine {

// An audio output (.vwo): takes one stereo block per cycle.
class OutputPlugin : public Plugin {
public:
    OutputPlugin() : Plugin(toWire(PluginKind::Output)) {}

    // The plug-in's answer; streaming may start only on exactly 1.
    int32_t startStreaming();
    // Each 0, or PluginInternal when the plug-in reports failure.
    int stopStreaming();
    int streamStereoBuffer(bool empty, const int16_t* block, int32_t bytes);
    // The same call for a caller that first asks whether a refusal was caused by a stop
    // (a block refused after stopStreaming is no failure): the plug-in's answer, nothing
    // recorded; reportRefusedBlock() records the failure when it is one.
    int32_t offerStereoBuffer(bool empty, const int16_t* block, int32_t bytes);
    int reportRefusedBlock();
    int waitForOutputDone();
    // Tells an output that takes it what is playing; others never hear of it.
    void setNowPlaying(const char* title);

protected:
    bool bindKindExports() override;
};

} // namespace engine
