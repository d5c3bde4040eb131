#include "platform/ui/Menu.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "platform/ui/DialogResponder.h"
#include "platform/ui/Font.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/ControlLook.h"

namespace plat::ui {

struct MenuItem {
    uint32_t flags = 0;
    unsigned id = 0;
    std::string text;
    MenuHandle popup = nullptr;
};

struct MenuRecord {
    std::vector<MenuItem> items;
};

namespace {

constexpr const char* kMenuClass = "#32768";
constexpr int kSideMargin = 22;
constexpr int kSeparatorHeight = 9;

// Every menu that exists; menus may be made on one thread and tracked on
// another, so their items are read and changed under this lock only.
std::mutex& menuMutex()
{
    static std::mutex mutex;
    return mutex;
}
std::set<MenuRecord*>& liveMenus()
{
    static std::set<MenuRecord*> menus;
    return menus;
}

bool liveLocked(MenuHandle menu)
{
    return menu != nullptr && liveMenus().count(menu) != 0;
}

// The item by command (searching pop-ups too) or by position; null when none.
MenuItem* findItemLocked(MenuHandle menu, uint32_t item, uint32_t flags, MenuHandle* owner = nullptr)
{
    if (!liveLocked(menu))
        return nullptr;
    if ((flags & kMenuByPosition) != 0) {
        if (item >= menu->items.size())
            return nullptr;
        if (owner != nullptr)
            *owner = menu;
        return &menu->items[item];
    }
    for (MenuItem& candidate : menu->items) {
        if ((candidate.flags & (kMenuPopup | kMenuSeparator)) == 0 && candidate.id == item) {
            if (owner != nullptr)
                *owner = menu;
            return &candidate;
        }
        if ((candidate.flags & kMenuPopup) != 0)
            if (MenuItem* inner = findItemLocked(candidate.popup, item, flags, owner))
                return inner;
    }
    return nullptr;
}

void destroyLocked(MenuHandle menu)
{
    if (!liveLocked(menu))
        return;
    liveMenus().erase(menu);
    for (MenuItem& item : menu->items)
        if ((item.flags & kMenuPopup) != 0)
            destroyLocked(item.popup);
    delete menu;
}

MenuHandle newMenuLocked()
{
    auto* menu = new MenuRecord;
    liveMenus().insert(menu);
    return menu;
}

bool makeItem(uint32_t flags, uintptr_t idOrPopup, const char* text, MenuItem& item)
{
    item.flags = flags & ~kMenuByPosition;
    if ((flags & kMenuPopup) != 0) {
        item.popup = reinterpret_cast<MenuHandle>(idOrPopup);
        if (!liveLocked(item.popup))
            return false;
    } else if ((flags & kMenuSeparator) == 0) {
        item.id = static_cast<unsigned>(idOrPopup);
    }
    if ((flags & kMenuSeparator) == 0 && text != nullptr)
        item.text = text;
    return true;
}

MenuHandle buildLocked(std::span<const MenuItemTemplate> items)
{
    MenuHandle menu = newMenuLocked();
    for (const MenuItemTemplate& entry : items) {
        MenuItem item;
        item.flags = entry.flags;
        item.id = entry.id;
        if (entry.text == nullptr && (entry.flags & kMenuPopup) == 0)
            item.flags |= kMenuSeparator;
        if (entry.text != nullptr)
            item.text = entry.text;
        if ((entry.flags & kMenuPopup) != 0)
            item.popup = buildLocked(entry.popup);
        menu->items.push_back(std::move(item));
    }
    return menu;
}

// ---- tracking ----------------------------------------------------------------------------

// One open menu window of a tracked menu.
struct Level {
    MenuHandle menu = nullptr;
    std::vector<MenuItem> items; // copied when it opened
    WindowHandle window = nullptr;
    Rect screen;
    std::vector<int> tops; // item tops in the window, plus the bottom
    int highlight = -1;
};

// The menu tracked on this thread: used on this thread only.
struct Tracker {
    std::vector<std::unique_ptr<Level>> levels;
    WindowHandle owner = nullptr;
    bool done = false;
    unsigned chosen = 0;
    bool closing = false; // our own window changes, not the user's
};
thread_local Tracker* tracking = nullptr;

const Font& menuFont()
{
    return *Font::defaultGui();
}

int itemHeight()
{
    return menuFont().metrics().height + 8;
}

bool selectable(const MenuItem& item)
{
    return (item.flags & (kMenuSeparator | kMenuGrayed | kMenuDisabled)) == 0;
}

std::string labelOf(const std::string& text)
{
    return text.substr(0, text.find('\t'));
}
std::string acceleratorOf(const std::string& text)
{
    size_t tab = text.find('\t');
    return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

char mnemonicOf(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

Level* levelOfWindow(WindowHandle window)
{
    if (tracking == nullptr)
        return nullptr;
    for (auto& level : tracking->levels)
        if (level->window == window)
            return level.get();
    return nullptr;
}

void paintLevel(const Level& level, Painter& p)
{
    Rect area{0, 0, level.screen.width(), level.screen.height()};
    p.setFont(&menuFont());
    p.fillRect(area, sysColour(kColourMenu));
    p.drawEdge(area, kEdgeRaised, kSidesRect);
    for (size_t i = 0; i < level.items.size(); ++i) {
        const MenuItem& item = level.items[i];
        Rect row{3, level.tops[i], area.right - 3, level.tops[i + 1]};
        if ((item.flags & kMenuSeparator) != 0) {
            int y = row.top + row.height() / 2 - 1;
            p.drawEdge({row.left + 1, y, row.right - 1, y + 2}, kEdgeEtched, kSideTop);
            continue;
        }
        const bool lit = static_cast<int>(i) == level.highlight;
        const bool enabled = (item.flags & (kMenuGrayed | kMenuDisabled)) == 0;
        if (lit)
            p.fillRect(row, look::selection());
        Argb ink = lit ? look::selectionText() : sysColour(kColourMenuText);
        if ((item.flags & kMenuChecked) != 0) {
            Argb mark = enabled ? ink : look::grayText();
            int cx = row.left + 6;
            int cy = row.top + row.height() / 2 - 3;
            for (int k = 0; k < 7; ++k) {
                int yy = k < 3 ? cy + k : cy + 2 - (k - 2);
                p.fillRect({cx + k, yy + 1, cx + k + 1, yy + 4}, mark);
            }
        }
        Rect textArea{row.left + kSideMargin - 3, row.top, row.right - kSideMargin + 3, row.bottom};
        p.setTextColour(ink);
        unsigned format = kTextVCentre | kTextSingleLine;
        if (enabled || lit) {
            p.setBackgroundMode(BackgroundMode::Transparent);
            p.setTextColour(enabled ? ink : look::grayText());
            p.drawText(labelOf(item.text), textArea, format | kTextLeft);
            p.drawText(acceleratorOf(item.text), textArea, format | kTextRight);
        } else {
            look::drawLabel(p, labelOf(item.text), textArea, format | kTextLeft, false);
            look::drawLabel(p, acceleratorOf(item.text), textArea, format | kTextRight, false);
        }
        if ((item.flags & kMenuPopup) != 0) {
            Argb arrow = enabled ? ink : look::grayText();
            int ax = row.right - 10;
            int ay = row.top + row.height() / 2;
            for (int k = 0; k < 4; ++k)
                p.fillRect({ax + k, ay - 3 + k, ax + k + 1, ay + 4 - k}, arrow);
        }
    }
}

intptr_t menuWindowProc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgPaint: {
        PaintInfo info;
        if (Painter* painter = beginPaint(window, info)) {
            if (const Level* level = levelOfWindow(window))
                paintLevel(*level, *painter);
            (void)endPaint(window, info);
        }
        return 0;
    }
    case kMsgEraseBackground:
        return 1;
    case kMsgCaptureChanged:
        // Someone else took the mouse: the menu goes away.
        if (tracking != nullptr && !tracking->closing && !tracking->levels.empty() &&
            tracking->levels.front()->window == window && reinterpret_cast<WindowHandle>(lparam) != window)
            tracking->done = true;
        return 0;
    default:
        return defWindowProc(window, message, wparam, lparam);
    }
}

void registerMenuClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        WindowClass windowClass;
        windowClass.procedure = &menuWindowProc;
        windowClass.name = kMenuClass;
        (void)registerClass(windowClass); // without it making the window fails, and says so
    });
}

