#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Api.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Scale.h"

// The headless backend: windows live in memory on a screen of kScreenWidth x
// kScreenHeight, presentation is counted, and tests inject input as a user
// would make it. Chosen with VELMORA_UI=headless. Injection goes through the
// same routing as real input, so it may be called from any thread; the
// messages are handled when the window's thread next looks at its queue.
namespace plat::ui::headless {

inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 1024;
// A desktop panel along the bottom edge, as most desktops keep one: the work
// area is the screen above it.
inline constexpr int kPanelHeight = 40;

// Whether the process runs on the headless backend (chooses it when nothing is chosen yet and VELMORA_UI says
// so).
PLAT_API bool active();

// ---- input (client coordinates of the top-level window of `window`) ----
PLAT_API void mouseMove(WindowHandle window, int x, int y, uint32_t keys = 0);
PLAT_API void mouseDown(WindowHandle window, int x, int y, MouseButton button = MouseButton::Left);
PLAT_API void mouseUp(WindowHandle window, int x, int y, MouseButton button = MouseButton::Left);
// Move, down, up.
PLAT_API void click(WindowHandle window, int x, int y, MouseButton button = MouseButton::Left);
// A click on a pixel of a top-level window as the screen shows it (scaled
// by the display scale): mapped back as the X11 backend maps it, and lost
// outside the window's shape as on a real screen.
PLAT_API void clickScreenPixel(WindowHandle window, Point pixel, MouseButton button = MouseButton::Left);
// Two clicks at once: the second comes as a double click.
PLAT_API void doubleClick(WindowHandle window, int x, int y);
PLAT_API void wheel(WindowHandle window, int x, int y, int delta);
PLAT_API void keyDown(WindowHandle window, uint32_t virtualKey, char character = 0);
PLAT_API void keyUp(WindowHandle window, uint32_t virtualKey);
// Down and up; letters and digits type their character, Space a blank.
PLAT_API void pressKey(WindowHandle window, uint32_t virtualKey);
// Each character as its key (down with the character, up).
PLAT_API void typeText(WindowHandle window, const std::string& text);
PLAT_API void closeRequest(WindowHandle window);
PLAT_API void activate(WindowHandle window, bool active);
PLAT_API void dropFiles(WindowHandle window, int x, int y, const std::vector<std::string>& paths);
// A mouse message on the tray icon of owner and id.
PLAT_API void trayMouse(WindowHandle owner, uint32_t id, uint32_t mouseMessage);
// The screen's pixels per logical pixel from now on (VELMORA_SCALE chooses
// at the start); windows shaped or painted before keep their old pictures
// until they are again.
PLAT_API void setScale(Scale scale);
// The cursor position on the screen (moves follow the injected mouse too).
PLAT_API void setCursorPosition(Point screen);

// ---- state -------------------------------------------------------------------
struct NativeState {
    bool exists = false;
    std::string title;
    Rect bounds; // screen
    Visibility visibility = Visibility::Hidden;
    bool topmost = false;
    bool decorated = false;
    bool toolWindow = false;
    bool acceptFiles = false;
    WindowHandle owner = nullptr;
    std::vector<Rect> shape;       // empty: no shape
    std::vector<Rect> screenShape; // the shape as the screen's window gets it (scaled)
    int presentCount = 0;          // calls of present
    int flashCount = 0;            // flashes asked for
    std::vector<Rect> lastPresented;
    std::vector<Rect> allPresented; // since the last clearPresented
};
// The native side of a top-level window (of the top-level window of a child).
PLAT_API NativeState windowState(WindowHandle window);
PLAT_API void clearPresented(WindowHandle window);
// The window raised and focused last.
PLAT_API WindowHandle foreground();
PLAT_API WindowHandle capture();
PLAT_API std::vector<TrayIconSpec> trayIcons(); // icon is null in the copies

// ---- pictures ------------------------------------------------------------------
// Paints what is invalid (when called on the window's thread) and copies the
// window's pixels: a top-level window's back buffer with its children drawn,
// or a child's part of it.
[[nodiscard]] PLAT_API bool snapshot(WindowHandle window, Surface& image);
// A top-level window's pixels as the screen shows them at the display scale.
[[nodiscard]] PLAT_API bool screenPicture(WindowHandle window, Surface& image);
[[nodiscard]] PLAT_API bool savePng(WindowHandle window, const std::string& path);

} // namespace plat::ui::headless
