#pragma once

// The real program on an Xvfb of the bench's own, watched and driven from
// outside as a person would: windows seen through the root window's
// structure events, clicks and dropped files sent as the X server would send
// them. Nothing in the program helps.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
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
#include "tests/support/XEvents.h"

extern char** environ;

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

// Windows vanish while they are looked at (a killed program's, the splash
// window): a request about one that is gone is no error here.
inline int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// An Xvfb on a display number it picks itself, so that other X servers on the
// machine are never touched; ends with the object.
class PrivateScreen {
public:
    PrivateScreen()
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            fail("no pipe for Xvfb");
        const std::string displayFd = std::to_string(pipeEnds[1]);
        std::vector<std::string> arguments{"Xvfb",        "-displayfd", displayFd, "-nolisten", "tcp",
                                           "-screen",     "0",          "1280x1024x24", "-br"};
        std::vector<char*> argv = test::pointers(arguments);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int failed = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        if (failed != 0)
            fail("cannot start Xvfb (make deps installs it)");

        std::string number;
        char digit = 0;
        pollfd ready{pipeEnds[0], POLLIN, 0};
        while (poll(&ready, 1, 10000) > 0 && read(pipeEnds[0], &digit, 1) == 1 && digit != '\n')
            number += digit;
        close(pipeEnds[0]);
        if (number.empty())
            fail("Xvfb did not say its display");
        name_ = ":" + number;
        display_ = XOpenDisplay(name_.c_str());
        if (display_ == nullptr)
            fail("cannot connect to Xvfb on " + name_);
        XSetErrorHandler(ignoreXError);
        XSelectInput(display_, root(), SubstructureNotifyMask);
        XSync(display_, False);
    }
    PrivateScreen(const PrivateScreen&) = delete;
    PrivateScreen& operator=(const PrivateScreen&) = delete;
    ~PrivateScreen()
    {
        if (display_ != nullptr)
            XCloseDisplay(display_);
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

    const std::string& name() const { return name_; }
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

    // The title as the desktop shows it: _NET_WM_NAME, else WM_NAME.
    std::string title(Window window) const
    {
        const Atom netWmName = XInternAtom(display_, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(display_, window, netWmName, 0, 1024, False, utf8, &type, &format, &items, &after,
                               &data) == Success &&
            data != nullptr && type == utf8 && format == 8)
            text.assign(reinterpret_cast<const char*>(data), items);
        if (data != nullptr)
            XFree(data);
        char* name = nullptr;
        if (text.empty() && XFetchName(display_, window, &name) != 0 && name != nullptr) {
            text = name;
            XFree(name);
        }
        return text;
    }

    // The window's pixels on the server, one value per pixel (empty when gone).
    std::vector<unsigned long> pixels(Window window) const
    {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, window, &attributes) == 0 || attributes.map_state != IsViewable)
            return {};
        XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (image == nullptr)
            return {};
        std::vector<unsigned long> values;
        values.reserve(static_cast<size_t>(attributes.width) * static_cast<size_t>(attributes.height));
        for (int y = 0; y < attributes.height; ++y)
            for (int x = 0; x < attributes.width; ++x)
                values.push_back(XGetPixel(image, x, y));
        XDestroyImage(image);
        return values;
    }

    // Waits until no top-level window is left mapped (a killed program's
    // windows go with its connection).
    void waitForEmptyScreen()
    {
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            Window rootReturn = None;
            Window parent = None;
            Window* children = nullptr;
            unsigned count = 0;
            bool anyMapped = false;
            if (XQueryTree(display_, root(), &rootReturn, &parent, &children, &count) != 0) {
                for (unsigned i = 0; i < count; ++i) {
                    XWindowAttributes attributes;
                    if (XGetWindowAttributes(display_, children[i], &attributes) != 0 &&
                        attributes.map_state != IsUnmapped)
                        anyMapped = true;
                }
                if (children != nullptr)
                    XFree(children);
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
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        Window found = None;
        if (XQueryTree(display_, root(), &rootReturn, &parent, &children, &count) == 0)
            return None;
        for (unsigned i = 0; i < count && found == None; ++i) {
            XWindowAttributes attributes;
            if (bounds(children[i], attributes) && title(children[i]) == wanted)
                found = children[i];
        }
        if (children != nullptr)
            XFree(children);
        return found;
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
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = atom("WM_PROTOCOLS");
        message.xclient.format = 32;
        message.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
        message.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &message);
        XFlush(display_);
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
    Atom atom(const char* name) const { return XInternAtom(display_, name, False); }

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
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = target;
        message.xclient.message_type = atom(type);
        message.xclient.format = 32;
        for (size_t i = 0; i < data.size() && i < 5; ++i)
            message.xclient.data.l[i] = data[i];
        XSendEvent(display_, target, False, NoEventMask, &message);
        XFlush(display_);
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

    pid_t pid_ = -1;
    std::string name_;
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
