// The library's one application object, made when Velmorizer.vfx is loaded
// and gone when it is unloaded; the frame's exports reach it.
#include "plugins/velmorizer/DistortionApplication.h"
#include "zkr/LibraryApplication.h"

namespace {

const zkr::LibraryLifetime<velmorizer::DistortionApplication> lifetime;

} // namespace
