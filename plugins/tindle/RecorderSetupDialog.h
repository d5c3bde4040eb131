#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "zkr/Dialog.h"
#include "zkr/InputDevice.h"

namespace tindle {

// Starts the desktop's volume control: the first of pavucontrol,
// gnome-control-center's sound panel and xfce4-mixer found on the PATH, else
// alsamixer in a terminal. When none is there, a message box on the desktop
// says "%s not found!" with the programs looked for. Answers the message
// shown ("" when a program started).
std::string startVolumeControl();

// "Configure Pre-Recorder": the input device, mono or stereo, the fixed rate
// and sample size, and the volume control button. Apply hands a changed
// device or channel count to the pre-recorder (applyInput); Close ends the
// dialog. It shows the pre-recorder's input device, which outlives it.
class RecorderSetupDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 300;
    static constexpr int kIdVolume = 1021;
    static constexpr int kIdDevice = 1022;
    static constexpr int kIdMono = 1023;
    static constexpr int kIdStereo = 1024;
    static constexpr int kIdApply = 1025;

    using ApplyInput = std::function<void(int device, int channels)>;

    RecorderSetupDialog(zkr::InputDevice& input, ApplyInput applyInput, plat::ui::WindowHandle owner);

    void onInitDialog() override;
    bool onCommand(uintptr_t wparam, intptr_t lparam) override;

private:
    void apply();

    zkr::InputDevice& input_;
    ApplyInput applyInput_;
};

} // namespace tindle
