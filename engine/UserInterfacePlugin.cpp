#include "engine/UserInterfacePlugin.h"

namespace engine {

bool UserInterfacePlugin::bindKindExports()
{
    bool complete = bindRequired(exports.updateChannelValue, kExportUpdateChannelValue);
    complete &= bindRequired(exports.updateGeneralValue, kExportUpdateGeneralValue);
    return complete;
}

void UserInterfacePlugin::updateChannelValue(int32_t channel, int32_t code, intptr_t value)
{
    if (callable())
        exports.updateChannelValue(channel, code, value);
}

void UserInterfacePlugin::updateGeneralValue(int32_t index, int32_t code, intptr_t value)
{
    if (callable())
        exports.updateGeneralValue(index, code, value);
}

} // namespace engine