void closeLevelsAfter(Tracker& tracker, size_t keep)
{
    tracker.closing = true;
    while (tracker.levels.size() > keep) {
        WindowHandle window = tracker.levels.back()->window;
        tracker.levels.pop_back();
        if (window != nullptr)
            (void)destroyWindow(window);
    }
    tracker.closing = false;
}

// Opens menu as a new level at x, y (screen); beside is the rectangle of the
// item it comes from, so that it can open on the other side when there is no room.
bool openLevel(Tracker& tracker, MenuHandle menu, int x, int y, uint32_t flags, const Rect* beside)
{
    auto level = std::make_unique<Level>();
    level->menu = menu;
    {
        std::lock_guard lock(menuMutex());
        if (!liveLocked(menu))
            return false;
        level->items = menu->items;
    }
    if (level->items.empty())
        return false;
    const Font& font = menuFont();
    int labelWidth = 0;
    int acceleratorWidth = 0;
    int y0 = 3;
    for (const MenuItem& item : level->items) {
        level->tops.push_back(y0);
        if ((item.flags & kMenuSeparator) != 0) {
            y0 += kSeparatorHeight;
            continue;
        }
        labelWidth = std::max(labelWidth, font.textWidth(labelOf(item.text)));
        acceleratorWidth = std::max(acceleratorWidth, font.textWidth(acceleratorOf(item.text)));
        y0 += itemHeight();
    }
    level->tops.push_back(y0);
    const int width = labelWidth + (acceleratorWidth > 0 ? acceleratorWidth + 16 : 0) + 2 * kSideMargin + 6;
    const int height = y0 + 3;
    if ((flags & kTrackRightAlign) != 0)
        x -= width;
    else if ((flags & kTrackCentreAlign) != 0)
        x -= width / 2;
    if ((flags & kTrackBottomAlign) != 0)
        y -= height;
    else if ((flags & kTrackVCentreAlign) != 0)
        y -= height / 2;
    Size screen = screenSize();
    if (x + width > screen.width)
        x = beside != nullptr ? beside->left - width : screen.width - width;
    if (y + height > screen.height)
        y = beside != nullptr ? screen.height - height : y - height;
    x = std::max(0, x);
    y = std::max(0, y);
    level->screen = Rect::fromSize(x, y, width, height);
    WindowHandle owner = tracker.levels.empty() ? tracker.owner : tracker.levels.back()->window;
    WindowHandle window =
        createWindow(kExStyleTopmost | kExStyleToolWindow, kMenuClass, "", kStylePopup, x, y, width, height,
                     owner != nullptr ? topLevelOf(owner) : nullptr, 0, nullptr, nullptr);
    if (window == nullptr)
        return false;
    level->window = window;
    tracker.levels.push_back(std::move(level));
    showWindow(window, kShowNoActivate);
    return true;
}

