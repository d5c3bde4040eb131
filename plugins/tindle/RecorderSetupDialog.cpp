#include "plugins/tindle/RecorderSetupDialog.h"

#include <cstdio>
#include <utility>

#include "platform/core/Notice.h"
#include "platform/core/Shell.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/tindle/RecorderLayout.h"
#include "zkr/Product.h"
#include "zkr/SkinImages.h"
#include "zkr/WaveDevice.h"

namespace tindle {

namespace {

using namespace plat::ui;
using Self = RecorderSetupDialog;

constexpr uint32_t kGroup = kItemStyleChild | kButtonGroupBox;
constexpr uint32_t kText = kItemStyleChild | kStaticLeft | kStaticNoPrefix;
constexpr char kVolumeIconName[] = "#309";
static_assert(recorder::kVolumeIcon == 309);

const DialogItemTemplate kItems[] = {
    {"BUTTON", "Input device", -1, 7, 5, 196, 34, kGroup},
    {"COMBOBOX", "", Self::kIdDevice, 14, 18, 182, 100,
     kItemStyleChild | kComboDropDownList | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Format", -1, 7, 43, 164, 42, kGroup},
    {"BUTTON", "mono", Self::kIdMono, 14, 55, 40, 10,
     kItemStyleChild | kButtonAutoRadio | kStyleTabStop | kStyleGroup},
    {"BUTTON", "stereo", Self::kIdStereo, 14, 69, 40, 10, kItemStyleChild | kButtonAutoRadio},
    {"STATIC", "Samplerate:            44.1kHz", -1, 58, 56, 110, 9, kText},
    {"STATIC", "Bits per sample:    16", -1, 58, 70, 110, 9, kText},
    {"STATIC", kVolumeIconName, Self::kIdVolume, 180, 52, 23, 24,
     kItemStyleChild | kStaticIcon | kStaticNotify | kStaticCentreImage},
    {"BUTTON", "&Apply", Self::kIdApply, 98, 92, 50, 14,
     kItemStyleChild | kButtonPush | kStyleTabStop | kStyleGroup},
    {"BUTTON", "&Close", kIdCancel, 153, 92, 50, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop},
};

const DialogTemplate kTemplate{
    Self::kTemplateId, "Configure Pre-Recorder", kDialogStyleStandard, 0, 0, 0, 210, 113, nullptr, 8, kItems};

constexpr char kVolumeTooltip[] = "execute volume control";

} // namespace

std::string startVolumeControl()
{
    static const std::vector<plat::CommandLine> kMixers{
        {"pavucontrol"},
        {"gnome-control-center", "sound"},
        {"xfce4-mixer"},
        {"x-terminal-emulator", "-e", "alsamixer"},
    };
    std::string lookedFor;
    if (plat::startFirstFound(kMixers, lookedFor) != plat::kShellFileNotFound)
        return {};
    char text[512];
    std::snprintf(text, sizeof text, "%s not found!", lookedFor.c_str());
    (void)messageBox(nullptr, text, zkr::kProductTitle, plat::kNoticeFailure);
    return text;
}

RecorderSetupDialog::RecorderSetupDialog(zkr::InputDevice& input, ApplyInput applyInput, WindowHandle owner)
    : zkr::Dialog(kTemplate, owner), input_(input), applyInput_(std::move(applyInput))
{
    module = zkr::ownModule();
}

void RecorderSetupDialog::onInitDialog()
{
    zkr::InputDevice& device = input_;
    for (int index = 0; index < device.capabilities.count; ++index) {
        const auto* caps = device.capabilities.itemAt(index);
        sendDlgItemMessage(window, kIdDevice, kMsgComboAddString, 0,
                           reinterpret_cast<intptr_t>(caps != nullptr ? caps->name : ""));
    }
    if (device.capabilities.count == 0) {
        // Said in the list itself, which offers nothing to choose.
        sendDlgItemMessage(window, kIdDevice, kMsgComboAddString, 0,
                           reinterpret_cast<intptr_t>(zkr::InputDevice::kNoDeviceName));
        sendDlgItemMessage(window, kIdDevice, kMsgComboSetCurSel, 0, 0);
        (void)enableWindow(dialogItem(window, kIdDevice), false); // the list shows it either way
    } else {
        // The wave mapper is no entry of the list: nothing is chosen then.
        sendDlgItemMessage(window, kIdDevice, kMsgComboSetCurSel, static_cast<uintptr_t>(device.deviceId), 0);
    }
    (void)checkRadioButton(window, kIdMono, kIdStereo, device.format.channels == 2 ? kIdStereo : kIdMono);

    // A tooltip of the dialog's own, which goes with it.
    const WindowHandle tips = createWindow(kExStyleTopmost, kTooltipClass, "", 0, kUseDefault, kUseDefault,
                                           kUseDefault, kUseDefault, window, 0, module, nullptr);
    const WindowHandle volume = dialogItem(window, kIdVolume);
    if (tips != nullptr && volume != nullptr) {
        ToolInfo tool;
        tool.flags = kTooltipIdIsWindow | kTooltipSubclass;
        tool.window = window;
        tool.id = reinterpret_cast<uintptr_t>(volume);
        tool.module = module;
        tool.text = const_cast<char*>(kVolumeTooltip);
        sendMessage(tips, kMsgTooltipAddTool, 0, reinterpret_cast<intptr_t>(&tool));
    }
}

bool RecorderSetupDialog::onCommand(uintptr_t wparam, intptr_t lparam)
{
    switch (loWord(wparam)) {
    case kIdVolume:
        if (hiWord(wparam) == kButtonClicked)
            startVolumeControl();
        return true;
    case kIdApply:
        apply();
        return true;
    default:
        return zkr::Dialog::onCommand(wparam, lparam);
    }
}

void RecorderSetupDialog::apply()
{
    const auto chosen = static_cast<int>(sendDlgItemMessage(window, kIdDevice, kMsgComboGetCurSel, 0, 0));
    const zkr::InputDevice& input = input_;
    const int device =
        chosen == kComboError || input.capabilities.count == 0 ? zkr::WaveDevice::kWaveMapper : chosen;
    const int channels = isDlgButtonChecked(window, kIdStereo) == kButtonChecked ? 2 : 1;
    if (device != input.deviceId || channels != input.format.channels)
        applyInput_(device, channels);
}

} // namespace tindle
