#include "platform/ui/x11/X11Backend.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <vector>

#include "platform/ui/Region.h"
#include "platform/ui/Surface.h"
#include "platform/ui/x11/Connection.h"
#include "platform/ui/x11/TrayDock.h"
#include "platform/ui/x11/X11Window.h"

namespace plat::ui::x11 {

namespace {

// The numbers of _NET_WORKAREA: x, y, width and height for each desktop.
constexpr unsigned long kWorkAreaFields = 4;
// Far more than any desktop count, so a property is read whole.
constexpr long kMostCardinalsRead = 4096;

struct XFreeDeleter {
    void operator()(unsigned char* data) const { XFree(data); }
};

// A CARDINAL[] property of the root window; empty when it is not set.
std::vector<long> rootCardinals(Connection& connection, Atom property)
{
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* raw = nullptr;
    const int status =
        XGetWindowProperty(connection.display(), connection.root(), property, 0, kMostCardinalsRead, False,
                           XA_CARDINAL, &actualType, &actualFormat, &count, &remaining, &raw);
    const std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
    if (status != Success || data == nullptr || actualType != XA_CARDINAL || actualFormat != 32)
        return {};
    // Xlib hands 32-bit items as longs.
    const auto* items = reinterpret_cast<const long*>(data.get());
    return std::vector<long>(items, items + count);
}

} // namespace

std::unique_ptr<Backend> createBackend()
{
    return std::make_unique<X11Backend>();
}

X11Backend::X11Backend() = default;

X11Backend::~X11Backend()
{
    std::unordered_map<NativeWindow, std::shared_ptr<X11Window>> windows;
    std::map<std::pair<WindowHandle, uint32_t>, TrayEntry> trayIcons;
    {
        std::lock_guard lock(mutex_);
        windows.swap(windows_);
        trayIcons.swap(trayIcons_);
    }
    for (auto& [key, entry] : trayIcons)
        entry.dock->remove();
    for (auto& [id, window] : windows)
        window->destroy();
    // The records must go before the connection they use.
    trayIcons.clear();
    windows.clear();
    connection_.reset();
}

bool X11Backend::open(std::string& error)
{
    if (connection_)
        return true;
    connection_ = Connection::open(error);
    return connection_ != nullptr;
}

std::shared_ptr<X11Window> X11Backend::find(NativeWindow window) const
{
    std::lock_guard lock(mutex_);
    auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : found->second;
}

NativeWindow X11Backend::createWindow(const NativeWindowSpec& description)
{
    if (!connection_)
        return 0;
    const ::Window owner = find(description.owner) ? static_cast<::Window>(description.owner) : None;
    std::shared_ptr<X11Window> window = X11Window::create(*connection_, description, owner);
    if (!window)
        return 0;
    const auto id = static_cast<NativeWindow>(window->xid());
    std::lock_guard lock(mutex_);
    windows_[id] = std::move(window);
    return id;
}

void X11Backend::destroyWindow(NativeWindow window)
{
    std::shared_ptr<X11Window> record;
    {
        std::lock_guard lock(mutex_);
        auto found = windows_.find(window);
        if (found == windows_.end())
            return;
        record = std::move(found->second);
        windows_.erase(found);
    }
    record->destroy();
}

void X11Backend::setTitle(NativeWindow window, const std::string& title)
{
    if (auto record = find(window))
        record->setTitle(title);
}

void X11Backend::setBounds(NativeWindow window, const Rect& screenBounds)
{
    if (auto record = find(window))
        record->setBounds(screenBounds);
}

void X11Backend::setVisibility(NativeWindow window, Visibility visibility, bool activate)
{
    if (auto record = find(window))
        record->setVisibility(visibility, activate);
}

void X11Backend::setTopmost(NativeWindow window, bool topmost)
{
    if (auto record = find(window))
        record->setTopmost(topmost);
}

void X11Backend::setOwner(NativeWindow window, NativeWindow owner)
{
    if (auto record = find(window))
        record->setOwner(find(owner) ? static_cast<::Window>(owner) : None);
}

void X11Backend::setShape(NativeWindow window, const Region* shape)
{
    auto record = find(window);
    if (!record)
        return;
    if (shape == nullptr)
        record->setShape(nullptr);
    else
        record->setShape(&shape->rects());
}

void X11Backend::setAcceptFiles(NativeWindow window, bool accept)
{
    if (auto record = find(window))
        record->setAcceptFiles(accept);
}

void X11Backend::raiseAndFocus(NativeWindow window)
{
    if (auto record = find(window))
        record->raiseAndFocus();
}

void X11Backend::present(NativeWindow window, const Surface& backBuffer, const std::vector<Rect>& rects)
{
    if (auto record = find(window))
        record->present(backBuffer, rects);
}

void X11Backend::setCapture(NativeWindow window)
{
    if (!connection_)
        return;
    ::Display* display = connection_->display();
    if (window == 0 || !find(window)) {
        XUngrabPointer(display, CurrentTime);
    } else {
        // Every pointer event goes to the capturing window, in its coordinates.
        XGrabPointer(display, static_cast<::Window>(window), False,
                     ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync, GrabModeAsync,
                     None, None, CurrentTime);
    }
    XFlush(display);
}

void X11Backend::flash(NativeWindow window, bool on)
{
    if (!connection_ || !find(window))
        return;
    // The urgency hint is how X asks the window manager to draw attention;
    // it ends when the flash is ended.
    ::Display* display = connection_->display();
    XWMHints* hints = XGetWMHints(display, static_cast<::Window>(window));
    XWMHints fallback{};
    XWMHints& changed = hints != nullptr ? *hints : fallback;
    if (on)
        changed.flags |= XUrgencyHint;
    else
        changed.flags &= ~XUrgencyHint;
    XSetWMHints(display, static_cast<::Window>(window), &changed);
    if (hints != nullptr)
        XFree(hints);
    XFlush(display);
}

void X11Backend::bell()
{
    if (!connection_)
        return;
    ::Display* display = connection_->display();
    XBell(display, 0);
    XFlush(display);
}

Point X11Backend::cursorPosition()
{
    Point point;
    if (connection_) {
        (void)connection_->pointerPosition(point.x, point.y); // the root position holds off this screen too
        point = connection_->scale().toLogical(point);
    }
    return point;
}

Size X11Backend::screenSize()
{
    if (!connection_)
        return {};
    ::Display* display = connection_->display();
    return connection_->scale().toLogical(
        Size{DisplayWidth(display, connection_->screen()), DisplayHeight(display, connection_->screen())});
}

Rect X11Backend::workArea()
{
    const Size size = screenSize();
    const Rect screen = Rect::fromSize(0, 0, size.width, size.height);
    if (!connection_)
        return screen;
    // The window manager keeps one area per desktop; the current one counts.
    const std::vector<long> areas = rootCardinals(*connection_, connection_->atoms().netWorkarea);
    const std::vector<long> current = rootCardinals(*connection_, connection_->atoms().netCurrentDesktop);
    if (areas.size() < kWorkAreaFields)
        return screen;
    unsigned long desktop = current.empty() ? 0 : static_cast<unsigned long>(current.front());
    if ((desktop + 1) * kWorkAreaFields > areas.size())
        desktop = 0;
    const long* area = areas.data() + desktop * kWorkAreaFields;
    const Scale scale = connection_->scale();
    const Rect kept = Rect::fromSize(static_cast<int>(area[0]), static_cast<int>(area[1]),
                                     static_cast<int>(area[2]), static_cast<int>(area[3]));
    // The logical pixels wholly inside it.
    const Rect logical = Rect{scale.toLogical(kept.left - 1) + 1, scale.toLogical(kept.top - 1) + 1,
                              scale.toLogical(kept.right), scale.toLogical(kept.bottom)}
                             .intersect(screen);
    // A window manager that says something senseless is not followed.
    return logical.isEmpty() ? screen : logical;
}

bool X11Backend::showTrayIcon(const TrayIconSpec& icon)
{
    if (!connection_)
        return false;
    const auto key = std::make_pair(icon.owner, icon.id);
    TrayIconSpec kept = icon;
    kept.icon = nullptr;
    std::shared_ptr<TrayDock> existing;
    {
        std::lock_guard lock(mutex_);
        if (auto found = trayIcons_.find(key); found != trayIcons_.end()) {
            existing = found->second.dock;
            found->second.description = kept;
        }
    }
    if (existing) {
        if (icon.icon != nullptr)
            existing->setIcon(*icon.icon);
        existing->setTip(icon.tip);
        return true;
    }
    const Surface none;
    const WindowHandle owner = icon.owner;
    const uint32_t id = icon.id;
    auto dock = TrayDock::create(
        *connection_, icon.icon != nullptr ? *icon.icon : none, icon.tip,
        [this, owner, id](uint32_t mouseMessage) { reportTrayMouse(owner, id, mouseMessage); });
    if (!dock)
        return false;
    std::lock_guard lock(mutex_);
    trayIcons_[key] = TrayEntry{kept, std::move(dock)};
    return true;
}

// On the event thread; the entry may have been removed meanwhile.
void X11Backend::reportTrayMouse(WindowHandle owner, uint32_t id, uint32_t mouseMessage)
{
    TrayIconSpec description;
    {
        std::lock_guard lock(mutex_);
        auto found = trayIcons_.find({owner, id});
        if (found == trayIcons_.end())
            return;
        description = found->second.description;
    }
    deliverTrayMouse(description, mouseMessage);
}

bool X11Backend::removeTrayIcon(WindowHandle owner, uint32_t id)
{
    std::shared_ptr<TrayDock> dock;
    {
        std::lock_guard lock(mutex_);
        auto found = trayIcons_.find({owner, id});
        if (found == trayIcons_.end())
            return false;
        dock = std::move(found->second.dock);
        trayIcons_.erase(found);
    }
    dock->remove();
    return true;
}

} // namespace plat::ui::x11
