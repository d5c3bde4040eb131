#include "plugins/brolet/BroletOutput.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <thread>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/Handle.h"
#include "platform/core/UserFolders.h"
#include "plugins/brolet/BroletWindow.h"
#include "plugins/brolet/RecordingName.h"
#include "plugins/brolet/Texts.h"
#include "zkr/LibraryApplication.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace brolet {

namespace {

constexpr uint32_t kSampleRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr uint16_t kBitsPerSample = 16;
constexpr int64_t kBytesPerSecond = int64_t{kSampleRate} * kChannels * kBitsPerSample / 8;
// Waits for a free block of the ring before a block counts as not playable.
constexpr int kReadyWaits = 5;
// What paces the engine when nothing is played and nothing is written.
constexpr auto kEmptyBlockPause = std::chrono::milliseconds(10);
// Names tried when others take them between looking and creating.
constexpr int kNameAttempts = 100;

// Whether a path names anything, a dangling link included. A path that cannot
// be looked at counts as free: creating the file then fails and says so.
bool pathTaken(const std::string& path)
{
    std::error_code error;
    const auto type = std::filesystem::symlink_status(path, error).type();
    return type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none;
}

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace

BroletOutput::BroletOutput()
{
    helpPage = kHelpPage;
}

BroletOutput::~BroletOutput()
{
    shutDown();
}

void BroletOutput::startUp()
{
    if (window)
        return;
    registerTexts();
    // Without the shared services the plug-in still plays and records: no help, plain error boxes.
    (void)zkr::bindSharedServices();
    outputDevice.setFormat(kSampleRate, kChannels, kBitsPerSample);
    window = std::make_unique<BroletWindow>(*this);
    settings.setFileName(zkr::kSettingsFile);
    settings.createMissingKeys = true;
    (void)settings.selectSection(kSettingsSection, true); // reported by the store; the defaults stand
    char value[zkr::Registry::kValueSize];
    plat::ScopedLock lock(settingsLock);
    outputFolder = settings.getLongString(BroletWindow::kFolderKey, plat::recordingsFolder().c_str());
    settings.getString(BroletWindow::kTemplateKey, stringText(kStringDefaultTemplate).c_str(), value);
    fileTemplate = value;
    broadcastSettings_ = readBroadcastSettings(settings);
}

void BroletOutput::shutDown()
{
    if (!window)
        return;
    window->closeByEngine();
    // A run the engine never stopped still leaves a playable file and a closed device.
    closeRun();
    window.reset();
    zkr::releaseSharedServices();
    unregisterTexts();
}

bool BroletOutput::setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    if (setup == nullptr)
        return false;
    plat::ScopedLock lock(deviceLock);
    audioSetup = *setup;
    const uint32_t blockBytes = stereoBlockBytes();
    if (blockBytes == 0 ||
        outputDevice.allocateBlocks(setup->numOutBufs, blockBytes) != toWire(engine::Error::Ok)) {
        lastPlayedBlock = nullptr;
        lastPlayedBytes = 0;
        return false;
    }
    lastPlayedBlock = outputDevice.spareBlock.data;
    lastPlayedBytes = outputDevice.blockSize;
    return true;
}

bool BroletOutput::startStreaming()
{
    plat::ScopedLock streaming(streamLock);
    totalBytes = 0;
    lastStreamError = 0;
    stopRequested = false;
    problemTold_ = false;
    {
        plat::ScopedLock lock(soundCardLock_);
        soundCardReason_.clear();
    }
    streamSound = soundOutput_.load();
    streamFile = fileOutput_.load();
    streamBroadcast = broadcastOutput_.load();
    nextBlockDue = 0;
    {
        plat::ScopedLock lock(deviceLock);
        lastRunUnderruns_ = 0;
    }
    if (streamSound) {
        plat::ScopedLock lock(deviceLock);
        if (outputDevice.start() != toWire(engine::Error::Ok)) {
            reportSoundCardProblem();
            abandonStart();
            return false;
        }
    }
    if (streamFile) {
        {
            plat::ScopedLock lock(settingsLock);
            runFolder_ = outputFolder;
            runTemplate_ = fileTemplate;
        }
        runStart_ = localNow();
        // A folder that cannot be made fails the file's creation below.
        if (!runFolder_.empty())
            (void)plat::createFolder(runFolder_);
        if (!openRecording()) {
            reportRecordingProblem(openError_);
            // Sound or a broadcast goes on without the recording; without either there is nothing to do.
            if (!streamSound && !broadcastOutput_.load()) {
                abandonStart();
                return false;
            }
        }
    }
    if (streamBroadcast) {
        BroadcastSettings onAir;
        {
            plat::ScopedLock lock(settingsLock);
            onAir = broadcastSettings_;
        }
        // Without a ring the run goes on without the broadcast, which shows as off.
        const uint32_t blockBytes = stereoBlockBytes();
        if (blockBytes == 0 || !broadcaster.start(onAir, blockBytes))
            streamBroadcast = false;
    }
    // Without the writer's queue the recording is written in the streaming calls.
    writeBehind =
        file && (streamSound || streamBroadcast) && stereoBlockBytes() != 0 &&
        recordingWriter.start(stereoBlockBytes(), kBytesPerSecond,
                              [this](const void* block, int32_t bytes) { return writeBlock(block, bytes); });
    window->lockSwitches(true);
    return true;
}

