#include "engine/EngineCore.h"

namespace engine {

// The Plugin Manager dialog and the update dialog are not part of this
// program yet: the two entry points answer as the request table says, without
// opening a window.

int32_t EngineCore::openPluginManager(plat::ui::WindowHandle)
{
    return 1;
}

int32_t EngineCore::openUpdateDialog(plat::ui::WindowHandle)
{
    return 1;
}

} // namespace engine
