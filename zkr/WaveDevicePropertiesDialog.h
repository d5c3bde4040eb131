#pragma once

#include "zkr/Dialog.h"
#include "zkr/WaveDevice.h"

namespace zkr {

// "Wave Device Properties": what one installed wave device can do, shown
// read-only from its capability record, closed with OK.
class WaveDevicePropertiesDialog : public Dialog {
public:
    // Control ids of the dialog.
    static constexpr int kIdName = 1001;
    static constexpr int kIdManufacturer = 1002;
    static constexpr int kIdProduct = 1003;
    static constexpr int kIdDriverVersion = 1004;
    static constexpr int kIdChannels = 1005;
    static constexpr int kIdFormats = 1006;
    // The support check boxes, in the order shown.
    static constexpr int kIdVolumeControl = 1010;
    static constexpr int kIdLeftRightVolume = 1011;
    static constexpr int kIdChangePitch = 1012;
    static constexpr int kIdChangeRate = 1013;
    static constexpr int kIdSampleAccurate = 1014;
    static constexpr int kIdSynchronous = 1015;
    static constexpr int kIdDirectSound = 1016;

    // The support flag behind each check box.
    static constexpr uint32_t kSupportPitch = 0x1;
    static constexpr uint32_t kSupportPlaybackRate = 0x2;
    static constexpr uint32_t kSupportVolume = 0x4;
    static constexpr uint32_t kSupportLeftRightVolume = 0x8;
    static constexpr uint32_t kSupportSync = 0x10;
    static constexpr uint32_t kSupportSampleAccurate = 0x20;
    static constexpr uint32_t kSupportDirectSound = 0x40;

    // The record is copied: the dialog does not depend on the caller's.
    explicit WaveDevicePropertiesDialog(const DeviceCapabilities& capabilities,
                                        WindowHandle parent = nullptr);

    void onInitDialog() override;

    DeviceCapabilities capabilities;
};

} // namespace zkr
