#pragma once

#include <cstdint>

#include "platform/ui/Geometry.h"
#include "zkr/ValueControl.h"

namespace zkr {

class BitmapFont;
class BitmapObject;

// How a mixing-console fader or pan slider looks. Rectangles are relative to
// the control. The fields keep the original record's order; its 72 bytes
// held 32-bit bitmap handles, here the images are pointers (not owned).
struct SliderDescriptor {
    int32_t orientation = 1;
    plat::ui::Rect track;
    plat::ui::Rect meter; // empty: no meter
    plat::ui::Rect text;  // empty: no value text
    const BitmapObject* background = nullptr;
    const BitmapObject* thumb = nullptr;
    const BitmapObject* meterLit = nullptr;
    const BitmapObject* meterUnlit = nullptr;
    int32_t segmentCount = 0;
};

// A slider that is only a thumb over the window's skin (the original 24-byte
// record, with the thumb as a pointer).
struct ShortSliderDescriptor {
    int32_t orientation = 1;
    plat::ui::Rect track;
    const BitmapObject* thumb = nullptr;
};

// A linear slider whose thumb the user drags or moves with the wheel,
// optionally with a level meter and a value text.
class SliderControl : public ValueControl {
public:
    // Vertical: the value grows upward; any other orientation is horizontal
    // (the value grows to the right).
    static constexpr int32_t kVertical = 1;
    static constexpr int32_t kHorizontal = 0;
    // A wheel notch moves by this percentage of the range.
    static constexpr int32_t kWheelPercent = 10;

    explicit SliderControl(UserInterface* owner = nullptr);

    // The full form: the control has the background's size at x, y.
    void place(int x, int y, const SliderDescriptor& descriptor);
    // The short form: the track (moved to x, y) less a full thumb at either end.
    void place(int x, int y, const ShortSliderDescriptor& descriptor);
    // Moves the thumb and repaints; sends nothing.
    void setValue(int32_t newValue) override;
    void setMeter(int32_t level);

    // Meter segments lit at the current level, at most the segment count.
    int32_t litSegments() const;

    void onMouseDown(intptr_t point, uintptr_t keys) override;
    void onMouseUp(intptr_t point, uintptr_t keys) override;
    void onMouseMove(intptr_t point, uintptr_t keys) override;
    void paint(plat::ui::Painter* dc) override;

    int32_t orientation = kVertical;
    // The line the thumb's centre travels along, in window coordinates.
    plat::ui::Rect trackRect;
    plat::ui::Rect meterRect;
    const BitmapObject* meterLit = nullptr;
    const BitmapObject* meterUnlit = nullptr;
    int32_t segmentCount = 0;
    plat::ui::Rect textRect;
    const BitmapObject* background = nullptr;
    const BitmapObject* thumb = nullptr;
    bool hasMeter = false;
    int32_t meterLevel = 0;
    // Pixels per meter segment.
    int32_t segmentSize = 0;
    int32_t trackLength = 0;
    int32_t thumbHalf = 0;
    plat::ui::Rect thumbRect;
    int32_t valueAtPress = 0;
    // The window's bitmap font for the value text; null: green system text on black.
    const BitmapFont* font = nullptr;

protected:
    int32_t wheelPercent() const override { return kWheelPercent; }

private:
    bool isVertical() const { return orientation == kVertical; }
    void placeThumb();
    void endDrag();
};

} // namespace zkr
