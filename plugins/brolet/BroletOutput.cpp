#include "plugins/brolet/BroletOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>

#include "platform/core/Files.h"
#include "platform/core/Handle.h"
#include "platform/core/UserFolders.h"
#include "plugins/brolet/BroletWindow.h"
#include "plugins/brolet/RecordingName.h"
#include "plugins/brolet/Texts.h"
#include "zkr/ErrorCodes.h"
#include "zkr/LibraryApplication.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace brolet {

namespace {

constexpr uint32_t kSampleRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr uint16_t kBitsPerSample = 16;
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

enum class Claim { Made, Taken, Failed };

// Creates the file only when nothing has that name yet, so a recording never
// replaces a file that appeared after its name was chosen.
Claim claimNewFile(const std::string& path)
{
    std::FILE* created = std::fopen(path.c_str(), "wbx");
    if (created != nullptr) {
        std::fclose(created);
        return Claim::Made;
    }
    return errno == EEXIST ? Claim::Taken : Claim::Failed;
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
    std::lock_guard lock(settingsLock);
    settings.getString(BroletWindow::kFolderKey, plat::recordingsFolder().c_str(), value);
    outputFolder = value;
    settings.getString(BroletWindow::kTemplateKey, stringText(kStringDefaultTemplate).c_str(), value);
    fileTemplate = value;
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
    std::lock_guard lock(deviceLock);
    audioSetup = *setup;
    // One stereo 16-bit block per buffer: twice the mono block.
    const int64_t blockBytes = int64_t{setup->musicBufSize} * 2;
    if (blockBytes < 1 || blockBytes > UINT32_MAX ||
        outputDevice.allocateBlocks(setup->numOutBufs, static_cast<uint32_t>(blockBytes)) != zkr::kOk) {
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
    std::lock_guard streaming(streamLock);
    totalBytes = 0;
    lastStreamError = 0;
    stopRequested = false;
    streamSound = window->soundOutput.load();
    streamFile = window->fileOutput.load();
    if (streamSound) {
        std::lock_guard lock(deviceLock);
        if (outputDevice.start() != zkr::kOk) {
            abandonStart();
            return false;
        }
    }
    if (streamFile && !openRecording()) {
        // The device is not left open: the engine does not stop a run that never started.
        if (streamSound) {
            std::lock_guard lock(deviceLock);
            outputDevice.stop();
        }
        abandonStart();
        return false;
    }
    window->lockSwitches(true);
    return true;
}

void BroletOutput::abandonStart()
{
    streamSound = false;
    streamFile = false;
    stopRequested = true;
}

bool BroletOutput::openRecording()
{
    std::string folder;
    std::string name;
    {
        std::lock_guard lock(settingsLock);
        folder = outputFolder;
        name = fileTemplate;
    }
    // A folder that cannot be made fails the file's creation below.
    if (!folder.empty())
        (void)plat::createFolder(folder);
    const std::tm now = localNow();
    std::string path;
    Claim claim = Claim::Failed;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        path = recordingFileName(folder, name, now, pathTaken);
        if ((claim = claimNewFile(path)) != Claim::Taken)
            break;
    }
    auto recording = std::make_unique<zkr::MultimediaFile>();
    recording->silent = true;
    if (recording->attach(path.c_str(), zkr::MultimediaFile::kModeCreate) != zkr::kOk ||
        recording->setDiskBuffer(audioSetup.diskBufSize) != zkr::kOk ||
        recording->buildHeader(0, kSampleRate, kChannels, kBitsPerSample) != zkr::kOk ||
        recording->writeHeader() != zkr::kOk) {
        (void)recording->detach();
        if (claim == Claim::Made)
            (void)plat::deleteFile(path); // best effort: the failure above is what counts
        return false;
    }
    file = std::move(recording);
    return true;
}

bool BroletOutput::streamStereoBuffer(bool empty, const void* block, int32_t bytes)
{
    std::lock_guard streaming(streamLock);
    // A block after a stop is refused; the engine knows that it asked for the stop.
    if (stopRequested.load())
        return false;
    const uint32_t size = bytes > 0 ? static_cast<uint32_t>(bytes) : 0;
    int result = zkr::kOk;
    if (streamSound) {
        if (!playBlock(block, size))
            result = kErrOutputNotReady;
        window->visuals.feedVisual(lastPlayedBlock, lastPlayedBytes);
    }
    if (streamFile) {
        if (!streamSound && empty) {
            std::this_thread::sleep_for(kEmptyBlockPause);
            return true;
        }
        if (file && !writeBlock(block, bytes))
            result = kErrWriteFailed;
    }
    totalBytes += size;
    if (result != zkr::kOk)
        lastStreamError = result;
    return result == zkr::kOk;
}

bool BroletOutput::playBlock(const void* block, uint32_t bytes)
{
    int status = outputDevice.writeBlock(block, bytes);
    for (int waits = 0; status == zkr::kStatusBusy && waits < kReadyWaits; ++waits) {
        (void)outputDevice.blockFree->wait(readyWaitMs); // a time-out only retries the write
        (void)outputDevice.blockFree->reset();
        if (stopRequested.load())
            return false;
        status = outputDevice.writeBlock(block, bytes);
    }
    return status == zkr::kOk;
}

bool BroletOutput::writeBlock(const void* block, int32_t bytes)
{
    if (file->write(block, bytes, nullptr) == zkr::kOk)
        return true;
    // What reached the disk stays a playable recording: the header is made to
    // describe those samples (finish never counts more than the disk holds).
    const int64_t handedOver = int64_t{totalBytes} + (bytes > 0 ? bytes : 0);
    (void)file->finish(static_cast<uint32_t>(std::min<int64_t>(handedOver, UINT32_MAX)));
    (void)file->detach();
    file.reset();
    return false;
}

bool BroletOutput::waitForOutputDone()
{
    std::lock_guard streaming(streamLock);
    if (streamSound && !stopRequested.load() && !outputDevice.allFree())
        outputDevice.drain(plat::kInfinite);
    return true;
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
    std::lock_guard streaming(streamLock);
    window->visuals.clearVisual();
    window->lockSwitches(false);
    return closeRun();
}

bool BroletOutput::closeRun()
{
    bool stopped = true;
    {
        std::lock_guard lock(deviceLock);
        if (outputDevice.deviceOpen)
            stopped = outputDevice.stop() == zkr::kOk;
    }
    if (file) {
        (void)file->finish(totalBytes);
        (void)file->detach();
        file.reset();
    }
    streamSound = false;
    streamFile = false;
    return stopped;
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
    std::lock_guard lock(deviceLock);
    return outputDevice.selectDevice(index);
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