uint32_t BroletOutput::stereoBlockBytes() const
{
    // One stereo 16-bit block: twice the engine's mono block.
    const int64_t bytes = int64_t{audioSetup.musicBufSize} * 2;
    return bytes >= 1 && bytes <= UINT32_MAX ? static_cast<uint32_t>(bytes) : 0;
}

void BroletOutput::abandonStart()
{
    streamSound = false;
    streamFile = false;
    streamBroadcast = false;
    stopRequested = true;
}

bool BroletOutput::openRecording()
{
    // Created here and now under a free name: a file or link that appears
    // between looking and creating is never followed nor replaced.
    auto recording = std::make_unique<zkr::MultimediaFile>();
    recording->silent = true;
    recording->dataLimit = fileDataLimit;
    std::string path;
    int created = toWire(engine::Error::CannotUseResource);
    for (int attempt = 0; attempt < kNameAttempts && created != toWire(engine::Error::Ok); ++attempt) {
        path = recordingFileName(runFolder_, runTemplate_, runStart_, pathTaken);
        created = recording->attach(path.c_str(), zkr::MultimediaFile::kModeCreateNew);
        if (created != toWire(engine::Error::Ok) && recording->openError != EEXIST)
            break;
    }
    if (created != toWire(engine::Error::Ok)) {
        openError_ = recording->openError != 0 ? recording->openError : EEXIST;
        return false;
    }
    if (recording->setDiskBuffer(audioSetup.diskBufSize) != toWire(engine::Error::Ok) ||
        recording->buildHeader(0, kSampleRate, kChannels, kBitsPerSample) != toWire(engine::Error::Ok) ||
        recording->writeHeader() != toWire(engine::Error::Ok)) {
        openError_ = errno != 0 ? errno : EIO;
        (void)recording->detach();
        (void)plat::deleteFile(path); // best effort: the failure above is what counts
        return false;
    }
    file = std::move(recording);
    fileBytes = 0;
    return true;
}

bool BroletOutput::continueInNextFile()
{
    closeRecording();
    return openRecording();
}

void BroletOutput::closeRecording()
{
    if (!file)
        return;
    (void)file->finish(fileBytes);
    (void)file->detach();
    file.reset();
}

void BroletOutput::reportRecordingProblem(int error)
{
    if (problemTold_.exchange(true))
        return;
    problemError_ = error;
    problemSoundGoesOn_ = streamSound;
    window->tellRecordingProblem();
}

std::string BroletOutput::recordingProblemText()
{
    if (!problemTold_.load())
        return {};
    std::string folder;
    {
        plat::ScopedLock lock(settingsLock);
        folder = runFolder_;
    }
    return "The recording cannot go into the folder\n\"" + folder + "\":\n" +
           std::generic_category().message(problemError_.load()) + ".\n" +
           (problemSoundGoesOn_.load() ? "Sound output goes on without it. " : "") +
           "Choose a folder you may write to with the folder button.";
}

void BroletOutput::reportSoundCardProblem()
{
    if (soundCardProblemShown_.exchange(true))
        return;
    // The device keeps the platform's text, then the sound system's own
    // reason on a line of its own: the reason says more, when there is one.
    const std::string text = outputDevice.errorText;
    const size_t reasonLine = text.find('\n');
    {
        plat::ScopedLock lock(soundCardLock_);
        soundCardReason_ = reasonLine == std::string::npos ? text : text.substr(reasonLine + 1);
    }
    // Without a window to tell it the next failure tries again.
    if (!window->tellSoundCardProblem())
        soundCardProblemShown_ = false;
}

std::string BroletOutput::soundCardProblemReason()
{
    plat::ScopedLock lock(soundCardLock_);
    return soundCardReason_;
}

void BroletOutput::soundCardProblemTold()
{
    soundCardProblemShown_ = false;
}