Rect itemScreenRect(const Level& level, int index)
{
    return {level.screen.left, level.screen.top + level.tops[static_cast<size_t>(index)], level.screen.right,
            level.screen.top + level.tops[static_cast<size_t>(index) + 1]};
}

void setHighlight(Level& level, int index)
{
    if (level.highlight == index)
        return;
    level.highlight = index;
    (void)invalidateRect(level.window, nullptr, false);
}

// Opens the pop-up of the item at index of the level at depth (closing what is deeper).
void openPopup(Tracker& tracker, size_t depth, int index, bool highlightFirst)
{
    closeLevelsAfter(tracker, depth + 1);
    Level& level = *tracker.levels[depth];
    const MenuItem& item = level.items[static_cast<size_t>(index)];
    if ((item.flags & kMenuPopup) == 0 || !selectable(item))
        return;
    Rect from = itemScreenRect(level, index);
    if (openLevel(tracker, item.popup, from.right - 3, from.top - 3, 0, &from) && highlightFirst) {
        Level& opened = *tracker.levels.back();
        for (size_t i = 0; i < opened.items.size(); ++i)
            if ((opened.items[i].flags & kMenuSeparator) == 0) {
                setHighlight(opened, static_cast<int>(i));
                break;
            }
    }
}

void choose(Tracker& tracker, const MenuItem& item)
{
    if (!selectable(item))
        return;
    if ((item.flags & kMenuPopup) != 0)
        return;
    tracker.chosen = item.id;
    tracker.done = true;
}

// The level and item under a screen point, deepest level first.
bool hitTest(const Tracker& tracker, Point screen, size_t& depth, int& index)
{
    for (size_t d = tracker.levels.size(); d-- > 0;) {
        const Level& level = *tracker.levels[d];
        if (!level.screen.contains(screen))
            continue;
        depth = d;
        index = -1;
        int y = screen.y - level.screen.top;
        for (size_t i = 0; i < level.items.size(); ++i)
            if (y >= level.tops[i] && y < level.tops[i + 1])
                index = static_cast<int>(i);
        return true;
    }
    return false;
}

