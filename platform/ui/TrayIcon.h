#pragma once

#include <cstdint>

#include "platform/core/Api.h"
#include "platform/ui/Messages.h"

// The icon in the notification area (tray), as the original shell's
// notification-icon call had it: one icon per owner window and id; its mouse
// messages reach the owner as the callback message (wparam the id, lparam the
// mouse message). The backend shows it (the X11 system tray, or the headless
// backend's list).
namespace plat::ui {

class Surface;

inline constexpr uint32_t kNotifyAdd = 0x0;
inline constexpr uint32_t kNotifyModify = 0x1;
inline constexpr uint32_t kNotifyDelete = 0x2;

inline constexpr uint32_t kNotifyFlagMessage = 0x1;
inline constexpr uint32_t kNotifyFlagIcon = 0x2;
inline constexpr uint32_t kNotifyFlagTip = 0x4;

struct NotifyIconData {
    uint32_t size = sizeof(NotifyIconData);
    WindowHandle window = nullptr;
    uint32_t id = 0;
    uint32_t flags = 0; // which of the fields below count (kNotifyFlag...)
    uint32_t callbackMessage = 0;
    const Surface* icon = nullptr; // read during the call only
    char tip[128] = {};
};

// Adding an icon that is there already, or changing or deleting one that is
// not, fails; so does an owner that is not a window.
[[nodiscard]] PLAT_API bool shellNotifyIcon(uint32_t action, const NotifyIconData& data);

} // namespace plat::ui
