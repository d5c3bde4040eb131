#include "platform/ui/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/ui/Surface.h"
#include "platform/ui/x11/KeyMap.h"

namespace plat::ui::x11 {

namespace {

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask |
                            PropertyChangeMask;

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr long kMotifHintsDecorations = 2;

constexpr long kNetWmStateRemove = 0;
constexpr long kNetWmStateAdd = 1;

unsigned dimension(int value)
{
    return static_cast<unsigned>(std::clamp(value, 1, 32767));
}

uint32_t mouseKeys(unsigned state)
{
    uint32_t keys = 0;
    if (state & Button1Mask)
        keys |= kKeyLButton;
    if (state & Button3Mask)
        keys |= kKeyRButton;
    if (state & Button2Mask)
        keys |= kKeyMButton;
    if (state & ShiftMask)
        keys |= kKeyShift;
    if (state & ControlMask)
        keys |= kKeyControl;
    return keys;
}

} // namespace

X11Window::X11Window(Connection& connection, WindowHandle handle, ::Window window)
    : connection_(connection), handle_(handle), window_(window), presenter_(connection, window),
      drop_(connection, window,
            [handle, scale = connection.scale()](int x, int y, std::vector<std::string> paths) {
                deliverDrop(handle, scale.toLogical(Point{x, y}), paths);
            })
{
}

std::shared_ptr<X11Window> X11Window::create(Connection& connection, const NativeWindowSpec& description,
                                             ::Window owner)
{
    ::Display* display = connection.display();
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None; // the back buffer paints every pixel: no flash of a background
    attributes.border_pixel = 0;
    attributes.bit_gravity = NorthWestGravity;
    attributes.colormap = DefaultColormap(display, connection.screen());
    attributes.event_mask = kEventMask;
    // A window manager would place it, and focus it on a click, taking the
    // focus from the window whose pop-up it is.
    attributes.override_redirect = description.noActivate ? True : False;
    const Rect bounds = connection.scale().windowToScreen(description.bounds);
    const ::Window window = XCreateWindow(
        display, connection.root(), bounds.left, bounds.top, dimension(bounds.width()),
        dimension(bounds.height()), 0, connection.depth(), InputOutput, connection.visual(),
        CWBackPixmap | CWBorderPixel | CWBitGravity | CWColormap | CWEventMask | CWOverrideRedirect,
        &attributes);
    if (window == None)
        return nullptr;
    std::shared_ptr<X11Window> record(new X11Window(connection, description.window, window));
    record->bounds_ = description.bounds;
    record->topmost_ = description.topmost;
    record->skipTaskbar_ = description.toolWindow && !description.appWindow;
    record->noActivate_ = description.noActivate;
    record->setProperties(description, owner);
    if (description.acceptFiles)
        record->drop_.setAccepting(true);
    connection.addSink(window, record);
    XFlush(display);
    return record;
}

X11Window::~X11Window()
{
    destroy();
}

void X11Window::destroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    connection_.removeSink(window_, this);
    XDestroyWindow(connection_.display(), window_);
    XFlush(connection_.display());
}

void X11Window::setProperties(const NativeWindowSpec& description, ::Window owner)
{
    ::Display* display = connection_.display();
    const Atoms& atoms = connection_.atoms();

    Atom protocols[] = {atoms.wmDeleteWindow};
    XSetWMProtocols(display, window_, protocols, 1);

    XClassHint classHint{const_cast<char*>("velmora"), const_cast<char*>("Velmora")};
    XSetClassHint(display, window_, &classHint);

    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(display, window_, &hints);

    // The platform decides where its windows go.
    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | USSize | PPosition | PSize;
    const Rect bounds = connection_.scale().windowToScreen(description.bounds);
    sizeHints.x = bounds.left;
    sizeHints.y = bounds.top;
    sizeHints.width = static_cast<int>(dimension(bounds.width()));
    sizeHints.height = static_cast<int>(dimension(bounds.height()));
    XSetWMNormalHints(display, window_, &sizeHints);

    const long pid = static_cast<long>(getpid());
    XChangeProperty(display, window_, atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);

    Atom type = atoms.netWmWindowTypeNormal;
    if (description.toolWindow)
        type = atoms.netWmWindowTypeUtility;
    else if (description.decorated && owner != None)
        type = atoms.netWmWindowTypeDialog;
    XChangeProperty(display, window_, atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);

    if (!description.decorated) {
        // Skinned pop-up windows draw their own frame (or none).
        const long motif[5] = {kMotifHintsDecorations, 0, 0, 0, 0};
        XChangeProperty(display, window_, atoms.motifWmHints, atoms.motifWmHints, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(motif), 5);
    }
    if (owner != None)
        XSetTransientForHint(display, window_, owner);
    writeState();
    setIcons(description.icon, description.smallIcon);
    setTitle(description.title);
}

