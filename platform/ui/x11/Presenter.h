#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Surface.h"

namespace plat::ui::x11 {

class Connection;

// Copies rectangles of a window's back buffer to the window: through a shared
// memory image when the server is local and takes one, else with plain
// XPutImage. Used on the window's own thread only.
class Presenter {
public:
    Presenter(Connection& connection, ::Window window);
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;
    ~Presenter();

    // buffer in logical pixels: enlarged to the connection's scale on the way.
    void present(const Surface& buffer, const std::vector<Rect>& rects);
    bool usesSharedMemory() const { return shmImage_ != nullptr; }

private:
    // Puts rectangles of screen pixels on the window.
    void show(const Surface& buffer, const std::vector<Rect>& rects);
    // A shared image at least as large as the buffer; false to fall back.
    [[nodiscard]] bool ensureSharedImage(int width, int height);
    void releaseSharedImage();
    void presentShared(const Surface& buffer, const std::vector<Rect>& rects);
    void presentPlain(const Surface& buffer, const std::vector<Rect>& rects);

    Connection& connection_;
    ::Window window_;
    GC gc_ = nullptr;
    XShmSegmentInfo segment_{};
    XImage* shmImage_ = nullptr;
    bool shmRefused_ = false; // tried once and the server would not attach
    Surface scaled_;          // the buffer as the screen shows it, when scaled
};

} // namespace plat::ui::x11