bool mouseInput(Tracker& tracker, const Message& message)
{
    Point screen = pointFromParam(message.lparam);
    if (message.message == kMsgMouseWheel) // already on the screen
        return true;
    if (message.window != nullptr)
        (void)clientToScreen(message.window, screen);
    size_t depth = 0;
    int index = -1;
    const bool inside = hitTest(tracker, screen, depth, index);
    switch (message.message) {
    case kMsgMouseMove:
        if (!inside)
            return true;
        setHighlight(*tracker.levels[depth], index);
        if (index >= 0 &&
            (tracker.levels[depth]->items[static_cast<size_t>(index)].flags & kMenuPopup) != 0) {
            bool alreadyOpen = tracker.levels.size() > depth + 1 &&
                               tracker.levels[depth + 1]->menu ==
                                   tracker.levels[depth]->items[static_cast<size_t>(index)].popup;
            if (!alreadyOpen)
                openPopup(tracker, depth, index, false);
        } else if (index >= 0) {
            closeLevelsAfter(tracker, depth + 1);
        }
        return true;
    case kMsgLButtonDown:
    case kMsgRButtonDown:
    case kMsgMButtonDown:
    case kMsgLButtonDoubleClick:
    case kMsgRButtonDoubleClick:
        if (!inside) {
            tracker.done = true;
            return true;
        }
        if (index >= 0 && (tracker.levels[depth]->items[static_cast<size_t>(index)].flags & kMenuPopup) != 0)
            openPopup(tracker, depth, index, false);
        return true;
    case kMsgLButtonUp:
    case kMsgRButtonUp:
        if (inside && index >= 0)
            choose(tracker, tracker.levels[depth]->items[static_cast<size_t>(index)]);
        return true;
    default:
        return true;
    }
}

void moveHighlight(Level& level, int step)
{
    const int count = static_cast<int>(level.items.size());
    int at = level.highlight;
    for (int n = 0; n < count; ++n) {
        at = at < 0 ? (step > 0 ? 0 : count - 1) : (at + step + count) % count;
        if ((level.items[static_cast<size_t>(at)].flags & kMenuSeparator) == 0) {
            setHighlight(level, at);
            return;
        }
    }
}

bool keyInput(Tracker& tracker, const Message& message)
{
    if (message.message == kMsgChar) {
        Level& level = *tracker.levels.back();
        char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(message.wparam)));
        for (size_t i = 0; i < level.items.size(); ++i) {
            if (mnemonicOf(level.items[i].text) != wanted || (level.items[i].flags & kMenuSeparator) != 0)
                continue;
            setHighlight(level, static_cast<int>(i));
            if ((level.items[i].flags & kMenuPopup) != 0)
                openPopup(tracker, tracker.levels.size() - 1, static_cast<int>(i), true);
            else
                choose(tracker, level.items[i]);
            break;
        }
        return true;
    }
    if (message.message != kMsgKeyDown)
        return true;
    size_t depth = tracker.levels.size() - 1;
    Level& level = *tracker.levels.back();
    switch (message.wparam) {
    case kVkUp:
        moveHighlight(level, -1);
        break;
    case kVkDown:
        moveHighlight(level, 1);
        break;
    case kVkRight:
        if (level.highlight >= 0 &&
            (level.items[static_cast<size_t>(level.highlight)].flags & kMenuPopup) != 0)
            openPopup(tracker, depth, level.highlight, true);
        break;
    case kVkLeft:
        if (depth > 0)
            closeLevelsAfter(tracker, depth);
        break;
    case kVkEscape:
        if (depth > 0)
            closeLevelsAfter(tracker, depth);
        else
            tracker.done = true;
        break;
    case kVkReturn:
    case kVkSpace:
        if (level.highlight >= 0) {
            const MenuItem& item = level.items[static_cast<size_t>(level.highlight)];
            if ((item.flags & kMenuPopup) != 0)
                openPopup(tracker, depth, level.highlight, true);
            else
                choose(tracker, item);
        }
        break;
    default:
        break;
    }
    return true;
}