// _NET_WM_ICON: for each icon its width, height and ARGB pixels row by row,
// 32-bit items that Xlib takes as longs.
void X11Window::setIcons(const Surface* icon, const Surface* smallIcon)
{
    ::Display* display = connection_.display();
    // One request carries the property: an icon that would not fit is left out
    // (the server would refuse the whole request). The margin is the request's header.
    long limit = XExtendedMaxRequestSize(display);
    if (limit == 0)
        limit = XMaxRequestSize(display);
    const size_t capacity = limit > 16 ? static_cast<size_t>(limit - 16) : 0;

    std::vector<long> items;
    for (const Surface* surface : {icon, smallIcon}) {
        if (surface == nullptr || surface->isEmpty() || (surface == smallIcon && smallIcon == icon))
            continue;
        const size_t width = static_cast<size_t>(surface->width());
        const size_t height = static_cast<size_t>(surface->height());
        if (width > capacity || height > capacity || 2 + width * height > capacity - items.size())
            continue;
        items.reserve(items.size() + 2 + width * height);
        items.push_back(static_cast<long>(width));
        items.push_back(static_cast<long>(height));
        for (int y = 0; y < surface->height(); ++y) {
            const Argb* row = surface->row(y);
            for (int x = 0; x < surface->width(); ++x)
                items.push_back(static_cast<long>(row[x]));
        }
    }
    if (items.empty())
        return;
    XChangeProperty(display, window_, connection_.atoms().netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(items.data()), static_cast<int>(items.size()));
}

// _NET_WM_STATE as the window manager reads it when the window is mapped.
void X11Window::writeState()
{
    const Atoms& atoms = connection_.atoms();
    std::vector<Atom> states;
    if (topmost_)
        states.push_back(atoms.netWmStateAbove);
    if (skipTaskbar_)
        states.push_back(atoms.netWmStateSkipTaskbar);
    XChangeProperty(connection_.display(), window_, atoms.netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()), static_cast<int>(states.size()));
}

// A mapped window's state is changed by asking the window manager.
void X11Window::changeState(Atom state, bool on)
{
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window_;
    message.xclient.message_type = connection_.atoms().netWmState;
    message.xclient.format = 32;
    message.xclient.data.l[0] = on ? kNetWmStateAdd : kNetWmStateRemove;
    message.xclient.data.l[1] = static_cast<long>(state);
    message.xclient.data.l[3] = 1; // from an application
    XSendEvent(connection_.display(), connection_.root(), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &message);
}

