#include "plugins/velmoraui/Skin.h"

#include "zkr/Application.h"

namespace velmoraui {

zkr::Registry* pluginSettings()
{
    if (zkr::theApplication == nullptr)
        return nullptr;
    zkr::theApplication->settings.selectSection(kSettingsSection, true);
    return &zkr::theApplication->settings;
}

} // namespace velmoraui
