#include "zkr/WindowHelpers.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/Geometry.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"

namespace zkr {

namespace {

constexpr uint32_t kMsPerHour = 3600000;
constexpr uint32_t kMsPerMinute = 60000;
constexpr uint32_t kMsPerSecond = 1000;

} // namespace

void formatDuration(uint32_t milliseconds, char* out, std::size_t size)
{
    const uint32_t hours = milliseconds / kMsPerHour;
    const uint32_t minutes = (milliseconds - hours * kMsPerHour) / kMsPerMinute;
    const uint32_t seconds = (milliseconds - hours * kMsPerHour - minutes * kMsPerMinute) / kMsPerSecond;
    std::snprintf(out, size, "%02u:%02u:%02u", hours, minutes, seconds);
}

bool centreOnScreen(plat::ui::WindowHandle window)
{
    plat::ui::Rect place;
    if (!plat::ui::windowRect(window, place))
        return false;
    const plat::ui::Size screen = plat::ui::screenSize();
    return plat::ui::setWindowPos(window, (screen.width - place.width()) / 2,
                                  (screen.height - place.height()) / 2, 0, 0,
                                  plat::ui::kPosNoSize | plat::ui::kPosNoActivate);
}

bool leavesGrabbablePart(int x, int y, int width, int height)
{
    // 64 bits: a stored place is any pair of numbers, however far out.
    const plat::ui::Size screen = plat::ui::screenSize();
    const auto shown = [](int64_t start, int64_t length, int64_t screenLength) {
        return std::min(start + length, screenLength) - std::max<int64_t>(start, 0);
    };
    return shown(x, width, screen.width) >= kGrabbableWidth &&
           shown(y, height, screen.height) >= kGrabbableHeight;
}

bool setMenuCheck(plat::ui::MenuHandle menu, uint32_t id, bool checked)
{
    uint32_t state = 0;
    if (!plat::ui::menuItemState(menu, id, false, state))
        return false;
    if (checked)
        state |= plat::ui::kMenuStateChecked;
    else
        state &= ~plat::ui::kMenuStateChecked;
    return plat::ui::setMenuItemState(menu, id, false, state);
}

bool appendMenuItem(plat::ui::MenuHandle menu, uint32_t id, const char* text, bool enabled)
{
    const uint32_t flags = plat::ui::kMenuString | (enabled ? plat::ui::kMenuEnabled : plat::ui::kMenuGrayed);
    return plat::ui::appendMenu(menu, flags, id, text);
}

} // namespace zkr
