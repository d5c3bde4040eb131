#include "platform/ui/x11/Connection.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace plat::ui::x11 {

namespace {

// The connection the error handler records into.
std::atomic<Connection*> openConnection{nullptr};

bool debugErrors()
{
    static const bool on = std::getenv("VELMORA_X11_DEBUG") != nullptr;
    return on;
}

// Xlib's default handler ends the process; errors here are expected now and
// then (a tray or drag source that went away) and are recorded instead.
int onXError(::Display* display, XErrorEvent* error)
{
    if (Connection* connection = openConnection.load())
        connection->recordError(*error);
    if (debugErrors()) {
        char text[256] = {};
        XGetErrorText(display, error->error_code, text, sizeof text);
        std::fprintf(stderr, "X error: %s (request %d.%d, serial %lu)\n", text, error->request_code,
                     error->minor_code, error->serial);
    }
    return 0;
}

bool displayIsLocal(const char* name)
{
    if (name == nullptr)
        return false;
    return name[0] == ':' || std::strncmp(name, "unix:", 5) == 0 || name[0] == '/';
}

Time eventTime(const XEvent& event)
{
    switch (event.type) {
    case KeyPress:
    case KeyRelease:
        return event.xkey.time;
    case ButtonPress:
    case ButtonRelease:
        return event.xbutton.time;
    case MotionNotify:
        return event.xmotion.time;
    case EnterNotify:
    case LeaveNotify:
        return event.xcrossing.time;
    case PropertyNotify:
        return event.xproperty.time;
    case SelectionNotify:
        return event.xselection.time;
    default:
        return CurrentTime;
    }
}

} // namespace

namespace {

// Xft.dpi from the server's resources, as desktop toolkits set it; 0 without it.
double desktopDpi(::Display* display)
{
    const char* resources = XResourceManagerString(display);
    if (resources == nullptr)
        return 0;
    constexpr std::string_view kDpiResource = "Xft.dpi:";
    const std::string_view text(resources);
    for (size_t line = 0; line < text.size();) {
        const size_t end = std::min(text.find('\n', line), text.size());
        const std::string_view entry = text.substr(line, end - line);
        if (entry.starts_with(kDpiResource))
            return std::atof(std::string(entry.substr(kDpiResource.size())).c_str());
        line = end + 1;
    }
    return 0;
}

} // namespace

std::unique_ptr<Connection> Connection::open(std::string& error)
{
    std::unique_ptr<Connection> connection(new Connection());
    if (!connection->start(error))
        return nullptr;
    return connection;
}

Scale Connection::scale() const
{
    std::call_once(scaleChosen_, [this] {
        scale_ = chooseScale(desktopDpi_);
        setDisplayScale(scale_);
    });
    return scale_;
}

bool Connection::hasWindowManager() const
{
    return XGetSelectionOwner(display_, atoms_.wmSelection) != None;
}

bool Connection::start(std::string& error)
{
    XInitThreads();
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        error = "No X display: DISPLAY is not set.";
        return false;
    }
    display_ = XOpenDisplay(name);
    if (display_ == nullptr) {
        error = std::string("Cannot open the X display \"") + name + "\".";
        return false;
    }
    screen_ = DefaultScreen(display_);
    root_ = RootWindow(display_, screen_);
    visual_ = DefaultVisual(display_, screen_);
    depth_ = DefaultDepth(display_, screen_);
    if (visual_->c_class != TrueColor || (depth_ != 24 && depth_ != 32)) {
        error = "The X display offers no 24-bit true-colour visual.";
        XCloseDisplay(display_);
        display_ = nullptr;
        return false;
    }
    openConnection.store(this);
    XSetErrorHandler(onXError);
    internAtoms(display_, screen_, atoms_);
    // Held keys repeat as presses only, as the system's keyboard input did.
    XkbSetDetectableAutoRepeat(display_, True, nullptr);

    int eventBase = 0;
    int errorBase = 0;
    hasShape_ = XShapeQueryExtension(display_, &eventBase, &errorBase) != False;
    shmCandidate_ = XShmQueryExtension(display_) != False && displayIsLocal(DisplayString(display_)) &&
                    std::getenv("VELMORA_X11_NO_SHM") == nullptr;

    desktopDpi_ = desktopDpi(display_);

    XSetWindowAttributes attributes{};
    wakeWindow_ =
        XCreateWindow(display_, root_, -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent, 0, &attributes);
    // The tray manager announces itself on the root window.
    XSelectInput(display_, root_, StructureNotifyMask);
    XFlush(display_);
    eventThread_ = std::thread([this] { eventLoop(); });
    return true;
}

