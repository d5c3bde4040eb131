#include "plugins/velmorizer/DistortionWindow.h"

#include <cmath>
#include <cstdio>

#include "platform/ui/Font.h"
#include "plugins/velmorizer/DistortionUnit.h"
#include "plugins/velmorizer/Layout.h"
#include "zkr/BitmapButton.h"
#include "zkr/KnobControl.h"
#include "zkr/LabelControl.h"
#include "zkr/LampControl.h"
#include "zkr/Text.h"

namespace velmorizer {

static_assert(kIcon == fxframe::kIconId && kCursor == fxframe::kCursorId);

namespace {

// A gain knob's value v is the gain v + 100 percent, shown in decibels.
void gainText(int32_t value, char* text, std::size_t size)
{
    const double decibels = 20.0 * std::log10((value + 100) * 0.01);
    if (decibels == 0.0)
        std::snprintf(text, size, "no amp");
    else
        std::snprintf(text, size, "+%.2fdB", decibels);
}

void cutoffText(int32_t value, char* text, std::size_t size)
{
    std::snprintf(text, size, "%i%%", value);
}

// The cutoff knob runs from no clipping (0: the threshold at full scale) to
// silence (100: threshold 0).
int32_t thresholdOfCutoff(int32_t value)
{
    return ((100 - value) * DistortionUnit::kMaxThreshold) / 100;
}

// A threshold the knob made shows the knob where it was left: the plain
// inverse, truncating a second time, would mostly show one more. Any other
// threshold (the construction's 10000 shows 70) takes that inverse.
int32_t cutoffOfThreshold(int32_t threshold)
{
    constexpr int32_t kFull = DistortionUnit::kMaxThreshold;
    const int32_t leftAt = 100 - (threshold * 100 + kFull - 1) / kFull;
    if (thresholdOfCutoff(leftAt) == threshold)
        return leftAt;
    return 100 - threshold * 100 / kFull;
}

// The text displays' face: the window's is too tall for their 10 pixels.
const plat::ui::Font* displayFont()
{
    plat::ui::FontSpec spec;
    spec.face = "DejaVu Sans Condensed";
    spec.height = -8;
    spec.weight = plat::ui::kWeightNormal;
    return plat::ui::Font::get(spec);
}

} // namespace

DistortionWindow::DistortionWindow() : EffectWindow(Look{kClassName, kTitle, kSkinBitmap, kMaskBitmap}) {}

zkr::KnobControl* DistortionWindow::addKnob(int id, unsigned strip, int x, int y, const char* tooltip,
                                            const char* displayTooltip)
{
    auto made = std::make_unique<zkr::KnobControl>(this);
    made->place(x, y, zkr::KnobStripDescriptor{images.load(strip), kKnobFrames});
    zkr::KnobControl* knob = add(std::move(made), id, tooltip);
    knob->setTooltipBase(tooltip);

    const Box box = displayUnder(Box{x, y, knob->width, knob->height});
    auto display = std::make_unique<zkr::LabelControl>(this);
    display->place(box.x, box.y, box.width, box.height);
    display->textFont = displayFont();
    zkr::copyText(display->tooltip, displayTooltip);
    knob->setLinkedDisplay(&addControl(std::move(display)));
    return knob;
}

bool DistortionWindow::createControls()
{
    gainKnob_ = addKnob(kGainKnobId, kGainStripBitmap, kGainKnob.x, kGainKnob.y,
                        "Gain: how hard the sound is driven into the clipper", "Gain before clipping");
    gainKnob_->setRange(kGainRange, gainText);
    cutoffKnob_ = addKnob(kCutoffKnobId, kCutoffStripBitmap, kCutoffKnob.x, kCutoffKnob.y,
                          "Cutoff: turn up to clip at a lower level", "Clipping cutoff");
    cutoffKnob_->setRange(kCutoffRange, cutoffText);
    driveKnob_ = addKnob(kDriveKnobId, kDriveStripBitmap, kDriveKnob.x, kDriveKnob.y,
                         "Drive: the level after clipping", "Gain after clipping");
    driveKnob_->setRange(kDriveRange, gainText);

    auto lamp = std::make_unique<zkr::LampControl>(this);
    lamp->place(kLamp.x, kLamp.y, images.load(kLampLitBitmap), images.load(kLampDarkBitmap));
    lamp_ = add(std::move(lamp), kLampId, "Lit while the distortion is on");
    // The lamp only shows the state.
    lamp_->message = 0;

    auto onOff = std::make_unique<zkr::BitmapButton>(this);
    onOff->place(kSwitch.x, kSwitch.y, images.load(kSwitchOffBitmap));
    switch_ = add(std::move(onOff), kSwitchId, "Switches the distortion on and off");
    // The on picture comes with the window, so switching never finds it missing.
    return images.load(kSwitchOnBitmap) != nullptr;
}

void DistortionWindow::loadControls()
{
    const DistortionUnit* distortion = unit.load();
    const DistortionUnit::Settings settings =
        distortion != nullptr
            ? distortion->settings()
            : DistortionUnit::Settings{DistortionUnit::kStartInputGain, DistortionUnit::kStartThreshold,
                                       DistortionUnit::kStartOutputGain};
    gainKnob_->setValue(settings.inputGain - 100);
    cutoffKnob_->setValue(cutoffOfThreshold(settings.threshold));
    driveKnob_->setValue(settings.outputGain - 100);
    for (zkr::KnobControl* knob : {gainKnob_, cutoffKnob_, driveKnob_})
        knob->enabled = distortion != nullptr;
    showSwitch();
}

void DistortionWindow::onDoubleClick(intptr_t point, uintptr_t keys)
{
    onMouseDown(point, keys);
}

void DistortionWindow::forgetControls()
{
    gainKnob_ = nullptr;
    cutoffKnob_ = nullptr;
    driveKnob_ = nullptr;
    lamp_ = nullptr;
    switch_ = nullptr;
}

bool DistortionWindow::onControl(int id, zkr::Control& control)
{
    switch (id) {
    case kGainKnobId:
    case kCutoffKnobId:
    case kDriveKnobId:
        setFromKnob(id, static_cast<zkr::KnobControl&>(control).value);
        return true;
    case kSwitchId:
        on = !on.load();
        showSwitch();
        return true;
    default:
        return false;
    }
}

void DistortionWindow::setFromKnob(int id, int32_t value)
{
    DistortionUnit* distortion = unit.load();
    if (distortion == nullptr)
        return;
    switch (id) {
    case kGainKnobId:
        distortion->inputGain.store(value + 100, std::memory_order_relaxed);
        break;
    case kCutoffKnobId:
        distortion->threshold.store(thresholdOfCutoff(value), std::memory_order_relaxed);
        break;
    case kDriveKnobId:
        distortion->outputGain.store(value + 100, std::memory_order_relaxed);
        break;
    default:
        break;
    }
}

void DistortionWindow::showSwitch()
{
    const bool isOn = on.load();
    if (lamp_ != nullptr)
        lamp_->setLit(isOn);
    if (switch_ != nullptr) {
        switch_->bitmap = images.load(isOn ? kSwitchOnBitmap : kSwitchOffBitmap);
        switch_->repaint();
    }
}

} // namespace velmorizer
