#pragma once

#include <algorithm>

// Points, sizes and rectangles in pixels. A rectangle covers left..right-1 and
// top..bottom-1: right and bottom are exclusive, as the system's original
// platform had them.
namespace plat::ui {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr Rect fromSize(int x, int y, int width, int height)
    {
        return {x, y, x + width, y + height};
    }

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr Size size() const { return {width(), height()}; }
    constexpr Point topLeft() const { return {left, top}; }
    // Nothing inside: a zero or negative width or height.
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    constexpr bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    constexpr bool contains(Point p) const { return contains(p.x, p.y); }

    constexpr Rect offsetBy(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // Grows by dx on the left and right and dy at the top and bottom (shrinks when negative).
    constexpr Rect inflatedBy(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    // The common part; an empty result is always {0, 0, 0, 0}.
    constexpr Rect intersect(const Rect& other) const
    {
        const Rect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                     std::min(bottom, other.bottom)};
        return r.isEmpty() ? Rect{} : r;
    }
    constexpr bool intersects(const Rect& other) const { return !intersect(other).isEmpty(); }
    // The smallest rectangle holding both; an empty rectangle adds nothing.
    constexpr Rect unite(const Rect& other) const
    {
        if (isEmpty())
            return other.isEmpty() ? Rect{} : other;
        if (other.isEmpty())
            return *this;
        return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                std::max(bottom, other.bottom)};
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace plat::ui
