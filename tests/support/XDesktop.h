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
    explicit XDesktop(const std::string& display) : display_(XOpenDisplay(display.c_str()))
    {
        // The program's windows come and go while they are looked at.
        if (display_ != nullptr)
            XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
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
    ::Window waitForClient(const std::string& title,
                           std::chrono::milliseconds limit = std::chrono::seconds(20))
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
        ::Window rootReturn = None;
        ::Window parent = None;
        ::Window* children = nullptr;
        unsigned count = 0;
        ::Window found = None;
        if (XQueryTree(display_, root(), &rootReturn, &parent, &children, &count) == 0)
            return None;
        // Bottom to top: the last that holds the point is in front.
        for (unsigned i = 0; i < count; ++i) {
            const std::optional<Rect> frame = place(children[i]);
            if (!frame || !frame->contains(at))
                continue;
            found = None;
            for (::Window candidate : clients)
                if (isInside(candidate, children[i]))
                    found = candidate;
        }
        if (children != nullptr)
            XFree(children);
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
        XImage* image = XGetImage(display_, root(), 0, 0, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (image == nullptr)
            return picture;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.row(y)[x] = 0xFF000000u | static_cast<uint32_t>(XGetPixel(image, x, y));
        XDestroyImage(image);
        return picture;
    }

private:
    Atom atom(const char* name) { return XInternAtom(display_, name, False); }

    void settle()
    {
        XSync(display_, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }

    void askWindowManager(::Window window, const char* request, std::vector<long> data)
    {
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = atom(request);
        message.xclient.format = 32;
        for (size_t i = 0; i < data.size() && i < 5; ++i)
            message.xclient.data.l[i] = data[i];
        XSendEvent(display_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
        settle();
    }

    std::vector<long> property(::Window window, const char* name, Atom type)
    {
        Atom actual = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::vector<long> values;
        if (XGetWindowProperty(display_, window, atom(name), 0, 1024, False, type, &actual, &format, &items,
                               &after, &data) == Success &&
            data != nullptr && format == 32)
            values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + items);
        if (data != nullptr)
            XFree(data);
        return values;
    }

    std::vector<::Window> windowsOf(::Window window, const char* name)
    {
        const std::vector<long> values = property(window, name, XA_WINDOW);
        return {values.begin(), values.end()};
    }

    std::string titleOf(::Window window)
    {
        char* name = nullptr;
        std::string text;
        if (XFetchName(display_, window, &name) != 0 && name != nullptr) {
            text = name;
            XFree(name);
        }
        return text;
    }

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
