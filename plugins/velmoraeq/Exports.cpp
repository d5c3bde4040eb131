// VelmoraEQ.vfx: the exports of an effect over its application.
#include "plugins/velmoraeq/EqApplication.h"
#include "plugins/skeleton/PluginExports.h"

VELMORA_EFFECT_PLUGIN(velmoraeq::EqApplication)
