#pragma once

// A desktop as a person has it, seen and driven from outside: a real window
// manager on an X server, the pointer and the keys through XTest, the window
// manager's own actions (iconify, activate, close) and the screen read back.
// Free of the test framework.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Surface.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/SpawnProgram.h"
#include "support/XServer.h"

namespace velmora::test {

using plat::ui::Point;
using plat::ui::Rect;

// openbox on a display, as the system configures it but without its
// iconify animation (a window would be on its way for a moment after each
// iconify and restore); ended with the object or with the process.
class WindowManager {
public:
    WindowManager(const std::string& display, const std::string& folder)
        : pid_(spawnProgram(
              "/usr/bin/setpriv",
              {"setpriv", "--pdeathsig=KILL", "/usr/bin/openbox", "--config-file", configured(folder)},
              environmentWith({{"DISPLAY", display}, {"HOME", folder}}), folder + "/openbox.log",
              folder + "/openbox.log"))
    {
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    ~WindowManager()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }

private:
    static std::string configured(const std::string& folder)
    {
        std::string rc = readText("/etc/xdg/openbox/rc.xml");
        const std::string animated = "<animateIconify>yes</animateIconify>";
        if (const size_t at = rc.find(animated); at != std::string::npos)
            rc.replace(at, animated.size(), "<animateIconify>no</animateIconify>");
        writeText(folder + "/rc.xml", rc);
        return folder + "/rc.xml";
    }

    pid_t pid_;
};

// The test's own connection: what a person sees and does.
class XDesktop {
public:
    explicit XDesktop(const std::string& display) : display_(openOutsideConnection(display)) {}
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;
    ~XDesktop()
    {
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }

    bool connected() const { return display_ != nullptr; }
    ::Window root() const { return DefaultRootWindow(display_); }

    // A window manager has announced itself (EWMH's check window).
    bool windowManagerRuns() { return !windowsOf(root(), "_NET_SUPPORTING_WM_CHECK").empty(); }

    // The managed window with this title, or None.
    ::Window client(const std::string& title)
    {
        for (::Window window : windowsOf(root(), "_NET_CLIENT_LIST"))
            if (titleOf(window) == title)
                return window;
        return None;
    }
    // Long enough for a program's first start on a machine busy with builds.
    ::Window waitForClient(const std::string& title,
                           std::chrono::milliseconds limit = std::chrono::seconds(45))
    {
        ::Window found = None;
        (void)eventually([&] { return (found = client(title)) != None && place(found).has_value(); }, limit);
        return found;
    }

    // Where the window is on the screen, while it is viewable.
    std::optional<Rect> place(::Window window)
    {
        XWindowAttributes attributes;
        int x = 0;
        int y = 0;
        ::Window child = None;
        if (XGetWindowAttributes(display_, window, &attributes) == 0 || attributes.map_state != IsViewable ||
            !XTranslateCoordinates(display_, window, root(), 0, 0, &x, &y, &child))
            return std::nullopt;
        return Rect::fromSize(x, y, attributes.width, attributes.height);
    }

    // ICCCM's WM_STATE: NormalState, IconicState, or WithdrawnState when none.
    long wmState(::Window window)
    {
        const std::vector<long> state = property(window, "WM_STATE", atom("WM_STATE"));
        return state.empty() ? WithdrawnState : state[0];
    }

