// Halvern.vfx: the frame's exports over the reverb's application.
#include "plugins/halvern/ReverbApplication.h"
#include "zkr/LibraryApplication.h"

namespace {

// The application lives from the library's load to its unload.
const zkr::LibraryLifetime<halvern::ReverbApplication> lifetime;

} // namespace