bool BroletOutput::streamStereoBuffer(bool empty, const void* block, int32_t bytes)
{
    plat::ScopedLock streaming(streamLock);
    // A block after a stop is refused; the engine knows that it asked for the stop.
    if (stopRequested.load())
        return false;
    const uint32_t size = bytes > 0 ? static_cast<uint32_t>(bytes) : 0;
    int result = toWire(engine::Error::Ok);
    if (streamSound) {
        if (!playBlock(block, size))
            result = toWire(engine::Error::OutputNotReady);
        visualsHost.feedVisual(lastPlayedBlock, lastPlayedBytes);
    }
    if (streamBroadcast) {
        // Silence too: the listeners' stream must not starve while nothing plays.
        broadcaster.offer(block, size);
        if (!streamSound)
            paceToRealTime(size);
    }
    if (streamFile) {
        if (!streamSound && empty) {
            // A broadcast already keeps this call to real time.
            if (streamBroadcast)
                return true;
            std::this_thread::sleep_for(kEmptyBlockPause);
            return true;
        }
        // With sound on, a failed recording is told and the sound goes on.
        if (writeBehind) {
            if (!recordingWriter.offer(block, size, stopRequested))
                return false;
            if (recordingWriter.failed() && !streamSound)
                result = toWire(engine::Error::WriteFailed);
        } else if (file && !writeBlock(block, bytes) && !streamSound) {
            result = toWire(engine::Error::WriteFailed);
        }
    }
    totalBytes += size;
    if (result != toWire(engine::Error::Ok))
        lastStreamError = result;
    return result == toWire(engine::Error::Ok);
}

void BroletOutput::paceToRealTime(uint32_t bytes)
{
    using namespace std::chrono;
    const int64_t now = duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    // A late block resets the clock rather than letting later ones rush.
    if (nextBlockDue < now)
        nextBlockDue = now;
    nextBlockDue += int64_t{bytes} * duration_cast<nanoseconds>(seconds(1)).count() / kBytesPerSecond;
    std::this_thread::sleep_for(nanoseconds(nextBlockDue - now));
}

bool BroletOutput::playBlock(const void* block, uint32_t bytes)
{
    // A failure goes back to the engine, which tells the user once, on its own path.
    zkr::Error status = outputDevice.writeBlock(block, bytes);
    for (int waits = 0; status.code == toWire(engine::Error::Busy) && waits < kReadyWaits; ++waits) {
        (void)outputDevice.blockFree->wait(readyWaitMs); // a time-out only retries the write
        (void)outputDevice.blockFree->reset();
        if (stopRequested.load())
            return false;
        status = outputDevice.writeBlock(block, bytes);
    }
    return !status.failed();
}

bool BroletOutput::writeBlock(const void* block, int32_t bytes)
{
    const auto* at = static_cast<const uint8_t*>(block);
    int64_t left = bytes > 0 ? bytes : 0;
    bool written = true;
    errno = 0;
    while (left > 0 && written) {
        // A full file goes on in the next one, the block split between them.
        if (file->room() == 0 && (fileBytes == 0 || !continueInNextFile())) {
            written = false;
            break;
        }
        const auto part = static_cast<int32_t>(std::min(left, file->room()));
        written = file->write(at, part, nullptr) == toWire(engine::Error::Ok);
        if (written) {
            fileBytes += static_cast<uint32_t>(part);
            at += part;
            left -= part;
        }
    }
    if (written)
        return true;
    // No next file: openRecording said why.
    int error = openError_;
    if (file) {
        error = errno != 0 ? errno : EIO;
        // What reached the disk stays a playable recording: the header is made to
        // describe those samples (finish never counts more than the disk holds).
        fileBytes = static_cast<uint32_t>(std::min<int64_t>(int64_t{fileBytes} + left, UINT32_MAX));
    }
    closeRecording();
    // Without sound the engine hears of it from the block's result.
    if (streamSound)
        reportRecordingProblem(error);
    return false;
}

bool BroletOutput::waitForOutputDone()
{
    plat::ScopedLock streaming(streamLock);
    if (streamSound && !stopRequested.load() && !outputDevice.allFree())
        outputDevice.drain(plat::kInfinite);
    return true;
}

void BroletOutput::setNowPlaying(const char* title)
{
    broadcaster.setTitle(title != nullptr ? title : "");
}

bool BroletOutput::stopStreaming()
{
    stopRequested = true;
    // Wakes a streaming call that waits for the device; both events live from
    // the device's start to its stop, which happen on this thread.
    if (outputDevice.blockFree)
        (void)outputDevice.blockFree->set();
    if (outputDevice.allDone)
        (void)outputDevice.allDone->set();
    plat::ScopedLock streaming(streamLock);
    visualsHost.clearVisual();
    // The stream ends as a stream ends before the switches free up.
    broadcaster.stop();
    window->lockSwitches(false);
    return closeRun();
}

