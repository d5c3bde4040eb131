#pragma once

#include <atomic>
#include <cstdint>

#include "plugins/fxframe/EffectWindow.h"

namespace zkr {
class BitmapButton;
class KnobControl;
class LampControl;
} // namespace zkr

namespace velmorizer {

class DistortionUnit;

// The distortion's parameter window: the gain, cutoff and drive knobs, each
// with its value text below it, which set the unit at once, and the on
// switch with its lamp. The object (and with it the on flag) lives from the
// library's load to its unload, whether or not the window is open.
class DistortionWindow : public fxframe::EffectWindow {
public:
    static constexpr char kClassName[] = "Velmorizer";
    static constexpr char kTitle[] = "Velmorizer Distortion";

    // Control ids.
    static constexpr int kGainKnobId = 1;
    static constexpr int kCutoffKnobId = 2;
    static constexpr int kDriveKnobId = 3;
    static constexpr int kLampId = 4;
    static constexpr int kSwitchId = 6;

    // Knob ranges.
    static constexpr int32_t kGainRange = 200;
    static constexpr int32_t kCutoffRange = 100;
    static constexpr int32_t kDriveRange = 500;

    DistortionWindow();

    // Whether the effect distorts; false from load. Flipped by the switch on
    // the window's thread, read by the streaming thread: a single atomic flag.
    std::atomic<bool> on{false};
    // The unit the knobs set: handed over by set-up and withdrawn by
    // clean-up on the thread that loads the library, read on the window's.
    // Null: the knobs show the construction settings and cannot be turned.
    std::atomic<DistortionUnit*> unit{nullptr};

    // A quick second click on the switch flips it again, as any click does.
    void onDoubleClick(intptr_t point, uintptr_t keys) override;

protected:
    bool createControls() override;
    void loadControls() override;
    bool onControl(int id, zkr::Control& control) override;
    void forgetControls() override;

private:
    zkr::KnobControl* addKnob(int id, unsigned strip, int x, int y, const char* tooltip,
                              const char* displayTooltip);
    void setFromKnob(int id, int32_t value);
    void showSwitch();

    // The window's thread, while the window exists.
    zkr::KnobControl* gainKnob_ = nullptr;
    zkr::KnobControl* cutoffKnob_ = nullptr;
    zkr::KnobControl* driveKnob_ = nullptr;
    zkr::LampControl* lamp_ = nullptr;
    zkr::BitmapButton* switch_ = nullptr;
};

} // namespace velmorizer
