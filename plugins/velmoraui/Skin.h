#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/core/Module.h"
#include "platform/ui/Geometry.h"
#include "zkr/BitmapObject.h"
#include "zkr/Control.h"
#include "zkr/Registry.h"
#include "zkr/UserInterface.h"

namespace velmoraui {

// The plug-in's own module: where its pictures and menus are.
plat::ModuleHandle pluginModule();

// The plug-in's section of the settings file.
inline constexpr char kSettingsSection[] = "Velmora User Interface";

// The plug-in's settings store with its section selected (read from the
// file the first time); null before the application exists.
zkr::Registry* pluginSettings();

// What a control sends its window when the user changes it (wparam: the
// control's id), and what tells a window that the engine's updates wait.
inline constexpr uint32_t kControlMessage = 0x8100;
inline constexpr uint32_t kUpdateMessage = 0x8101;

// Adds the control to the window with its id; false when the window cannot keep it.
bool joinControl(zkr::UserInterface& window, zkr::Control* control, int id);
// The screen position of the control's bottom-left corner, where its menus open.
plat::ui::Point bottomLeftOnScreen(const zkr::UserInterface& window, const zkr::Control& control);

// Bitmaps of the plug-in's resources, each loaded once for one window and
// kept while its controls draw them.
class SkinImages {
public:
    // The bitmap, or null (and failed() from then on) when it cannot be loaded.
    zkr::BitmapObject* load(unsigned id);
    bool failed() const { return failed_; }
    void clear();

private:
    std::map<unsigned, std::unique_ptr<zkr::BitmapObject>> images_;
    bool failed_ = false;
};

// Gives a window being created its skin: the background bitmap, the skin's
// size (for the window and its back buffer) and the shape of the mask
// bitmap, whose white pixels fall outside the window. False when a bitmap
// is missing.
bool applySkin(zkr::UserInterface& window, SkinImages& images, unsigned skinId, unsigned maskId);

} // namespace velmoraui
