#include "platform/ui/x11/Presenter.h"

#include <X11/Xutil.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <atomic>
#include <bit>
#include <cstring>

#include "platform/ui/ScreenText.h"
#include "platform/ui/Surface.h"
#include "platform/ui/x11/Connection.h"

namespace plat::ui::x11 {

namespace {

// Once the server has refused a segment (e.g. it runs in another namespace),
// no window of the process tries again.
std::atomic<bool> sharedMemoryRefused{false};

} // namespace

Presenter::Presenter(Connection& connection, ::Window window) : connection_(connection), window_(window)
{
    gc_ = XCreateGC(connection_.display(), window_, 0, nullptr);
    XSetGraphicsExposures(connection_.display(), gc_, False);
}

Presenter::~Presenter()
{
    releaseSharedImage();
    if (gc_ != nullptr)
        XFreeGC(connection_.display(), gc_);
}

void Presenter::present(const Surface& buffer, const std::vector<Rect>& rects)
{
    if (buffer.isEmpty() || rects.empty())
        return;
    const Scale scale = connection_.scale();
    if (scale.isOne()) {
        show(buffer, rects);
        return;
    }
    const Size size = scale.toScreen(buffer.size());
    if (scaled_.size() != size)
        scaled_.reset(size.width, size.height);
    std::vector<Rect> screenRects;
    screenRects.reserve(rects.size());
    for (const Rect& rect : rects) {
        renderScaled(buffer, rect, scale, scaled_);
        screenRects.push_back(scale.toScreen(rect));
    }
    show(scaled_, screenRects);
}

void Presenter::show(const Surface& buffer, const std::vector<Rect>& rects)
{
    if (!shmRefused_ && connection_.shmCandidate() && !sharedMemoryRefused.load() &&
        ensureSharedImage(buffer.width(), buffer.height()))
        presentShared(buffer, rects);
    else
        presentPlain(buffer, rects);
}

bool Presenter::ensureSharedImage(int width, int height)
{
    if (shmImage_ != nullptr && shmImage_->width >= width && shmImage_->height >= height)
        return true;
    releaseSharedImage();
    ::Display* display = connection_.display();
    XImage* image =
        XShmCreateImage(display, connection_.visual(), static_cast<unsigned>(connection_.depth()), ZPixmap,
                        nullptr, &segment_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image == nullptr || image->bits_per_pixel != 32) {
        if (image != nullptr)
            XDestroyImage(image);
        shmRefused_ = true;
        return false;
    }
    segment_.shmid =
        shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height),
               IPC_CREAT | 0600);
    if (segment_.shmid < 0) {
        XDestroyImage(image);
        shmRefused_ = true;
        return false;
    }
    segment_.shmaddr = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
    if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(segment_.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        shmRefused_ = true;
        return false;
    }
    image->data = segment_.shmaddr;
    segment_.readOnly = True;
    ErrorTrap trap(connection_);
    XShmAttach(display, &segment_);
    const bool attached = trap.finish() == Success;
    // Marked for removal now: the segment goes when both sides have detached,
    // even if the process ends abruptly.
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (!attached) {
        shmdt(segment_.shmaddr);
        image->data = nullptr;
        XDestroyImage(image);
        segment_ = {};
        shmRefused_ = true;
        sharedMemoryRefused.store(true);
        return false;
    }
    shmImage_ = image;
    return true;
}

void Presenter::releaseSharedImage()
{
    if (shmImage_ == nullptr)
        return;
    ::Display* display = connection_.display();
    XShmDetach(display, &segment_);
    XSync(display, False);
    shmdt(segment_.shmaddr);
    shmImage_->data = nullptr;
    XDestroyImage(shmImage_);
    shmImage_ = nullptr;
    segment_ = {};
}

void Presenter::presentShared(const Surface& buffer, const std::vector<Rect>& rects)
{
    ::Display* display = connection_.display();
    for (const Rect& wanted : rects) {
        const Rect rect = wanted.intersect(buffer.bounds());
        if (rect.isEmpty())
            continue;
        const size_t rowBytes = static_cast<size_t>(rect.width()) * sizeof(Argb);
        for (int y = rect.top; y < rect.bottom; ++y) {
            char* target = shmImage_->data + static_cast<ptrdiff_t>(y) * shmImage_->bytes_per_line +
                           static_cast<ptrdiff_t>(rect.left) * 4;
            std::memcpy(target, buffer.row(y) + rect.left, rowBytes);
        }
        XShmPutImage(display, window_, gc_, shmImage_, rect.left, rect.top, rect.left, rect.top,
                     static_cast<unsigned>(rect.width()), static_cast<unsigned>(rect.height()), False);
    }
    // The server reads the segment while it handles the requests: wait, so the
    // next presentation does not write into pixels still being read.
    XSync(display, False);
}

void Presenter::presentPlain(const Surface& buffer, const std::vector<Rect>& rects)
{
    ::Display* display = connection_.display();
    // An image over the buffer's own pixels; XPutImage copies what it sends.
    XImage* image =
        XCreateImage(display, connection_.visual(), static_cast<unsigned>(connection_.depth()), ZPixmap, 0,
                     const_cast<char*>(reinterpret_cast<const char*>(buffer.pixels())),
                     static_cast<unsigned>(buffer.width()), static_cast<unsigned>(buffer.height()), 32,
                     static_cast<int>(buffer.strideBytes()));
    if (image == nullptr)
        return;
    // Host-order 0xAARRGGBB pixels; Xlib swaps when the server differs.
    image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    for (const Rect& wanted : rects) {
        const Rect rect = wanted.intersect(buffer.bounds());
        if (!rect.isEmpty())
            XPutImage(display, window_, gc_, image, rect.left, rect.top, rect.left, rect.top,
                      static_cast<unsigned>(rect.width()), static_cast<unsigned>(rect.height()));
    }
    image->data = nullptr;
    XDestroyImage(image);
    XFlush(display);
}

} // namespace plat::ui::x11
