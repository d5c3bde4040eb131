#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Backend.h"
#include "platform/ui/x11/Connection.h"
#include "platform/ui/x11/DropTarget.h"
#include "platform/ui/x11/Presenter.h"

namespace plat::ui::x11 {

// The native X window of one top-level window. The window's own thread
// changes and presents it; the event thread turns its events into input for
// the platform. The two share only what is fixed at creation (the platform's
// handle and the X window) and the drop target's accepting flag (atomic).
class X11Window : public EventSink {
public:
    // Creates (unmapped) the X window so described; null on failure.
    static std::shared_ptr<X11Window> create(Connection& connection, const NativeWindowSpec& description,
                                             ::Window owner);
    ~X11Window() override;

    ::Window xid() const { return window_; }
    WindowHandle handle() const { return handle_; }

    void setTitle(const std::string& title);
    void setBounds(const Rect& screenBounds);
    void setVisibility(Visibility visibility, bool activate);
    void setTopmost(bool topmost);
    void setOwner(::Window owner);
    void setShape(const std::vector<Rect>* rects);
    void setAcceptFiles(bool accept) { drop_.setAccepting(accept); }
    void raiseAndFocus();
    void present(const Surface& buffer, const std::vector<Rect>& rects) { presenter_.present(buffer, rects); }
    // Takes the X window away now (the record may outlive it for a moment on the event thread).
    void destroy();

    void handleEvent(const XEvent& event) override;

private:
    X11Window(Connection& connection, WindowHandle handle, ::Window window);
    void setProperties(const NativeWindowSpec& description, ::Window owner);
    void setIcons(const Surface* icon, const Surface* smallIcon);
    void writeState();
    void changeState(Atom state, bool on);
    void activate();
    void onKey(const XKeyEvent& key, bool down);
    void onButton(const XButtonEvent& button, bool down);
    void onConfigure(const XConfigureEvent& configure);
    void onWmState();
    void onFocus(const XFocusChangeEvent& focus, bool in);

    Connection& connection_;
    const WindowHandle handle_;
    const ::Window window_;
    Presenter presenter_; // owner thread
    DropTarget drop_;     // event thread (its accepting flag: atomic)

    // Owner thread only.
    bool mapped_ = false;
    bool topmost_ = false;
    bool skipTaskbar_ = false;
    bool noActivate_ = false; // fixed at creation
    bool destroyed_ = false;
    Rect bounds_;
};

} // namespace plat::ui::x11