Connection::~Connection()
{
    if (display_ == nullptr)
        return;
    if (eventThread_.joinable()) {
        XEvent stop{};
        stop.xclient.type = ClientMessage;
        stop.xclient.window = wakeWindow_;
        stop.xclient.message_type = atoms_.wake;
        stop.xclient.format = 32;
        XSendEvent(display_, wakeWindow_, False, NoEventMask, &stop);
        XFlush(display_);
        eventThread_.join();
    }
    XCloseDisplay(display_);
    openConnection.store(nullptr);
}

void Connection::eventLoop()
{
    for (;;) {
        XEvent event;
        // With XCB underneath, waiting here does not keep other threads from
        // making requests, and events they happen to read still wake us.
        XNextEvent(display_, &event);
        if (event.type == ClientMessage && event.xclient.window == wakeWindow_ &&
            static_cast<Atom>(event.xclient.message_type) == atoms_.wake)
            return;
        dispatch(event);
    }
}

void Connection::dispatch(const XEvent& event)
{
    std::vector<std::shared_ptr<EventSink>> receivers;
    {
        std::lock_guard lock(sinksMutex_);
        if (Time time = eventTime(event); time != CurrentTime)
            lastEventTime_ = time;
        if (event.xany.window == root_) {
            receivers = rootListeners_;
        } else {
            auto [first, last] = sinks_.equal_range(event.xany.window);
            for (auto it = first; it != last; ++it)
                receivers.push_back(it->second);
        }
    }
    for (const auto& receiver : receivers)
        receiver->handleEvent(event);
}

void Connection::addSink(::Window window, std::shared_ptr<EventSink> sink)
{
    std::lock_guard lock(sinksMutex_);
    sinks_.emplace(window, std::move(sink));
}

void Connection::removeSink(::Window window, const EventSink* sink)
{
    std::shared_ptr<EventSink> gone; // released after the lock
    std::lock_guard lock(sinksMutex_);
    auto [first, last] = sinks_.equal_range(window);
    for (auto it = first; it != last; ++it) {
        if (it->second.get() == sink) {
            gone = std::move(it->second);
            sinks_.erase(it);
            break;
        }
    }
}

void Connection::addRootListener(const std::shared_ptr<EventSink>& listener)
{
    std::lock_guard lock(sinksMutex_);
    rootListeners_.push_back(listener);
}

void Connection::removeRootListener(const EventSink* listener)
{
    std::vector<std::shared_ptr<EventSink>> gone; // released after the lock
    std::lock_guard lock(sinksMutex_);
    for (auto it = rootListeners_.begin(); it != rootListeners_.end();) {
        if (it->get() == listener) {
            gone.push_back(std::move(*it));
            it = rootListeners_.erase(it);
        } else {
            ++it;
        }
    }
}

bool Connection::pointerPosition(int& x, int& y) const
{
    ::Window rootReturn = None;
    ::Window child = None;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    return XQueryPointer(display_, root_, &rootReturn, &child, &x, &y, &windowX, &windowY, &mask) != False;
}

Time Connection::lastEventTime() const
{
    std::lock_guard lock(sinksMutex_);
    return lastEventTime_;
}

void Connection::recordError(const XErrorEvent& error)
{
    std::lock_guard lock(errorsMutex_);
    errors_.push_back({error.serial, error.error_code});
    while (errors_.size() > 64)
        errors_.pop_front();
}

int Connection::errorSince(unsigned long firstSerial, unsigned long lastSerial)
{
    std::lock_guard lock(errorsMutex_);
    for (const auto& error : errors_)
        if (error.serial >= firstSerial && error.serial < lastSerial)
            return error.code;
    return Success;
}

ErrorTrap::ErrorTrap(Connection& connection)
    : connection_(connection), firstSerial_(NextRequest(connection.display()))
{
}

int ErrorTrap::finish()
{
    const unsigned long lastSerial = NextRequest(connection_.display());
    XSync(connection_.display(), False);
    return connection_.errorSince(firstSerial_, lastSerial);
}

} // namespace plat::ui::x11
