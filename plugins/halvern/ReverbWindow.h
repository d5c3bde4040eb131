#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "plugins/fxframe/EffectWindow.h"
#include "plugins/halvern/ReverbChannel.h"

namespace zkr {
class KnobControl;
class LabelControl;
class ToggleButton;
} // namespace zkr

namespace halvern {

// The reverb's parameter window: the delay knob with its display, which
// sets the delay of all four channels, and the bypass button. The object
// lives from the library's load to its unload and holds the bypass flag.
class ReverbWindow : public fxframe::EffectWindow {
public:
    static constexpr char kClassName[] = "Reverb";
    static constexpr char kTitle[] = "Velmora SimpleReverb";

    // Control ids.
    static constexpr int kDelayKnobId = 1;
    static constexpr int kDelayDisplayId = 2;
    static constexpr int kBypassId = 3;
    static constexpr int32_t kDelayRange = 1000; // milliseconds

    explicit ReverbWindow(ReverbChannels& channels);
    ~ReverbWindow() override;

    // Written by the window's thread, read by the streaming thread once per block.
    bool bypassed() const { return bypass_.load(std::memory_order_acquire); }

    // The knob's value text: "%ims".
    static void delayText(int32_t value, char* text, std::size_t size);

protected:
    bool createControls() override;
    void loadControls() override;
    bool onControl(int id, zkr::Control& control) override;
    void forgetControls() override;

private:
    void setDelay(int32_t milliseconds);
    void setBypass(bool on);

    ReverbChannels& channels_;
    std::atomic<bool> bypass_{false};
    // The window's thread, while the window exists.
    zkr::KnobControl* knob_ = nullptr;
    zkr::LabelControl* display_ = nullptr;
    zkr::ToggleButton* bypassButton_ = nullptr;
};

} // namespace halvern
