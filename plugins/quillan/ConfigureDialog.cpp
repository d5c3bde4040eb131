#include "plugins/quillan/ConfigureDialog.h"

#include <string>

#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/quillan/Layout.h"
#include "zkr/SkinImages.h"

namespace quillan {

namespace {

using namespace plat::ui;
using Self = ConfigureDialog;

constexpr uint32_t kLabel = kItemStyleChild | kStaticLeft | kStaticNoPrefix;
constexpr uint32_t kGroup = kItemStyleChild | kButtonGroupBox;
constexpr uint32_t kReadOnlyField = kItemStyleChild | kStyleBorder | kEditReadOnly | kEditAutoHScroll;
constexpr int kChoices = 4;

const DialogItemTemplate kItems[] = {
    {"BUTTON", "Engine", -1, 7, 5, 176, 46, kGroup},
    {"STATIC", "Buffer size (bytes):", -1, 14, 19, 80, 9, kLabel},
    {"EDIT", "", Self::kIdBufferSize, 100, 17, 76, 12, kReadOnlyField},
    {"STATIC", "Use Audio System Setup to change", -1, 14, 33, 162, 8, kLabel},
    {"STATIC", "these values.", -1, 14, 41, 162, 8, kLabel},
    {"BUTTON", "Buffers", -1, 7, 55, 176, 42, kGroup},
    {"STATIC", "Recording blocks:", -1, 14, 69, 80, 9, kLabel},
    {"COMBOBOX", "", Self::kIdRecordingBlocks, 100, 67, 76, 60,
     kItemStyleChild | kComboDropDownList | kStyleTabStop | kStyleGroup},
    {"STATIC", "Shared blocks:", -1, 14, 83, 80, 9, kLabel},
    {"EDIT", "", Self::kIdSharedBlocks, 100, 81, 76, 12, kReadOnlyField},
    {"BUTTON", "&Apply", Self::kIdApply, 78, 103, 50, 14,
     kItemStyleChild | kButtonPush | kStyleTabStop | kStyleGroup},
    {"BUTTON", "&Close", kIdCancel, 133, 103, 50, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop},
};

const DialogTemplate kTemplate{
    kConfigureDialog, "Configure Recording", kDialogStyleStandard, 0, 0, 0, 190, 124, nullptr, 8, kItems};

DialogRegistrar registrar(kTemplate);

} // namespace

ConfigureDialog::ConfigureDialog(int32_t musicBufSize, int32_t& recordingBlocks, int32_t& sharedBlocks,
                                 WindowHandle owner)
    : zkr::Dialog(kConfigureDialog, zkr::ownModule(), owner), musicBufSize_(musicBufSize),
      recordingBlocks_(recordingBlocks), sharedBlocks_(sharedBlocks)
{
}

void ConfigureDialog::onInitDialog()
{
    (void)setDlgItemInt(window, kIdBufferSize, musicBufSize_);
    for (int index = 0; index < kChoices; ++index) {
        const std::string count = std::to_string(recordingBlocksAt(index));
        sendDlgItemMessage(window, kIdRecordingBlocks, kMsgComboAddString, 0,
                           reinterpret_cast<intptr_t>(count.c_str()));
    }
    const int current = (recordingBlocks_ - 2) / 2;
    if (current >= 0 && current < kChoices && recordingBlocksAt(current) == recordingBlocks_)
        sendDlgItemMessage(window, kIdRecordingBlocks, kMsgComboSetCurSel, static_cast<uintptr_t>(current),
                           0);
    showSharedBlocks();
}

bool ConfigureDialog::onCommand(uintptr_t wparam, intptr_t lparam)
{
    switch (loWord(wparam)) {
    case kIdRecordingBlocks:
        if (hiWord(wparam) == kComboSelChange)
            showSharedBlocks();
        return true;
    case kIdApply:
        if (const int index = chosenIndex(); index >= 0) {
            if (recordingBlocks_ != recordingBlocksAt(index) || sharedBlocks_ != sharedBlocksAt(index)) {
                recordingBlocks_ = recordingBlocksAt(index);
                sharedBlocks_ = sharedBlocksAt(index);
            }
        }
        return true;
    default:
        return zkr::Dialog::onCommand(wparam, lparam);
    }
}

int ConfigureDialog::chosenIndex() const
{
    const auto index =
        static_cast<int>(sendDlgItemMessage(window, kIdRecordingBlocks, kMsgComboGetCurSel, 0, 0));
    return index >= 0 && index < kChoices ? index : -1;
}

void ConfigureDialog::showSharedBlocks()
{
    const int index = chosenIndex();
    // Counts the list does not offer stay as they are.
    (void)setDlgItemInt(window, kIdSharedBlocks, index >= 0 ? sharedBlocksAt(index) : sharedBlocks_);
}

} // namespace quillan
