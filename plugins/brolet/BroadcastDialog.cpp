#include "plugins/brolet/BroadcastDialog.h"

#include <cstdlib>

#include "platform/core/Notice.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "zkr/SkinImages.h"

namespace brolet {

namespace {

using namespace plat::ui;
using Self = BroadcastDialog;

constexpr uint32_t kLabel = kItemStyleChild | kStaticLeft;
constexpr uint32_t kGroup = kItemStyleChild | kButtonGroupBox;
constexpr uint32_t kField = kItemStyleChild | kStyleBorder | kEditAutoHScroll | kStyleTabStop | kStyleGroup;
constexpr int kHighestPort = BroadcastSettings::kHighestPort;
constexpr int kHighestVorbisQuality = BroadcastSettings::kHighestVorbisQuality;
constexpr int kLowestBitRate = BroadcastSettings::kLowestBitRate;
constexpr int kHighestBitRate = BroadcastSettings::kHighestBitRate;

const DialogItemTemplate kItems[] = {
    {"BUTTON", "Server", -1, 7, 5, 246, 62, kGroup},
    {"STATIC", "&Host:", -1, 14, 19, 36, 9, kLabel},
    {"EDIT", "", Self::kIdHost, 52, 17, 120, 12, kField},
    {"STATIC", "&Port:", -1, 178, 19, 20, 9, kLabel},
    {"EDIT", "", Self::kIdPort, 200, 17, 46, 12, kField | kEditNumber},
    {"STATIC", "&Mount:", -1, 14, 35, 36, 9, kLabel},
    {"EDIT", "", Self::kIdMount, 52, 33, 194, 12, kField},
    {"STATIC", "&User:", -1, 14, 51, 36, 9, kLabel},
    {"EDIT", "", Self::kIdUser, 52, 49, 70, 12, kField},
    {"STATIC", "Pass&word:", -1, 128, 51, 36, 9, kLabel},
    {"EDIT", "", Self::kIdPassword, 166, 49, 80, 12, kField | kEditPassword},
    {"BUTTON", "Stream", -1, 7, 70, 246, 46, kGroup},
    {"STATIC", "&Format:", -1, 14, 84, 36, 9, kLabel},
    {"COMBOBOX", "", Self::kIdFormat, 52, 82, 96, 60,
     kItemStyleChild | kComboDropDownList | kStyleTabStop | kStyleGroup},
    {"STATIC", "", Self::kIdQualityLabel, 154, 84, 58, 9, kLabel},
    {"EDIT", "", Self::kIdQuality, 214, 82, 32, 12, kField | kEditNumber},
    {"STATIC", "Ogg Vorbis takes a quality 0 to 10; Opus and MP3 a bit rate.", -1, 14, 100, 232, 9,
     kLabel | kStaticNoPrefix},
    {"BUTTON", "Presentation", -1, 7, 120, 246, 76, kGroup},
    {"STATIC", "&Name:", -1, 14, 134, 44, 9, kLabel},
    {"EDIT", "", Self::kIdName, 60, 132, 186, 12, kField},
    {"STATIC", "&Description:", -1, 14, 150, 44, 9, kLabel},
    {"EDIT", "", Self::kIdDescription, 60, 148, 186, 12, kField},
    {"STATIC", "&Genre:", -1, 14, 166, 44, 9, kLabel},
    {"EDIT", "", Self::kIdGenre, 60, 164, 80, 12, kField},
    {"STATIC", "U&RL:", -1, 146, 166, 18, 9, kLabel},
    {"EDIT", "", Self::kIdUrl, 166, 164, 80, 12, kField},
    {"BUTTON", "&List the stream in the public directory", Self::kIdPublic, 14, 180, 232, 10,
     kItemStyleChild | kButtonAutoCheckBox | kStyleTabStop | kStyleGroup},
    {"BUTTON", "OK", kIdOk, 142, 202, 52, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Cancel", kIdCancel, 201, 202, 52, 14, kItemStyleChild | kButtonPush | kStyleTabStop},
};

const DialogTemplate kTemplate{Self::kTemplateId,
                               "Configure Broadcast",
                               kDialogStyleStandard,
                               0,
                               0,
                               0,
                               260,
                               222,
                               nullptr,
                               8,
                               kItems};

DialogRegistrar registrar(kTemplate);

// The format list's lines, in BroadcastFormat's order.
constexpr const char* kFormatNames[] = {"Ogg Vorbis", "Ogg Opus", "MP3"};

} // namespace

BroadcastDialog::BroadcastDialog(BroadcastSettings start, plat::ui::WindowHandle owner)
    : zkr::Dialog(kTemplateId, zkr::ownModule(), owner), settings(std::move(start))
{
}

void BroadcastDialog::onInitDialog()
{
    for (const int id : {kIdHost, kIdMount, kIdUser, kIdPassword, kIdName, kIdDescription, kIdGenre, kIdUrl})
        sendDlgItemMessage(window, id, kMsgEditLimitText, kTextLimit, 0);
    (void)setDlgItemText(window, kIdHost, settings.host.c_str());
    (void)setDlgItemInt(window, kIdPort, settings.port);
    (void)setDlgItemText(window, kIdMount, settings.mount.c_str());
    (void)setDlgItemText(window, kIdUser, settings.user.c_str());
    (void)setDlgItemText(window, kIdPassword, settings.password.c_str());
    for (const char* name : kFormatNames)
        sendDlgItemMessage(window, kIdFormat, kMsgComboAddString, 0, reinterpret_cast<intptr_t>(name));
    sendDlgItemMessage(window, kIdFormat, kMsgComboSetCurSel, static_cast<uintptr_t>(settings.format), 0);
    showQuality();
    (void)setDlgItemText(window, kIdName, settings.name.c_str());
    (void)setDlgItemText(window, kIdDescription, settings.description.c_str());
    (void)setDlgItemText(window, kIdGenre, settings.genre.c_str());
    (void)setDlgItemText(window, kIdUrl, settings.url.c_str());
    (void)checkDlgButton(window, kIdPublic, settings.listed ? kButtonChecked : 0);
}

BroadcastFormat BroadcastDialog::chosenFormat()
{
    const auto chosen = sendDlgItemMessage(window, kIdFormat, kMsgComboGetCurSel, 0, 0);
    return chosen >= 0 && chosen <= static_cast<intptr_t>(BroadcastFormat::Mp3) ? static_cast<BroadcastFormat>(chosen)
                                                                                : settings.format;
}

void BroadcastDialog::showQuality()
{
    const bool vorbis = settings.format == BroadcastFormat::OggVorbis;
    (void)setDlgItemText(window, kIdQualityLabel, vorbis ? "&Quality:" : "&Bit rate (kbit/s):");
    (void)setDlgItemInt(window, kIdQuality, settings.quality());
}

bool BroadcastDialog::onCommand(uintptr_t wparam, intptr_t lparam)
{
    const int id = loWord(wparam);
    if (id == kIdFormat && hiWord(wparam) == kComboSelChange) {
        // The number typed for the old format stays its own.
        std::string ignored;
        (void)readFields(ignored);
        settings.format = chosenFormat();
        showQuality();
        return true;
    }
    return zkr::Dialog::onCommand(wparam, lparam);
}

bool BroadcastDialog::onClose()
{
    std::string problem;
    if (readFields(problem) || closingWith != kIdOk)
        return true;
    // Nothing typed is lost: the dialog stays open for the field to be mended.
    (void)messageBox(window, problem.c_str(), "Configure Broadcast", plat::kNoticeOk | plat::kNoticeIconExclamation);
    return false;
}

bool BroadcastDialog::readFields(std::string& problem)
{
    settings.host = dlgItemText(window, kIdHost);
    settings.mount = dlgItemText(window, kIdMount);
    settings.user = dlgItemText(window, kIdUser);
    settings.password = dlgItemText(window, kIdPassword);
    settings.name = dlgItemText(window, kIdName);
    settings.description = dlgItemText(window, kIdDescription);
    settings.genre = dlgItemText(window, kIdGenre);
    settings.url = dlgItemText(window, kIdUrl);
    settings.listed = isDlgButtonChecked(window, kIdPublic) == kButtonChecked;
    const int port = std::atoi(dlgItemText(window, kIdPort).c_str());
    const int quality = std::atoi(dlgItemText(window, kIdQuality).c_str());
    const bool vorbis = settings.format == BroadcastFormat::OggVorbis;
    if (vorbis)
        settings.vorbisQuality = quality;
    else
        settings.bitRateKbps = quality;
    if (!settings.mount.empty() && settings.mount.front() != '/')
        settings.mount.insert(0, "/");
    if (port >= 1 && port <= kHighestPort)
        settings.port = port;
    if (settings.host.empty())
        problem = "Type the name or address of the streaming server as Host.";
    else if (port < 1 || port > kHighestPort)
        problem = "Type the server's port as a number from 1 to 65535 (Icecast listens on 8000 unless told otherwise).";
    else if (settings.mount.size() < 2)
        problem = "Type a mount point, for example /live: listeners find the stream under it.";
    else if (vorbis && (quality < 0 || quality > kHighestVorbisQuality))
        problem = "Type a quality from 0 to 10 for Ogg Vorbis (4 is a good start).";
    else if (!vorbis && (quality < kLowestBitRate || quality > kHighestBitRate))
        problem = "Type a bit rate from 8 to 320 kbit/s (128 is a good start).";
    return problem.empty();
}

} // namespace brolet
