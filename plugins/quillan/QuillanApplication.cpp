#include "plugins/quillan/QuillanApplication.h"

#include "api/Protocol.h"
#include "platform/audio/AudioTypes.h"
#include "plugins/quillan/LiveRecording.h"
#include "plugins/quillan/RecorderWindow.h"
#include "zkr/LibraryApplication.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace quillan {

QuillanApplication::QuillanApplication()
{
    helpPage = kHelpPage;
}

QuillanApplication::~QuillanApplication()
{
    shutDown();
}

void QuillanApplication::startUp()
{
    if (window_)
        return;
    // Without the shared services the input still records: no help, plain error boxes.
    (void)zkr::bindSharedServices();
    window_ = std::make_unique<RecorderWindow>(*this);
    // Failures are told under the window's title.
    recording_ = std::make_unique<LiveRecording>(*window_, &QuillanApplication::recordingEnded, this);
    settings.setFileName(zkr::kSettingsFile);
}

void QuillanApplication::shutDown()
{
    if (!window_)
        return;
    window_->closeByHost();
    recording_.reset();
    window_.reset();
    zkr::releaseSharedServices();
}

void QuillanApplication::setEventCallback(engine::EventCallback callback)
{
    eventCallback = callback;
}

void QuillanApplication::setInternalCallback(engine::InternalCallback callback)
{
    internalCallback = callback;
}

void QuillanApplication::setPluginHandle(engine::PluginHandle handle)
{
    pluginHandle = handle;
}

bool QuillanApplication::createUserInterface(int32_t showCommand)
{
    return window_ && window_->open(showCommand);
}

void QuillanApplication::destroyUserInterface()
{
    if (window_)
        window_->closeByHost();
}

void QuillanApplication::onPluginSwitch(bool show)
{
    if (window_)
        window_->showByEngine(show);
}

bool QuillanApplication::setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    if (!window_ || setup == nullptr)
        return false;
    plat::ScopedLock lock(setupLock_);
    audioSetup_ = *setup;
    return true;
}

engine::AudioSystemSetup QuillanApplication::audioRecord()
{
    plat::ScopedLock lock(setupLock_);
    return audioSetup_;
}

int32_t QuillanApplication::musicBufSize()
{
    return audioRecord().musicBufSize;
}

bool QuillanApplication::readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    return recording_ && block != nullptr && bytes != nullptr && recording_->read(stream, block, bytes);
}

void QuillanApplication::onStreamingError(int32_t first, int32_t)
{
    if (window_)
        window_->postStreamingError(first);
}

void QuillanApplication::recordingEnded(void* context)
{
    auto* self = static_cast<QuillanApplication*>(context);
    if (self->window_)
        self->window_->postRecordingEnded();
}

// ---------------------------------------------------------------------------
// The sound card (the window's thread)

int QuillanApplication::deviceCount()
{
    return recording_ ? recording_->device.capabilities.count : 0;
}

const zkr::DeviceCapabilities* QuillanApplication::deviceAt(int index)
{
    return recording_ ? recording_->device.capabilities.itemAt(index) : nullptr;
}

int QuillanApplication::selectDevice(int index)
{
    // The card is open while it records: the device would refuse and say so.
    if (recording()) {
        window_->setError(toWire(engine::Error::NotNow));
        return toWire(engine::Error::NotNow);
    }
    const int result = recording_->selectDevice(index);
    if (result == toWire(engine::Error::Ok))
        selectedDevice_ = index;
    return result;
}

bool QuillanApplication::withoutDevice()
{
    if (deviceCount() > 0)
        return false;
    if (!toldWithoutDevice_ && recording_) {
        toldWithoutDevice_ = true;
        recording_->device.reportNoDevice();
    }
    return true;
}

// ---------------------------------------------------------------------------
// Connecting and recording (the window's thread)

int32_t QuillanApplication::sendEvent(engine::EngineEvent event)
{
    return eventCallback != nullptr ? eventCallback(&event) : 0;
}

int32_t QuillanApplication::sendStreamsEvent(int32_t code)
{
    return sendEvent({code, 1, static_cast<intptr_t>(pluginHandle), 1, 0, 0, stereo_ ? 2 : 0});
}

bool QuillanApplication::attachStreams(bool stereo)
{
    stereo_ = stereo;
    if (sendStreamsEvent(toWire(engine::Event::AttachStreams)) == 0) {
        window_->setError(toWire(engine::Error::NoFreeMixerChannels));
        return false;
    }
    connected_ = true;
    return true;
}

void QuillanApplication::detachStreams()
{
    sendStreamsEvent(toWire(engine::Event::DetachStreams));
    connected_ = false;
}

bool QuillanApplication::recording() const
{
    return recording_ && recording_->recording();
}

int QuillanApplication::beginRecording()
{
    const RecordingPlan plan{musicBufSize(), stereo_, recordingBlocks, sharedBlocks};
    return recording_->begin(plan);
}

bool QuillanApplication::confirmRecording()
{
    const int32_t answer = sendEvent({toWire(engine::Event::StartStreaming), 1, 0, 0, 0, 0, 0});
    recording_->confirm(answer != 0);
    return recording_->recording();
}

uint32_t QuillanApplication::stopRecording()
{
    recording_->stop();
    // The engine reads the rest within its shared ring and the block in each hand.
    return static_cast<uint32_t>(engine::blockMilliseconds(musicBufSize()) + 1) * (sharedBlocks + 2);
}

bool QuillanApplication::abandonRecording(bool dropUnread)
{
    if (!recording())
        return false;
    recording_->abandon(dropUnread);
    return true;
}

void QuillanApplication::reportRecordingFailure()
{
    // The device's failure is told once the recording is down, by the device.
    if (const int failure = recording_->takeFailure(); failure != 0)
        recording_->device.reportDeviceError(static_cast<plat::audio::Result>(failure));
}

void QuillanApplication::endSession()
{
    // The streams go from this thread: the engine's thread waits in the
    // window's close for the window's thread, which could not have the event
    // carried out.
    if (connected_)
        detachStreams();
    // Nothing reads a recording without streams.
    if (recording_)
        recording_->abandon(true);
}

void QuillanApplication::requestUnload()
{
    if (internalCallback == nullptr)
        return;
    engine::EngineRequest request{};
    request.pluginHandle = pluginHandle;
    internalCallback(&request, toWire(engine::Request::UnloadMe));
}

void QuillanApplication::fillPluginInfo(engine::PluginInfo* info)
{
    quillan::fillPluginInfo(info);
}

void startPlugin()
{
    zkr::LibraryApplication<QuillanApplication>::start();
}

void stopPlugin()
{
    zkr::LibraryApplication<QuillanApplication>::stop();
}

QuillanApplication* plugin()
{
    return zkr::LibraryApplication<QuillanApplication>::get();
}

void fillPluginInfo(engine::PluginInfo* info)
{
    if (info == nullptr)
        return;
    *info = engine::PluginInfo{};
    zkr::copyText(info->title, kPluginTitle);
    zkr::copyText(info->shortName, "dor-vik");
    zkr::copyText(info->media, "live input");
    zkr::copyText(info->copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info->version, "v0.1b 08/2000");
    zkr::copyText(info->webAddress, "http://www.velmora.org/");
    info->flags = 0;
}

} // namespace quillan