bool trackInput(Tracker& tracker, const Message& message)
{
    if (tracker.done || tracker.levels.empty())
        return false;
    if (isMouseMessage(message.message))
        return mouseInput(tracker, message);
    if (isKeyMessage(message.message))
        return keyInput(tracker, message);
    return false;
}

} // namespace

MenuHandle createMenu()
{
    std::lock_guard lock(menuMutex());
    return newMenuLocked();
}

MenuHandle createPopupMenu()
{
    return createMenu();
}

bool destroyMenu(MenuHandle menu)
{
    std::lock_guard lock(menuMutex());
    if (!liveLocked(menu))
        return false;
    destroyLocked(menu);
    return true;
}

bool isMenu(MenuHandle menu)
{
    std::lock_guard lock(menuMutex());
    return liveLocked(menu);
}

MenuHandle loadMenu(ModuleHandle module, unsigned id)
{
    const MenuTemplate* found = findMenu(module, id);
    return found != nullptr ? loadMenuIndirect(*found) : nullptr;
}

MenuHandle loadMenuIndirect(const MenuTemplate& menuTemplate)
{
    std::lock_guard lock(menuMutex());
    return buildLocked(menuTemplate.items);
}

bool appendMenu(MenuHandle menu, uint32_t flags, uintptr_t idOrPopup, const char* text)
{
    std::lock_guard lock(menuMutex());
    MenuItem item;
    if (!liveLocked(menu) || !makeItem(flags, idOrPopup, text, item))
        return false;
    menu->items.push_back(std::move(item));
    return true;
}

bool insertMenu(MenuHandle menu, uint32_t item, uint32_t flags, uintptr_t idOrPopup, const char* text)
{
    std::lock_guard lock(menuMutex());
    MenuItem made;
    if (!liveLocked(menu) || !makeItem(flags, idOrPopup, text, made))
        return false;
    MenuHandle owner = menu;
    MenuItem* before = findItemLocked(menu, item, flags, &owner);
    if (before == nullptr) {
        menu->items.push_back(std::move(made));
        return true;
    }
    owner->items.insert(owner->items.begin() + (before - owner->items.data()), std::move(made));
    return true;
}

namespace {
bool takeItem(MenuHandle menu, uint32_t item, uint32_t flags, bool destroyPopup)
{
    std::lock_guard lock(menuMutex());
    MenuHandle owner = menu;
    MenuItem* found = findItemLocked(menu, item, flags, &owner);
    if (found == nullptr)
        return false;
    MenuHandle popup = (found->flags & kMenuPopup) != 0 ? found->popup : nullptr;
    owner->items.erase(owner->items.begin() + (found - owner->items.data()));
    if (destroyPopup && popup != nullptr)
        destroyLocked(popup);
    return true;
}
} // namespace

bool removeMenu(MenuHandle menu, uint32_t item, uint32_t flags)
{
    return takeItem(menu, item, flags, false);
}

bool deleteMenu(MenuHandle menu, uint32_t item, uint32_t flags)
{
    return takeItem(menu, item, flags, true);
}

int menuItemCount(MenuHandle menu)
{
    std::lock_guard lock(menuMutex());
    return liveLocked(menu) ? static_cast<int>(menu->items.size()) : -1;
}

int menuItemId(MenuHandle menu, int position)
{
    std::lock_guard lock(menuMutex());
    if (!liveLocked(menu) || position < 0 || static_cast<size_t>(position) >= menu->items.size())
        return -1;
    const MenuItem& item = menu->items[static_cast<size_t>(position)];
    if ((item.flags & kMenuPopup) != 0)
        return -1;
    return (item.flags & kMenuSeparator) != 0 ? 0 : static_cast<int>(item.id);
}

MenuHandle subMenu(MenuHandle menu, int position)
{
    std::lock_guard lock(menuMutex());
    if (!liveLocked(menu) || position < 0 || static_cast<size_t>(position) >= menu->items.size())
        return nullptr;
    const MenuItem& item = menu->items[static_cast<size_t>(position)];
    return (item.flags & kMenuPopup) != 0 ? item.popup : nullptr;
}

uint32_t menuState(MenuHandle menu, uint32_t item, uint32_t flags)
{
    std::lock_guard lock(menuMutex());
    MenuItem* found = findItemLocked(menu, item, flags);
    if (found == nullptr)
        return kMenuFailed;
    return found->flags &
           (kMenuGrayed | kMenuDisabled | kMenuChecked | kMenuPopup | kMenuSeparator | kMenuDefault);
}

