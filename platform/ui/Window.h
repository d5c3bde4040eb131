#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Api.h"
#include "platform/core/Module.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"

// Windows: the stand-in for the original platform's window manager. A window
// belongs to the thread that created it and is served by its window
// procedure on that thread. Top-level windows are native windows of the
// backend, each with an ARGB back buffer that painting goes to; child windows
// (controls) are kept by the platform inside their top-level window, take the
// mouse by hit-testing and paint into the same back buffer after their parent.
// A window covers its client area only: the platform draws no frame.
namespace plat::ui {

class Painter;
class Region;
class Surface;

using WindowProc = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// ---- styles ----------------------------------------------------------------------
inline constexpr uint32_t kStylePopup = 0x80000000;
inline constexpr uint32_t kStyleChild = 0x40000000;
inline constexpr uint32_t kStyleMinimize = 0x20000000;
inline constexpr uint32_t kStyleVisible = 0x10000000;
inline constexpr uint32_t kStyleDisabled = 0x08000000;
inline constexpr uint32_t kStyleCaption = 0x00C00000;
inline constexpr uint32_t kStyleBorder = 0x00800000;
inline constexpr uint32_t kStyleSysMenu = 0x00080000;
inline constexpr uint32_t kStyleGroup = 0x00020000;
inline constexpr uint32_t kStyleTabStop = 0x00010000;

inline constexpr uint32_t kExStyleDialogModalFrame = 0x00000001;
inline constexpr uint32_t kExStyleTopmost = 0x00000008;
inline constexpr uint32_t kExStyleAcceptFiles = 0x00000010;
inline constexpr uint32_t kExStyleTransparent = 0x00000020; // a child the mouse passes through
inline constexpr uint32_t kExStyleToolWindow = 0x00000080;
inline constexpr uint32_t kExStyleControlParent = 0x00010000;
inline constexpr uint32_t kExStyleAppWindow = 0x00040000;
// A pop-up that never takes activation or the focus (a dropped list): the
// window that opened it keeps both while the user picks from it.
inline constexpr uint32_t kExStyleNoActivate = 0x08000000;

// Class styles.
inline constexpr uint32_t kClassDoubleClicks = 0x0008; // two clicks make a double click
inline constexpr uint32_t kClassOwnDc = 0x0020;

// A default position or size for createWindow.
inline constexpr int kUseDefault = static_cast<int>(0x80000000);

// ---- classes -----------------------------------------------------------------------
struct WindowClass {
    uint32_t style = 0;
    WindowProc procedure = nullptr;
    int extraBytes = 0; // per-window storage read with windowLongPtr(window, offset >= 0)
    ModuleHandle module = nullptr;
    const Surface* icon = nullptr; // kept by the caller while the class is registered
    const Surface* smallIcon = nullptr;
    const char* name = nullptr; // compared without regard to case
};

// False when the name is taken by the module already or the record lacks a name or procedure.
[[nodiscard]] PLAT_API bool registerClass(const WindowClass& windowClass);
// False when no such class is registered for the module, or windows of it still exist.
[[nodiscard]] PLAT_API bool unregisterClass(const char* name, ModuleHandle module);
// Whether a class of that name is registered (by any module).
PLAT_API bool isClassRegistered(const char* name);

// What kMsgCreate's lparam points to.
struct CreateInfo {
    void* parameter = nullptr; // createWindow's last argument
    ModuleHandle module = nullptr;
    uintptr_t id = 0; // child windows: the control id
    WindowHandle parent = nullptr;
    int height = 0;
    int width = 0;
    int y = 0;
    int x = 0;
    uint32_t style = 0;
    const char* title = "";
    const char* className = "";
    uint32_t exStyle = 0;
};

// ---- creation and destruction --------------------------------------------------------
// Creates a window of a registered class on the calling thread. With
// kStyleChild, parent is the parent window (the rectangle is in its client
// area) and id the child's id; otherwise parent is the owner (or null) and the
// rectangle is on the screen. kMsgCreate (answer -1 fails the creation and
// destroys the window) comes before the window is shown; kStyleVisible shows
// it after. Null when the class is unknown, creation is refused, or the first
// top-level window finds no usable backend (the reason is written to standard
// error and kept for lastBackendError).
[[nodiscard]] PLAT_API WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title,
                                                 uint32_t style, int x, int y, int width, int height,
                                                 WindowHandle parent, uintptr_t id, ModuleHandle module,
                                                 void* parameter);
