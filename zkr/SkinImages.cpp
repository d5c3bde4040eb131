#include "zkr/SkinImages.h"

#include "platform/ui/Window.h"
#include "zkr/UserInterface.h"

namespace zkr {

namespace {

// Any object of the class library's tells which module holds this copy of it.
const char kModuleMarker = 0;

} // namespace

plat::ModuleHandle ownModule()
{
    static const plat::ModuleHandle module = [] {
        plat::ModuleInfo info;
        return plat::moduleOf(&kModuleMarker, info) ? info.handle : nullptr;
    }();
    return module;
}

BitmapObject* SkinImages::load(unsigned id)
{
    if (auto known = images_.find(id); known != images_.end())
        return known->second.get();
    auto image = std::make_unique<BitmapObject>();
    if (!image->load(module_, id)) {
        failed_ = true;
        return nullptr;
    }
    return images_.emplace(id, std::move(image)).first->second.get();
}

void SkinImages::clear()
{
    images_.clear();
    failed_ = false;
}

bool applySkin(UserInterface& window, SkinImages& images, unsigned skinId, unsigned maskId)
{
    BitmapObject* skin = images.load(skinId);
    const BitmapObject* mask = images.load(maskId);
    if (skin == nullptr || mask == nullptr)
        return false;
    window.background = skin;
    window.description.width = skin->width();
    window.description.height = skin->height();
    window.description.region = mask->makeRegion();
    // Before the window exists the description sizes it.
    plat::ui::Rect bounds;
    if (plat::ui::windowRect(window.window, bounds))
        (void)plat::ui::moveWindow(window.window, bounds.left, bounds.top, skin->width(), skin->height(),
                                   false);
    return true;
}

} // namespace zkr
