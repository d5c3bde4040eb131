#include <mutex>

#include "platform/ui/controls/Controls.h"

namespace plat::ui {

namespace detail {
void registerButtonClass();
void registerStaticClass();
void registerEditClass();
void registerListBoxClass();
void registerComboBoxClass();
void registerTreeViewClass();
void registerProgressClass();
void registerTooltipClass();
} // namespace detail

void initControls()
{
    static std::once_flag once;
    std::call_once(once, [] {
        detail::registerButtonClass();
        detail::registerStaticClass();
        detail::registerEditClass();
        detail::registerListBoxClass();
        detail::registerComboBoxClass();
        detail::registerTreeViewClass();
        detail::registerProgressClass();
        detail::registerTooltipClass();
    });
}

namespace {
// Windows of the standard classes (a tooltip, say) may be made with
// createWindow before any dialog has run: the classes exist from the start.
const bool controlsRegistered = (initControls(), true);
} // namespace

} // namespace plat::ui