// Destroys the window, its children and the top-level windows it owns
// (kMsgDestroy to each, parent before children). From another thread the
// request is carried out by the window's own thread (the caller waits).
[[nodiscard]] PLAT_API bool destroyWindow(WindowHandle window);
PLAT_API bool isWindow(WindowHandle window);
// The default handling of every message a window procedure does not handle.
PLAT_API intptr_t defWindowProc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);
PLAT_API intptr_t callWindowProc(WindowProc procedure, WindowHandle window, uint32_t message,
                                 uintptr_t wparam, intptr_t lparam);
// The thread a window belongs to (0 for none).
PLAT_API uint32_t windowThreadId(WindowHandle window);
PLAT_API std::string windowClassName(WindowHandle window);
// The module given at creation.
PLAT_API ModuleHandle windowModule(WindowHandle window);

// ---- stored values -----------------------------------------------------------------------
inline constexpr int kGwlProcedure = -4; // replacing it subclasses the window
inline constexpr int kGwlId = -12;
inline constexpr int kGwlStyle = -16;
inline constexpr int kGwlExStyle = -20;
inline constexpr int kGwlUserData = -21;
// Offsets from 0 read the class's extra bytes (pointer-sized values at offsets
// that are multiples of the pointer size).
PLAT_API intptr_t windowLongPtr(WindowHandle window, int index);
// Answers the previous value (0 also for a bad index or window).
PLAT_API intptr_t setWindowLongPtr(WindowHandle window, int index, intptr_t value);
inline intptr_t windowUserData(WindowHandle window)
{
    return windowLongPtr(window, kGwlUserData);
}
inline intptr_t setWindowUserData(WindowHandle window, intptr_t value)
{
    return setWindowLongPtr(window, kGwlUserData, value);
}

// ---- text ---------------------------------------------------------------------------------
// Sends kMsgSetText / kMsgGetText, whose default handling keeps the text (and
// gives a top-level window's title to the backend).
[[nodiscard]] PLAT_API bool setWindowText(WindowHandle window, const char* text);
// Copies at most size - 1 characters and a terminator; answers the length copied.
PLAT_API int windowText(WindowHandle window, char* buffer, int size);
PLAT_API std::string windowText(WindowHandle window);
// The kept text read directly, without a message (safe from any thread).
PLAT_API std::string windowTitle(WindowHandle window);

// ---- visibility, place and size -------------------------------------------------------------
inline constexpr int kShowHide = 0;
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;
inline constexpr int kShowNoActivate = 4;
inline constexpr int kShow = 5;
inline constexpr int kShowMinimize = 6;
inline constexpr int kShowMinNoActive = 7;
inline constexpr int kShowNa = 8;
inline constexpr int kShowRestore = 9;
inline constexpr int kShowDefault = 10;
// Answers whether the window was visible before.
PLAT_API bool showWindow(WindowHandle window, int command);
// Visible itself and every parent visible.
PLAT_API bool isWindowVisible(WindowHandle window);
PLAT_API bool isIconic(WindowHandle window);

inline constexpr uint32_t kPosNoSize = 0x0001;
inline constexpr uint32_t kPosNoMove = 0x0002;
inline constexpr uint32_t kPosNoZOrder = 0x0004;
inline constexpr uint32_t kPosNoRedraw = 0x0008;
inline constexpr uint32_t kPosNoActivate = 0x0010;
inline constexpr uint32_t kPosShowWindow = 0x0040;
inline constexpr uint32_t kPosHideWindow = 0x0080;
// x, y: screen for top-level windows, the parent's client area for children.
[[nodiscard]] PLAT_API bool setWindowPos(WindowHandle window, int x, int y, int width, int height,
                                         uint32_t flags);
