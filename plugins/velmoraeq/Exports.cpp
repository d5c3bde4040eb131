// VelmoraEQ.vfx: the frame's exports (fxframe/EffectExports.cpp) reach the
// equaliser through its application object.
#include "plugins/velmoraeq/EqApplication.h"
#include "zkr/LibraryApplication.h"

namespace {

// Lives from the library's load to its unload.
const zkr::LibraryLifetime<velmoraeq::EqApplication> lifetime;

} // namespace
