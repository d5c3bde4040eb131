#include "platform/ui/x11/TrayDock.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <bit>
#include <cstring>
#include <vector>

#include "platform/ui/Messages.h"

namespace plat::ui::x11 {

namespace {

constexpr long kSystemTrayRequestDock = 0;
constexpr long kXembedMapped = 1;
constexpr Time kDoubleClickMs = 500;
// Transparent parts of the icon are blended onto this (the classic tray face).
constexpr Argb kTrayFace = 0xFFD4D0C8u;

Argb blendOnto(Argb pixel, Argb background)
{
    const unsigned alpha = alphaOf(pixel);
    auto mix = [alpha](unsigned front, unsigned back) {
        return static_cast<uint8_t>((front * alpha + back * (255 - alpha) + 127) / 255);
    };
    return rgb(mix(redOf(pixel), redOf(background)), mix(greenOf(pixel), greenOf(background)),
               mix(blueOf(pixel), blueOf(background)));
}

} // namespace

TrayDock::TrayDock(Connection& connection, MouseReport report)
    : connection_(connection), report_(std::move(report))
{
}

std::shared_ptr<TrayDock> TrayDock::create(Connection& connection, const Surface& icon,
                                           const std::string& tip, MouseReport report)
{
    std::shared_ptr<TrayDock> dock(new TrayDock(connection, std::move(report)));
    std::lock_guard lock(dock->mutex_);
    dock->icon_ = icon.clone();
    dock->tip_ = tip;
    if (!dock->makeWindowLocked())
        return nullptr;
    connection.addRootListener(dock);
    dock->tryDockLocked();
    return dock;
}

TrayDock::~TrayDock()
{
    remove();
}

bool TrayDock::makeWindowLocked()
{
    ::Display* display = connection_.display();
    XSetWindowAttributes attributes{};
    attributes.background_pixel = kTrayFace & 0xFFFFFFu;
    attributes.border_pixel = 0;
    attributes.colormap = DefaultColormap(display, connection_.screen());
    attributes.event_mask =
        ButtonPressMask | ButtonReleaseMask | PointerMotionMask | ExposureMask | StructureNotifyMask;
    window_ = XCreateWindow(display, connection_.root(), 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, connection_.depth(), InputOutput,
                            connection_.visual(), CWBackPixel | CWBorderPixel | CWColormap | CWEventMask,
                            &attributes);
    if (window_ == None)
        return false;
    gc_ = XCreateGC(display, window_, 0, nullptr);
    // XEmbed version 0, mapped: the tray shows the window once it has taken it.
    const long info[2] = {0, kXembedMapped};
    XChangeProperty(display, window_, connection_.atoms().xembedInfo, connection_.atoms().xembedInfo, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(info), 2);
    XClassHint classHint{const_cast<char*>("velmora-tray"), const_cast<char*>("Velmora")};
    XSetClassHint(display, window_, &classHint);
    XSizeHints sizeHints{};
    sizeHints.flags = PMinSize;
    sizeHints.min_width = 16;
    sizeHints.min_height = 16;
    XSetWMNormalHints(display, window_, &sizeHints);
    setTipLocked();
    connection_.addSink(window_, shared_from_this());
    return true;
}

void TrayDock::setTip(const std::string& tip)
{
    std::lock_guard lock(mutex_);
    tip_ = tip;
    if (!removed_)
        setTipLocked();
}

void TrayDock::setTipLocked()
{
    ::Display* display = connection_.display();
    XStoreName(display, window_, tip_.c_str());
    XChangeProperty(display, window_, connection_.atoms().netWmName, connection_.atoms().utf8String, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(tip_.data()),
                    static_cast<int>(tip_.size()));
    XFlush(display);
}

void TrayDock::setIcon(const Surface& icon)
{
    std::lock_guard lock(mutex_);
    icon_ = icon.clone();
    paintLocked();
}

bool TrayDock::isDocked() const
{
    std::lock_guard lock(mutex_);
    return manager_ != None;
}

::Window TrayDock::iconWindow() const
{
    std::lock_guard lock(mutex_);
    return window_;
}

void TrayDock::tryDockLocked()
{
    ::Display* display = connection_.display();
    const ::Window owner = XGetSelectionOwner(display, connection_.atoms().systemTraySelection);
    if (owner == manager_ || removed_)
        return;
    if (manager_ != None)
        connection_.removeSink(manager_, this);
    manager_ = None;
    if (owner == None)
        return; // wait for a MANAGER announcement

    // Learn when this tray goes away, then ask it to take the icon.
    connection_.addSink(owner, shared_from_this());
    ErrorTrap trap(connection_);
    XSelectInput(display, owner, StructureNotifyMask);
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = owner;
    request.xclient.message_type = connection_.atoms().systemTrayOpcode;
    request.xclient.format = 32;
    request.xclient.data.l[0] = static_cast<long>(connection_.lastEventTime());
    request.xclient.data.l[1] = kSystemTrayRequestDock;
    request.xclient.data.l[2] = static_cast<long>(window_);
    XSendEvent(display, owner, False, NoEventMask, &request);
    if (trap.finish() != Success) {
        connection_.removeSink(owner, this); // the tray ended meanwhile; its successor will announce itself
        return;
    }
    manager_ = owner;
}

void TrayDock::remove()
{
    std::lock_guard lock(mutex_);
    if (removed_)
        return;
    removed_ = true;
    connection_.removeRootListener(this);
    if (manager_ != None)
        connection_.removeSink(manager_, this);
    manager_ = None;
    if (window_ == None)
        return;
    connection_.removeSink(window_, this);
    ::Display* display = connection_.display();
    // Destroying the embedded window is how an icon leaves the tray.
    XDestroyWindow(display, window_);
    XFreeGC(display, gc_);
    XFlush(display);
    window_ = None;
    gc_ = nullptr;
}

void TrayDock::paintLocked()
{
    if (removed_ || window_ == None)
        return;
    const int width = width_;
    const int height = height_;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), kTrayFace);
    if (!icon_.isEmpty()) {
        // Nearest-neighbour scaling into the size the tray gave us.
        for (int y = 0; y < height; ++y) {
            const int sourceY = y * icon_.height() / height;
            for (int x = 0; x < width; ++x) {
                const int sourceX = x * icon_.width() / width;
                pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                    blendOnto(icon_.pixel(sourceX, sourceY), kTrayFace);
            }
        }
    }
    ::Display* display = connection_.display();
    XImage* image = XCreateImage(display, connection_.visual(), static_cast<unsigned>(connection_.depth()),
                                 ZPixmap, 0, reinterpret_cast<char*>(pixels.data()),
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
    if (image == nullptr)
        return;
    image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst; // host-order ARGB
    ErrorTrap trap(connection_); // the tray may destroy the window at any time
    XPutImage(display, window_, gc_, image, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    (void)trap.finish();
    image->data = nullptr; // the pixels are the vector's
    XDestroyImage(image);
}

void TrayDock::handleEvent(const XEvent& event)
{
    const Atoms& atoms = connection_.atoms();
    uint32_t mouseMessage = 0;
    {
        std::lock_guard lock(mutex_);
        if (removed_)
            return;
        switch (event.type) {
        case ClientMessage:
            if (event.xclient.window == connection_.root() &&
                static_cast<Atom>(event.xclient.message_type) == atoms.manager &&
                static_cast<Atom>(event.xclient.data.l[1]) == atoms.systemTraySelection)
                tryDockLocked();
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_) {
                // A tray that destroys its own window takes our icon window
                // with it: make a new one and wait for (or ask) the next tray.
                connection_.removeSink(window_, this);
                XFreeGC(connection_.display(), gc_);
                window_ = None;
                gc_ = nullptr;
                if (manager_ != None)
                    connection_.removeSink(manager_, this);
                manager_ = None;
                if (makeWindowLocked())
                    tryDockLocked();
            } else if (event.xdestroywindow.window == manager_ && manager_ != None) {
                connection_.removeSink(manager_, this);
                manager_ = None;
                // A tray that ends hands its icons back to the root window,
                // mapped; ours waits out of sight for the next tray.
                XUnmapWindow(connection_.display(), window_);
                XFlush(connection_.display());
                tryDockLocked(); // another tray may already have taken over
            }
            break;
        case ConfigureNotify:
            if (event.xconfigure.window == window_ && event.xconfigure.width > 0 &&
                event.xconfigure.height > 0) {
                const bool resized = event.xconfigure.width != width_ || event.xconfigure.height != height_;
                width_ = event.xconfigure.width;
                height_ = event.xconfigure.height;
                if (resized)
                    paintLocked();
            }
            break;
        case Expose:
            if (event.xexpose.window == window_ && event.xexpose.count == 0)
                paintLocked();
            break;
        case ButtonPress:
        case ButtonRelease: {
            if (event.xbutton.window != window_)
                break;
            const unsigned button = event.xbutton.button;
            uint32_t down = 0;
            if (button == Button1)
                down = kMsgLButtonDown;
            else if (button == Button3)
                down = kMsgRButtonDown;
            else if (button == Button2)
                down = kMsgMButtonDown;
            if (down == 0)
                break; // the wheel means nothing to a tray icon
            if (event.type == ButtonRelease) {
                mouseMessage = down + 1;
            } else {
                const bool twice = button == lastButton_ && event.xbutton.time - lastPress_ <= kDoubleClickMs;
                mouseMessage = twice ? down + 2 : down;
                lastButton_ = twice ? 0 : button;
                lastPress_ = event.xbutton.time;
            }
            break;
        }
        case MotionNotify:
            if (event.xmotion.window == window_)
                mouseMessage = kMsgMouseMove;
            break;
        default:
            break;
        }
    }
    if (mouseMessage != 0 && report_)
        report_(mouseMessage);
}

} // namespace plat::ui::x11
