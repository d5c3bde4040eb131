#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/ui/Scale.h"
#include "platform/ui/x11/Atoms.h"

namespace plat::ui::x11 {

// Receives the events of the X windows it is registered for, on the event
// thread. It must not block on another thread: input goes on by posting.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void handleEvent(const XEvent& event) = 0;
};

// The process's one connection to the X server and the thread that reads its
// events. Requests may come from any thread (Xlib is initialised for threads);
// events are read only by the event thread and handed to the sink of the
// window they are about.
class Connection {
public:
    // Opens a connection to $DISPLAY and starts its event thread. Null, with
    // the reason in error, when no usable display can be opened. One at a time
    // per process (the error handler is process-wide); the backend owns it.
    [[nodiscard]] static std::unique_ptr<Connection> open(std::string& error);

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    ::Display* display() const { return display_; }
    int screen() const { return screen_; }
    ::Window root() const { return root_; }
    Visual* visual() const { return visual_; }
    int depth() const { return depth_; }
    const Atoms& atoms() const { return atoms_; }
    bool hasShape() const { return hasShape_; }
    // Screen pixels per logical pixel, chosen at the first call (when the
    // first window is made), so that the program's preference counts.
    Scale scale() const;
    // MIT-SHM is offered and the server runs on this machine.
    bool shmCandidate() const { return shmCandidate_; }
    // A window manager runs (someone owns WM_S<screen>).
    bool hasWindowManager() const;

    // Events about window (by its xany.window) go to sink until removed; a
    // window may have several sinks. A sink is kept alive while an event is
    // being handed to it.
    void addSink(::Window window, std::shared_ptr<EventSink> sink);
    void removeSink(::Window window, const EventSink* sink);
    // Events about the root window go to every root listener.
    void addRootListener(const std::shared_ptr<EventSink>& listener);
    void removeRootListener(const EventSink* listener);

    void flush() { XFlush(display_); }
    // Root coordinates of the pointer.
    [[nodiscard]] bool pointerPosition(int& x, int& y) const;

    // Server time of the most recent event seen (CurrentTime before any).
    Time lastEventTime() const;

    // Recorded by the error handler; read by ErrorTrap.
    void recordError(const XErrorEvent& error);
    int errorSince(unsigned long firstSerial, unsigned long lastSerial);

private:
    Connection() = default;
    [[nodiscard]] bool start(std::string& error);
    void eventLoop();
    void dispatch(const XEvent& event);

    ::Display* display_ = nullptr;
    int screen_ = 0;
    ::Window root_ = None;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    Atoms atoms_;
    bool hasShape_ = false;
    double desktopDpi_ = 0;               // Xft.dpi, read at the start
    mutable std::once_flag scaleChosen_;
    mutable Scale scale_;                 // set once, under scaleChosen_
    bool shmCandidate_ = false;
    ::Window wakeWindow_ = None; // a hidden window that the stop message is sent to

    mutable std::mutex sinksMutex_; // guards sinks_, rootListeners_ and lastEventTime_
    std::unordered_multimap<::Window, std::shared_ptr<EventSink>> sinks_;
    std::vector<std::shared_ptr<EventSink>> rootListeners_;
    Time lastEventTime_ = CurrentTime;

    struct RecordedError {
        unsigned long serial;
        int code;
    };
    std::mutex errorsMutex_; // guards errors_ (the handler runs on whichever thread reads the reply)
    std::deque<RecordedError> errors_;

    std::thread eventThread_; // started by start, joined by the destructor
};

// Catches the X errors of the requests made while it exists (instead of the
// default handler ending the process), e.g. a message to a tray that has just
// gone away.
class ErrorTrap {
public:
    explicit ErrorTrap(Connection& connection);
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Waits until the server has handled the requests; Success (0) or the
    // first error's code.
    [[nodiscard]] int finish();

private:
    Connection& connection_;
    unsigned long firstSerial_;
};

} // namespace plat::ui::x11
