#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/ui/Backend.h"

namespace plat::ui::x11 {

class Connection;
class TrayDock;
class X11Window;

// Top-level windows as X windows on $DISPLAY: shapes through the shape
// extension, presentation through MIT-SHM where it can be had, the tray icon
// through the XEmbed system tray, dropped files through XDND.
class X11Backend : public Backend {
public:
    X11Backend();
    ~X11Backend() override;

    const char* name() const override { return "x11"; }
    [[nodiscard]] bool open(std::string& error) override;

    NativeWindow createWindow(const NativeWindowSpec& description) override;
    void destroyWindow(NativeWindow window) override;
    void setTitle(NativeWindow window, const std::string& title) override;
    void setBounds(NativeWindow window, const Rect& screenBounds) override;
    void setVisibility(NativeWindow window, Visibility visibility, bool activate) override;
    void setTopmost(NativeWindow window, bool topmost) override;
    void setOwner(NativeWindow window, NativeWindow owner) override;
    void setShape(NativeWindow window, const Region* shape) override;
    void setAcceptFiles(NativeWindow window, bool accept) override;
    void raiseAndFocus(NativeWindow window) override;
    void present(NativeWindow window, const Surface& backBuffer, const std::vector<Rect>& rects) override;
    void setCapture(NativeWindow window) override;
    Point cursorPosition() override;
    Size screenSize() override;
    // _NET_WORKAREA of the current desktop when the window manager sets it.
    Rect workArea() override;

    [[nodiscard]] bool showTrayIcon(const TrayIconSpec& icon) override;
    [[nodiscard]] bool removeTrayIcon(WindowHandle owner, uint32_t id) override;
    void bell() override;
    void flash(NativeWindow window, bool on) override;

private:
    std::shared_ptr<X11Window> find(NativeWindow window) const;
    void reportTrayMouse(WindowHandle owner, uint32_t id, uint32_t mouseMessage);

    struct TrayEntry {
        TrayIconSpec description; // its icon pointer is not kept
        std::shared_ptr<TrayDock> dock;
    };

    std::unique_ptr<Connection> connection_; // set once by open, before any other call
    mutable std::mutex mutex_;               // guards windows_ and trayIcons_ (windows of many threads)
    std::unordered_map<NativeWindow, std::shared_ptr<X11Window>> windows_;
    std::map<std::pair<WindowHandle, uint32_t>, TrayEntry> trayIcons_;
};

// The backend for VELMORA_UI=x11 (and by default).
[[nodiscard]] std::unique_ptr<Backend> createBackend();

} // namespace plat::ui::x11
