#include "plugins/brolet/BroletWindow.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/core/Module.h"
#include "platform/core/Notice.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/brolet/BroadcastDialog.h"
#include "plugins/brolet/OutputModel.h"
#include "plugins/brolet/FileOutputDialog.h"
#include "plugins/brolet/Layout.h"
#include "plugins/brolet/Texts.h"
#include "zkr/Application.h"
#include "zkr/BitmapButton.h"
#include "zkr/List.h"
#include "zkr/NameField.h"
#include "zkr/Registry.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"
#include "zkr/ToggleButton.h"
#include "zkr/WaveDevice.h"
#include "zkr/WaveDevicePropertiesDialog.h"

namespace brolet {

namespace {

// What a window whose start-up failed reports (above 0 fails the creation).
constexpr int kStartFailed = 18;
constexpr uintptr_t kUnderrunsTimer = 1;
// The amber the name fields write in.
constexpr plat::ui::Argb kStatusInk = plat::ui::rgb(0xFF, 0xB8, 0x45);

// What the window says of a run's underruns: nothing for none.
std::string underrunsText(uint64_t underruns)
{
    return underruns == 0 ? std::string() : "Underruns: " + std::to_string(underruns);
}

constexpr char kWaveMapperName[] = "Wavemapper";

// The plug-in's settings store with its section selected; null without the application.
zkr::Registry* pluginSettings()
{
    return zkr::settingsSection(kSettingsSection);
}

} // namespace

void StatusLabel::paint(plat::ui::Painter* dc)
{
    if (dc == nullptr || name[0] == '\0')
        return;
    const plat::ui::PainterState saved = dc->state();
    dc->setFont(zkr::NameField::font());
    dc->setTextColour(kStatusInk);
    dc->setBackgroundMode(plat::ui::BackgroundMode::Transparent);
    dc->drawText(name, rect,
                 (alignLeft ? plat::ui::kTextLeft : plat::ui::kTextRight) | plat::ui::kTextVCentre | plat::ui::kTextSingleLine | plat::ui::kTextNoPrefix);
    dc->restoreState(saved);
}

BroletWindow::BroletWindow(OutputModel& output) : output_(output) {}

BroletWindow::~BroletWindow()
{
    // The controls and the visual's pictures are used by the window until it is gone.
    endWindow();
}

// ---------------------------------------------------------------------------
// From the plug-in object (any thread)

bool BroletWindow::open(int showCommand)
{
    return openWindow(kClassName, kTitle, kIcon, kCursor, showCommand);
}

void BroletWindow::lockSwitches(bool locked)
{
    if (const plat::ui::WindowHandle target = handle_.load())
        (void)plat::ui::postMessage(target, kLockMessage, locked ? 1 : 0, 0);
}

void BroletWindow::tellRecordingProblem()
{
    if (const plat::ui::WindowHandle target = handle_.load())
        (void)plat::ui::postMessage(target, kRecordingProblemMessage, 0, 0);
}

void BroletWindow::showUnderruns()
{
    if (const plat::ui::WindowHandle target = handle_.load())
        (void)plat::ui::postMessage(target, kUnderrunsMessage, 0, 0);
}

bool BroletWindow::tellSoundCardProblem()
{
    const plat::ui::WindowHandle target = handle_.load();
    return target != nullptr && plat::ui::postMessage(target, kSoundCardProblemMessage, 0, 0);
}

void BroletWindow::tellSoundCardProblemNow()
{
    const std::string reason = output_.soundCardProblemReason();
    if (reason.empty())
        return;
    // The player that pressed play shows "Audio Output not ready!" in the one
    // error dialog of the process; this replaces it with the reason rather
    // than stacking a second box on it.
    const zkr::SharedServices* services = zkr::sharedServices;
    if (services != nullptr && services->showZKRError != nullptr) {
        (void)services->showZKRError(toWire(engine::Error::OutputNotReady), reason.c_str(), OutputModel::kSoundCardAdvice);
        return;
    }
    const std::string text =
        "The sound card cannot be opened:\n" + reason + "\n" + OutputModel::kSoundCardAdvice;
    (void)plat::ui::messageBox(window, text.c_str(), kTitle,
                               plat::kNoticeOk | plat::kNoticeIconExclamation); // only OK to press
}

// ---------------------------------------------------------------------------
// Start-up

template <typename Button>
Button* BroletWindow::addButton(int id, unsigned bitmap, int x, int y, const char* tooltip)
{
    auto button = std::make_unique<Button>(this);
    button->place(x, y, images_.load(bitmap));
    zkr::copyText(button->tooltip, tooltip);
    return &addControl(std::move(button), kControlMessage, static_cast<uint32_t>(id));
}

bool BroletWindow::createStageOne()
{
    images_.clear();
    if (!zkr::applySkin(*this, images_, kSkinBitmap, kMaskBitmap))
        return false;

    auto deviceLabel = std::make_unique<zkr::NameField>(this);
    deviceLabel->place(kDeviceField.rect(), kDeviceText.rect(), images_.load(kDeviceFieldBitmap));
    deviceLabel->setText(kWaveMapperName);
    zkr::copyText(deviceLabel->tooltip, "Sound card: click to choose another");
    deviceLabel_ = &addControl(std::move(deviceLabel), kControlMessage, kDeviceId);

    addButton<zkr::BitmapButton>(kAboutId, kAboutButtonBitmap, kAboutButton.x, kAboutButton.y,
                                 "What the sound card can do");

    auto modeLabel = std::make_unique<zkr::NameField>(this);
    modeLabel->place(kModeLabel.rect(), kModeText.rect(), images_.load(kModeFieldBitmap));
    zkr::copyText(modeLabel->tooltip, "The visual shown");
    modeLabel_ = &addControl(std::move(modeLabel));
    addButton<zkr::BitmapButton>(kModeId, kModeButtonBitmap, kModeButton.x, kModeButton.y, "Set visual mode");

    soundSwitch_ = addButton<zkr::ToggleButton>(kSoundId, kSoundSwitchBitmap, kSoundSwitch.x, kSoundSwitch.y,
                                                "Sound output: play on the sound card");
    fileSwitch_ = addButton<zkr::ToggleButton>(kFileId, kFileSwitchBitmap, kFileSwitch.x, kFileSwitch.y,
                                               "File output: record into a wave file");
    broadcastSwitch_ = addButton<zkr::ToggleButton>(kBroadcastId, kBroadcastSwitchBitmap, kBroadcastSwitch.x,
                                                    kBroadcastSwitch.y, "On air: send the mix to a streaming server");
    addButton<zkr::BitmapButton>(kServerId, kServerButtonBitmap, kServerButton.x, kServerButton.y,
                                 "Configure Broadcast: the server, the format and the stream's name");
    // The switches follow the rules below, not every click.
    soundSwitch_->toggleable = false;
    fileSwitch_->toggleable = false;
    broadcastSwitch_->toggleable = false;
    addButton<zkr::BitmapButton>(kFolderId, kFolderButtonBitmap, kFolderButton.x, kFolderButton.y,
                                 "Where recordings go and how they are named");
    auto underruns = std::make_unique<StatusLabel>(this);
    underruns->place(kUnderrunsText.x, kUnderrunsText.y, kUnderrunsText.width, kUnderrunsText.height);
    zkr::copyText(underruns->tooltip, "Blocks the sound card played late or lost: larger or more "
                                      "buffers in the Audio System Setup help");
    underrunsLabel_ = &addControl(std::move(underruns));
    auto broadcast = std::make_unique<StatusLabel>(this);
    broadcast->place(kBroadcastText.x, kBroadcastText.y, kBroadcastText.width, kBroadcastText.height);
    broadcast->alignLeft = true;
    zkr::copyText(broadcast->tooltip, "The broadcast: on air with its time and listeners, or why not");
    broadcastLabel_ = &addControl(std::move(broadcast));
    addButton<zkr::BitmapButton>(kHelpId, kHelpButtonBitmap, kHelpButton.x, kHelpButton.y, "Help");
    addButton<zkr::BitmapButton>(kCloseId, kCloseButtonBitmap, kCloseButton.x, kCloseButton.y, "Close");
    return !images_.failed();
}

int BroletWindow::finishCreate()
{
    const plat::ui::Rect display =
        plat::ui::Rect::fromSize(kDisplay.x, kDisplay.y, kDisplay.width, kDisplay.height);
    if (output_.visuals().create(window, display, images_.load(kDisplayBitmap), modeLabel_,
                       plat::programFolder() + "/Plugins/Visuals") != 0)
        return kStartFailed;
    if (output_.outputDevices().count > 0)
        selectDevice(0);
    restoreSettings();
    handle_ = window;
    return 0;
}

void BroletWindow::restoreSettings()
{
    zkr::Registry* settings = pluginSettings();
    int mode = kDefaultMode;
    if (settings != nullptr) {
        (void)zkr::Registry::restorePosition(window, kPositionKey); // else it stays where it was made
        mode = settings->getInt(kModeKey, kDefaultMode);
        bool sound = settings->getInt(kSoundKey, 1) != 0;
        const bool file = settings->getInt(kFileKey, 0) != 0;
        const bool broadcast = settings->getInt(kBroadcastKey, 0) != 0;
        // At least one output is always on.
        if (!sound && !file && !broadcast)
            sound = true;
        output_.setOutputSwitches({sound, file, broadcast});
    }
    // An external module is chosen anew each time.
    if (mode == VisualsHost::kModeExternal)
        mode = VisualsHost::kModeNone;
    if (mode < VisualsHost::kModeNone || mode > VisualsHost::kModeExternal)
        mode = kDefaultMode;
    output_.visuals().applyMode(mode);
    showSwitches();
}

void BroletWindow::beforeDestroy()
{
    handle_ = nullptr;
    output_.visuals().destroy();
    deviceLabel_ = nullptr;
    modeLabel_ = nullptr;
    soundSwitch_ = nullptr;
    fileSwitch_ = nullptr;
    broadcastSwitch_ = nullptr;
    underrunsLabel_ = nullptr;
    broadcastLabel_ = nullptr;
}

// ---------------------------------------------------------------------------
// Closing

bool BroletWindow::onClose()
{
    if (destroying) {
        saveSettings();
        return true;
    }
    // The user's close: the engine unloads the plug-in, which closes the window for good.
    requestUnload();
    return false;
}

void BroletWindow::requestUnload()
{
    output_.requestUnload();
}

void BroletWindow::saveSettings()
{
    zkr::Registry* settings = pluginSettings();
    if (settings == nullptr)
        return;
    (void)zkr::Registry::savePosition(window, kPositionKey); // the store reports a failure
    (void)settings->setInt(kModeKey, output_.visuals().mode());
    const OutputSwitches switches = output_.outputSwitches();
    (void)settings->setInt(kSoundKey, switches.sound ? 1 : 0);
    (void)settings->setInt(kFileKey, switches.file ? 1 : 0);
    (void)settings->setInt(kBroadcastKey, switches.broadcast ? 1 : 0);
    const RecordingTarget target = output_.recordingTarget();
    (void)settings->setLongString(kFolderKey, target.folder);
    (void)settings->setString(kTemplateKey, target.fileTemplate.c_str());
    // A file others may read keeps no password: the broadcast settings wait for the next save.
    if (!writeBroadcastSettings(*settings, output_.broadcastSettings()))
        std::fprintf(stderr, "The broadcast settings were not saved: the settings file could not be made "
                             "readable by its owner only.\n");
    (void)settings->saveSection(); // the store reports a failure
}

// ---------------------------------------------------------------------------
// Messages (the window's thread)

intptr_t BroletWindow::onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam)
{
    switch (message) {
    case VisualsHost::kFrameMessage:
        output_.visuals().presentFrame();
        break;
    case kControlMessage:
        onControl(static_cast<int>(wparam));
        break;
    case kRecordingProblemMessage: {
        const std::string text = output_.recordingProblemText();
        if (!text.empty())
            (void)plat::ui::messageBox(window, text.c_str(), kTitle,
                                       plat::kNoticeOk | plat::kNoticeIconExclamation); // only OK to press
        break;
    }
    case kSoundCardProblemMessage:
        tellSoundCardProblemNow();
        output_.soundCardProblemTold();
        break;
    case kLockMessage:
        for (zkr::ToggleButton* button : {soundSwitch_, fileSwitch_, broadcastSwitch_}) {
            if (button == nullptr)
                continue;
            button->enabled = wparam == 0;
            button->setState(zkr::Control::kStateNormal);
            button->repaint();
        }
        // A run is watched for underruns while it streams.
        if (wparam != 0)
            (void)plat::ui::setTimer(window, kUnderrunsTimer, kUnderrunsPollMs, nullptr);
        else
            (void)plat::ui::killTimer(window, kUnderrunsTimer);
        refreshUnderruns();
        refreshBroadcast();
        break;
    case kUnderrunsMessage:
        refreshUnderruns();
        refreshBroadcast();
        break;
    default:
        return PluginWindow::onUserMessage(message, lparam, wparam);
    }
    return 0;
}

