#include "zkr/WaveDevicePropertiesDialog.h"

#include <cstdio>

#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "zkr/Text.h"

namespace zkr {

namespace {

using namespace plat::ui;
using Self = WaveDevicePropertiesDialog;

constexpr uint32_t kLabel = kItemStyleChild | kStaticLeftNoWrap | kStaticNoPrefix;
constexpr uint32_t kValue = kItemStyleChild | kStaticLeftNoWrap | kStaticNoPrefix | kStaticSunken;
// Plain check boxes: they show the device's features and cannot be toggled.
constexpr uint32_t kCheck = kItemStyleChild | kButtonCheckBox | kStyleTabStop;

// The highest standard-format flag.
constexpr uint32_t kLastFormatFlag = 2048;

const DialogItemTemplate kItems[] = {
    {"STATIC", "Name:", -1, 7, 7, 56, 9, kLabel},
    {"STATIC", "", Self::kIdName, 66, 6, 157, 11, kValue},
    {"STATIC", "Manufacturer:", -1, 7, 21, 56, 9, kLabel},
    {"STATIC", "", Self::kIdManufacturer, 66, 20, 157, 11, kValue},
    {"STATIC", "Product:", -1, 7, 35, 56, 9, kLabel},
    {"STATIC", "", Self::kIdProduct, 66, 34, 157, 11, kValue},
    {"STATIC", "Driver version:", -1, 7, 49, 56, 9, kLabel},
    {"STATIC", "", Self::kIdDriverVersion, 66, 48, 60, 11, kValue},
    {"STATIC", "Channels:", -1, 136, 49, 36, 9, kLabel},
    {"STATIC", "", Self::kIdChannels, 175, 48, 48, 11, kValue},
    {"STATIC", "Formats:", -1, 7, 64, 56, 9, kLabel},
    {"LISTBOX", "", Self::kIdFormats, 7, 75, 216, 68,
     kItemStyleChild | kStyleBorder | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Supports", -1, 7, 148, 216, 62, kItemStyleChild | kButtonGroupBox},
    {"BUTTON", "volume control", Self::kIdVolumeControl, 14, 160, 100, 10, kCheck | kStyleGroup},
    {"BUTTON", "left/right vol. control", Self::kIdLeftRightVolume, 118, 160, 100, 10, kCheck},
    {"BUTTON", "change pitch", Self::kIdChangePitch, 14, 172, 100, 10, kCheck},
    {"BUTTON", "change rate", Self::kIdChangeRate, 118, 172, 100, 10, kCheck},
    {"BUTTON", "sample accurate", Self::kIdSampleAccurate, 14, 184, 100, 10, kCheck},
    {"BUTTON", "synchronous", Self::kIdSynchronous, 118, 184, 100, 10, kCheck},
    {"BUTTON", "DirectSound", Self::kIdDirectSound, 14, 196, 100, 10, kCheck},
    {"BUTTON", "OK", kIdOk, 90, 217, 50, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop | kStyleGroup},
};

constexpr uint32_t kDialogStyle = kDialogStyleStandard;

const DialogTemplate kTemplate{
    .caption = "Wave Device Properties", .style = kDialogStyle, .width = 230, .height = 238, .items = kItems};

struct SupportBox {
    int id;
    uint32_t flag;
};

const SupportBox kSupportBoxes[] = {
    {Self::kIdVolumeControl, Self::kSupportVolume},
    {Self::kIdLeftRightVolume, Self::kSupportLeftRightVolume},
    {Self::kIdChangePitch, Self::kSupportPitch},
    {Self::kIdChangeRate, Self::kSupportPlaybackRate},
    {Self::kIdSampleAccurate, Self::kSupportSampleAccurate},
    {Self::kIdSynchronous, Self::kSupportSync},
    {Self::kIdDirectSound, Self::kSupportDirectSound},
};

void manufacturerText(uint16_t id, char* out, std::size_t size)
{
    if (id == 1)
        copyText(out, size, "Microsoft Corporation");
    else if (id == 2)
        copyText(out, size, "Creative Labs, Inc");
    else
        std::snprintf(out, size, "(ID %i)", static_cast<int>(id));
}

} // namespace

WaveDevicePropertiesDialog::WaveDevicePropertiesDialog(const DeviceCapabilities& caps, WindowHandle owner)
    : Dialog(kTemplate, owner), capabilities(caps)
{
}

void WaveDevicePropertiesDialog::onInitDialog()
{
    char text[sizeof capabilities.name + 1];
    // The record's name need not be terminated: at most its 130 characters are taken.
    copyText(text, capabilities.name);
    (void)setDlgItemText(window, kIdName, text);

    manufacturerText(capabilities.manufacturerId, text, sizeof text);
    (void)setDlgItemText(window, kIdManufacturer, text);
    std::snprintf(text, sizeof text, "(ID %i)", static_cast<int>(capabilities.productId));
    (void)setDlgItemText(window, kIdProduct, text);
    std::snprintf(text, sizeof text, "v%i.%i", capabilities.driverVersion >> 8,
                  capabilities.driverVersion & 0xFF);
    (void)setDlgItemText(window, kIdDriverVersion, text);
    std::snprintf(text, sizeof text, "%i", static_cast<int>(capabilities.channels));
    (void)setDlgItemText(window, kIdChannels, text);

    for (uint32_t flag = 1; flag <= kLastFormatFlag; flag <<= 1) {
        if ((capabilities.formats & flag) == 0)
            continue;
        formatName(flag, text, static_cast<int>(sizeof text));
        sendDlgItemMessage(window, kIdFormats, kMsgListAddString, 0, reinterpret_cast<intptr_t>(text));
    }
    for (const SupportBox& box : kSupportBoxes)
        (void)checkDlgButton(window, box.id,
                             (capabilities.support & box.flag) != 0 ? kButtonChecked : kButtonUnchecked);
}

} // namespace zkr
