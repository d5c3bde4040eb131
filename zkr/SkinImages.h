#pragma once

#include <map>
#include <memory>

#include "platform/core/Module.h"
#include "zkr/BitmapObject.h"

namespace zkr {

class UserInterface;

// The module this copy of the class library is compiled into (the
// deliverable itself): where its pictures, menus and dialogs are.
plat::ModuleHandle ownModule();

// Bitmaps of one module's resources, each loaded once for one window and
// kept while its controls draw them.
class SkinImages {
public:
    explicit SkinImages(plat::ModuleHandle module) : module_(module) {}

    // The bitmap, or null (and failed() from then on) when it cannot be loaded.
    [[nodiscard]] BitmapObject* load(unsigned id);
    bool failed() const { return failed_; }
    void clear();

private:
    plat::ModuleHandle module_;
    std::map<unsigned, std::unique_ptr<BitmapObject>> images_;
    bool failed_ = false;
};

// Gives a window being created its skin: the background bitmap, the skin's
// size (for the window and its back buffer) and the shape of the mask
// bitmap, whose white pixels fall outside the window. False when a bitmap
// is missing.
[[nodiscard]] bool applySkin(UserInterface& window, SkinImages& images, unsigned skinId, unsigned maskId);

} // namespace zkr