[[nodiscard]] PLAT_API bool moveWindow(WindowHandle window, int x, int y, int width, int height,
                                       bool repaint);
// The window's rectangle on the screen.
[[nodiscard]] PLAT_API bool windowRect(WindowHandle window, Rect& rect);
// 0, 0, width, height.
[[nodiscard]] PLAT_API bool clientRect(WindowHandle window, Rect& rect);
[[nodiscard]] PLAT_API bool clientToScreen(WindowHandle window, Point& point);
[[nodiscard]] PLAT_API bool screenToClient(WindowHandle window, Point& point);
// Keeps a top-level window above all others (or not).
[[nodiscard]] PLAT_API bool setTopmost(WindowHandle window, bool topmost);
PLAT_API bool isTopmost(WindowHandle window);
// Shapes a top-level window: only the region's pixels (client coordinates)
// belong to it. Null takes the shape away. The region is copied.
[[nodiscard]] PLAT_API bool setWindowRegion(WindowHandle window, const Region* region, bool redraw);
[[nodiscard]] PLAT_API bool windowRegion(WindowHandle window, Region& region); // false without a shape

// ---- relations ------------------------------------------------------------------------------
// A child's parent; a top-level window's owner.
PLAT_API WindowHandle parentWindow(WindowHandle window);
PLAT_API WindowHandle ownerWindow(WindowHandle window);
[[nodiscard]] PLAT_API bool setOwnerWindow(WindowHandle window, WindowHandle owner);
// The top-level window a window is in (itself for a top-level window).
PLAT_API WindowHandle topLevelOf(WindowHandle window);
PLAT_API bool isChild(WindowHandle parent, WindowHandle window); // any depth
inline constexpr uint32_t kGwFirst = 0; // among its siblings (children: creation order = tab order)
inline constexpr uint32_t kGwLast = 1;
inline constexpr uint32_t kGwNext = 2;
inline constexpr uint32_t kGwPrevious = 3;
inline constexpr uint32_t kGwOwner = 4;
inline constexpr uint32_t kGwChild = 5; // first child
PLAT_API WindowHandle relatedWindow(WindowHandle window, uint32_t relation);
// Children of parent (direct) in creation order.
PLAT_API std::vector<WindowHandle> childWindows(WindowHandle parent);
PLAT_API WindowHandle dialogItem(WindowHandle parent, int id); // a direct child by id
PLAT_API int dialogControlId(WindowHandle window);
// The deepest visible, enabled child under point (parent's client coordinates), or
// parent itself when none; null when the point is outside parent.
PLAT_API WindowHandle childWindowFromPoint(WindowHandle parent, Point point);

// Every top-level window of the process, with its title, in creation order.
struct WindowListEntry {
    WindowHandle window = nullptr;
    std::string title;
    uint32_t threadId = 0;
};
PLAT_API std::vector<WindowListEntry> topLevelWindows();
using EnumWindowsProc = bool (*)(WindowHandle window, intptr_t context); // false stops
PLAT_API bool enumWindows(EnumWindowsProc callback, intptr_t context);
// The first top-level window whose class (when given) and title (when given) match exactly.
PLAT_API WindowHandle findWindow(const char* className, const char* title);

