#pragma once

// The real program on an Xvfb of the bench's own, watched and driven from
// outside as a person would: windows seen through the root window's
// structure events, clicks and dropped files sent as the X server would send
// them. Nothing in the program helps.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/core/FileUri.h"
#include "tests/support/SpawnProgram.h"
#include "tests/support/XServer.h"

namespace velmora::bench {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Ends the run; the screen, a started program and the scratch folder go on
// the way out.
[[noreturn]] inline void fail(const std::string& why)
{
    throw std::runtime_error(why);
}

// A started program, killed when the measurement is done with it (or fails).
class StartedProgram {
public:
    explicit StartedProgram(pid_t pid) : pid_(pid) {}
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    ~StartedProgram() { end(); }

    // Whether the program has ended; status() then tells how.
    bool ended()
    {
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            status_ = status;
        }
        return pid_ <= 0;
    }
    // The wait status of a program that ended by itself, -1 otherwise.
    int status() const { return status_; }
    void end()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_;
    int status_ = -1;
};

inline double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A screen of the bench's own; ends with the object.
class PrivateScreen {
public:
    // scale: the screen's pixels per logical pixel the program runs at (whole).
    explicit PrivateScreen(int scale = 1) : server_(scale)
    {
        if (!server_.running())
            fail("cannot start Xvfb (make deps installs it)");
        display_ = test::openOutsideConnection(server_.display());
        if (display_ == nullptr)
            fail("cannot connect to Xvfb on " + server_.display());
        XSelectInput(display_, root(), SubstructureNotifyMask);
        XSync(display_, False);
    }
    PrivateScreen(const PrivateScreen&) = delete;
    PrivateScreen& operator=(const PrivateScreen&) = delete;
    ~PrivateScreen()
    {
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }

    const std::string& name() const { return server_.display(); }
    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }

    // The next event, or nothing once deadline has passed.
    std::optional<XEvent> nextEvent(Clock::time_point deadline)
    {
        if (!deferred_.empty()) {
            const XEvent event = deferred_.front();
            deferred_.erase(deferred_.begin());
            return event;
        }
        return test::nextXEvent(display_, deadline);
    }

    void dropPendingEvents()
    {
        deferred_.clear();
        XSync(display_, False);
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
        }
    }

    std::string title(Window window) const { return test::windowTitle(display_, window); }

    // The window's pixels on the server, one value per pixel (empty when gone).
    std::vector<unsigned long> pixels(Window window) const
    {
        XWindowAttributes attributes;
        if (!bounds(window, attributes))
            return {};
        return test::windowPixels(display_, window, attributes.width, attributes.height);
    }

    // Waits until no top-level window is left mapped (a killed program's
    // windows go with its connection).
    void waitForEmptyScreen()
    {
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            bool anyMapped = false;
            for (Window child : test::childWindows(display_, root())) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display_, child, &attributes) != 0 &&
                    attributes.map_state != IsUnmapped)
                    anyMapped = true;
            }
            if (!anyMapped)
                return;
            std::this_thread::sleep_for(5ms);
        }
        fail("the killed program's windows stayed on the screen");
    }

    // A top-level window on the screen with this title, or None.
    Window mappedWindow(const std::string& wanted) const
    {
        XWindowAttributes attributes;
        for (Window child : test::childWindows(display_, root()))
            if (bounds(child, attributes) && title(child) == wanted)
                return child;
        return None;
    }

    // Where a top-level window is on the screen (no window manager moves it).
    bool bounds(Window window, XWindowAttributes& attributes) const
    {
        return XGetWindowAttributes(display_, window, &attributes) != 0 && attributes.map_state == IsViewable;
    }

    // A left click at a point of the window: the pointer moves there, the
    // button goes down and comes up.
    void click(Window window, int x, int y)
    {
        XWarpPointer(display_, None, window, 0, 0, 0, 0, x, y);
        XSync(display_, False);
        std::this_thread::sleep_for(30ms);
        sendButton(window, x, y, ButtonPress);
        std::this_thread::sleep_for(60ms);
        sendButton(window, x, y, ButtonRelease);
        std::this_thread::sleep_for(30ms);
    }

    // What a window manager's close button asks of a window.
    void askToClose(Window window)
    {
        test::sendClientMessage(display_, window, window, "WM_PROTOCOLS",
                                {static_cast<long>(atom("WM_DELETE_WINDOW")), CurrentTime});
    }

    // Drags the files from a window of ours onto a point of the target window
    // and drops them there (the XDND protocol, the file names as a URI
    // list); true once the target said it took them.
    bool dropFiles(Window target, int x, int y, const std::vector<std::string>& paths)
    {
        XWindowAttributes place;
        if (!bounds(target, place))
            return false;
        const Window source = XCreateWindow(display_, root(), -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                                            CopyFromParent, 0, nullptr);
        const Atom uriList = atom("text/uri-list");
        XSetSelectionOwner(display_, atom("XdndSelection"), source, CurrentTime);
        std::string uris;
        for (const std::string& path : paths)
            uris += plat::fileUriOf(path) + "\r\n";

        sendXdnd(target, "XdndEnter", {static_cast<long>(source), 5L << 24, static_cast<long>(uriList), 0, 0});
        sendXdnd(target, "XdndPosition",
                 {static_cast<long>(source), 0, ((place.x + x) << 16) | ((place.y + y) & 0xFFFF), CurrentTime,
                  static_cast<long>(atom("XdndActionCopy"))});
        bool dropped = false;
        bool finished = false;
        const Clock::time_point limit = Clock::now() + 30s;
        while (!finished && Clock::now() < limit) {
            XEvent event;
            if (XPending(display_) == 0) {
                pollfd ready{ConnectionNumber(display_), POLLIN, 0};
                poll(&ready, 1, 50);
                continue;
            }
            XNextEvent(display_, &event);
            if (event.type == ClientMessage && event.xclient.window == source) {
                const std::string type = atomName(event.xclient.message_type);
                if (type == "XdndStatus" && !dropped) {
                    if ((event.xclient.data.l[1] & 1) == 0)
                        break; // refused
                    sendXdnd(target, "XdndDrop", {static_cast<long>(source), 0, CurrentTime, 0, 0});
                    dropped = true;
                } else if (type == "XdndFinished") {
                    finished = (event.xclient.data.l[1] & 1) != 0;
                    break;
                }
            } else if (event.type == SelectionRequest && event.xselectionrequest.owner == source) {
                answerSelection(event.xselectionrequest, uriList, uris);
            } else {
                deferred_.push_back(event);
            }
        }
        XDestroyWindow(display_, source);
        XFlush(display_);
        return finished;
    }

