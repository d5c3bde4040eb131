#include "plugins/halvern/ReverbWindow.h"

#include <cstdio>

#include "plugins/halvern/Layout.h"
#include "plugins/halvern/ReverbChannel.h"
#include "zkr/KnobControl.h"
#include "zkr/LabelControl.h"
#include "zkr/ToggleButton.h"

namespace halvern {

static_assert(kIcon == fxframe::kIconId && kCursor == fxframe::kCursorId);

ReverbWindow::ReverbWindow(ReverbChannels& channels)
    : EffectWindow(Look{kClassName, kTitle, kSkinBitmap, kMaskBitmap}), channels_(channels)
{
}

// The controls and the flag are used by the window until it is gone.
ReverbWindow::~ReverbWindow()
{
    endWindow();
}

void ReverbWindow::delayText(int32_t value, char* text, std::size_t size)
{
    std::snprintf(text, size, "%ims", static_cast<int>(value));
}

bool ReverbWindow::createControls()
{
    auto display = std::make_unique<zkr::LabelControl>(this);
    display->place(kDisplay.x, kDisplay.y, kDisplay.width, kDisplay.height);
    display->sunken = true;
    display_ = add(std::move(display), kDelayDisplayId, "Delay time of the echo");

    static constexpr char kKnobTip[] = "Delay: time from a sound to its echo, for all four channels";
    auto knob = std::make_unique<zkr::KnobControl>(this);
    knob->place(kKnob.x, kKnob.y, zkr::KnobStripDescriptor{images.load(kKnobStripBitmap), kKnobFrames});
    knob->setRange(kDelayRange, delayText);
    knob->setLinkedDisplay(display_);
    knob_ = add(std::move(knob), kDelayKnobId, kKnobTip);
    knob_->setTooltipBase(kKnobTip);

    auto bypassButton = std::make_unique<zkr::ToggleButton>(this);
    bypassButton->place(kBypassButton.x, kBypassButton.y, images.load(kBypassButtonBitmap));
    bypassButton_ = add(std::move(bypassButton), kBypassId,
                        "Bypass: the sound passes untouched and the echo is forgotten");
    return true;
}

void ReverbWindow::loadControls()
{
    const ReverbChannel* first = channels_.at(0);
    knob_->setValue(first != nullptr ? first->delay() : ReverbChannel::kDefaultDelay);
    bypassButton_->setOn(bypassed());
}

bool ReverbWindow::onControl(int id, zkr::Control&)
{
    switch (id) {
    case kDelayKnobId:
        setDelay(knob_->value);
        return true;
    case kBypassId:
        setBypass(bypassButton_->on);
        return true;
    case kDelayDisplayId:
        // Shows the knob's value; nothing to do.
        return true;
    default:
        return false;
    }
}

void ReverbWindow::forgetControls()
{
    knob_ = nullptr;
    display_ = nullptr;
    bypassButton_ = nullptr;
}

void ReverbWindow::setDelay(int32_t milliseconds)
{
    for (int32_t index = 0; index < ReverbChannels::kCount; ++index)
        if (ReverbChannel* channel = channels_.at(index))
            channel->setDelay(milliseconds);
}

void ReverbWindow::setBypass(bool on)
{
    bypass_.store(on, std::memory_order_release);
    if (!on)
        return;
    // No old echo may come back when the bypass is released.
    for (int32_t index = 0; index < ReverbChannels::kCount; ++index)
        if (ReverbChannel* channel = channels_.at(index))
            channel->reset();
}

} // namespace halvern
