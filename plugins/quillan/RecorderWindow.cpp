#include "plugins/quillan/RecorderWindow.h"

#include <string>

#include "api/Protocol.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "plugins/quillan/ConfigureDialog.h"
#include "plugins/quillan/Layout.h"
#include "plugins/quillan/PluginNames.h"
#include "plugins/quillan/RecorderModel.h"
#include "plugins/quillan/Texts.h"
#include "zkr/Application.h"
#include "zkr/BitmapButton.h"
#include "zkr/InputDevice.h"
#include "zkr/LampControl.h"
#include "zkr/NameField.h"
#include "zkr/Registry.h"
#include "zkr/Text.h"
#include "zkr/ToggleButton.h"
#include "zkr/WaveDevicePropertiesDialog.h"

namespace quillan {

namespace {

// A stopped recording that no read ends within this (the engine stopped
// streaming meanwhile) is taken down by the window.
constexpr uintptr_t kDrainTimer = 1;
constexpr uint32_t kDrainMarginMs = 2000;

// A device's name as the window shows it: the part before a "|".
std::string shownName(const char* name)
{
    const std::string text = name;
    return text.substr(0, text.find('|'));
}

void enable(zkr::BitmapButton* button, bool enabled)
{
    if (button == nullptr || button->enabled == enabled)
        return;
    button->enabled = enabled;
    button->setState(zkr::Control::kStateNormal);
    button->repaint();
}

} // namespace

RecorderWindow::RecorderWindow(RecorderModel& model) : model_(model) {}

RecorderWindow::~RecorderWindow()
{
    // The controls and the recording are used by the window until it is gone.
    endWindow();
}

// ---------------------------------------------------------------------------
// From the engine (any thread)

bool RecorderWindow::open(int showCommand)
{
    return openWindow(kClassName, kTitle, kIcon, kCursor, showCommand);
}

void RecorderWindow::closeByHost()
{
    destroying = true;
    if (handle_.load() == nullptr)
        return;
    model_.endSession();
    closeByEngine();
}

void RecorderWindow::postStreamingError(int32_t first)
{
    if (const plat::ui::WindowHandle target = handle_.load())
        // The window may have closed.
        (void)plat::ui::postMessage(target, kStreamingErrorMessage, 0, first);
}

void RecorderWindow::postRecordingEnded()
{
    if (const plat::ui::WindowHandle target = handle_.load())
        // The window may have closed.
        (void)plat::ui::postMessage(target, kRecordingEndedMessage, 0, 0);
}

// ---------------------------------------------------------------------------
// Start-up and closing

template <typename Button>
Button* RecorderWindow::addButton(int id, unsigned bitmap, int x, int y, unsigned tooltip)
{
    auto button = std::make_unique<Button>(this);
    button->place(x, y, images_.load(bitmap));
    zkr::copyText(button->tooltip, stringText(tooltip).c_str());
    return &addControl(std::move(button), kControlMessage, static_cast<uint32_t>(id));
}

bool RecorderWindow::createStageOne()
{
    images_.clear();
    if (!zkr::applySkin(*this, images_, kSkinBitmap, kMaskBitmap))
        return false;
    addButton<zkr::BitmapButton>(kAboutId, kAboutButtonBitmap, kAboutButton.x, kAboutButton.y,
                                 kStringAboutTip);

    auto deviceName = std::make_unique<zkr::NameField>(this);
    deviceName->place(kDeviceDisplay.rect(), kDeviceText.rect(), images_.load(kDeviceFieldBitmap));
    zkr::copyText(deviceName->tooltip, stringText(kStringDeviceTip).c_str());
    deviceName_ = &addControl(std::move(deviceName), kControlMessage, kDeviceId);

    stereoButton_ = addButton<zkr::ToggleButton>(kStereoId, kStereoButtonBitmap, kStereoButton.x,
                                                 kStereoButton.y, kStringStereoTip);
    auto readyLamp = std::make_unique<zkr::LampControl>(this);
    readyLamp->place(kReadyLamp.x, kReadyLamp.y, images_.load(kReadyLitBitmap),
                     images_.load(kReadyDarkBitmap));
    readyLamp->hasTooltip = false;
    readyLamp_ = &addControl(std::move(readyLamp), 0, kReadyLampId);
    auto recordingLamp = std::make_unique<zkr::LampControl>(this);
    recordingLamp->place(kRecordingLamp.x, kRecordingLamp.y, images_.load(kRecordingLitBitmap),
                         images_.load(kRecordingDarkBitmap));
    recordingLamp->hasTooltip = false;
    recordingLamp_ = &addControl(std::move(recordingLamp), 0, kRecordingLampId);

    connectButton_ = addButton<zkr::ToggleButton>(kConnectId, kConnectButtonBitmap, kConnectButton.x,
                                                  kConnectButton.y, kStringConnectTip);
    // Down while connected, whatever the click did.
    connectButton_->toggleable = false;
    recordButton_ = addButton<zkr::BitmapButton>(kRecordId, kRecordButtonBitmap, kRecordButton.x,
                                                 kRecordButton.y, kStringRecordTip);
    recordButton_->enabled = false;
    return !images_.failed();
}

int RecorderWindow::finishCreate()
{
    model_.recordingBlocks = RecorderModel::kDefaultRecordingBlocks;
    model_.sharedBlocks = RecorderModel::kDefaultSharedBlocks;
    deviceMenu_ = std::make_unique<plat::ui::PopupMenu>();
    for (int index = 0; index < model_.deviceCount(); ++index) {
        const zkr::DeviceCapabilities* caps = model_.deviceAt(index);
        deviceMenu_->add(static_cast<uintptr_t>(index + 1), caps != nullptr ? caps->name : "");
    }
    if (model_.deviceCount() > 0)
        selectDevice(0);
    else
        deviceName_->setText(zkr::InputDevice::kNoDeviceName);
    restoreSettings();
    handle_ = window;
    return 0;
}

void RecorderWindow::restoreSettings()
{
    zkr::Registry* settings = zkr::settingsSection(kSettingsSection);
    if (settings == nullptr)
        return;
    (void)zkr::Registry::restorePosition(window, kPositionKey); // else it stays where it was made
    stereoButton_->setOn(settings->getInt(kStereoKey, 0) != 0);
}

void RecorderWindow::saveSettings()
{
    zkr::Registry* settings = zkr::settingsSection(kSettingsSection);
    if (settings == nullptr)
        return;
    (void)zkr::Registry::savePosition(window, kPositionKey); // the store reports a failure
    (void)settings->setInt(kStereoKey, stereoButton_ != nullptr && stereoButton_->on ? 1 : 0);
    (void)settings->saveSection(); // the store reports a failure
}

void RecorderWindow::beforeDestroy()
{
    handle_ = nullptr;
    (void)plat::ui::killTimer(window, kDrainTimer);
    deviceMenu_.reset();
    deviceName_ = nullptr;
    stereoButton_ = nullptr;
    readyLamp_ = nullptr;
    recordingLamp_ = nullptr;
    connectButton_ = nullptr;
    recordButton_ = nullptr;
}

bool RecorderWindow::onClose()
{
    if (destroying) {
        saveSettings();
        return true;
    }
    // The user's close: the engine unloads the plug-in, which closes the window for good.
    model_.requestUnload();
    return false;
}

// ---------------------------------------------------------------------------
// Messages (the window's thread)

intptr_t RecorderWindow::onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam)
{
    switch (message) {
    case kControlMessage:
        onControl(static_cast<int>(wparam));
        return 0;
    case kStreamingErrorMessage:
        // The engine's streaming has ended: nothing reads the recording any more.
        if (model_.abandonRecording(true))
            showRecordingEnded();
        return 0;
    case kRecordingEndedMessage:
        if (!model_.recording())
            showRecordingEnded();
        return 0;
    default:
        return PluginWindow::onUserMessage(message, lparam, wparam);
    }
}

