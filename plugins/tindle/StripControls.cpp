#include "plugins/tindle/StripControls.h"

#include <algorithm>
#include <cstdint>

#include "platform/ui/Colour.h"

namespace tindle {

using namespace plat::ui;

// ---- the display ----------------------------------------------------------------

WaveformDisplay::WaveformDisplay(zkr::UserInterface* owner) : zkr::Control(owner) {}

void WaveformDisplay::place(const Box& box)
{
    rect = Rect::fromSize(box.x, box.y, box.width, box.height);
    width = box.width;
    height = box.height;
    region = plat::ui::Region(rect);
}

void WaveformDisplay::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    if (picture_.isEmpty()) {
        dc->fillRect(rect, kEmptyDisplayColour);
    } else {
        dc->blit(rect.left, rect.top, picture_);
        dc->fillRect(Rect::fromSize(rect.left + cursorX, rect.top, 1, rect.height()), kCursorColour);
    }
    if (overlay != nullptr && overlay->visible)
        overlay->paint(dc);
}

void WaveformDisplay::show(const Surface& picture, uint32_t lengthMs)
{
    picture_ = picture.clone();
    totalMs = lengthMs > 0 ? lengthMs : 1;
    positionMs = 0;
    cursorX = 0;
    previousCursorX = 0;
    repaint();
}

void WaveformDisplay::clear()
{
    picture_ = Surface();
    positionMs = 0;
    cursorX = 0;
    previousCursorX = 0;
    repaint();
}

void WaveformDisplay::rewind()
{
    positionMs = 0;
    placeCursor(0);
}

void WaveformDisplay::advance(bool restarted, uint32_t blocks)
{
    if (restarted)
        positionMs = 0;
    for (uint32_t block = 0; block < blocks; ++block) {
        positionMs += advanceMs;
        if (positionMs >= totalMs)
            positionMs = 0;
    }
    placeCursor(static_cast<int32_t>(int64_t(width) * positionMs / totalMs));
}

uint32_t WaveformDisplay::blocksToNextColumn() const
{
    if (advanceMs == 0 || width <= 0)
        return 1;
    const uint64_t total = totalMs;
    const uint64_t column = uint64_t(width) * positionMs / total;
    // The first position of the next column, or the end, where the cursor wraps.
    const uint64_t boundary = std::min(((column + 1) * total + uint64_t(width) - 1) / uint64_t(width), total);
    const uint64_t distance = boundary > positionMs ? boundary - positionMs : 1;
    return static_cast<uint32_t>(std::clamp<uint64_t>((distance + advanceMs - 1) / advanceMs, 1, UINT32_MAX));
}

void WaveformDisplay::placeCursor(int32_t x)
{
    previousCursorX = cursorX;
    cursorX = x;
    if (cursorX != previousCursorX && hasPicture())
        repaint();
}

} // namespace tindle
