#include "engine/OutputPlugin.h"

namespace engine {

bool OutputPlugin::bindKindExports()
{
    bool complete = bindRequired(exports.setupAudioSystem, kExportSetupAudioSystem);
    complete &= bindRequired(exports.startStreaming, kExportStartStreaming);
    complete &= bindRequired(exports.stopStreaming, kExportStopStreaming);
    complete &= bindRequired(exports.streamStereoBuffer, kExportStreamStereoBuffer);
    complete &= bindRequired(exports.waitForOutputDone, kExportWaitForOutputDone);
    // Outputs older than the title export load as they always did.
    bindOptional(exports.setNowPlaying, kExportSetNowPlaying);
    return complete;
}

int32_t OutputPlugin::startStreaming()
{
    if (!callable())
        return 0;
    return exports.startStreaming(0);
}

int OutputPlugin::stopStreaming()
{
    if (!callable())
        return lastError;
    return checkResult(exports.stopStreaming());
}

int OutputPlugin::streamStereoBuffer(bool empty, const int16_t* block, int32_t bytes)
{
    if (!callable())
        return lastError;
    return checkResult(exports.streamStereoBuffer(empty ? 1 : 0, block, bytes));
}

int32_t OutputPlugin::offerStereoBuffer(bool empty, const int16_t* block, int32_t bytes)
{
    if (!callable())
        return 0;
    return exports.streamStereoBuffer(empty ? 1 : 0, block, bytes);
}

int OutputPlugin::reportRefusedBlock()
{
    return checkResult(0);
}

void OutputPlugin::setNowPlaying(const char* title)
{
    if (exports.setNowPlaying != nullptr && callable())
        exports.setNowPlaying(title);
}

int OutputPlugin::waitForOutputDone()
{
    if (!callable())
        return lastError;
    return checkResult(exports.waitForOutputDone());
}

} // namespace engine