void RecorderWindow::onTimer(uintptr_t timerId, intptr_t)
{
    if (timerId != kDrainTimer)
        return;
    (void)plat::ui::killTimer(window, kDrainTimer);
    if (model_.abandonRecording(false))
        showRecordingEnded();
}

void RecorderWindow::onDoubleClick(intptr_t point, uintptr_t keys)
{
    // Every control here is a button: a quick second click is a click as well.
    onMouseDown(point, keys);
}

void RecorderWindow::onControlContextMenu(zkr::Control* control, int, int)
{
    if (control == nullptr && !model_.recording())
        configure();
}

void RecorderWindow::onControl(int id)
{
    switch (id) {
    case kAboutId:
        aboutDevice();
        return;
    case kDeviceId:
        chooseDevice();
        return;
    case kConnectId:
        toggleConnection();
        return;
    case kRecordId:
        startOrStop();
        return;
    default:
        return;
    }
}

// ---------------------------------------------------------------------------
// The sound card

void RecorderWindow::chooseDevice()
{
    if (deviceMenu_ == nullptr || model_.withoutDevice())
        return;
    const plat::ui::Point corner = deviceName_->bottomLeftOnScreen();
    const auto chosen = static_cast<int>(deviceMenu_->track(corner.x, corner.y, window));
    if (chosen > 0)
        selectDevice(chosen - 1);
}