    // The window with the frame the window manager put around it.
    std::optional<Rect> frame(::Window window)
    {
        const std::optional<Rect> inside = place(window);
        const std::vector<long> extents = property(window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        if (!inside || extents.size() < 4)
            return std::nullopt;
        return Rect{inside->left - static_cast<int>(extents[0]), inside->top - static_cast<int>(extents[2]),
                    inside->right + static_cast<int>(extents[1]),
                    inside->bottom + static_cast<int>(extents[3])};
    }

    // The part of the screen the window manager gives to windows (no panels).
    Rect workArea()
    {
        const std::vector<long> area = property(root(), "_NET_WORKAREA", XA_CARDINAL);
        if (area.size() < 4)
            return {};
        return Rect::fromSize(static_cast<int>(area[0]), static_cast<int>(area[1]), static_cast<int>(area[2]),
                              static_cast<int>(area[3]));
    }

    // Whether the keys go to the window now.
    bool hasFocus(::Window window)
    {
        ::Window focus = None;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        return focus == window;
    }

    // The client whose frame is in front at a point of the screen, or None.
    ::Window frontAt(Point at)
    {
        const std::vector<::Window> clients = windowsOf(root(), "_NET_CLIENT_LIST");
        ::Window found = None;
        // Bottom to top: the last that holds the point is in front.
        for (::Window frame : childWindows(display_, root())) {
            const std::optional<Rect> place = this->place(frame);
            if (!place || !place->contains(at))
                continue;
            found = None;
            for (::Window candidate : clients)
                if (isInside(candidate, frame))
                    found = candidate;
        }
        return found;
    }

    // The top-level window (a frame, or a pop-up the window manager leaves
    // alone) shown in front at a point of the screen, or None.
    ::Window topAt(Point at)
    {
        ::Window found = None;
        // Bottom to top: the last that holds the point is in front.
        for (::Window window : childWindows(display_, root())) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display_, window, &attributes) != 0 &&
                attributes.map_state == IsViewable &&
                Rect::fromSize(attributes.x, attributes.y, attributes.width, attributes.height).contains(at))
                found = window;
        }
        return found;
    }

    // Another program's plain window at a place of the screen, for as long as this connection lasts.
    ::Window openWindow(const Rect& place, const std::string& title)
    {
        const ::Window window =
            XCreateSimpleWindow(display_, root(), place.left, place.top, static_cast<unsigned>(place.width()),
                                static_cast<unsigned>(place.height()), 0, 0, WhitePixel(display_, 0));
        XSizeHints hints{};
        hints.flags = USPosition;
        XSetWMNormalHints(display_, window, &hints);
        XStoreName(display_, window, title.c_str());
        XMapWindow(display_, window);
        settle();
        return window;
    }

    // ---- what a person does ----
    void moveTo(Point at)
    {
        XTestFakeMotionEvent(display_, -1, at.x, at.y, CurrentTime);
        settle();
    }
    void button(unsigned which, bool down)
    {
        XTestFakeButtonEvent(display_, which, down ? True : False, CurrentTime);
        settle();
    }
    // A click that is never the second half of a double click: a person
    // pauses that long before clicking the same place again.
    void click(Point at)
    {
        const auto since = std::chrono::steady_clock::now() - lastClickTime_;
        if (std::abs(at.x - lastClick_.x) + std::abs(at.y - lastClick_.y) < kDoubleClickDistance &&
            since < kDoubleClickPause)
            std::this_thread::sleep_for(kDoubleClickPause - since);
        moveTo(at);
        button(Button1, true);
        button(Button1, false);
        lastClick_ = at;
        lastClickTime_ = std::chrono::steady_clock::now();
    }
    // Clicks what opens a pop-up (a menu, a list's drop-down), then, once
    // the pop-up shows under item, the item: a click before it shows would
    // land on the window beneath. False when no pop-up showed there.
    bool choose(Point opener, Point item, std::chrono::seconds limit = std::chrono::seconds(15))
    {
        const ::Window before = topAt(item);
        click(opener);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (topAt(item) == before) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        click(item);
        return true;
    }
    // Presses at from, moves in steps to to, lets go there.
    void drag(Point from, Point to, int steps = 8)
    {
        moveTo(from);
        button(Button1, true);
        for (int step = 1; step <= steps; ++step)
            moveTo(Point{from.x + (to.x - from.x) * step / steps, from.y + (to.y - from.y) * step / steps});
        button(Button1, false);
    }
    // Notches of the wheel at a point: towards the user when negative.
    void wheel(Point at, int notches)
    {
        moveTo(at);
        for (int i = 0; i < std::abs(notches); ++i) {
            button(notches > 0 ? Button4 : Button5, true);
            button(notches > 0 ? Button4 : Button5, false);
        }
    }
    void key(KeySym symbol)
    {
        const KeyCode code = XKeysymToKeycode(display_, symbol);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        settle();
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        settle();
    }

    // ---- what the window manager does, as its task bar or keys ask it ----
    void iconify(::Window window)
    {
        XIconifyWindow(display_, window, DefaultScreen(display_));
        settle();
    }
    void activate(::Window window) { askWindowManager(window, "_NET_ACTIVE_WINDOW", {2, CurrentTime, 0}); }
    void close(::Window window) { askWindowManager(window, "_NET_CLOSE_WINDOW", {CurrentTime, 2, 0}); }

    // ---- what the screen shows ----
    plat::ui::Surface screenshot()
    {
        const int width = DisplayWidth(display_, DefaultScreen(display_));
        const int height = DisplayHeight(display_, DefaultScreen(display_));
        plat::ui::Surface picture(width, height);
        const std::vector<unsigned long> pixels = windowPixels(display_, root(), width, height);
        for (size_t i = 0; i < pixels.size(); ++i)
            picture.row(static_cast<int>(i) / width)[static_cast<int>(i) % width] =
                0xFF000000u | static_cast<uint32_t>(pixels[i]);
        return picture;
    }

private:
    Atom atom(const char* name) { return atomNamed(display_, name); }

    void settle()
    {
        XSync(display_, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }

    void askWindowManager(::Window window, const char* request, const std::vector<long>& data)
    {
        sendClientMessage(display_, root(), window, request, data,
                          SubstructureRedirectMask | SubstructureNotifyMask);
        settle();
    }

    std::vector<long> property(::Window window, const char* name, Atom type)
    {
        return windowProperty(display_, window, name, type);
    }

    std::vector<::Window> windowsOf(::Window window, const char* name)
    {
        const std::vector<long> values = property(window, name, XA_WINDOW);
        return {values.begin(), values.end()};
    }

    std::string titleOf(::Window window) { return windowTitle(display_, window); }

    // Whether window is ancestor or window itself.
    bool isInside(::Window window, ::Window ancestor)
    {
        while (window != None && window != root()) {
            if (window == ancestor)
                return true;
            ::Window rootReturn = None;
            ::Window parent = None;
            ::Window* children = nullptr;
            unsigned count = 0;
            if (XQueryTree(display_, window, &rootReturn, &parent, &children, &count) == 0)
                return false;
            if (children != nullptr)
                XFree(children);
            window = parent;
        }
        return false;
    }

    static constexpr auto kDoubleClickPause = std::chrono::milliseconds(700);
    static constexpr int kDoubleClickDistance = 8;

    Display* display_;
    Point lastClick_{-100, -100};
    std::chrono::steady_clock::time_point lastClickTime_;
};

} // namespace velmora::test
