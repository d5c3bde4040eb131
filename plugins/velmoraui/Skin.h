#pragma once

#include <memory>
#include <vector>

#include "platform/core/Module.h"
#include "zkr/BitmapObject.h"
#include "zkr/UserInterface.h"

namespace velmoraui {

// The plug-in's own module: where its pictures and menus are.
plat::ModuleHandle pluginModule();

// Bitmaps of the plug-in's resources, loaded for one window and kept while
// its controls draw them.
class SkinImages {
public:
    // The bitmap, or null (and failed() from then on) when it cannot be loaded.
    zkr::BitmapObject* load(unsigned id);
    bool failed() const { return failed_; }
    void clear();

private:
    std::vector<std::unique_ptr<zkr::BitmapObject>> images_;
    bool failed_ = false;
};

// Gives a window being created its skin: the background bitmap, the skin's
// size (for the window and its back buffer) and the shape of the mask
// bitmap, whose white pixels fall outside the window. False when a bitmap
// is missing.
bool applySkin(zkr::UserInterface& window, SkinImages& images, unsigned skinId, unsigned maskId);

} // namespace velmoraui
