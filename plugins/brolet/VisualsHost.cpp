// PLACEHOLDER: replaced by the visuals host.
#include "plugins/brolet/VisualsHost.h"
namespace brolet {
struct VisualsHost::State {};
VisualsHost::VisualsHost() = default;
VisualsHost::~VisualsHost() = default;
int VisualsHost::create(plat::ui::WindowHandle, const plat::ui::Rect&, const zkr::BitmapObject*, zkr::LabelControl*,
                        const std::string&) { return 0; }
void VisualsHost::destroy() {}
void VisualsHost::feedVisual(const void*, uint32_t) {}
void VisualsHost::cycleMode() {}
void VisualsHost::applyMode(int) {}
void VisualsHost::clearVisual() {}
int VisualsHost::loadModule(int) { return 0; }
void VisualsHost::unloadModule() {}
void VisualsHost::moduleMenu(plat::ui::Point) {}
void VisualsHost::presentFrame() {}
void VisualsHost::paintDisplay(plat::ui::Painter&) {}
std::string VisualsHost::label() const { return {}; }
int VisualsHost::moduleCount() const { return 0; }
} // namespace brolet
