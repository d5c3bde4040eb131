#pragma once

// An X server watched from outside, for the tests and benches that drive the
// real program: a private Xvfb, and the few questions and messages every
// outside client needs. Free of the test framework.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// Xvfb on the first free display number (it tells us which through
// -displayfd), so other X servers on the machine are never touched; ends
// with the object, or with the process that started it.
class XvfbServer {
public:
    // A screen of 1280 x 1024 logical pixels at the program's scale.
    explicit XvfbServer(int scale = 1)
    {
        const std::string screen = std::to_string(1280 * scale) + "x" + std::to_string(1024 * scale) + "x24";
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(pipeFds[0]);
            const int devNull = open("/dev/null", O_RDWR);
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            const std::string fd = std::to_string(pipeFds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
                   "tcp", "-noreset", "-br", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        std::string number;
        pollfd readable{pipeFds[0], POLLIN, 0};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline && number.find('\n') == std::string::npos) {
            if (poll(&readable, 1, 100) <= 0)
                continue;
            char buffer[32];
            const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            number.append(buffer, static_cast<size_t>(got));
        }
        close(pipeFds[0]);
        if (number.find('\n') != std::string::npos)
            display_ = ":" + number.substr(0, number.find('\n'));
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool running() const { return !display_.empty(); }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Windows of the program come and go while they are looked at: a request
// about one that is gone is no error for an outside client.
inline Display* openOutsideConnection(const std::string& display)
{
    Display* connection = XOpenDisplay(display.c_str());
    if (connection != nullptr)
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return connection;
}

// The next event of the connection, or nothing once deadline has passed.
inline std::optional<XEvent> nextXEvent(Display* display, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        if (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            return event;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        // Rounded up, so a wait never ends just short of the deadline.
        pollfd readable{ConnectionNumber(display), POLLIN, 0};
        poll(&readable, 1, static_cast<int>(std::min<long long>(left.count(), 100)) + 1);
    }
}

inline Atom atomNamed(Display* display, const char* name)
{
    return XInternAtom(display, name, False);
}

// A property's items: 32-bit ones as longs, 8-bit ones one a byte.
inline std::vector<long> windowProperty(Display* display, Window window, const char* name,
                                        Atom type = AnyPropertyType)
{
    Atom actual = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display, window, atomNamed(display, name), 0, 1024, False, type, &actual, &format,
                           &items, &after, &data) == Success &&
        data != nullptr) {
        if (format == 32)
            values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + items);
        else if (format == 8)
            values.assign(data, data + items);
    }
    if (data != nullptr)
        XFree(data);
    return values;
}

// The title as the desktop shows it: _NET_WM_NAME, else WM_NAME.
inline std::string windowTitle(Display* display, Window window)
{
    const std::vector<long> utf8 =
        windowProperty(display, window, "_NET_WM_NAME", atomNamed(display, "UTF8_STRING"));
    std::string text(utf8.begin(), utf8.end());
    char* name = nullptr;
    if (text.empty() && XFetchName(display, window, &name) != 0 && name != nullptr) {
        text = name;
        XFree(name);
    }
    return text;
}

// The children of a window, bottom to top.
inline std::vector<Window> childWindows(Display* display, Window window)
{
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> found;
    if (XQueryTree(display, window, &rootReturn, &parent, &children, &count) != 0 && children != nullptr)
        found.assign(children, children + count);
    if (children != nullptr)
        XFree(children);
    return found;
}

// A client message about a window, sent to target with the event mask given.
inline void sendClientMessage(Display* display, Window target, Window about, const char* type,
                              const std::vector<long>& data, long mask = NoEventMask)
{
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = about;
    message.xclient.message_type = atomNamed(display, type);
    message.xclient.format = 32;
    for (size_t i = 0; i < data.size() && i < 5; ++i)
        message.xclient.data.l[i] = data[i];
    XSendEvent(display, target, False, mask, &message);
    XFlush(display);
}

// A window's pixels on the server row after row, as its visual holds them;
// empty when it cannot be read.
inline std::vector<unsigned long> windowPixels(Display* display, Window window, int width, int height)
{
    std::vector<unsigned long> values;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return values;
    values.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            values.push_back(XGetPixel(image, x, y));
    XDestroyImage(image);
    return values;
}

} // namespace velmora::test
