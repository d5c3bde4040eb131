#include <algorithm>

#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"

namespace plat::ui::detail {

namespace {

// A progress bar: a position within a range, drawn as a filled part.
class Progress : public Control {
public:
    Progress(WindowHandle window, const CreateInfo& info) : Control(window, info) {}

    intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam) override
    {
        switch (message) {
        case kMsgProgressSetRange: {
            intptr_t old =
                static_cast<intptr_t>(makeWParam(static_cast<uint16_t>(low_), static_cast<uint16_t>(high_)));
            setRange(static_cast<int16_t>(loWord(static_cast<uintptr_t>(lparam))),
                     static_cast<int16_t>(hiWord(static_cast<uintptr_t>(lparam))));
            return old;
        }
        case kMsgProgressSetRange32: {
            intptr_t old =
                static_cast<intptr_t>(makeWParam(static_cast<uint16_t>(low_), static_cast<uint16_t>(high_)));
            setRange(static_cast<int>(static_cast<intptr_t>(wparam)), static_cast<int>(lparam));
            return old;
        }
        case kMsgProgressGetRange:
            return wparam != 0 ? low_ : high_;
        case kMsgProgressSetPos:
            return moveTo(static_cast<int>(static_cast<intptr_t>(wparam)));
        case kMsgProgressDeltaPos:
            return moveTo(position_ + static_cast<int>(static_cast<intptr_t>(wparam)));
        case kMsgProgressSetStep: {
            int old = step_;
            step_ = static_cast<int>(static_cast<intptr_t>(wparam));
            return old;
        }
        case kMsgProgressStepIt: {
            // Stepping past the end starts again from the low end.
            int next = position_ + step_;
            if (next > high_)
                next = low_ + (next - high_);
            return moveTo(next);
        }
        case kMsgProgressGetPos:
            return position_;
        default:
            return Control::handle(message, wparam, lparam);
        }
    }

protected:
    void paint(Painter& p, const Rect&) override
    {
        Rect area = client();
        p.fillRect(area, look::face());
        Rect inner = p.drawEdge(area, kBorderSunkenOuter, kSidesRect);
        int span = high_ - low_;
        int filled = span > 0
                         ? static_cast<int>(static_cast<long long>(inner.width()) * (position_ - low_) / span)
                         : 0;
        p.fillRect({inner.left, inner.top, inner.left + filled, inner.bottom}, look::selection());
    }

private:
    void setRange(int low, int high)
    {
        low_ = low;
        high_ = high;
        position_ = std::clamp(position_, std::min(low_, high_), std::max(low_, high_));
        invalidate();
    }

    intptr_t moveTo(int position)
    {
        int old = position_;
        position_ = std::clamp(position, std::min(low_, high_), std::max(low_, high_));
        if (old != position_)
            invalidate();
        return old;
    }

    int low_ = 0;
    int high_ = 100;
    int position_ = 0;
    int step_ = 10;
};

} // namespace

void registerProgressClass()
{
    (void)registerControlClass(kProgressClass, &controlProcedure<Progress>, 0);
}

} // namespace plat::ui::detail
