#include "plugins/velmoraeq/EqWindow.h"

#include <cstdio>
#include <memory>

#include "platform/ui/Menu.h"
#include "platform/ui/Window.h"
#include "plugins/velmoraeq/CurveDisplay.h"
#include "plugins/velmoraeq/Layout.h"
#include "plugins/velmoraeq/Presets.h"
#include "zkr/BitmapButton.h"
#include "zkr/SkinImages.h"
#include "zkr/SliderControl.h"
#include "zkr/ToggleButton.h"

namespace velmoraeq {

namespace {

static_assert(kBandCount == kStandardBandCount);
static_assert(kIcon == fxframe::kIconId && kCursor == fxframe::kCursorId);

struct MenuRelease {
    void operator()(plat::ui::MenuHandle menu) const { (void)plat::ui::destroyMenu(menu); }
};

// The band sliders' tooltips, lowest band first.
constexpr const char* kBandTips[kStandardBandCount] = {
    "32 Hz band: lift (up) or cut (down) the lowest bass",
    "80 Hz band: lift or cut the bass",
    "200 Hz band: lift or cut the upper bass",
    "400 Hz band: lift or cut the low mids",
    "1 kHz band: lift or cut the mids",
    "2 kHz band: lift or cut the upper mids",
    "4 kHz band: lift or cut the presence",
    "8 kHz band: lift or cut the treble",
    "16 kHz band: lift or cut the air",
};
constexpr const char* kChannelTips[engine::kChannelCount] = {
    "Edit channel 1 (red curve)", "Edit channel 2 (green curve)", "Edit channel 3 (blue curve)",
    "Edit channel 4 (yellow curve)"};
constexpr const char* kBypassTips[engine::kChannelCount] = {
    "Bypass channel 1: lit, its sound passes unequalised",
    "Bypass channel 2: lit, its sound passes unequalised",
    "Bypass channel 3: lit, its sound passes unequalised",
    "Bypass channel 4: lit, its sound passes unequalised"};

} // namespace

EqWindow::EqWindow(const EqChannels& channels)
    : EffectWindow(Look{kClassName, kTitle, kSkinBitmap, kMaskBitmap}), channels_(channels)
{
}

// The controls are used by the window until it is gone.
EqWindow::~EqWindow()
{
    endWindow();
}

void EqWindow::gainText(int32_t position, char* text, std::size_t size)
{
    const int gain = static_cast<int>(position - kGainOffset);
    std::snprintf(text, size, position > kGainOffset ? "+%i%%" : "%i%%", gain);
}

void EqWindow::percentText(int32_t value, char* text, std::size_t size)
{
    std::snprintf(text, size, "%i%%", static_cast<int>(value));
}

void EqWindow::onDoubleClick(intptr_t point, uintptr_t keys)
{
    onMouseDown(point, keys);
}

EqChannel* EqWindow::channel(int index) const
{
    return channels_.at(index);
}

zkr::SliderControl* EqWindow::addSlider(int id, int x, int y, int32_t range, zkr::ValueFormatter formatter,
                                        const char* tooltip)
{
    auto made = std::make_unique<zkr::SliderControl>(this);
    const zkr::ShortSliderDescriptor look{
        zkr::SliderControl::kVertical,
        plat::ui::Rect::fromSize(0, 0, kFirstBandSlider.width, kFirstBandSlider.height),
        images.load(kThumbBitmap)};
    made->place(x, y, look);
    made->setRange(range, formatter);
    zkr::SliderControl* slider = add(std::move(made), id, tooltip);
    slider->setTooltipBase(tooltip);
    return slider;
}

bool EqWindow::createControls()
{
    for (int band = 0; band < kStandardBandCount; ++band) {
        const Box place = bandSlider(band);
        bandSliders_[static_cast<std::size_t>(band)] =
            addSlider(kFirstBandId + band, place.x, place.y, kGainRange, gainText, kBandTips[band]);
    }
    dryMixSlider_ = addSlider(kDryMixId, kDryMixSlider.x, kDryMixSlider.y, kMaxDryMix, percentText,
                              "Dry mix: how much of the unequalised sound is kept");

    for (int index = 0; index < engine::kChannelCount; ++index) {
        const auto slot = static_cast<std::size_t>(index);
        auto select = std::make_unique<zkr::ToggleButton>(this);
        select->place(channelButton(index).x, channelButton(index).y, images.load(kChannelBitmaps[index]));
        channelButtons_[slot] = add(std::move(select), kFirstChannelId + index, kChannelTips[index]);

        auto bypass = std::make_unique<zkr::ToggleButton>(this);
        bypass->place(bypassButton(index).x, bypassButton(index).y, images.load(kBypassBitmap));
        bypassButtons_[slot] = add(std::move(bypass), kFirstBypassId + index, kBypassTips[index]);
    }

    auto presetButton = std::make_unique<zkr::BitmapButton>(this);
    presetButton->place(kPresetButton.x, kPresetButton.y, images.load(kPresetBitmap));
    presetButton_ =
        add(std::move(presetButton), kPresetId, "Presets: load a setting into the edited channel");

    auto curve = std::make_unique<CurveDisplay>(this);
    curve->place(kCurveDisplay.x, kCurveDisplay.y);
    curve_ = add(std::move(curve), kCurveId, "The gains of every channel: 1 red, 2 green, 3 blue, 4 yellow");
    return true;
}

void EqWindow::loadControls()
{
    edit(0);
    // The bypass buttons show how the channels are, also when the window is opened again.
    for (int index = 0; index < engine::kChannelCount; ++index) {
        const EqChannel* equaliser = channel(index);
        bypassButtons_[static_cast<std::size_t>(index)]->setOn(
            equaliser != nullptr && !equaliser->enabled.load(std::memory_order_relaxed));
    }
    curve_->redraw(channels_);
}

bool EqWindow::onControl(int id, zkr::Control& control)
{
    if (id >= kFirstChannelId && id < kFirstChannelId + engine::kChannelCount) {
        edit(id - kFirstChannelId);
        return true;
    }
    if (id >= kFirstBypassId && id < kFirstBypassId + engine::kChannelCount) {
        switchBypass(id - kFirstBypassId);
        return true;
    }
    EqChannel* edited = channel(edited_);
    if (id >= kFirstBandId && id < kFirstBandId + kStandardBandCount) {
        if (edited != nullptr)
            edited->setBandGain(id - kFirstBandId,
                                static_cast<zkr::SliderControl&>(control).value - kGainOffset);
        curve_->redraw(channels_);
        return true;
    }
    switch (id) {
    case kDryMixId:
        if (edited != nullptr)
            edited->dryMix.store(dryMixSlider_->value, std::memory_order_relaxed);
        return true;
    case kPresetId:
        choosePreset();
        return true;
    case kCurveId:
        // Shows the gains; nothing to do.
        return true;
    default:
        return false;
    }
}

void EqWindow::forgetControls()
{
    channelButtons_.fill(nullptr);
    bypassButtons_.fill(nullptr);
    bandSliders_.fill(nullptr);
    dryMixSlider_ = nullptr;
    presetButton_ = nullptr;
    curve_ = nullptr;
}

void EqWindow::edit(int index)
{
    edited_ = index;
    // Only the edited channel's button stays down, also when it is pressed again.
    for (int other = 0; other < engine::kChannelCount; ++other)
        channelButtons_[static_cast<std::size_t>(other)]->setOn(other == index);
    showEditedChannel();
}

void EqWindow::showEditedChannel()
{
    const EqChannel* edited = channel(edited_);
    for (int band = 0; band < kStandardBandCount; ++band)
        bandSliders_[static_cast<std::size_t>(band)]->setValue(
            (edited != nullptr ? edited->bandGain(band) : 0) + kGainOffset);
    dryMixSlider_->setValue(edited != nullptr ? edited->dryMix.load(std::memory_order_relaxed) : kMaxDryMix);
}

void EqWindow::switchBypass(int index)
{
    if (EqChannel* equaliser = channel(index))
        equaliser->enabled.store(!bypassButtons_[static_cast<std::size_t>(index)]->on,
                                 std::memory_order_relaxed);
}

void EqWindow::choosePreset()
{
    const std::unique_ptr<plat::ui::MenuRecord, MenuRelease> bar(
        plat::ui::loadMenu(zkr::ownModule(), kPresetMenu));
    const plat::ui::MenuHandle presets = bar ? plat::ui::subMenu(bar.get(), 0) : nullptr;
    if (presets == nullptr)
        return;
    plat::ui::Point corner{presetButton_->rect.left, presetButton_->rect.top};
    (void)plat::ui::clientToScreen(window, corner);
    const intptr_t chosen =
        plat::ui::trackPopupMenu(presets, plat::ui::kTrackReturnCommand, corner.x, corner.y, window);
    // The engine may have closed the window while the menu was open.
    EqChannel* edited = channel(edited_);
    if (chosen <= 0 || curve_ == nullptr || edited == nullptr ||
        !applyPreset(*edited, static_cast<unsigned>(chosen)))
        return;
    showEditedChannel();
    curve_->redraw(channels_);
}

} // namespace velmoraeq