void BroletWindow::onDoubleClick(intptr_t point, uintptr_t keys)
{
    // Every control here is a button: a quick second click is a click as well.
    onMouseDown(point, keys);
}

void BroletWindow::onTimer(uintptr_t timerId, intptr_t callback)
{
    if (timerId == kUnderrunsTimer) {
        refreshUnderruns();
        refreshBroadcast();
    }
    else
        PluginWindow::onTimer(timerId, callback);
}

void BroletWindow::refreshUnderruns()
{
    const uint64_t underruns = output_.playbackUnderruns();
    if (underrunsLabel_ == nullptr || underruns == shownUnderruns_)
        return;
    shownUnderruns_ = underruns;
    underrunsLabel_->setText(underrunsText(underruns).c_str());
}

void BroletWindow::refreshBroadcast()
{
    const BroadcastStatus status = output_.broadcastStatus();
    const int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    const std::string line = broadcastStatusLine(status, now);
    if (broadcastLabel_ == nullptr || line == shownBroadcast_)
        return;
    shownBroadcast_ = line;
    broadcastLabel_->setText(line.c_str());
    // A refusal needs the user: told once, as the run goes on without the broadcast.
    if (status.state == BroadcastState::Failed)
        (void)plat::ui::messageBox(window, status.reason.c_str(), kTitle, plat::kNoticeOk | plat::kNoticeIconExclamation);
    // The reason goes where the user looks for more: the label's tooltip.
    zkr::copyText(broadcastLabel_->tooltip, status.reason.empty() ? "The broadcast's state" : status.reason.c_str());
}

