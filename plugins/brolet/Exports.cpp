// Brolet.vwo: the exports of an output over its plug-in object.
#include "plugins/brolet/BroletOutput.h"
#include "plugins/skeleton/PluginExports.h"

VELMORA_OUTPUT_PLUGIN(brolet::BroletOutput)
