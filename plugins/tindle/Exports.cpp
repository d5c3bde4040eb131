// Tindle.vin: the exports of an input over its plug-in object.
#include "plugins/skeleton/PluginExports.h"
#include "plugins/tindle/TindlePlugin.h"

VELMORA_INPUT_PLUGIN(tindle::TindlePlugin)