void X11Window::setTitle(const std::string& title)
{
    ::Display* display = connection_.display();
    const Atoms& atoms = connection_.atoms();
    XStoreName(display, window_, title.c_str());
    XChangeProperty(display, window_, atoms.netWmName, atoms.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    XChangeProperty(display, window_, atoms.netWmIconName, atoms.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    XFlush(display);
}

void X11Window::setBounds(const Rect& logicalBounds)
{
    bounds_ = logicalBounds;
    const Rect screenBounds = connection_.scale().windowToScreen(logicalBounds);
    ::Display* display = connection_.display();
    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | USSize | PPosition | PSize;
    sizeHints.x = screenBounds.left;
    sizeHints.y = screenBounds.top;
    sizeHints.width = static_cast<int>(dimension(screenBounds.width()));
    sizeHints.height = static_cast<int>(dimension(screenBounds.height()));
    XSetWMNormalHints(display, window_, &sizeHints);
    XMoveResizeWindow(display, window_, screenBounds.left, screenBounds.top, dimension(screenBounds.width()),
                      dimension(screenBounds.height()));
    XFlush(display);
}

void X11Window::setVisibility(Visibility visibility, bool activateIt)
{
    ::Display* display = connection_.display();
    switch (visibility) {
    case Visibility::Shown:
        writeState();
        XMapWindow(display, window_);
        mapped_ = true;
        if (activateIt)
            activate();
        break;
    case Visibility::Hidden:
        if (mapped_)
            XWithdrawWindow(display, window_, connection_.screen());
        mapped_ = false;
        break;
    case Visibility::Minimised:
        if (connection_.hasWindowManager()) {
            if (!mapped_) {
                XMapWindow(display, window_);
                mapped_ = true;
            }
            XIconifyWindow(display, window_, connection_.screen());
        } else if (mapped_) {
            // Nobody keeps icons: off the screen is the nearest thing.
            XUnmapWindow(display, window_);
            mapped_ = false;
        }
        break;
    }
    XFlush(display);
}

void X11Window::setTopmost(bool topmost)
{
    topmost_ = topmost;
    if (mapped_) {
        changeState(connection_.atoms().netWmStateAbove, topmost);
        if (topmost)
            XRaiseWindow(connection_.display(), window_);
    } else {
        writeState();
    }
    XFlush(connection_.display());
}

void X11Window::setOwner(::Window owner)
{
    if (owner != None)
        XSetTransientForHint(connection_.display(), window_, owner);
    else
        XDeleteProperty(connection_.display(), window_, XA_WM_TRANSIENT_FOR);
    XFlush(connection_.display());
}

void X11Window::setShape(const std::vector<Rect>* rects)
{
    if (!connection_.hasShape())
        return;
    ::Display* display = connection_.display();
    if (rects == nullptr) {
        XShapeCombineMask(display, window_, ShapeBounding, 0, 0, None, ShapeSet);
    } else {
        std::vector<XRectangle> shape;
        shape.reserve(rects->size());
        for (const Rect& rect : *rects) {
            const Rect cut =
                connection_.scale().toScreen(rect).intersect({SHRT_MIN, SHRT_MIN, SHRT_MAX, SHRT_MAX});
            if (cut.isEmpty())
                continue;
            shape.push_back({static_cast<short>(cut.left), static_cast<short>(cut.top),
                             static_cast<unsigned short>(cut.width()),
                             static_cast<unsigned short>(cut.height())});
        }
        // The region's rectangles are y-banded already.
        XShapeCombineRectangles(display, window_, ShapeBounding, 0, 0, shape.data(),
                                static_cast<int>(shape.size()), ShapeSet, YXBanded);
    }
    XFlush(display);
}

void X11Window::raiseAndFocus()
{
    if (!mapped_)
        return;
    activate();
    XFlush(connection_.display());
}

void X11Window::activate()
{
    ::Display* display = connection_.display();
    XRaiseWindow(display, window_);
    if (noActivate_)
        return;
    if (connection_.hasWindowManager()) {
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = window_;
        message.xclient.message_type = connection_.atoms().netActiveWindow;
        message.xclient.format = 32;
        message.xclient.data.l[0] = 1; // from an application
        message.xclient.data.l[1] = static_cast<long>(connection_.lastEventTime());
        XSendEvent(display, connection_.root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &message);
    } else {
        // Without a window manager nobody hands out the focus but us. The
        // window is viewable as soon as the server has mapped it.
        ErrorTrap trap(connection_);
        XSetInputFocus(display, window_, RevertToParent, CurrentTime);
        (void)trap.finish();
    }
}

void X11Window::handleEvent(const XEvent& event)
{
    switch (event.type) {
    case Expose: {
        const XExposeEvent& expose = event.xexpose;
        const Scale scale = connection_.scale();
        deliverExpose(handle_, Rect{scale.toLogical(expose.x), scale.toLogical(expose.y),
                                    scale.toLogical(expose.x + expose.width - 1) + 1,
                                    scale.toLogical(expose.y + expose.height - 1) + 1});
        break;
    }
    case MotionNotify:
        deliverMouseMove(handle_, connection_.scale().toLogical(Point{event.xmotion.x, event.xmotion.y}),
                         mouseKeys(event.xmotion.state));
        break;
    case ButtonPress:
        onButton(event.xbutton, true);
        break;
    case ButtonRelease:
        onButton(event.xbutton, false);
        break;
    case KeyPress:
        onKey(event.xkey, true);
        break;
    case KeyRelease:
        onKey(event.xkey, false);
        break;
    case FocusIn:
        onFocus(event.xfocus, true);
        break;
    case FocusOut:
        onFocus(event.xfocus, false);
        break;
    case ConfigureNotify:
        onConfigure(event.xconfigure);
        break;
    case ClientMessage:
        if (static_cast<Atom>(event.xclient.message_type) == connection_.atoms().wmProtocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == connection_.atoms().wmDeleteWindow) {
            deliverCloseRequest(handle_);
            break;
        }
        drop_.handleEvent(event);
        break;
    case SelectionNotify:
        drop_.handleEvent(event);
        break;
    case PropertyNotify:
        if (event.xproperty.atom == connection_.atoms().wmState)
            onWmState();
        break;
    default:
        break;
    }
}

void X11Window::onButton(const XButtonEvent& button, bool down)
{
    const Point client = connection_.scale().toLogical(Point{button.x, button.y});
    uint32_t keys = mouseKeys(button.state);
    MouseButton which = MouseButton::Left;
    uint32_t flag = 0;
    switch (button.button) {
    case Button1:
        which = MouseButton::Left;
        flag = kKeyLButton;
        break;
    case Button2:
        which = MouseButton::Middle;
        flag = kKeyMButton;
        break;
    case Button3:
        which = MouseButton::Right;
        flag = kKeyRButton;
        break;
    case Button4:
    case Button5:
        // Each notch of the wheel is a press and a release; the press counts.
        if (down)
            deliverMouseWheel(handle_, client, button.button == Button4 ? kWheelDelta : -kWheelDelta, keys);
        return;
    default:
        return; // sideways scrolling and extra buttons mean nothing here
    }
    // The state is from before the event; the message tells the state after it.
    keys = down ? (keys | flag) : (keys & ~flag);
    deliverMouseButton(handle_, which, down, client, keys);
}

void X11Window::onKey(const XKeyEvent& key, bool down)
{
    XKeyEvent copy = key;
    const uint32_t virtualKey = virtualKeyOf(XLookupKeysym(&copy, 0));
    char character = 0;
    if (down) {
        char text[8] = {};
        KeySym typed = NoSymbol;
        if (XLookupString(&copy, text, sizeof text, &typed, nullptr) == 1 && text[0] != 0x7F)
            character = text[0];
    }
    if (virtualKey == 0 && character == 0)
        return;
    deliverKey(handle_, virtualKey, down, character);
}

void X11Window::onFocus(const XFocusChangeEvent& focus, bool in)
{
    // Grabs and the pointer's own focus changes are no change of the active window.
    if (focus.mode == NotifyGrab || focus.mode == NotifyUngrab || focus.detail == NotifyPointer ||
        focus.detail == NotifyInferior)
        return;
    deliverActivation(handle_, in);
}

// The window manager iconifies and restores windows on its own (a task bar,
// a keyboard shortcut); the platform must know, or a restored window stays
// unpainted.
void X11Window::onWmState()
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom wmState = connection_.atoms().wmState;
    if (XGetWindowProperty(connection_.display(), window_, wmState, 0, 1, False, wmState, &type, &format,
                           &items, &after, &data) != Success)
        return;
    long state = WithdrawnState;
    if (data != nullptr && type == wmState && format == 32 && items == 1)
        state = reinterpret_cast<const long*>(data)[0];
    if (data != nullptr)
        XFree(data);
    // Withdrawn is the platform's own hiding, known already.
    if (state == IconicState || state == NormalState)
        deliverMinimised(handle_, state == IconicState);
}

void X11Window::onConfigure(const XConfigureEvent& configure)
{
    // A real event's place is relative to the parent it had when it was sent:
    // under a reparenting window manager, a frame that may have moved since
    // (or have been just made, at 0,0). Only the manager's synthetic events
    // tell places on the screen then; a real one tells the size.
    if (!configure.send_event && connection_.hasWindowManager()) {
        deliverSize(handle_, connection_.scale().toLogical(Size{configure.width, configure.height}));
        return;
    }
    deliverBounds(handle_, connection_.scale().windowToLogical(
                               Rect::fromSize(configure.x, configure.y, configure.width, configure.height)));
}

} // namespace plat::ui::x11
