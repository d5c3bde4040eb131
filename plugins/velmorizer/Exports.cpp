// Velmorizer.vfx: the exports of an effect over its application.
#include "plugins/velmorizer/DistortionApplication.h"
#include "plugins/skeleton/PluginExports.h"

VELMORA_EFFECT_PLUGIN(velmorizer::DistortionApplication)
