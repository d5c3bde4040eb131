#pragma once

#include <cstdint>

#include "platform/ui/Geometry.h"
#include "zkr/ValueControl.h"

namespace zkr {

class BitmapObject;
class LabelControl;

// A knob's pictures: frameCount frames of equal width side by side, from the
// lowest position to the highest. The strip is not owned.
struct KnobStripDescriptor {
    const BitmapObject* strip = nullptr;
    int32_t frameCount = 11;
};

// A rotary knob drawn from an image strip. Its scale runs clockwise over 270
// degrees from the lower left through the top to the lower right; the user
// turns it by dragging around its centre or with the wheel (a notch moves by
// the frame count's percentage of the range). A linked label, when set,
// shows the value text.
class KnobControl : public ValueControl {
public:
    // Knob angles: the scale's start, top and end.
    static constexpr int kAngleStart = 0;
    static constexpr int kAngleTop = 135;
    static constexpr int kAngleEnd = 270;

    explicit KnobControl(UserInterface* owner = nullptr);

    // The knob takes one frame's size at x, y.
    void place(int x, int y, const KnobStripDescriptor& descriptor);
    // Shows the frame of the value, refreshes the linked display and repaints; sends nothing.
    void setValue(int32_t newValue) override;
    // The label that shows the value text (not owned); null for none.
    void setLinkedDisplay(LabelControl* display);

    // The knob angle (0 to 270, clockwise from the lower left) of a point dx
    // to the right of and dy above the centre; not both 0. Below the centre,
    // between the scale's two ends, it is 0.
    static int knobAngle(int dx, int dy);

    void onMouseDown(intptr_t point, uintptr_t keys) override;
    void onMouseUp(intptr_t point, uintptr_t keys) override;
    void onMouseMove(intptr_t point, uintptr_t keys) override;
    void paint(plat::ui::Painter* dc) override;

    const BitmapObject* strip = nullptr;
    int32_t frameCount = 11;
    int32_t frameWidth = 0;
    int32_t currentFrame = 0;
    // The current frame's part of the strip.
    plat::ui::Rect frameRect;
    // Window coordinates.
    plat::ui::Point centre;
    LabelControl* linkedDisplay = nullptr;

protected:
    int32_t wheelPercent() const override { return frameCount; }

private:
    int32_t lastFrame() const { return frameCount - 1; }
    int32_t frameOfValue() const;
    void showFrame(int32_t frame);
    void refreshDisplay();
    void turnTo(plat::ui::Point at);
};

} // namespace zkr
