#include "plugins/quillan/RecorderWindow.h"

#include <string>

#include "api/Protocol.h"
#include "platform/audio/AudioTypes.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "plugins/quillan/ConfigureDialog.h"
#include "plugins/quillan/Layout.h"
#include "plugins/quillan/PluginNames.h"
#include "plugins/quillan/Texts.h"
#include "zkr/Application.h"
#include "zkr/BitmapButton.h"
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

const zkr::DeviceCapabilities* capabilitiesAt(zkr::InputDevice& device, int index)
{
    return device.capabilities.itemAt(index);
}

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

RecorderWindow::RecorderWindow() = default;

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
    // The streams go from this thread: the engine's thread waits in the close
    // below for the window's thread, which could not have the event carried out.
    if (connected_)
        sendStreamsEvent(toWire(engine::Event::DetachStreams));
    // Nothing reads a recording without streams.
    recording_.abandon(true);
    closeByEngine();
}

void RecorderWindow::setupAudioSystem(const engine::AudioSystemSetup& setup)
{
    plat::ScopedLock lock(setupLock_);
    audioSetup_ = setup;
}

engine::AudioSystemSetup RecorderWindow::audioRecord()
{
    plat::ScopedLock lock(setupLock_);
    return audioSetup_;
}

bool RecorderWindow::readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    return recording_.read(stream, block, bytes);
}

void RecorderWindow::streamingError(int32_t first)
{
    if (const plat::ui::WindowHandle target = handle_.load())
        // The window may have closed.
        (void)plat::ui::postMessage(target, kStreamingErrorMessage, 0, first);
}

void RecorderWindow::recordingEnded(void* context)
{
    auto* self = static_cast<RecorderWindow*>(context);
    if (const plat::ui::WindowHandle target = self->handle_.load())
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
    recordingBlocks_ = 6;
    sharedBlocks_ = 12;
    connected_ = false;
    deviceMenu_ = std::make_unique<plat::ui::PopupMenu>();
    zkr::InputDevice& device = recording_.device;
    for (int index = 0; index < device.capabilities.count; ++index) {
        const zkr::DeviceCapabilities* caps = capabilitiesAt(device, index);
        deviceMenu_->add(static_cast<uintptr_t>(index + 1), caps != nullptr ? caps->name : "");
    }
    if (device.capabilities.count > 0)
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
    if (internalCallback != nullptr) {
        engine::EngineRequest request{};
        request.pluginHandle = pluginHandle;
        internalCallback(&request, toWire(engine::Request::UnloadMe));
    }
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
        if (recording_.recording()) {
            recording_.abandon(true);
            showRecordingEnded();
        }
        return 0;
    case kRecordingEndedMessage:
        if (!recording_.recording())
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
    if (recording_.recording()) {
        recording_.abandon(false);
        showRecordingEnded();
    }
}

void RecorderWindow::onDoubleClick(intptr_t point, uintptr_t keys)
{
    // Every control here is a button: a quick second click is a click as well.
    onMouseDown(point, keys);
}

void RecorderWindow::onControlContextMenu(zkr::Control* control, int, int)
{
    if (control == nullptr && !recording_.recording())
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

bool RecorderWindow::withoutDevice()
{
    if (recording_.device.capabilities.count > 0)
        return false;
    if (!toldWithoutDevice_) {
        toldWithoutDevice_ = true;
        recording_.device.reportNoDevice();
    }
    return true;
}

void RecorderWindow::chooseDevice()
{
    if (deviceMenu_ == nullptr || withoutDevice())
        return;
    const plat::ui::Point corner = deviceName_->bottomLeftOnScreen();
    const auto chosen = static_cast<int>(deviceMenu_->track(corner.x, corner.y, window));
    if (chosen > 0)
        selectDevice(chosen - 1);
}

void RecorderWindow::selectDevice(int index)
{
    const zkr::DeviceCapabilities* caps = capabilitiesAt(recording_.device, index);
    if (caps == nullptr)
        return;
    // The card is open while it records: the device would refuse and say so.
    if (recording_.recording()) {
        setError(toWire(engine::Error::NotNow));
        return;
    }
    if (recording_.selectDevice(index) != toWire(engine::Error::Ok))
        return;
    selectedDevice_ = index;
    deviceName_->setText(shownName(caps->name).c_str());
}

void RecorderWindow::aboutDevice()
{
    if (withoutDevice())
        return;
    const zkr::DeviceCapabilities* caps = capabilitiesAt(recording_.device, selectedDevice_);
    if (caps == nullptr)
        return;
    zkr::WaveDevicePropertiesDialog dialog(*caps, window);
    (void)dialog.runModal(); // it only shows the device
}

// ---------------------------------------------------------------------------
// Connecting and recording

int32_t RecorderWindow::sendEvent(engine::EngineEvent event)
{
    return eventCallback != nullptr ? eventCallback(&event) : 0;
}

int32_t RecorderWindow::sendStreamsEvent(int32_t code)
{
    return sendEvent({code, 1, static_cast<intptr_t>(pluginHandle), 1, 0, 0, stereo_ ? 2 : 0});
}

void RecorderWindow::toggleConnection()
{
    // Streams without a device would light READY for a recording that cannot start.
    if (!connected_ && withoutDevice())
        return;
    stereo_ = stereoButton_->on;
    if (connected_) {
        // A stopped recording that the engine has not read to its end yet
        // would wait for reads that never come.
        if (recording_.recording()) {
            recording_.abandon(false);
            showRecordingEnded();
        }
        sendStreamsEvent(toWire(engine::Event::DetachStreams));
        connected_ = false;
    } else if (sendStreamsEvent(toWire(engine::Event::AttachStreams)) != 0) {
        connected_ = true;
    } else {
        setError(toWire(engine::Error::NoFreeMixerChannels));
    }
    showConnection();
}

void RecorderWindow::showConnection()
{
    connectButton_->setOn(connected_);
    readyLamp_->setLit(connected_);
    enable(stereoButton_, !connected_);
    enable(recordButton_, connected_);
}

void RecorderWindow::startOrStop()
{
    if (recording_.recording()) {
        recording_.stop();
        enable(connectButton_, true);
        const engine::AudioSystemSetup audio = audioRecord();
        const uint32_t ringMs =
            static_cast<uint32_t>(engine::blockMilliseconds(audio.musicBufSize) + 1) * (sharedBlocks_ + 2);
        (void)plat::ui::setTimer(window, kDrainTimer, ringMs + kDrainMarginMs, nullptr);
        return;
    }
    const RecordingPlan plan{audioRecord().musicBufSize, stereo_, recordingBlocks_, sharedBlocks_};
    if (recording_.begin(plan) != toWire(engine::Error::Ok))
        return;
    recordingLamp_->setLit(true);
    const int32_t answer = sendEvent({toWire(engine::Event::StartStreaming), 1, 0, 0, 0, 0, 0});
    recording_.confirm(answer != 0);
    if (recording_.recording())
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
    // The device's failure is told once the recording is down, by the device.
    if (const int failure = recording_.takeFailure(); failure != 0)
        recording_.device.reportDeviceError(static_cast<plat::audio::Result>(failure));
}

void RecorderWindow::configure()
{
    ConfigureDialog dialog(audioRecord().musicBufSize, recordingBlocks_, sharedBlocks_, window);
    (void)dialog.runModal(); // OK applies the choice itself
}

} // namespace quillan
