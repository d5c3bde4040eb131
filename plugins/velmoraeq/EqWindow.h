#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "plugins/fxframe/EffectWindow.h"
#include "plugins/velmoraeq/EqChannel.h"
#include "zkr/ValueText.h"

namespace zkr {
class BitmapButton;
class SliderControl;
class ToggleButton;
} // namespace zkr

namespace velmoraeq {

class CurveDisplay;

// The equaliser's parameter window: it edits one channel at a time (chosen
// with the channel buttons; channel 1 when the window opens) with a slider
// per band and the dry mix slider, loads presets into it from a menu, switches
// each channel's bypass, and draws the gains of all four channels.
//
// Threads: everything here runs on the window's thread; the channels guard
// what the streaming thread shares with it.
class EqWindow : public fxframe::EffectWindow {
public:
    static constexpr char kClassName[] = "VelmoraEqWndClass";
    static constexpr char kTitle[] = "Velmora 9BandEq";

    // Control ids: channels 1 to 4, bypass of channels 1 to 4, bands 0 to 8.
    static constexpr int kFirstChannelId = 1;
    static constexpr int kFirstBypassId = 5;
    static constexpr int kFirstBandId = 9;
    static constexpr int kDryMixId = 18;
    static constexpr int kPresetId = 19;
    static constexpr int kCurveId = 20;
    // A band slider's position is its gain + 100.
    static constexpr int32_t kGainRange = 200;
    static constexpr int32_t kGainOffset = 100;

    explicit EqWindow(const EqChannels& channels);
    ~EqWindow() override;

    // Every control here is a button or a slider: a quick second click is a click as well.
    void onDoubleClick(intptr_t point, uintptr_t keys) override;

    // The channel that the sliders show and change (0 to 3).
    int editedChannel() const { return edited_; }

    // A band slider's value text: "+20%", "0%", "-35%".
    static void gainText(int32_t position, char* text, std::size_t size);
    // The dry mix slider's: "90%".
    static void percentText(int32_t value, char* text, std::size_t size);

protected:
    bool createControls() override;
    void loadControls() override;
    bool onControl(int id, zkr::Control& control) override;
    void forgetControls() override;

private:
    EqChannel* channel(int index) const;
    zkr::SliderControl* addSlider(int id, int x, int y, int32_t range, zkr::ValueFormatter formatter,
                                  const char* tooltip);
    // Makes channel the edited one and shows it.
    void edit(int index);
    void showEditedChannel();
    void switchBypass(int index);
    void choosePreset();

    const EqChannels& channels_;
    int edited_ = 0;
    std::array<zkr::ToggleButton*, engine::kChannelCount> channelButtons_{};
    std::array<zkr::ToggleButton*, engine::kChannelCount> bypassButtons_{};
    std::array<zkr::SliderControl*, kStandardBandCount> bandSliders_{};
    zkr::SliderControl* dryMixSlider_ = nullptr;
    zkr::BitmapButton* presetButton_ = nullptr;
    CurveDisplay* curve_ = nullptr;
};

} // namespace velmoraeq
