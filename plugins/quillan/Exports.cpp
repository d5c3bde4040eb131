// Quillan.vin: the exports of an input over its application.
#include "plugins/quillan/QuillanApplication.h"
#include "plugins/skeleton/PluginExports.h"

VELMORA_INPUT_PLUGIN(quillan::QuillanApplication)
