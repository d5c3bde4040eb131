#include "engine/AudioSetupDialog.h"

#include <cstdio>
#include <iterator>

#include "engine/EngineResources.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Scale.h"
#include "platform/ui/controls/Controls.h"

namespace engine {

namespace {

using namespace plat::ui;
using Self = AudioSetupDialog;

constexpr uint32_t kLabel = kItemStyleChild | kStaticLeft;
constexpr uint32_t kList = kItemStyleChild | kComboDropDownList | kStyleTabStop;
constexpr uint32_t kGroup = kItemStyleChild | kButtonGroupBox;

// Buffered milliseconds from which the verdict gets better.
constexpr int kWillWorkMs = 500;
constexpr int kComfortableMs = 1000;

const DialogItemTemplate kItems[] = {
    {"BUTTON", "Music Buffering", -1, 7, 7, 186, 70, kGroup},
    {"STATIC", "Music Buffer Size:", -1, 14, 21, 66, 9, kLabel},
    {"COMBOBOX", "", Self::kIdMusicBufSize, 82, 19, 60, 90, kList | kStyleGroup},
    {"STATIC", "Bytes", -1, 147, 21, 40, 9, kLabel},
    {"STATIC", "# Output Buffers:", -1, 14, 39, 66, 9, kLabel},
    {"COMBOBOX", "", Self::kIdNumOutBufs, 82, 37, 60, 120, kList},
    {"STATIC", "undefined", Self::kIdBufferedTime, 14, 59, 172, 9,
     kItemStyleChild | kStaticCentre | kStaticNoPrefix},
    {"BUTTON", "Harddisk Read/Write", -1, 7, 82, 186, 34, kGroup},
    {"STATIC", "Disk Buffer Size:", -1, 14, 97, 66, 9, kLabel},
    {"COMBOBOX", "", Self::kIdDiskBufSize, 82, 95, 60, 70, kList | kStyleGroup},
    {"STATIC", "Bytes", -1, 147, 97, 40, 9, kLabel},
    {"BUTTON", "Display", -1, 7, 121, 186, 30, kGroup},
    {"STATIC", "Scale:", -1, 14, 135, 66, 9, kLabel},
    {"COMBOBOX", "", Self::kIdDisplayScale, 82, 133, 60, 80, kList | kStyleGroup},
    {"STATIC", "at next start", -1, 147, 135, 44, 9, kLabel},
    {"BUTTON", "&Apply", Self::kIdApply, 39, 157, 56, 14,
     kItemStyleChild | kButtonPush | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Close", Self::kIdClose, 105, 157, 56, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop},
};

const DialogTemplate kTemplate{
    Self::kTemplateId, "Audio System Setup", kDialogStyleStandard, 0, 0, 0, 200, 178, nullptr, 8, kItems};

// The scales offered, as the settings store them; "automatic" follows the desktop.
constexpr const char* kDisplayScales[] = {plat::ui::kAutomaticScale, "1", "1.5", "2", "3"};
constexpr const char* kDisplayScaleNames[] = {"Automatic", "1", "1.5", "2", "3"};

DialogRegistrar registrar(kTemplate);

void addNumber(plat::ui::WindowHandle dialog, int id, int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i", value);
    sendDlgItemMessage(dialog, id, kMsgComboAddString, 0, reinterpret_cast<intptr_t>(text));
}

// Fills a list with count entries from first on (doubling, or counting up by
// one) and selects the entry equal to current, if there is one.
void fillList(plat::ui::WindowHandle dialog, int id, int32_t first, int count, bool doubling, int32_t current)
{
    int32_t value = first;
    for (int i = 0; i < count; ++i) {
        addNumber(dialog, id, value);
        if (value == current)
            sendDlgItemMessage(dialog, id, kMsgComboSetCurSel, static_cast<uintptr_t>(i), 0);
        value = doubling ? value * 2 : value + 1;
    }
}

} // namespace

AudioSetupDialog::AudioSetupDialog(const AudioSystemSetup& initial, const std::string& scale,
                                   plat::ui::WindowHandle owner)
    : zkr::Dialog(kTemplateId, engineModule(), owner), setup(initial), displayScale(scale)
{
}

void AudioSetupDialog::onInitDialog()
{
    fillList(window, kIdMusicBufSize, kFirstMusicBufSize, kMusicBufSizeEntries, true, setup.musicBufSize);
    fillList(window, kIdNumOutBufs, 1, kNumOutBufsEntries, false, setup.numOutBufs);
    fillList(window, kIdDiskBufSize, kFirstDiskBufSize, kDiskBufSizeEntries, true, setup.diskBufSize);
    for (std::size_t i = 0; i < std::size(kDisplayScales); ++i) {
        sendDlgItemMessage(window, kIdDisplayScale, kMsgComboAddString, 0,
                           reinterpret_cast<intptr_t>(kDisplayScaleNames[i]));
        if (displayScale == kDisplayScales[i] || (displayScale.empty() && i == 0))
            sendDlgItemMessage(window, kIdDisplayScale, kMsgComboSetCurSel, i, 0);
    }
    showBufferedTime();
}

bool AudioSetupDialog::onCommand(uintptr_t wparam, intptr_t lparam)
{
    const int id = loWord(wparam);
    if ((id == kIdMusicBufSize || id == kIdNumOutBufs) && hiWord(wparam) == kComboSelChange) {
        showBufferedTime();
        return true;
    }
    return zkr::Dialog::onCommand(wparam, lparam);
}

bool AudioSetupDialog::onClose()
{
    // Only a list with a selection can change its field: a stored value that
    // no list offers stays as it was.
    const int size = selection(kIdMusicBufSize);
    if (size >= 0 && size < kMusicBufSizeEntries && kFirstMusicBufSize << size != setup.musicBufSize) {
        setup.musicBufSize = kFirstMusicBufSize << size;
        changed = true;
    }
    const int count = selection(kIdNumOutBufs);
    if (count >= 0 && count < kNumOutBufsEntries && count + 1 != setup.numOutBufs) {
        setup.numOutBufs = count + 1;
        changed = true;
    }
    const int disk = selection(kIdDiskBufSize);
    if (disk >= 0 && disk < kDiskBufSizeEntries && kFirstDiskBufSize << disk != setup.diskBufSize) {
        setup.diskBufSize = kFirstDiskBufSize << disk;
        changed = true;
    }
    const int scale = selection(kIdDisplayScale);
    if (scale >= 0 && std::size_t(scale) < std::size(kDisplayScales) &&
        displayScale != kDisplayScales[scale]) {
        displayScale = kDisplayScales[scale];
        displayScaleChanged = true;
    }
    return true;
}

int AudioSetupDialog::selection(int id) const
{
    return static_cast<int>(sendDlgItemMessage(window, id, kMsgComboGetCurSel, 0, 0));
}

void AudioSetupDialog::showBufferedTime()
{
    char text[64];
    bufferedTimeText(selection(kIdMusicBufSize), selection(kIdNumOutBufs), text, sizeof text);
    static_cast<void>(setDlgItemText(window, kIdBufferedTime, text));
}

void AudioSetupDialog::bufferedTimeText(int musicBufSizeIndex, int numOutBufsIndex, char* out,
                                        std::size_t size)
{
    if (musicBufSizeIndex < 0 || musicBufSizeIndex >= kMusicBufSizeEntries || numOutBufsIndex < 0 ||
        numOutBufsIndex >= kNumOutBufsEntries) {
        std::snprintf(out, size, "undefined");
        return;
    }
    const int perBlock = blockMilliseconds(kFirstMusicBufSize << musicBufSizeIndex);
    const int total = perBlock * (numOutBufsIndex + 1);
    const char* verdict = total < kWillWorkMs      ? " - won't work!"
                          : total < kComfortableMs ? " - should work!"
                                                   : " - ok!";
    std::snprintf(out, size, "%ims music buffered%s", total, verdict);
}

} // namespace engine
