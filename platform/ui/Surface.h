#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/core/Api.h"
#include "platform/ui/Colour.h"
#include "platform/ui/Geometry.h"

namespace plat::ui {

// A rectangle of 32-bit ARGB pixels in memory, row after row, stride pixels
// apart. A surface owns its pixels, or is a view of a rectangle of another
// surface's pixels; views share the pixels (and keep them alive), so drawing
// into a view draws into the surface it looks at. Not synchronised: a surface
// is used by one thread at a time.
class PLAT_API Surface {
public:
    Surface() = default; // empty: 0 x 0, no pixels
    // Sizes below 1 give an empty surface; so does a size whose pixels cannot be allocated.
    Surface(int width, int height, Argb fill = kBlack);
    Surface(Surface&&) noexcept = default;
    Surface& operator=(Surface&&) noexcept = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // A view of area (cut to this surface); empty when nothing is left.
    Surface view(const Rect& area) const;
    // A surface of its own with a copy of the pixels.
    Surface clone() const;
    // Gives this object new pixels of the size (views taken before keep the old ones).
    void reset(int width, int height, Argb fill = kBlack);

    bool isEmpty() const { return pixels_ == nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    Size size() const { return {width_, height_}; }
    Rect bounds() const { return {0, 0, width_, height_}; }
    int stride() const { return stride_; } // pixels from one row to the next
    std::size_t strideBytes() const { return std::size_t(stride_) * sizeof(Argb); }

    Argb* row(int y) { return pixels_ + std::ptrdiff_t(y) * stride_; }
    const Argb* row(int y) const { return pixels_ + std::ptrdiff_t(y) * stride_; }
    Argb* pixels() { return pixels_; }
    const Argb* pixels() const { return pixels_; }

    // Outside the surface: pixel answers 0 and setPixel does nothing.
    Argb pixel(int x, int y) const { return bounds().contains(x, y) ? row(y)[x] : 0; }
    void setPixel(int x, int y, Argb colour)
    {
        if (bounds().contains(x, y))
            row(y)[x] = colour;
    }
    void fill(Argb colour);
    void fill(const Rect& area, Argb colour); // cut to the surface

    // Copies from's area (cut to both surfaces) to x, y, pixel for pixel.
    void copyFrom(const Surface& from, const Rect& area, int x, int y);
    // Same size and the same pixels.
    bool samePixels(const Surface& other) const;

private:
    std::shared_ptr<Argb[]> storage_;
    Argb* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
};

} // namespace plat::ui