void BroletWindow::afterPaint(plat::ui::Painter* dc)
{
    if (dc != nullptr)
        output_.visuals().paintDisplay(*dc);
}

void BroletWindow::onControl(int id)
{
    switch (id) {
    case kAboutId:
        aboutDevice();
        return;
    case kDeviceId:
        chooseDevice();
        return;
    case kModeId:
        output_.visuals().cycleMode();
        return;
    case kSoundId:
        switchSound();
        return;
    case kFileId:
        switchFile();
        return;
    case kFolderId:
        configureFileOutput();
        return;
    case kBroadcastId:
        switchBroadcast();
        return;
    case kServerId:
        (void)configureBroadcast();
        return;
    case kHelpId:
        if (zkr::theApplication != nullptr)
            zkr::theApplication->showHelp(helpTopic, 0);
        return;
    case kCloseId:
        // Posted: the window must not go while its button is still handling the click.
        (void)plat::ui::postMessage(window, plat::ui::kMsgClose, 0, 0);
        return;
    default:
        return;
    }
}

// ---------------------------------------------------------------------------
// The sound card

void BroletWindow::chooseDevice()
{
    const auto& devices = output_.outputDevices();
    plat::ui::PopupMenu menu;
    for (int index = 0; index < devices.count; ++index) {
        const auto* caps = devices.itemAt(index);
        menu.add(static_cast<uintptr_t>(index + 1), caps != nullptr ? caps->name : "", true,
                 index == selectedDevice_);
    }
    const plat::ui::Point corner = deviceLabel_->bottomLeftOnScreen();
    const auto chosen = static_cast<int>(menu.track(corner.x, corner.y, window));
    if (chosen > 0 && chosen <= devices.count)
        selectDevice(static_cast<int>(chosen) - 1);
}