bool BroletOutput::closeRun()
{
    bool stopped = true;
    bool played = false;
    uint64_t underruns = 0;
    {
        plat::ScopedLock lock(deviceLock);
        if (outputDevice.deviceOpen) {
            played = true;
            if (outputDevice.handle)
                lastRunUnderruns_ = outputDevice.handle->xruns();
            underruns = lastRunUnderruns_;
            stopped = outputDevice.stop() == toWire(engine::Error::Ok);
        }
    }
    if (played) {
        // How close to its limit the run played, for whoever tunes the buffers.
        std::fprintf(stderr, "Playback underruns this run: %llu\n",
                     static_cast<unsigned long long>(underruns));
        std::fflush(stderr);
        window->showUnderruns();
    }
    // What the disk has yet to take still goes into the recording.
    recordingWriter.finish();
    if (writeBehind && recordingWriter.waitsForRoom() > 0)
        std::fprintf(stderr, "The recording held up the sound %llu times this run: its disk fell behind.\n",
                     static_cast<unsigned long long>(recordingWriter.waitsForRoom()));
    writeBehind = false;
    closeRecording();
    broadcaster.stop();
    streamSound = false;
    streamFile = false;
    streamBroadcast = false;
    return stopped;
}

uint64_t BroletOutput::playbackUnderruns()
{
    plat::ScopedLock lock(deviceLock);
    if (outputDevice.deviceOpen && outputDevice.handle)
        return outputDevice.handle->xruns();
    return lastRunUnderruns_;
}

bool BroletOutput::createUserInterface(engine::InstanceHandle, int32_t showCommand)
{
    return window && window->open(showCommand);
}

void BroletOutput::destroyUserInterface()
{
    if (window)
        window->closeByEngine();
}

void BroletOutput::onPluginSwitch(bool show)
{
    if (window)
        window->showByEngine(show);
}

int BroletOutput::selectOutputDevice(int index)
{
    plat::ScopedLock lock(deviceLock);
    return outputDevice.selectDevice(index);
}

zkr::List<zkr::DeviceCapabilities>& BroletOutput::outputDevices()
{
    return outputDevice.capabilities;
}

RecordingTarget BroletOutput::recordingTarget()
{
    plat::ScopedLock lock(settingsLock);
    return {outputFolder, fileTemplate};
}

void BroletOutput::setRecordingTarget(const RecordingTarget& target)
{
    plat::ScopedLock lock(settingsLock);
    outputFolder = target.folder;
    fileTemplate = target.fileTemplate;
}

OutputSwitches BroletOutput::outputSwitches()
{
    return {soundOutput_.load(), fileOutput_.load(), broadcastOutput_.load()};
}

void BroletOutput::setOutputSwitches(OutputSwitches switches)
{
    soundOutput_ = switches.sound;
    fileOutput_ = switches.file;
    broadcastOutput_ = switches.broadcast;
}

BroadcastSettings BroletOutput::broadcastSettings()
{
    plat::ScopedLock lock(settingsLock);
    return broadcastSettings_;
}

void BroletOutput::setBroadcastSettings(const BroadcastSettings& settings)
{
    plat::ScopedLock lock(settingsLock);
    broadcastSettings_ = settings;
}

BroadcastStatus BroletOutput::broadcastStatus()
{
    return broadcaster.status();
}

VisualsHost& BroletOutput::visuals()
{
    return visualsHost;
}

void BroletOutput::requestUnload()
{
    if (internalCallback == nullptr)
        return;
    engine::EngineRequest request{};
    request.pluginHandle = pluginHandle;
    internalCallback(&request, toWire(engine::Request::UnloadMe));
}

void BroletOutput::fillPluginInfo(engine::PluginInfo* info)
{
    brolet::fillPluginInfo(info);
}

void startPlugin()
{
    zkr::LibraryApplication<BroletOutput>::start();
}

void stopPlugin()
{
    zkr::LibraryApplication<BroletOutput>::stop();
}

BroletOutput* plugin()
{
    return zkr::LibraryApplication<BroletOutput>::get();
}

void fillPluginInfo(engine::PluginInfo* info)
{
    if (info == nullptr)
        return;
    *info = engine::PluginInfo{};
    zkr::copyText(info->title, "Velmora Brolet Blaster");
    zkr::copyText(info->shortName, "Brolet");
    zkr::copyText(info->media, "sound and file");
    zkr::copyText(info->copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info->version, "v0.3b 08/2000");
    zkr::copyText(info->webAddress, "http://www.velmora.org/");
    info->flags = 0;
}

} // namespace brolet
