#include "engine/EngineCore.h"
#include "engine/PluginManagerDialog.h"
#include "engine/UpdateDialog.h"

namespace engine {

int32_t EngineCore::openPluginManager(plat::ui::WindowHandle owner)
{
    PluginManagerDialog dialog(*this, owner);
    dialog.runModal();
    return 1;
}

int32_t EngineCore::openUpdateDialog(plat::ui::WindowHandle owner)
{
    UpdateDialog dialog(*this, owner);
    dialog.runModal();
    return 1;
}

} // namespace engine
