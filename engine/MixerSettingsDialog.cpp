#include "engine/MixerSettingsDialog.h"

#include "engine/EngineResources.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"

namespace engine {

namespace {

using namespace plat::ui;
using Self = MixerSettingsDialog;

const DialogItemTemplate kItems[] = {
    {"BUTTON", "Specific", -1, 7, 7, 166, 30, kItemStyleChild | kButtonGroupBox},
    {"BUTTON", "Process empty buffers as full", Self::kIdEmptyAsFull, 14, 19, 150, 10,
     kItemStyleChild | kButtonAutoCheckBox | kStyleTabStop | kStyleGroup},
    {"BUTTON", "OK", kIdOk, 37, 44, 50, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Cancel", kIdCancel, 93, 44, 50, 14, kItemStyleChild | kButtonPush | kStyleTabStop},
};

const DialogTemplate kTemplate{
    Self::kTemplateId, "Mixer Settings", kDialogStyleStandard, 0, 0, 0, 180, 65, nullptr, 8, kItems};

DialogRegistrar registrar(kTemplate);

} // namespace

MixerSettingsDialog::MixerSettingsDialog(bool emptyAsFull, plat::ui::WindowHandle owner)
    : zkr::Dialog(kTemplateId, engineModule(), owner), processEmptyAsFull(emptyAsFull)
{
}

void MixerSettingsDialog::onInitDialog()
{
    static_cast<void>(
        checkDlgButton(window, kIdEmptyAsFull, processEmptyAsFull ? kButtonChecked : kButtonUnchecked));
}

bool MixerSettingsDialog::onClose()
{
    processEmptyAsFull = isDlgButtonChecked(window, kIdEmptyAsFull) == kButtonChecked;
    return true;
}

} // namespace engine
