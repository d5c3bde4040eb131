#include "zkr/SliderControl.h"

#include <algorithm>

#include "platform/ui/Messages.h"
#include "zkr/BitmapFont.h"
#include "zkr/BitmapObject.h"

namespace zkr {

using namespace plat::ui;

namespace {

constexpr Argb kValueTextColour = rgb(0, 255, 0);

int32_t imageWidth(const BitmapObject* image)
{
    return image != nullptr ? image->width() : 0;
}

int32_t imageHeight(const BitmapObject* image)
{
    return image != nullptr ? image->height() : 0;
}

} // namespace

SliderControl::SliderControl(UserInterface* ui) : ValueControl(ui) {}

void SliderControl::place(int x, int y, const SliderDescriptor& descriptor)
{
    orientation = descriptor.orientation;
    trackRect = descriptor.track.offsetBy(x, y);
    meterRect = descriptor.meter.offsetBy(x, y);
    textRect = descriptor.text.offsetBy(x, y);
    background = descriptor.background;
    thumb = descriptor.thumb;
    meterLit = descriptor.meterLit;
    meterUnlit = descriptor.meterUnlit;
    segmentCount = descriptor.segmentCount;

    width = imageWidth(background);
    height = imageHeight(background);
    rect = Rect::fromSize(x, y, width, height);
    region = Region(rect);

    // A meter needs somewhere to go, something to show and segments to count.
    hasMeter = !descriptor.meter.isEmpty() && meterLit != nullptr && !meterLit->isEmpty() && segmentCount > 0;
    segmentSize = 0;
    if (hasMeter)
        segmentSize = (isVertical() ? meterLit->height() : meterLit->width()) / segmentCount;

    trackLength = isVertical() ? trackRect.height() : trackRect.width();
    thumbHalf = (isVertical() ? imageHeight(thumb) : imageWidth(thumb)) / 2;
    placeThumb();
}

void SliderControl::place(int x, int y, const ShortSliderDescriptor& descriptor)
{
    orientation = descriptor.orientation;
    thumb = descriptor.thumb;
    background = nullptr;
    meterLit = nullptr;
    meterUnlit = nullptr;
    segmentCount = 0;
    hasMeter = false;
    segmentSize = 0;
    meterRect = Rect{};
    textRect = Rect{};

    // The thumb travels inside the track, so the whole track is the control.
    const Rect whole = descriptor.track.offsetBy(x, y);
    rect = whole;
    width = whole.width();
    height = whole.height();
    region = Region(rect);

    if (isVertical()) {
        const int thumbHeight = imageHeight(thumb);
        trackRect = Rect{whole.left, whole.top + thumbHeight, whole.right, whole.bottom - thumbHeight};
        trackLength = trackRect.height();
        thumbHalf = thumbHeight / 2;
    } else {
        const int thumbWidth = imageWidth(thumb);
        trackRect = Rect{whole.left + thumbWidth, whole.top, whole.right - thumbWidth, whole.bottom};
        trackLength = trackRect.width();
        thumbHalf = thumbWidth / 2;
    }
    placeThumb();
}

void SliderControl::placeThumb()
{
    // A range of 0 or less leaves the thumb at the start instead of dividing by it.
    const int32_t along = range > 0 ? int32_t(int64_t(trackLength) * value / range) : 0;
    if (isVertical()) {
        thumbRect = Rect{trackRect.left, trackRect.bottom - along - thumbHalf, trackRect.right,
                         trackRect.bottom - along + thumbHalf};
    } else {
        const int centre = trackRect.left + along;
        thumbRect = Rect{centre - thumbHalf, trackRect.top, centre + thumbHalf, trackRect.bottom};
    }
}

void SliderControl::setValue(int32_t newValue)
{
    value = clamped(newValue);
    placeThumb();
    repaint();
}

void SliderControl::setMeter(int32_t level)
{
    meterLevel = level;
    repaint();
}

int32_t SliderControl::litSegments() const
{
    if (!hasMeter)
        return 0;
    // Levels above 100 would light segments the meter does not have.
    return std::clamp<int32_t>(int32_t(int64_t(segmentCount) * meterLevel / 100), 0, segmentCount);
}

void SliderControl::endDrag()
{
    dragging = false;
    char text[kValueTextSize];
    valueText(text, sizeof text);
    buildDragTooltip(tooltipBase, text, tooltip, sizeof tooltip);
}

// The slider's press and release are its own: a plain click on the slider is
// no button press and fires nothing.
void SliderControl::onMouseDown(intptr_t point, uintptr_t)
{
    const Point at{rect.left + pointX(point), rect.top + pointY(point)};
    if (!thumbRect.contains(at))
        return;
    dragging = true;
    pressPoint = at;
    valueAtPress = value;
}

void SliderControl::onMouseUp(intptr_t, uintptr_t)
{
    if (dragging)
        endDrag();
}

void SliderControl::onMouseMove(intptr_t point, uintptr_t keys)
{
    if (!dragging)
        return;
    // The button may have been let go where the slider did not see it.
    if ((keys & kKeyLButton) == 0) {
        endDrag();
        return;
    }
    if (trackLength <= 0)
        return;
    const Point at{rect.left + pointX(point), rect.top + pointY(point)};
    const int64_t moved = isVertical() ? pressPoint.y - at.y : at.x - pressPoint.x;
    // Integer division truncates toward zero, as the drag arithmetic wants.
    userChange(clamped(int64_t(range) * moved / trackLength + valueAtPress));
}

void SliderControl::paint(Painter* dc)
{
    if (dc == nullptr)
        return;
    if (background != nullptr)
        background->blitAll(*dc, rect.left, rect.top);
    if (hasMeter) {
        if (meterUnlit != nullptr)
            meterUnlit->blitAll(*dc, meterRect.left, meterRect.top);
        const int lit = litSegments() * segmentSize;
        if (lit > 0) {
            if (isVertical()) {
                const int top = meterLit->height() - lit;
                meterLit->blit(*dc, meterRect.left, meterRect.top + top, 0, top, meterLit->width(),
                               meterLit->height());
            } else {
                meterLit->blit(*dc, meterRect.left, meterRect.top, 0, 0, lit, meterLit->height());
            }
        }
    }
    if (background != nullptr && !textRect.isEmpty()) {
        char text[kValueTextSize];
        valueText(text, sizeof text);
        if (font != nullptr) {
            font->drawCentred(*dc, textRect, text);
        } else {
            const Argb oldText = dc->setTextColour(kValueTextColour);
            const Argb oldBack = dc->setBackgroundColour(kBlack);
            const BackgroundMode oldMode = dc->setBackgroundMode(BackgroundMode::Opaque);
            dc->drawText(text, textRect, kTextCentre | kTextVCentre | kTextSingleLine | kTextNoPrefix);
            dc->setTextColour(oldText);
            dc->setBackgroundColour(oldBack);
            dc->setBackgroundMode(oldMode);
        }
    }
    if (thumb != nullptr)
        thumb->blitAll(*dc, thumbRect.left, thumbRect.top);
}

} // namespace zkr
