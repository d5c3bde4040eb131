#include "plugins/velmoraui/Skin.h"

#include "platform/ui/Window.h"
#include "zkr/Application.h"

namespace velmoraui {

namespace {

// Any object of the plug-in's own tells which module holds it.
const char kModuleMarker = 0;

} // namespace

plat::ModuleHandle pluginModule()
{
    static const plat::ModuleHandle module = [] {
        plat::ModuleInfo info;
        return plat::moduleOf(&kModuleMarker, info) ? info.handle : nullptr;
    }();
    return module;
}

zkr::Registry* pluginSettings()
{
    if (zkr::theApplication == nullptr)
        return nullptr;
    zkr::theApplication->settings.selectSection(kSettingsSection, true);
    return &zkr::theApplication->settings;
}

bool joinControl(zkr::UserInterface& window, zkr::Control* control, int id)
{
    control->message = kControlMessage;
    control->messageWParam = static_cast<uint32_t>(id);
    return window.addControl(control) == 0;
}

plat::ui::Point bottomLeftOnScreen(const zkr::UserInterface& window, const zkr::Control& control)
{
    plat::ui::Point corner{control.rect.left, control.rect.bottom};
    plat::ui::clientToScreen(window.window, corner);
    return corner;
}

zkr::BitmapObject* SkinImages::load(unsigned id)
{
    if (auto known = images_.find(id); known != images_.end())
        return known->second.get();
    auto image = std::make_unique<zkr::BitmapObject>();
    if (!image->load(pluginModule(), id)) {
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

bool applySkin(zkr::UserInterface& window, SkinImages& images, unsigned skinId, unsigned maskId)
{
    zkr::BitmapObject* skin = images.load(skinId);
    const zkr::BitmapObject* mask = images.load(maskId);
    if (skin == nullptr || mask == nullptr)
        return false;
    window.background = skin;
    window.description.width = skin->width();
    window.description.height = skin->height();
    window.description.region = mask->makeRegion();
    plat::ui::Rect bounds;
    plat::ui::windowRect(window.window, bounds);
    plat::ui::moveWindow(window.window, bounds.left, bounds.top, skin->width(), skin->height(), false);
    return true;
}

} // namespace velmoraui
