#include "platform/ui/Surface.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace plat::ui {

Surface::Surface(int width, int height, Argb fill)
{
    reset(width, height, fill);
}

void Surface::reset(int width, int height, Argb fill)
{
    storage_.reset();
    pixels_ = nullptr;
    width_ = height_ = stride_ = 0;
    if (width < 1 || height < 1)
        return;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    if (count / std::size_t(width) != std::size_t(height))
        return;
    std::shared_ptr<Argb[]> storage(new (std::nothrow) Argb[count]);
    if (!storage)
        return;
    storage_ = std::move(storage);
    pixels_ = storage_.get();
    width_ = width;
    height_ = height;
    stride_ = width;
    this->fill(fill);
}

Surface Surface::view(const Rect& area) const
{
    Surface view;
    const Rect cut = area.intersect(bounds());
    if (cut.isEmpty())
        return view;
    view.storage_ = storage_;
    view.pixels_ = pixels_ + std::ptrdiff_t(cut.top) * stride_ + cut.left;
    view.width_ = cut.width();
    view.height_ = cut.height();
    view.stride_ = stride_;
    return view;
}

Surface Surface::clone() const
{
    Surface copy;
    if (isEmpty())
        return copy;
    copy.reset(width_, height_);
    copy.copyFrom(*this, bounds(), 0, 0);
    return copy;
}

void Surface::fill(Argb colour)
{
    fill(bounds(), colour);
}

void Surface::fill(const Rect& area, Argb colour)
{
    const Rect cut = area.intersect(bounds());
    for (int y = cut.top; y < cut.bottom; ++y)
        std::fill(row(y) + cut.left, row(y) + cut.right, colour);
}

void Surface::copyFrom(const Surface& from, const Rect& area, int x, int y)
{
    Rect source = area.intersect(from.bounds());
    // Move the destination with whatever the source lost on the left and top.
    x += source.left - area.left;
    y += source.top - area.top;
    const Rect target = Rect::fromSize(x, y, source.width(), source.height()).intersect(bounds());
    if (target.isEmpty())
        return;
    source = Rect::fromSize(source.left + (target.left - x), source.top + (target.top - y), target.width(),
                            target.height());
    const std::size_t bytes = std::size_t(target.width()) * sizeof(Argb);
    // A view may overlap its own surface: copy rows in the safe order.
    const bool upward = from.storage_ == storage_ && target.top > source.top;
    for (int i = 0; i < target.height(); ++i) {
        const int r = upward ? target.height() - 1 - i : i;
        std::memmove(row(target.top + r) + target.left, from.row(source.top + r) + source.left, bytes);
    }
}

bool Surface::samePixels(const Surface& other) const
{
    if (size() != other.size())
        return false;
    for (int y = 0; y < height_; ++y) {
        if (std::memcmp(row(y), other.row(y), std::size_t(width_) * sizeof(Argb)) != 0)
            return false;
    }
    return true;
}

} // namespace plat::ui
