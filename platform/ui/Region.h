#pragma once

#include <vector>

#include "platform/core/Api.h"
#include "platform/ui/Colour.h"
#include "platform/ui/Geometry.h"

namespace plat::ui {

class Surface;

// A set of pixels kept as y-banded rectangles: rows of rectangles with equal
// top and bottom, sorted by top, then by left, never overlapping or touching
// within a band, and no two touching bands with the same rectangles. So two
// regions of the same pixels have the same rectangle list.
class PLAT_API Region {
public:
    Region() = default; // empty
    explicit Region(const Rect& rect);
    // Every pixel of the mask that is not exactly white (0xFFFFFF, alpha
    // ignored): white is what falls outside a window shaped by the mask.
    static Region fromMask(const Surface& mask);

    bool isEmpty() const { return rects_.empty(); }
    Rect bounds() const;
    bool contains(int x, int y) const;
    bool contains(Point p) const { return contains(p.x, p.y); }
    void offset(int dx, int dy);
    // The rectangles, in band order.
    const std::vector<Rect>& rects() const { return rects_; }

    Region unite(const Region& other) const;
    Region intersect(const Region& other) const;
    Region subtract(const Region& other) const;
    Region exclusiveOr(const Region& other) const;
    Region unite(const Rect& rect) const { return unite(Region(rect)); }
    Region intersect(const Rect& rect) const { return intersect(Region(rect)); }
    Region subtract(const Rect& rect) const { return subtract(Region(rect)); }

    friend bool operator==(const Region&, const Region&) = default;

private:
    std::vector<Rect> rects_;
};

} // namespace plat::ui
