#include "zkr/ValueControl.h"

#include <algorithm>

#include "platform/ui/Messages.h"
#include "zkr/Text.h"

namespace zkr {

ValueControl::ValueControl(UserInterface* ui) : Control(ui) {}

void ValueControl::setRange(int32_t newRange, ValueFormatter newFormatter)
{
    range = newRange;
    formatter = newFormatter;
    setValue(value);
}

void ValueControl::setTooltipBase(const char* text)
{
    copyText(tooltipBase, text);
    onTooltip();
}

void ValueControl::valueText(char* text, std::size_t size) const
{
    formatValueText(formatter, value, text, size);
}

void ValueControl::onTooltip()
{
    char text[kValueTextSize];
    valueText(text, sizeof text);
    buildValueTooltip(tooltipBase, text, tooltip, sizeof tooltip);
}

void ValueControl::onWheel(int delta, uintptr_t)
{
    if (delta == 0)
        return;
    // A fine-grained wheel's partial notch still counts as one.
    int notches = delta / plat::ui::kWheelDelta;
    if (notches == 0)
        notches = delta > 0 ? 1 : -1;
    const int64_t step = int64_t(range) * wheelPercent() / 100;
    userChange(clamped(value + step * notches));
}

int32_t ValueControl::clamped(int64_t candidate) const
{
    return int32_t(std::clamp<int64_t>(candidate, 0, std::max(range, 0)));
}

void ValueControl::userChange(int32_t newValue)
{
    setValue(newValue);
    notify();
}

void ValueControl::notify()
{
    if (message != 0)
        fire();
}

} // namespace zkr
