#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/ui/Surface.h"
#include "platform/ui/x11/Connection.h"

namespace plat::ui::x11 {

// One icon in the system tray (the freedesktop.org XEmbed tray protocol). The
// icon is a small window of its own that asks the tray manager to dock it.
// While no tray runs it waits: a tray that starts later announces itself with
// a MANAGER message on the root window, and a tray that ends leaves the icon
// waiting for the next one. Mouse activity on the icon is reported as the
// mouse message numbers of the system (left button down, ...).
class TrayDock : public EventSink, public std::enable_shared_from_this<TrayDock> {
public:
    using MouseReport = std::function<void(uint32_t mouseMessage)>;

    // Creates the icon window and docks it when a tray runs. Null when the
    // window cannot be made.
    static std::shared_ptr<TrayDock> create(Connection& connection, const Surface& icon,
                                            const std::string& tip, MouseReport report);
    ~TrayDock() override;

    void setIcon(const Surface& icon);
    void setTip(const std::string& tip);
    // Takes the icon out of the tray and destroys its window; idempotent.
    void remove();

    bool isDocked() const;
    ::Window iconWindow() const;

    void handleEvent(const XEvent& event) override;

private:
    TrayDock(Connection& connection, MouseReport report);
    // The icon window (for the tip and the current size); false when it cannot be made.
    [[nodiscard]] bool makeWindowLocked();
    void setTipLocked();
    // Asks the current tray manager, if any, to take the icon.
    void tryDockLocked();
    void paintLocked();

    Connection& connection_;
    MouseReport report_;

    // Guards everything below: the owner thread and the event thread both
    // use it, and X calls on the window and GC are made under it, so neither
    // is freed while the other thread draws.
    mutable std::mutex mutex_;
    ::Window window_ = None;
    GC gc_ = nullptr;
    Surface icon_;
    std::string tip_;
    ::Window manager_ = None; // the tray we asked to dock in, None while waiting
    bool removed_ = false;
    int width_ = 24;
    int height_ = 24;
    Time lastPress_ = 0;
    unsigned lastButton_ = 0;
};

} // namespace plat::ui::x11
