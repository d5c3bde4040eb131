#include "engine/InputPlugin.h"

namespace engine {

bool InputPlugin::bindKindExports()
{
    bool complete = bindRequired(exports.setupAudioSystem, kExportSetupAudioSystem);
    complete &= bindRequired(exports.readStreamChannel, kExportReadStreamChannel);
    complete &= bindRequired(exports.onStreamingError, kExportOnStreamingError);
    return complete;
}

int32_t InputPlugin::readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    if (!callable())
        return 0;
    return exports.readStreamChannel(stream, block, bytes);
}

void InputPlugin::onStreamingError()
{
    if (callable())
        exports.onStreamingError(0, 0);
}

} // namespace engine