std::string menuString(MenuHandle menu, uint32_t item, uint32_t flags)
{
    std::lock_guard lock(menuMutex());
    MenuItem* found = findItemLocked(menu, item, flags);
    return found != nullptr ? found->text : std::string();
}

uint32_t checkMenuItem(MenuHandle menu, uint32_t item, uint32_t flags)
{
    std::lock_guard lock(menuMutex());
    MenuItem* found = findItemLocked(menu, item, flags);
    if (found == nullptr)
        return kMenuFailed;
    uint32_t previous = found->flags & kMenuChecked;
    found->flags = (found->flags & ~kMenuChecked) | (flags & kMenuChecked);
    return previous;
}

uint32_t enableMenuItem(MenuHandle menu, uint32_t item, uint32_t flags)
{
    std::lock_guard lock(menuMutex());
    MenuItem* found = findItemLocked(menu, item, flags);
    if (found == nullptr)
        return kMenuFailed;
    uint32_t previous = found->flags & (kMenuGrayed | kMenuDisabled);
    found->flags = (found->flags & ~(kMenuGrayed | kMenuDisabled)) | (flags & (kMenuGrayed | kMenuDisabled));
    return previous;
}

bool menuItemState(MenuHandle menu, uint32_t item, bool byPosition, uint32_t& state)
{
    std::lock_guard lock(menuMutex());
    MenuItem* found = findItemLocked(menu, item, byPosition ? kMenuByPosition : kMenuByCommand);
    if (found == nullptr)
        return false;
    state = found->flags & (kMenuStateGrayed | kMenuStateChecked | kMenuStateDefault);
    return true;
}

bool setMenuItemState(MenuHandle menu, uint32_t item, bool byPosition, uint32_t state)
{
    std::lock_guard lock(menuMutex());
    MenuItem* found = findItemLocked(menu, item, byPosition ? kMenuByPosition : kMenuByCommand);
    if (found == nullptr)
        return false;
    const uint32_t bits = kMenuStateGrayed | kMenuStateChecked | kMenuStateDefault;
    found->flags = (found->flags & ~bits) | (state & bits);
    return true;
}

namespace {

// The chosen command (0: none) as trackPopupMenu answers it.
intptr_t menuAnswer(intptr_t chosen, uint32_t flags, WindowHandle owner)
{
    if ((flags & kTrackReturnCommand) != 0)
        return chosen;
    // An owner that is gone has no one to tell.
    if (chosen != 0 && owner != nullptr)
        (void)postMessage(owner, kMsgCommand, makeWParam(static_cast<uint16_t>(chosen), 0), 0);
    return chosen != 0 ? 1 : 0;
}

} // namespace

intptr_t trackPopupMenu(MenuHandle menu, uint32_t flags, int x, int y, WindowHandle owner)
{
    if (!isMenu(menu) || tracking != nullptr)
        return 0;
    if (std::optional<uintptr_t> answer = dialogResponder()->menuChoice(menu))
        return menuAnswer(static_cast<intptr_t>(*answer), flags, owner);
    registerMenuClass();
    Tracker tracker;
    tracker.owner = owner;
    if (!openLevel(tracker, menu, x, y, flags, nullptr))
        return 0;
    tracking = &tracker;
    WindowHandle first = tracker.levels.front()->window;
    setCapture(first);
    runModalLoop(
        nullptr, first, [&] { return tracker.done || !isWindow(tracker.levels.front()->window); },
        [&](const Message& message) { return trackInput(tracker, message); });
    tracker.closing = true;
    if (captureWindow() == first)
        releaseCapture();
    closeLevelsAfter(tracker, 0);
    tracking = nullptr;
    return menuAnswer(tracker.chosen, flags, owner);
}

bool menuItemRect(MenuHandle menu, int position, Rect& screenRect)
{
    if (tracking == nullptr)
        return false;
    for (auto& level : tracking->levels) {
        if (level->menu != menu)
            continue;
        if (position < 0 || static_cast<size_t>(position) >= level->items.size())
            return false;
        screenRect = itemScreenRect(*level, position);
        return true;
    }
    return false;
}

MenuHandle menuOfWindow(WindowHandle window)
{
    const Level* level = levelOfWindow(window);
    return level != nullptr ? level->menu : nullptr;
}

bool endMenu()
{
    if (tracking == nullptr)
        return false;
    tracking->done = true;
    return true;
}

} // namespace plat::ui
