// PlevNT.vin: the exports of an input over its plug-in object.
#include "plugins/plevnt/PlevntPlugin.h"
#include "plugins/skeleton/PluginExports.h"

VELMORA_INPUT_PLUGIN(plevnt::PlevntPlugin)
