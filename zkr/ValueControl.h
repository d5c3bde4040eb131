#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ui/Geometry.h"
#include "zkr/Control.h"
#include "zkr/ValueText.h"

namespace zkr {

// A control that shows a value from 0 to its range, which the user changes by
// dragging or with the wheel: the value and its text, the range, the tooltip
// "base - [value]", the wheel. A user change sends the control's message to
// the window; setValue sends nothing. Used on the interface's thread only.
class ValueControl : public Control {
public:
    static constexpr int32_t kDefaultRange = 100;

    explicit ValueControl(UserInterface* owner = nullptr);

    // The value is kept within the new range and shown again.
    void setRange(int32_t newRange, ValueFormatter newFormatter);
    // Shows the value and repaints; sends nothing.
    virtual void setValue(int32_t newValue) = 0;
    // The tooltip's own text, shown before the value.
    void setTooltipBase(const char* text);
    // The value as the formatter writes it.
    void valueText(char* text, std::size_t size) const;

    void onTooltip() override;
    using Control::onWheel;
    // Each notch (a partial one counts as one) moves by wheelPercent() of the range.
    void onWheel(int delta, uintptr_t keys) override;

    int32_t value = 0;
    int32_t range = kDefaultRange;
    ValueFormatter formatter = nullptr;
    bool dragging = false;
    plat::ui::Point pressPoint; // window coordinates
    char tooltipBase[kTextSize] = {};

protected:
    // The candidate within 0..range (0 for a range below 0).
    int32_t clamped(int64_t candidate) const;
    virtual int32_t wheelPercent() const = 0;
    // Takes a value the user chose: shows it and tells the window.
    void userChange(int32_t newValue);
    void notify();
};

} // namespace zkr
