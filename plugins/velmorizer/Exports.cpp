// Velmorizer.vfx: the exports of an effect over its application.
#include "plugins/skeleton/PluginExports.h"
#include "plugins/velmorizer/DistortionApplication.h"

VELMORA_EFFECT_PLUGIN(velmorizer::DistortionApplication)
