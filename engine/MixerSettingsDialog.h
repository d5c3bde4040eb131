#pragma once

#include <cstdint>

#include "zkr/Dialog.h"

namespace engine {

// "Mixer Settings": the mixer's rule for empty blocks, on a copy of the flag.
class MixerSettingsDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 106;
    static constexpr int kIdEmptyAsFull = 1021;

    MixerSettingsDialog(bool processEmptyAsFull, plat::ui::WindowHandle owner);

    void onInitDialog() override;
    // OK and Cancel close through here: the check box is read while it exists.
    bool onClose() override;

    bool processEmptyAsFull;
};

} // namespace engine
