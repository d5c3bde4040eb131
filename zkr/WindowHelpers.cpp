#include "zkr/WindowHelpers.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/ui/Dialog.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"

namespace zkr {

namespace {

constexpr uint32_t kMsPerHour = 3600000;
constexpr uint32_t kMsPerMinute = 60000;
constexpr uint32_t kMsPerSecond = 1000;

// Pixels kept between a placed window and its neighbours, so each edge shows.
constexpr int kPlacementGap = 4;

struct DeskWindow {
    plat::ui::Rect place;
    bool main = false;
};

// The program's own windows that a new one must not cover: those shown, and
// the main window even while hidden (it comes back where it is). Tooltips,
// menus and the splash float above the rest for a moment, and dialogs come
// and go: they leave no mark.
std::vector<DeskWindow> deskWindows(plat::ui::WindowHandle placed)
{
    using namespace plat::ui;
    std::vector<DeskWindow> desk;
    for (const WindowListEntry& entry : topLevelWindows()) {
        const WindowHandle other = entry.window;
        if (other == placed)
            continue;
        const bool main = (static_cast<uint32_t>(windowLongPtr(other, kGwlExStyle)) & kExStyleAppWindow) != 0;
        const bool passing = isTopmost(other) || windowClassName(other) == kDialogClass;
        const bool shown = isWindowVisible(other) && !isIconic(other);
        Rect place;
        if ((main || (shown && !passing)) && windowRect(other, place) && !place.isEmpty())
            desk.push_back({place, main});
    }
    return desk;
}

int64_t areaOf(const plat::ui::Rect& rect)
{
    return static_cast<int64_t>(rect.width()) * rect.height();
}

// Where a window of that size goes on the desk (see placeBesideShownWindows).
plat::ui::Point freeSpot(plat::ui::Size size, const plat::ui::Rect& area, const std::vector<DeskWindow>& desk)
{
    using plat::ui::Rect;
    // Spots along the work area's edges and beside, above, below and level
    // with each window on the desk.
    std::vector<int> lefts{area.left};
    std::vector<int> tops{area.top};
    for (const DeskWindow& other : desk) {
        lefts.insert(lefts.end(), {other.place.left, other.place.right + kPlacementGap,
                                   other.place.left - kPlacementGap - size.width});
        tops.insert(tops.end(), {other.place.top, other.place.bottom + kPlacementGap,
                                 other.place.top - kPlacementGap - size.height});
    }
    for (std::vector<int>* values : {&lefts, &tops}) {
        std::sort(values->begin(), values->end());
        values->erase(std::unique(values->begin(), values->end()), values->end());
    }

    // Lowest wins: over the main window, then how much of the others it
    // covers, then how many it comes nearer to than the gap.
    using Cost = std::tuple<bool, int64_t, int>;
    constexpr Cost kFree{false, 0, 0};
    // A window larger than the work area keeps to its top left corner.
    plat::ui::Point best{area.left, area.top};
    std::optional<Cost> bestCost;
    for (const int top : tops) {
        for (const int left : lefts) {
            const Rect spot = Rect::fromSize(left, top, size.width, size.height);
            if (spot.intersect(area) != spot)
                continue;
            Cost cost = kFree;
            for (const DeskWindow& other : desk) {
                std::get<0>(cost) = std::get<0>(cost) || (other.main && spot.intersects(other.place));
                std::get<1>(cost) += areaOf(spot.intersect(other.place));
                std::get<2>(cost) +=
                    spot.inflatedBy(kPlacementGap, kPlacementGap).intersects(other.place) ? 1 : 0;
            }
            if (cost == kFree)
                return spot.topLeft();
            if (!bestCost || cost < *bestCost) {
                best = spot.topLeft();
                bestCost = cost;
            }
        }
    }
    return best;
}

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

bool placeBesideShownWindows(plat::ui::WindowHandle window)
{
    plat::ui::Rect own;
    if (!plat::ui::windowRect(window, own))
        return false;
    const plat::ui::Point spot = freeSpot(own.size(), plat::ui::workArea(), deskWindows(window));
    return plat::ui::setWindowPos(window, spot.x, spot.y, 0, 0,
                                  plat::ui::kPosNoSize | plat::ui::kPosNoZOrder);
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
