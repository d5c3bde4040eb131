// Brolet.vwo: the exports of an output over its plug-in object.
#include "plugins/brolet/BroletOutput.h"
#include "plugins/skeleton/PluginExports.h"

VELMORA_OUTPUT_PLUGIN(brolet::BroletOutput)

// Optional: the engine hands on what an input says is playing.
VELMORA_PLUGIN_EXPORT void setNowPlaying(const char* title)
{
    if (brolet::BroletOutput* output = brolet::plugin())
        output->setNowPlaying(title);
}
