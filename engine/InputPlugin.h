#pragma once

#include "engine/Plugin.h"

namespace engine {

// An audio input (.vin): delivers one mono block per stream and cycle.
class InputPlugin : public Plugin {
public:
    InputPlugin() : Plugin(toWire(PluginKind::Input)) {}

    // The plug-in's answer, non-zero while the stream runs; block and bytes
    // are set only then and stay the plug-in's until its next call.
    // 0 (the stream has ended) when the plug-in may not be called.
    int32_t readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes);
    void onStreamingError();

protected:
    bool bindKindExports() override;
};

} // namespace engine
