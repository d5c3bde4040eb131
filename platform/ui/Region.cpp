#include "platform/ui/Region.h"

#include <algorithm>
#include <utility>

#include "platform/ui/Surface.h"

namespace plat::ui {

namespace {

using Span = std::pair<int, int>; // left, right (exclusive)

struct Band {
    int top;
    int bottom;
    std::vector<Span> spans;
};

std::vector<Band> bandsOf(const std::vector<Rect>& rects)
{
    std::vector<Band> bands;
    for (const Rect& r : rects) {
        if (bands.empty() || bands.back().top != r.top)
            bands.push_back({r.top, r.bottom, {}});
        bands.back().spans.emplace_back(r.left, r.right);
    }
    return bands;
}

// Adds a band below the ones built so far, joining it to the last when they
// touch and hold the same spans, so that equal pixel sets give equal lists.
void appendBand(std::vector<Band>& bands, int top, int bottom, std::vector<Span>&& spans)
{
    if (spans.empty() || top >= bottom)
        return;
    if (!bands.empty() && bands.back().bottom == top && bands.back().spans == spans) {
        bands.back().bottom = bottom;
        return;
    }
    bands.push_back({top, bottom, std::move(spans)});
}

std::vector<Rect> rectsOf(const std::vector<Band>& bands)
{
    std::vector<Rect> rects;
    for (const Band& band : bands) {
        for (const Span& s : band.spans)
            rects.push_back({s.first, band.top, s.second, band.bottom});
    }
    return rects;
}

enum class Op { Unite, Intersect, Subtract, Xor };

bool keeps(Op op, bool inA, bool inB)
{
    switch (op) {
    case Op::Unite:
        return inA || inB;
    case Op::Intersect:
        return inA && inB;
    case Op::Subtract:
        return inA && !inB;
    case Op::Xor:
        return inA != inB;
    }
    return false;
}

bool inSpans(const std::vector<Span>& spans, int x)
{
    for (const Span& s : spans) {
        if (x < s.first)
            return false;
        if (x < s.second)
            return true;
    }
    return false;
}

std::vector<Span> combineSpans(Op op, const std::vector<Span>& a, const std::vector<Span>& b)
{
    std::vector<int> edges;
    edges.reserve((a.size() + b.size()) * 2);
    for (const Span& s : a) {
        edges.push_back(s.first);
        edges.push_back(s.second);
    }
    for (const Span& s : b) {
        edges.push_back(s.first);
        edges.push_back(s.second);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::vector<Span> result;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        const int x = edges[i];
        if (!keeps(op, inSpans(a, x), inSpans(b, x)))
            continue;
        if (!result.empty() && result.back().second == x)
            result.back().second = edges[i + 1];
        else
            result.emplace_back(x, edges[i + 1]);
    }
    return result;
}

const std::vector<Span>& spansAt(const std::vector<Band>& bands, std::size_t& cursor, int y)
{
    static const std::vector<Span> kNone;
    while (cursor < bands.size() && bands[cursor].bottom <= y)
        ++cursor;
    if (cursor < bands.size() && bands[cursor].top <= y)
        return bands[cursor].spans;
    return kNone;
}

std::vector<Rect> combine(Op op, const std::vector<Rect>& a, const std::vector<Rect>& b)
{
    const std::vector<Band> bandsA = bandsOf(a);
    const std::vector<Band> bandsB = bandsOf(b);
    std::vector<int> edges;
    for (const std::vector<Band>* bands : {&bandsA, &bandsB}) {
        for (const Band& band : *bands) {
            edges.push_back(band.top);
            edges.push_back(band.bottom);
        }
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::vector<Band> result;
    std::size_t cursorA = 0;
    std::size_t cursorB = 0;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        const int y = edges[i];
        const std::vector<Span>& spansA = spansAt(bandsA, cursorA, y);
        const std::vector<Span>& spansB = spansAt(bandsB, cursorB, y);
        appendBand(result, y, edges[i + 1], combineSpans(op, spansA, spansB));
    }
    return rectsOf(result);
}

} // namespace

Region::Region(const Rect& rect)
{
    if (!rect.isEmpty())
        rects_.push_back(rect);
}

Region Region::fromMask(const Surface& mask)
{
    std::vector<Band> bands;
    for (int y = 0; y < mask.height(); ++y) {
        const Argb* row = mask.row(y);
        std::vector<Span> spans;
        int x = 0;
        while (x < mask.width()) {
            while (x < mask.width() && sameColour(row[x], kWhite))
                ++x;
            const int start = x;
            while (x < mask.width() && !sameColour(row[x], kWhite))
                ++x;
            if (x > start)
                spans.emplace_back(start, x);
        }
        appendBand(bands, y, y + 1, std::move(spans));
    }
    Region region;
    region.rects_ = rectsOf(bands);
    return region;
}

Rect Region::bounds() const
{
    Rect all;
    for (const Rect& r : rects_)
        all = all.unite(r);
    return all;
}

bool Region::contains(int x, int y) const
{
    for (const Rect& r : rects_) {
        if (r.top > y)
            return false;
        if (r.contains(x, y))
            return true;
    }
    return false;
}

void Region::offset(int dx, int dy)
{
    for (Rect& r : rects_)
        r = r.offsetBy(dx, dy);
}

Region Region::unite(const Region& other) const
{
    Region result;
    result.rects_ = combine(Op::Unite, rects_, other.rects_);
    return result;
}

Region Region::intersect(const Region& other) const
{
    Region result;
    result.rects_ = combine(Op::Intersect, rects_, other.rects_);
    return result;
}

Region Region::subtract(const Region& other) const
{
    Region result;
    result.rects_ = combine(Op::Subtract, rects_, other.rects_);
    return result;
}

Region Region::exclusiveOr(const Region& other) const
{
    Region result;
    result.rects_ = combine(Op::Xor, rects_, other.rects_);
    return result;
}

} // namespace plat::ui
