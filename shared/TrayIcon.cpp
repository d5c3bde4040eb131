#include <cstdint>
#include <mutex>

#include "platform/ui/Resources.h"
#include "platform/ui/Surface.h"
#include "platform/ui/TrayIcon.h"
#include "shared/Services.h"
#include "shared/SharedModule.h"
#include "zkr/Product.h"
#include "zkr/Text.h"

namespace shared {

using namespace plat::ui;

namespace {

constexpr uint32_t kTrayIconId = 1;
constexpr unsigned kTrayIconResource = 106;

// The process's one notification-area icon. The user interface may show
// and hide it from any of its threads, so the record lives under a lock.
struct TrayIconState {
    std::mutex lock;
    NotifyIconData data; // guarded by lock
    Surface icon;        // guarded by lock: loaded while shown
    bool shown = false;  // guarded by lock
};

TrayIconState& trayIcon()
{
    static TrayIconState state;
    return state;
}

} // namespace

int setVelmoraTrayIcon(intptr_t window, uint32_t callbackMessage, int show)
{
    TrayIconState& state = trayIcon();
    std::lock_guard lock(state.lock);
    if (show != 0) {
        if (state.shown)
            return 1;
        state.data = NotifyIconData{};
        state.data.window = reinterpret_cast<WindowHandle>(window);
        state.data.id = kTrayIconId;
        state.data.flags = kNotifyFlagMessage | kNotifyFlagIcon | kNotifyFlagTip;
        state.data.callbackMessage = callbackMessage;
        state.icon = Surface{};
        (void)loadImage(sharedModule(), ImageKind::Icon, kTrayIconResource, state.icon);
        state.data.icon = state.icon.isEmpty() ? nullptr : &state.icon;
        zkr::copyText(state.data.tip, zkr::kProductTitle);
        // Only an icon the tray took counts as shown: a refused one (an owner
        // that is no window) may be asked for again.
        state.shown = shellNotifyIcon(kNotifyAdd, state.data);
        if (!state.shown)
            state.icon = Surface{};
        return 1;
    }
    if (state.shown) {
        // The tray may have dropped it already.
        (void)shellNotifyIcon(kNotifyDelete, state.data);
        state.icon = Surface{};
        state.data.icon = nullptr;
        state.shown = false;
    }
    return 1;
}

} // namespace shared
