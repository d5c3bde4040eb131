#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Api.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"

// What stands behind top-level windows: the X11 display or the in-memory
// headless screen. The window layer calls a backend on the thread that owns
// the window concerned (creation, changes, presentation); a backend reports
// input from any thread of its own through the deliver functions below, which
// route it into the owning thread's queue. The window layer never holds a
// lock of its own while it calls a backend, so a backend may deliver while
// holding its own locks. VELMORA_UI=headless|x11 chooses
// (x11 without it); the choice is made once per process, when the first
// top-level window is created.
namespace plat::ui {

class Region;
class Surface;

// A backend's own identification of a native window; 0 is none.
using NativeWindow = uintptr_t;

// What a native window is made with.
struct NativeWindowSpec {
    WindowHandle window = nullptr; // the platform's record it stands for
    std::string title;
    Rect bounds;             // on the screen
    NativeWindow owner = 0;  // transient for this window
    bool toolWindow = false; // not in the task bar (utility type)
    bool appWindow = false;  // in the task bar
    bool decorated = false;  // a frame and caption by the window manager (dialogs)
    bool topmost = false;
    bool noActivate = false;  // a pop-up outside the window manager's care: never placed or focused by it
    bool acceptFiles = false; // a drop target
    // The class's icons (task bar and caption); read during the call only, null for none.
    const Surface* icon = nullptr;
    const Surface* smallIcon = nullptr;
};

enum class Visibility { Hidden, Shown, Minimised };

// The tray icon as the shell's notification icon had it.
struct TrayIconSpec {
    WindowHandle owner = nullptr; // gets callbackMessage
    uint32_t id = 0;
    uint32_t callbackMessage = 0;  // posted with wparam id, lparam the mouse message
    const Surface* icon = nullptr; // read during the call only
    std::string tip;
};

class PLAT_API Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    // Connects; false (and why) when the backend cannot be used.
    [[nodiscard]] virtual bool open(std::string& error) = 0;

    [[nodiscard]] virtual NativeWindow createWindow(const NativeWindowSpec& spec) = 0; // 0 on failure
    virtual void destroyWindow(NativeWindow window) = 0;
    virtual void setTitle(NativeWindow window, const std::string& title) = 0;
    virtual void setBounds(NativeWindow window, const Rect& screenBounds) = 0;
    // activate: also raise and focus it when shown.
    virtual void setVisibility(NativeWindow window, Visibility visibility, bool activate) = 0;
    virtual void setTopmost(NativeWindow window, bool topmost) = 0;
    virtual void setOwner(NativeWindow window, NativeWindow owner) = 0;
    // Null: no shape (the whole rectangle).
    virtual void setShape(NativeWindow window, const Region* shape) = 0;
    virtual void setAcceptFiles(NativeWindow window, bool accept) = 0;
    virtual void raiseAndFocus(NativeWindow window) = 0;
    // Shows these rectangles (client coordinates, inside the buffer) of the back buffer.
    virtual void present(NativeWindow window, const Surface& backBuffer, const std::vector<Rect>& rects) = 0;
    // 0 releases.
    virtual void setCapture(NativeWindow window) = 0;
    virtual Point cursorPosition() = 0;
    virtual Size screenSize() = 0;
    // The part of the screen that windows may take: the screen less the
    // panels and docks the desktop keeps; the whole screen when it keeps none.
    virtual Rect workArea()
    {
        const Size screen = screenSize();
        return Rect::fromSize(0, 0, screen.width, screen.height);
    }

    // Adds the icon or changes it (same owner and id). False when it cannot be shown.
    [[nodiscard]] virtual bool showTrayIcon(const TrayIconSpec& icon) = 0;
    [[nodiscard]] virtual bool removeTrayIcon(WindowHandle owner, uint32_t id) = 0;
    // The system's short warning sound; a backend without sound stays silent.
    virtual void bell() {}
    // Draws the user's eye to the window (on) or stops doing so (off).
    virtual void flash(NativeWindow window, bool on)
    {
        (void)window;
        (void)on;
    }
};

// The backend of the process, chosen and opened on first use; null when it
// could not be opened (lastBackendError says why). For backends and tests.
[[nodiscard]] PLAT_API Backend* backend();
// Puts a backend in place before any window exists (tests); false when one is already chosen.
[[nodiscard]] PLAT_API bool installBackend(std::unique_ptr<Backend> backend);
// Made by the headless backend's files (the X11 one: x11::createBackend).
std::unique_ptr<Backend> makeHeadlessBackend();

// ---- input from a backend (any thread) ----------------------------------------------------------------
// window is the top-level window the native window stands for; points are
// in its client area. The platform routes to the child under the pointer (or
// the capture, or the focus for keys), makes double clicks, and queues the
// message to the window's thread. Input to a disabled window is dropped.
enum class MouseButton { Left, Right, Middle };
PLAT_API void deliverMouseMove(WindowHandle window, Point client, uint32_t keys);
PLAT_API void deliverMouseButton(WindowHandle window, MouseButton button, bool down, Point client,
                                 uint32_t keys);
// delta: kWheelDelta per notch away from the user.
PLAT_API void deliverMouseWheel(WindowHandle window, Point client, int delta, uint32_t keys);
// character: what the key types (0 for none), sent as kMsgChar after the key down.
PLAT_API void deliverKey(WindowHandle window, uint32_t virtualKey, bool down, char character);
PLAT_API void deliverActivation(WindowHandle window, bool active);
PLAT_API void deliverCloseRequest(WindowHandle window);
// Part of the window must be shown again (client coordinates).
PLAT_API void deliverExpose(WindowHandle window, const Rect& area);
// The window manager moved or sized the window (screen coordinates).
PLAT_API void deliverBounds(WindowHandle window, const Rect& screenBounds);
// The window manager sized the window and did not say where it is.
PLAT_API void deliverSize(WindowHandle window, Size size);
PLAT_API void deliverMinimised(WindowHandle window, bool minimised);
// Files dropped at a client position; goes to the window that accepts files under it.
PLAT_API void deliverDrop(WindowHandle window, Point client, const std::vector<std::string>& paths);
// A mouse message (kMsgLButtonUp, ...) on a tray icon: posts the icon's
// callback message to its owner (wparam id, lparam the mouse message).
PLAT_API void deliverTrayMouse(const TrayIconSpec& icon, uint32_t mouseMessage);

} // namespace plat::ui
