#include "plugins/velmoraeq/CurveDisplay.h"

#include <vector>

namespace velmoraeq {

using namespace plat::ui;

CurveDisplay::CurveDisplay(zkr::UserInterface* owner) : Control(owner) {}

void CurveDisplay::place(int x, int y)
{
    rect = Rect::fromSize(x, y, kWidth, kHeight);
    width = kWidth;
    height = kHeight;
    region = Region(rect);
}

void CurveDisplay::redraw(const EqChannels& channels)
{
    if (!picture_.hasBitmap())
        return;
    Painter& dc = picture_.dc();
    constexpr int middle = kHeight / 2;
    dc.fillRect({0, 0, kWidth, kHeight}, kBackground);
    dc.setPen(Pen::solid(kZeroLine));
    dc.line(0, middle, kWidth, middle);
    for (int index = engine::kChannelCount - 1; index >= 0; --index) {
        const EqChannel* channel = channels.at(index);
        const int32_t bands = channel != nullptr ? channel->bandCount() : 0;
        if (bands <= 0)
            continue;
        // One point in the middle of each band's share of the width.
        const int step = kWidth / bands;
        std::vector<Point> points{{0, middle}};
        for (int band = 0; band < bands; ++band)
            points.push_back({step / 2 + band * step, middle - middle * channel->bandGain(band) / 100});
        points.push_back({kWidth, middle});
        dc.setPen(Pen::solid(kChannelColours[index]));
        dc.polyline(points);
    }
    repaint();
}

void CurveDisplay::paint(Painter* dc)
{
    if (dc != nullptr && picture_.hasBitmap())
        picture_.picture().blitAll(*dc, rect.left, rect.top);
}

} // namespace velmoraeq