private:
    Atom atom(const char* name) const { return test::atomNamed(display_, name); }

    std::string atomName(Atom value) const
    {
        char* name = XGetAtomName(display_, value);
        std::string text = name != nullptr ? name : "";
        if (name != nullptr)
            XFree(name);
        return text;
    }

    void sendButton(Window window, int x, int y, int type)
    {
        XWindowAttributes place;
        if (!bounds(window, place))
            return;
        XEvent event{};
        event.xbutton.type = type;
        event.xbutton.window = window;
        event.xbutton.root = root();
        event.xbutton.subwindow = None;
        event.xbutton.time = CurrentTime;
        event.xbutton.x = x;
        event.xbutton.y = y;
        event.xbutton.x_root = place.x + x;
        event.xbutton.y_root = place.y + y;
        event.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        event.xbutton.button = Button1;
        event.xbutton.same_screen = True;
        XSendEvent(display_, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
        XFlush(display_);
    }

    void sendXdnd(Window target, const char* type, const std::vector<long>& data)
    {
        test::sendClientMessage(display_, target, target, type, data);
    }

    void answerSelection(const XSelectionRequestEvent& request, Atom uriList, const std::string& uris)
    {
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = None;
        if (request.target == uriList && request.property != None) {
            XChangeProperty(display_, request.requestor, request.property, uriList, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(uris.data()), static_cast<int>(uris.size()));
            reply.xselection.property = request.property;
        }
        XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
        XFlush(display_);
    }

    test::XvfbServer server_;
    Display* display_ = nullptr;
    std::vector<XEvent> deferred_; // taken while a drop waited for its answers
};

// The program's environment: the caller's, with the screen, virtual audio,
// the settings folder and the single-instance folder given, and extra
// variables on top.
inline std::vector<std::string> programEnvironment(const std::string& display, const std::string& configFolder,
                                                   const std::string& runtimeFolder,
                                                   const std::map<std::string, std::string>& extra = {})
{
    std::map<std::string, std::string> variables{{"DISPLAY", display},
                                                 {"VELMORA_UI", "x11"},
                                                 {"VELMORA_AUDIO", "virtual"},
                                                 {"VELMORA_CONFIG_DIR", configFolder},
                                                 {"XDG_RUNTIME_DIR", runtimeFolder}};
    for (const auto& [name, value] : extra)
        variables[name] = value;
    return test::environmentWith(variables);
}

// Starts the program without arguments or standard input, its two outputs
// into the files named; answers its process id.
inline pid_t startProgram(const std::string& program, std::vector<std::string> environment,
                          const std::string& outPath, const std::string& errPath)
{
    const pid_t pid = test::spawnProgram(program, {program}, std::move(environment), outPath, errPath);
    if (pid < 0)
        fail("cannot start " + program);
    return pid;
}

} // namespace velmora::bench