// ---- activation, focus, input state --------------------------------------------------------------
// Raises a top-level window (the top-level window of a child) and makes it active.
[[nodiscard]] PLAT_API bool setForegroundWindow(WindowHandle window);
// Flashes the top-level window's caption once (invert) or ends the flash, so
// the user sees the window refused something; false for a bad window.
[[nodiscard]] PLAT_API bool flashWindow(WindowHandle window, bool invert);
PLAT_API WindowHandle foregroundWindow();
// The active top-level window of the calling thread.
PLAT_API WindowHandle activeWindow();
// Disabled windows take no mouse or key input; disabling the window with the
// focus takes the focus away. Answers whether the window was disabled before.
PLAT_API bool enableWindow(WindowHandle window, bool enable);
PLAT_API bool isWindowEnabled(WindowHandle window);
// Keyboard focus of the calling thread: kMsgKillFocus to the old window,
// kMsgSetFocus to the new one. Answers the previous focus (null on failure).
PLAT_API WindowHandle setFocus(WindowHandle window);
PLAT_API WindowHandle focusWindow();
// Mouse capture: all mouse messages go to this window until released.
PLAT_API WindowHandle setCapture(WindowHandle window);
PLAT_API bool releaseCapture();
PLAT_API WindowHandle captureWindow();
PLAT_API bool cursorPosition(Point& screen);
PLAT_API Size screenSize();
// The screen less the desktop's panels and docks (screen coordinates), where
// windows are placed; empty without a backend.
PLAT_API Rect workArea();
// Two clicks within this time and a box of doubleClickSize make a double click.
PLAT_API uint32_t doubleClickTime();
PLAT_API Size doubleClickSize();

// ---- painting ---------------------------------------------------------------------------------------
// What beginPaint hands out; the painter draws into the top-level back buffer
// at the window's place, clipped to its invalid area.
struct PaintInfo {
    Painter* painter = nullptr;
    bool erase = false; // the background should be erased
    Rect paint;         // the invalid area (client coordinates)
};
// Adds rect (client coordinates; null: the whole client area) to the invalid
// area. Painting a window paints the visible children over it after it, so the
// children under rect are invalidated too.
[[nodiscard]] PLAT_API bool invalidateRect(WindowHandle window, const Rect* rect, bool erase);
[[nodiscard]] PLAT_API bool validateRect(WindowHandle window, const Rect* rect);
// False when nothing is invalid.
[[nodiscard]] PLAT_API bool updateRect(WindowHandle window, Rect& rect);
// Paints now what is invalid in the window and its children (kMsgPaint sent directly) and presents it.
[[nodiscard]] PLAT_API bool updateWindow(WindowHandle window);
// Takes the invalid area away, sends kMsgEraseBackground (when asked for) and
// answers the painter, clipped to that area (an empty clip when nothing was
// invalid); null only for a window that does not exist or is not the thread's.
[[nodiscard]] PLAT_API Painter* beginPaint(WindowHandle window, PaintInfo& info);
// The painted area is presented once the thread's queue has no more paint messages.
[[nodiscard]] PLAT_API bool endPaint(WindowHandle window, const PaintInfo& info);
// A painter on the whole client area outside painting; release it with releaseDc.
[[nodiscard]] PLAT_API Painter* getDc(WindowHandle window);
[[nodiscard]] PLAT_API bool releaseDc(WindowHandle window, Painter* painter);
// A top-level window's back buffer (the top-level window of a child). Use on the window's thread.
[[nodiscard]] PLAT_API Surface* backBuffer(WindowHandle window);

// ---- dropped files ------------------------------------------------------------------------------------
// Index 0xFFFFFFFF answers the count; otherwise copies the path (at most size
// - 1 characters, a terminator) and answers its length; buffer null answers the length.
PLAT_API uint32_t dragQueryFile(DropHandle drop, uint32_t index, char* buffer, uint32_t size);
// The drop position in the client area of the window that got the message; false outside it.
PLAT_API bool dragQueryPoint(DropHandle drop, Point& point);
// Frees the record (it is freed anyway once the message has been dispatched).
PLAT_API void dragFinish(DropHandle drop);
// Whether top-level windows take dropped files (kExStyleAcceptFiles).
PLAT_API void dragAcceptFiles(WindowHandle window, bool accept);

// ---- backend --------------------------------------------------------------------------------------------
// The name of the backend in use ("headless", "x11") or "" before the first window.
PLAT_API const char* backendName();
// Why the backend could not start ("" when it could).
PLAT_API std::string lastBackendError();

} // namespace plat::ui
