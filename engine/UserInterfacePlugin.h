#pragma once

#include "engine/Plugin.h"

namespace engine {

// The user interface (.vui): shows the engine's state. Called from the
// engine's main and streaming threads alike.
class UserInterfacePlugin : public Plugin {
public:
    UserInterfacePlugin() : Plugin(toWire(PluginKind::UserInterface)) {}

    void updateChannelValue(int32_t channel, int32_t code, intptr_t value);
    void updateGeneralValue(int32_t index, int32_t code, intptr_t value);

protected:
    bool bindKindExports() override;
};

} // namespace engine
