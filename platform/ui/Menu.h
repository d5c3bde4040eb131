#pragma once

#include <cstdint>
#include <string>

#include "platform/core/Api.h"
#include "platform/core/Module.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Resources.h"

// Menus: lists of items (text with '&' marking the key letter, separators,
// greyed and checked items, pop-ups holding further menus) and pop-up menus
// tracked at a screen position. Item flags are the original platform's
// (kMenuGrayed, kMenuChecked, kMenuPopup, kMenuSeparator from Resources.h).
// A menu handle of a destroyed menu is refused by every call.
namespace plat::ui {

struct MenuRecord;
using MenuHandle = MenuRecord*;

inline constexpr uint32_t kMenuString = 0x0;
inline constexpr uint32_t kMenuEnabled = 0x0;
inline constexpr uint32_t kMenuUnchecked = 0x0;
inline constexpr uint32_t kMenuByCommand = 0x0;
inline constexpr uint32_t kMenuByPosition = 0x400;
inline constexpr uint32_t kMenuFailed = 0xFFFFFFFF; // menuState, checkMenuItem, enableMenuItem

// The state bits of menuItemState/setMenuItemState (MFS_...).
inline constexpr uint32_t kMenuStateGrayed = 0x3;
inline constexpr uint32_t kMenuStateChecked = 0x8;
inline constexpr uint32_t kMenuStateDefault = 0x1000;

// trackPopupMenu flags (TPM_...).
inline constexpr uint32_t kTrackLeftAlign = 0x0;
inline constexpr uint32_t kTrackCentreAlign = 0x4;
inline constexpr uint32_t kTrackRightAlign = 0x8;
inline constexpr uint32_t kTrackTopAlign = 0x0;
inline constexpr uint32_t kTrackVCentreAlign = 0x10;
inline constexpr uint32_t kTrackBottomAlign = 0x20;
inline constexpr uint32_t kTrackNoNotify = 0x80;
inline constexpr uint32_t kTrackReturnCommand = 0x100;

[[nodiscard]] PLAT_API MenuHandle createMenu();
[[nodiscard]] PLAT_API MenuHandle createPopupMenu();
// Also destroys the menus of its pop-up items.
[[nodiscard]] PLAT_API bool destroyMenu(MenuHandle menu);
PLAT_API bool isMenu(MenuHandle menu);
// A new menu made from the module's menu template (a bar whose items are the pop-ups); null when none.
[[nodiscard]] PLAT_API MenuHandle loadMenu(ModuleHandle module, unsigned id);
[[nodiscard]] PLAT_API MenuHandle loadMenuIndirect(const MenuTemplate& menuTemplate);

// With kMenuPopup, idOrPopup is the MenuHandle of the pop-up (it belongs to menu from then on).
[[nodiscard]] PLAT_API bool appendMenu(MenuHandle menu, uint32_t flags, uintptr_t idOrPopup,
                                       const char* text);
// Before the item given by command or (kMenuByPosition) position; at the end when there is none.
[[nodiscard]] PLAT_API bool insertMenu(MenuHandle menu, uint32_t item, uint32_t flags, uintptr_t idOrPopup,
                                       const char* text);
// Takes the item away; deleteMenu also destroys a pop-up's menu, removeMenu leaves it to the caller.
[[nodiscard]] PLAT_API bool removeMenu(MenuHandle menu, uint32_t item, uint32_t flags);
[[nodiscard]] PLAT_API bool deleteMenu(MenuHandle menu, uint32_t item, uint32_t flags);

[[nodiscard]] PLAT_API int menuItemCount(MenuHandle menu); // -1 for a bad menu
// The command of the item at position: 0 for a separator, -1 for a pop-up or none.
[[nodiscard]] PLAT_API int menuItemId(MenuHandle menu, int position);
[[nodiscard]] PLAT_API MenuHandle subMenu(MenuHandle menu, int position);
// The item's flags (kMenuGrayed, kMenuChecked, kMenuPopup, kMenuSeparator), kMenuFailed when there is none.
[[nodiscard]] PLAT_API uint32_t menuState(MenuHandle menu, uint32_t item, uint32_t flags);
PLAT_API std::string menuString(MenuHandle menu, uint32_t item, uint32_t flags);
// flags: kMenuChecked or kMenuUnchecked, with kMenuByPosition; answers the previous check state or
// kMenuFailed.
[[nodiscard]] PLAT_API uint32_t checkMenuItem(MenuHandle menu, uint32_t item, uint32_t flags);
// flags: kMenuEnabled, kMenuGrayed or kMenuDisabled, with kMenuByPosition; answers the previous state or
// kMenuFailed.
[[nodiscard]] PLAT_API uint32_t enableMenuItem(MenuHandle menu, uint32_t item, uint32_t flags);
// The item's state bits (kMenuState...), and changing them.
[[nodiscard]] PLAT_API bool menuItemState(MenuHandle menu, uint32_t item, bool byPosition, uint32_t& state);
[[nodiscard]] PLAT_API bool setMenuItemState(MenuHandle menu, uint32_t item, bool byPosition, uint32_t state);

// Shows the pop-up menu at the screen position and lets the user choose, on
// the calling thread (its messages are handled meanwhile). With
// kTrackReturnCommand answers the chosen command or 0 when nothing was
// chosen; without it, posts kMsgCommand with the command to owner and
// answers whether something was chosen. A click outside the menu or Escape
// dismisses it. The menu's windows are of the class "#32768".
[[nodiscard]] PLAT_API intptr_t trackPopupMenu(MenuHandle menu, uint32_t flags, int x, int y,
                                               WindowHandle owner);
// While a menu is tracked: the screen rectangle of the item at position of
// menu (the tracked menu or one of its open pop-ups).
[[nodiscard]] PLAT_API bool menuItemRect(MenuHandle menu, int position, Rect& screenRect);
// Ends the menu tracked on the calling thread as if dismissed.
[[nodiscard]] PLAT_API bool endMenu();
// While a menu is tracked on the calling thread: the menu that one of its
// windows shows; null for any other window.
PLAT_API MenuHandle menuOfWindow(WindowHandle window);

// A pop-up menu made for one choice and destroyed with its scope.
class PopupMenu {
public:
    PopupMenu() : menu_(createPopupMenu()) {}
    ~PopupMenu()
    {
        if (menu_ != nullptr)
            (void)destroyMenu(menu_); // fails only for a menu that is gone already
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    MenuHandle handle() const { return menu_; }
    // An item that cannot be added (no menu, no memory) is left out: the menu
    // shows the others, and one that could not be made answers 0 when tracked.
    void add(uintptr_t id, const char* text, bool enabled = true, bool checked = false)
    {
        (void)appendMenu(menu_, kMenuString | (enabled ? 0u : kMenuGrayed) | (checked ? kMenuChecked : 0u),
                         id, text);
    }
    void addSeparator() { (void)appendMenu(menu_, kMenuSeparator, 0, nullptr); }
    // The chosen item's identifier, 0 when the menu was dismissed (or could not be made).
    [[nodiscard]] uintptr_t track(int x, int y, WindowHandle owner, uint32_t flags = kTrackLeftAlign)
    {
        if (menu_ == nullptr)
            return 0;
        const intptr_t chosen = trackPopupMenu(menu_, flags | kTrackReturnCommand, x, y, owner);
        return chosen > 0 ? static_cast<uintptr_t>(chosen) : 0;
    }

private:
    MenuHandle menu_;
};

} // namespace plat::ui
