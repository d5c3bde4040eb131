#include "shared/SharedModule.h"

namespace shared {

namespace {

// Any object of the library's own tells which module holds it.
const char kModuleMarker = 0;

} // namespace

plat::ModuleHandle sharedModule()
{
    static const plat::ModuleHandle module = [] {
        plat::ModuleInfo info;
        return plat::moduleOf(&kModuleMarker, info) ? info.handle : nullptr;
    }();
    return module;
}

} // namespace shared
