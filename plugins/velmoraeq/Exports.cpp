// VelmoraEQ.vfx: the exports of an effect over its application.
#include "plugins/skeleton/PluginExports.h"
#include "plugins/velmoraeq/EqApplication.h"

VELMORA_EFFECT_PLUGIN(velmoraeq::EqApplication)