void BroletWindow::selectDevice(int index)
{
    const auto* caps = output_.outputDevices().itemAt(index);
    if (caps == nullptr || output_.selectOutputDevice(index) != 0)
        return;
    selectedDevice_ = index;
    deviceLabel_->setText(caps->name);
}

void BroletWindow::aboutDevice()
{
    const auto* caps = output_.outputDevices().itemAt(selectedDevice_);
    // The wave mapper is no device of its own.
    if (selectedDevice_ < 0 || caps == nullptr)
        return;
    zkr::WaveDevicePropertiesDialog dialog(*caps, window);
    (void)dialog.runModal(); // it only shows the device
}

// ---------------------------------------------------------------------------
// The output switches: at least one output stays on.

int BroletWindow::notice(unsigned text, uint32_t style)
{
    return plat::ui::messageBox(window, stringText(text).c_str(), kTitle, style);
}

void BroletWindow::switchSound()
{
    OutputSwitches switches = output_.outputSwitches();
    if (!switches.sound) {
        switches.sound = true;
    } else if (!switches.file && !switches.broadcast) {
        notice(kStringNoOutputAny, plat::kNoticeOk | plat::kNoticeIconExclamation);
    } else if (notice(switches.file ? kStringSoundOff : kStringSoundOffForBroadcast,
                      plat::kNoticeYesNo | plat::kNoticeIconQuestion | plat::kNoticeDefaultButton2) ==
               plat::kNoticeAnswerYes) {
        switches.sound = false;
    }
    output_.setOutputSwitches(switches);
    showSwitches();
}

