#include "platform/ui/TrayIcon.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/ui/Backend.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"

namespace plat::ui {

namespace {

// The icons shown, by owner and id, with what was last given for them, so a
// change may name only what changes. Guarded by its mutex.
struct Shown {
    TrayIconSpec spec;
    Surface icon; // our copy: the caller's icon is read during the call only
};
std::mutex trayMutex;
std::map<std::pair<WindowHandle, uint32_t>, Shown>& shownIcons()
{
    static std::map<std::pair<WindowHandle, uint32_t>, Shown> icons;
    return icons;
}

void apply(Shown& shown, const NotifyIconData& data)
{
    if ((data.flags & kNotifyFlagMessage) != 0)
        shown.spec.callbackMessage = data.callbackMessage;
    if ((data.flags & kNotifyFlagIcon) != 0)
        shown.icon = data.icon != nullptr ? data.icon->clone() : Surface();
    if ((data.flags & kNotifyFlagTip) != 0) {
        size_t length = 0;
        while (length < sizeof data.tip && data.tip[length] != '\0')
            ++length;
        shown.spec.tip.assign(data.tip, length);
    }
    shown.spec.icon = shown.icon.isEmpty() ? nullptr : &shown.icon;
}

} // namespace

bool shellNotifyIcon(uint32_t action, const NotifyIconData& data)
{
    if (!isWindow(data.window))
        return false;
    Backend* shell = backend();
    if (shell == nullptr)
        return false;
    std::lock_guard lock(trayMutex);
    const auto key = std::make_pair(data.window, data.id);
    auto found = shownIcons().find(key);
    switch (action) {
    case kNotifyAdd: {
        if (found != shownIcons().end())
            return false;
        Shown shown;
        shown.spec.owner = data.window;
        shown.spec.id = data.id;
        apply(shown, data);
        if (!shell->showTrayIcon(shown.spec))
            return false;
        shownIcons().emplace(key, std::move(shown));
        return true;
    }
    case kNotifyModify:
        if (found == shownIcons().end())
            return false;
        apply(found->second, data);
        return shell->showTrayIcon(found->second.spec);
    case kNotifyDelete:
        if (found == shownIcons().end())
            return false;
        shownIcons().erase(found);
        return shell->removeTrayIcon(data.window, data.id);
    default:
        return false;
    }
}

} // namespace plat::ui
