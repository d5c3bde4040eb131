#pragma once

#include <cstdint>

#include "zkr/Application.h"
#include "zkr/Control.h"
#include "zkr/Registry.h"
#include "zkr/SkinImages.h"
#include "zkr/UserInterface.h"

namespace velmoraui {

// The plug-in's section of the settings file.
inline constexpr char kSettingsSection[] = "Velmora User Interface";

// The plug-in's settings store with its section selected; null before the application exists.
inline zkr::Registry* pluginSettings()
{
    return zkr::settingsSection(kSettingsSection);
}

// What a control sends its window when the user changes it (wparam: the
// control's id), and what tells a window that the engine's updates wait.
inline constexpr uint32_t kControlMessage = 0x8100;
inline constexpr uint32_t kUpdateMessage = 0x8101;

} // namespace velmoraui
