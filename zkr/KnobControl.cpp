#include "zkr/KnobControl.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Messages.h"
#include "zkr/BitmapObject.h"
#include "zkr/LabelControl.h"

namespace zkr {

using namespace plat::ui;

namespace {

// 1 / (2 pi): radians to turns.
constexpr double kTurnsPerRadian = 0.15915494309644432;
// 1 / 270: knob degrees to the share of the scale.
constexpr double kScalePerDegree = 0.003703703703703704;
// Knob angles below this (after the first fold) lie in the dead zone at the bottom.
constexpr int kDeadZoneLimit = -90;
// A disabled knob's pixels: each colour channel shifted down, none spilling into the next.
constexpr Argb kAlphaMask = 0xFF000000u;
constexpr Argb kDimmedMask = 0x00FCFCFCu;
constexpr int kDimShift = 2;

} // namespace

KnobControl::KnobControl(UserInterface* ui) : ValueControl(ui) {}

void KnobControl::place(int x, int y, const KnobStripDescriptor& descriptor)
{
    strip = descriptor.strip;
    // A strip of no frames would divide by zero; it shows one.
    frameCount = std::max<int32_t>(descriptor.frameCount, 1);
    frameWidth = strip != nullptr ? strip->width() / frameCount : 0;
    width = frameWidth;
    height = strip != nullptr ? strip->height() : 0;
    rect = Rect::fromSize(x, y, width, height);
    region = Region(rect);
    centre = Point{x + width / 2, y + height / 2};
    showFrame(frameOfValue());
}

void KnobControl::showFrame(int32_t frame)
{
    currentFrame = std::clamp(frame, 0, lastFrame());
    frameRect = Rect{currentFrame * frameWidth, 0, (currentFrame + 1) * frameWidth, height};
}

int32_t KnobControl::frameOfValue() const
{
    if (range <= 0)
        return 0;
    return int32_t(std::trunc(double(value) / double(range) * double(lastFrame())));
}

void KnobControl::setValue(int32_t newValue)
{
    value = clamped(newValue);
    showFrame(frameOfValue());
    refreshDisplay();
    repaint();
}

void KnobControl::setLinkedDisplay(LabelControl* display)
{
    linkedDisplay = display;
    refreshDisplay();
}

void KnobControl::refreshDisplay()
{
    if (linkedDisplay == nullptr)
        return;
    char text[kValueTextSize];
    valueText(text, sizeof text);
    char shown[kValueTextSize];
    displayPartOf(text, shown, sizeof shown);
    linkedDisplay->setText(shown);
}

int KnobControl::knobAngle(int dx, int dy)
{
    const double distance = std::sqrt(double(dx) * dx + double(dy) * dy);
    const int deg = int(std::trunc(std::asin(double(dy) / distance) * kTurnsPerRadian * 360));
    // Compass angle, counter-clockwise from the right.
    int compass;
    if (dy > 0)
        compass = dx >= 0 ? deg : 180 - deg;
    else
        compass = dx < 0 ? std::abs(deg) + 180 : 360 - std::abs(deg);
    const int folded = 225 - compass;
    if (folded >= 0)
        return folded;
    if (folded > kDeadZoneLimit)
        return kAngleStart;
    return 585 - compass;
}

void KnobControl::turnTo(Point at)
{
    const int dx = at.x - centre.x;
    const int dy = centre.y - at.y;
    // The centre has no direction.
    if (dx == 0 && dy == 0)
        return;
    const double share = knobAngle(dx, dy) * kScalePerDegree;
    const int32_t frame = int32_t(std::trunc(share * lastFrame()));
    // Passing the bottom between the two ends must not throw the knob across the scale.
    if (lastFrame() > 0 &&
        ((currentFrame == lastFrame() && frame == 0) || (currentFrame == 0 && frame == lastFrame())))
        return;
    showFrame(frame);
    value = range > 0 ? clamped(int64_t(std::trunc(share * range))) : 0;
    repaint();
    refreshDisplay();
    notify();
}

// The knob's press and release are its own: a click fires nothing by itself.
void KnobControl::onMouseDown(intptr_t point, uintptr_t)
{
    dragging = true;
    pressPoint = Point{rect.left + pointX(point), rect.top + pointY(point)};
}

void KnobControl::onMouseUp(intptr_t, uintptr_t)
{
    dragging = false;
}

void KnobControl::onMouseMove(intptr_t point, uintptr_t keys)
{
    if (!dragging)
        return;
    // The button may have been let go where the knob did not see it.
    if ((keys & kKeyLButton) == 0) {
        dragging = false;
        return;
    }
    turnTo(Point{rect.left + pointX(point), rect.top + pointY(point)});
}

void KnobControl::paint(Painter* dc)
{
    if (dc == nullptr || strip == nullptr)
        return;
    strip->blit(*dc, rect.left, rect.top, frameRect.left, frameRect.top, frameRect.right, frameRect.bottom);
    if (enabled)
        return;
    // The strip has no disabled frames: a disabled knob is drawn at a quarter of
    // its brightness, so it does not look as if it could be turned.
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) {
            const Argb pixel = dc->pixel(x, y);
            dc->setPixel(x, y, (pixel & kAlphaMask) | ((pixel & kDimmedMask) >> kDimShift));
        }
}

} // namespace zkr
