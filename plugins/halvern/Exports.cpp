// Halvern.vfx: the exports of an effect over its application.
#include "plugins/halvern/ReverbApplication.h"
#include "plugins/skeleton/PluginExports.h"

VELMORA_EFFECT_PLUGIN(halvern::ReverbApplication)