void RecorderWindow::selectDevice(int index)
{
    const zkr::DeviceCapabilities* caps = model_.deviceAt(index);
    if (caps == nullptr || model_.selectDevice(index) != toWire(engine::Error::Ok))
        return;
    deviceName_->setText(shownName(caps->name).c_str());
}

void RecorderWindow::aboutDevice()
{
    if (model_.withoutDevice())
        return;
    const zkr::DeviceCapabilities* caps = model_.deviceAt(model_.selectedDevice());
    if (caps == nullptr)
        return;
    zkr::WaveDevicePropertiesDialog dialog(*caps, window);
    (void)dialog.runModal(); // it only shows the device
}

// ---------------------------------------------------------------------------
// Connecting and recording

void RecorderWindow::toggleConnection()
{
    // Streams without a device would light READY for a recording that cannot start.
    if (!model_.connected() && model_.withoutDevice())
        return;
    if (model_.connected()) {
        // A stopped recording that the engine has not read to its end yet
        // would wait for reads that never come.
        if (model_.abandonRecording(false))
            showRecordingEnded();
        model_.detachStreams();
    } else {
        (void)model_.attachStreams(stereoButton_->on); // a refusal is told to the user
    }
    showConnection();
}

void RecorderWindow::showConnection()
{
    const bool connected = model_.connected();
    connectButton_->setOn(connected);
    readyLamp_->setLit(connected);
    enable(stereoButton_, !connected);
    enable(recordButton_, connected);
}

void RecorderWindow::startOrStop()
{
    if (model_.recording()) {
        const uint32_t drainMs = model_.stopRecording();
        enable(connectButton_, true);
        (void)plat::ui::setTimer(window, kDrainTimer, drainMs + kDrainMarginMs, nullptr);
        return;
    }
    if (model_.beginRecording() != toWire(engine::Error::Ok))
        return;
    recordingLamp_->setLit(true);
    if (model_.confirmRecording())
        enable(connectButton_, false);
    else
        showRecordingEnded();
}

void RecorderWindow::showRecordingEnded()
{
    (void)plat::ui::killTimer(window, kDrainTimer);
    if (recordingLamp_ != nullptr)
        recordingLamp_->setLit(false);
    enable(connectButton_, true);
    model_.reportRecordingFailure();
}

void RecorderWindow::configure()
{
    ConfigureDialog dialog(model_.musicBufSize(), model_.recordingBlocks, model_.sharedBlocks, window);
    (void)dialog.runModal(); // OK applies the choice itself
}

} // namespace quillan