void BroletWindow::switchFile()
{
    OutputSwitches switches = output_.outputSwitches();
    if (!switches.file) {
        // Whatever the user answers, file output is on afterwards.
        configureFileOutput();
        switches = output_.outputSwitches();
        switches.file = true;
    } else if (switches.sound || switches.broadcast) {
        switches.file = false;
    } else {
        notice(kStringNoOutputAny, plat::kNoticeOk | plat::kNoticeIconExclamation);
    }
    output_.setOutputSwitches(switches);
    showSwitches();
}

void BroletWindow::switchBroadcast()
{
    OutputSwitches switches = output_.outputSwitches();
    if (!switches.broadcast) {
        // Going on air needs a server: only the dialog's OK turns it on.
        if (!configureBroadcast())
            return;
        switches = output_.outputSwitches();
        switches.broadcast = true;
    } else if (switches.sound || switches.file) {
        switches.broadcast = false;
    } else {
        notice(kStringNoOutputAny, plat::kNoticeOk | plat::kNoticeIconExclamation);
    }
    output_.setOutputSwitches(switches);
    showSwitches();
}

bool BroletWindow::configureBroadcast()
{
    BroadcastDialog dialog(output_.broadcastSettings(), window);
    if (dialog.runModal() != plat::ui::kIdOk)
        return false;
    output_.setBroadcastSettings(dialog.settings);
    return true;
}

void BroletWindow::configureFileOutput()
{
    const RecordingTarget target = output_.recordingTarget();
    FileOutputDialog dialog(target.folder, target.fileTemplate, window);
    if (dialog.runModal() != plat::ui::kIdOk)
        return;
    output_.setRecordingTarget({dialog.folder, dialog.fileTemplate.substr(0, FileOutputDialog::kTextLimit)});
}

void BroletWindow::showSwitches()
{
    const OutputSwitches switches = output_.outputSwitches();
    if (soundSwitch_ != nullptr)
        soundSwitch_->setOn(switches.sound);
    if (fileSwitch_ != nullptr)
        fileSwitch_->setOn(switches.file);
    if (broadcastSwitch_ != nullptr)
        broadcastSwitch_->setOn(switches.broadcast);
}

} // namespace brolet
