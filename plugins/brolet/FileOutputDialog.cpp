#include "plugins/brolet/FileOutputDialog.h"

#include <cstdio>
#include <utility>

#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/brolet/Texts.h"
#include "zkr/FolderDialog.h"
#include "zkr/SkinImages.h"
#include "zkr/Text.h"

namespace brolet {

namespace {

using namespace plat::ui;
using Self = FileOutputDialog;

constexpr uint32_t kLabel = kItemStyleChild | kStaticLeft;
constexpr uint32_t kGroup = kItemStyleChild | kButtonGroupBox;

const DialogItemTemplate kItems[] = {
    {"BUTTON", "Output Folder", -1, 7, 5, 246, 56, kGroup},
    {"STATIC", "", Self::kIdFolder, 14, 18, 176, 12,
     kItemStyleChild | kStaticLeftNoWrap | kStaticSunken | kStaticNoPrefix},
    {"BUTTON", "&Browse...", Self::kIdBrowse, 196, 17, 50, 14,
     kItemStyleChild | kButtonPush | kStyleTabStop | kStyleGroup},
    {"STATIC", "&Drive:", -1, 14, 40, 30, 9, kLabel},
    {"COMBOBOX", "", Self::kIdDrives, 46, 38, 200, 100,
     kItemStyleChild | kComboDropDownList | kStyleTabStop | kStyleGroup},
    {"BUTTON", "File Name", -1, 7, 65, 246, 44, kGroup},
    {"STATIC", "&Template:", -1, 14, 79, 36, 9, kLabel},
    {"EDIT", "", Self::kIdTemplate, 52, 77, 194, 12,
     kItemStyleChild | kStyleBorder | kEditAutoHScroll | kStyleTabStop | kStyleGroup},
    {"STATIC", "Each recording is named after the template, the date and the time.", -1, 14, 94, 232, 9,
     kLabel | kStaticNoPrefix},
    {"BUTTON", "OK", kIdOk, 142, 115, 52, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Cancel", kIdCancel, 201, 115, 52, 14, kItemStyleChild | kButtonPush | kStyleTabStop},
};

const DialogTemplate kTemplate{Self::kTemplateId,
                               "Configure Wavefile Writing",
                               kDialogStyleStandard,
                               0,
                               0,
                               0,
                               260,
                               136,
                               nullptr,
                               8,
                               kItems};

DialogRegistrar registrar(kTemplate);

// A number of the recording time: two digits at least.
std::string twoDigits(uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, value < 10 ? "0%i" : "%i", static_cast<int>(value));
    return text;
}

const char* mediumName(plat::StorageMedium medium)
{
    switch (medium) {
    case plat::StorageMedium::Fixed:
        return "fixed disk";
    case plat::StorageMedium::Removable:
        return "removable";
    case plat::StorageMedium::Network:
        return "network drive";
    case plat::StorageMedium::RamDisk:
        return "ram disk";
    }
    return "unknown";
}

// The platform's folder browser, opening at the folder the dialog shows.
class OutputFolderBrowser : public zkr::FolderDialog {
public:
    explicit OutputFolderBrowser(std::string start) : start_(std::move(start)) {}
    void prepare() override
    {
        zkr::FolderDialog::prepare();
        request.initialFolder = start_;
    }

private:
    std::string start_;
};

} // namespace

std::string recordingTimeText(uint64_t freeBytes)
{
    const uint64_t seconds = freeBytes / kRecordingBytesPerSecond;
    return twoDigits(seconds / 3600) + "h " + twoDigits(seconds / 60 % 60) + "min " +
           twoDigits(seconds % 60) + "s";
}

std::string driveLine(const plat::MountedFileSystem& fileSystem, bool mostFree)
{
    return (mostFree ? "* " : "") + fileSystem.mountPoint + " [" + fileSystem.type + ", " +
           mediumName(fileSystem.medium) + "] " + recordingTimeText(fileSystem.freeBytes);
}

int mostFreeSpace(const std::vector<plat::MountedFileSystem>& fileSystems)
{
    int best = -1;
    for (std::size_t i = 0; i < fileSystems.size(); ++i)
        if (best < 0 || fileSystems[i].freeBytes > fileSystems[static_cast<std::size_t>(best)].freeBytes)
            best = static_cast<int>(i);
    return best;
}

FileOutputDialog::FileOutputDialog(std::string startFolder, std::string startTemplate,
                                   plat::ui::WindowHandle owner)
    : zkr::Dialog(kTemplateId, zkr::ownModule(), owner), folder(std::move(startFolder)),
      fileTemplate(std::move(startTemplate))
{
}

void FileOutputDialog::onInitDialog()
{
    showFolder();
    sendDlgItemMessage(window, kIdTemplate, kMsgEditLimitText, kTextLimit, 0);
    (void)setDlgItemText(window, kIdTemplate, fileTemplate.c_str());
    drives = plat::writableFileSystems();
    const int marked = mostFreeSpace(drives);
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string line = driveLine(drives[i], static_cast<int>(i) == marked);
        sendDlgItemMessage(window, kIdDrives, kMsgComboAddString, 0,
                           reinterpret_cast<intptr_t>(line.c_str()));
    }
    if (marked >= 0)
        sendDlgItemMessage(window, kIdDrives, kMsgComboSetCurSel, static_cast<uintptr_t>(marked), 0);
}

bool FileOutputDialog::onCommand(uintptr_t wparam, intptr_t lparam)
{
    const int id = loWord(wparam);
    if (id == kIdBrowse && hiWord(wparam) == kButtonClicked) {
        browse();
        return true;
    }
    if (id == kIdDrives && hiWord(wparam) == kComboSelChange) {
        const auto chosen =
            static_cast<std::size_t>(sendDlgItemMessage(window, kIdDrives, kMsgComboGetCurSel, 0, 0));
        if (chosen < drives.size()) {
            folder = drives[chosen].folder;
            showFolder();
        }
        return true;
    }
    return zkr::Dialog::onCommand(wparam, lparam);
}

bool FileOutputDialog::onClose()
{
    fileTemplate = dlgItemText(window, kIdTemplate);
    return true;
}

void FileOutputDialog::showFolder()
{
    (void)setDlgItemText(window, kIdFolder, folder.c_str());
}

void FileOutputDialog::browse()
{
    OutputFolderBrowser browser(folder);
    browser.module = zkr::ownModule();
    browser.owner = window;
    browser.title = stringText(kStringBrowseTitle);
    if (!browser.run())
        return;
    folder = browser.chosenFolder;
    showFolder();
}

} // namespace brolet
