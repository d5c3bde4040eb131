#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine/PluginApi.h"
#include "zkr/Application.h"
#include "zkr/MultimediaFile.h"
#include "zkr/OutputDevice.h"

namespace brolet {

class BroletWindow;

inline constexpr char kSettingsSection[] = "Velmora Brolet Blaster";
inline constexpr char kHelpPage[] = "brolet.html";
inline constexpr int kFolderSize = 256;

// Result codes of the streaming calls.
inline constexpr int kErrWriteFailed = 5;   // "Writing operation failed!"
inline constexpr int kErrOutputNotReady = 34; // "Audio Output not ready! ..."

// The plug-in object: one per loaded library, made when it is loaded
// (startUp) and gone when it is unloaded (shutDown). It plays the engine's
// stereo blocks on the selected sound card, writes them into a WAV file, or
// both, and feeds the visual of its window.
//
// Threads: startStreaming and stopStreaming run on the engine's main thread,
// streamStereoBuffer and waitForOutputDone on its streaming thread; the
// device's callback on the platform's audio thread; the window on the thread
// that created it. The engine may call stopStreaming while its streaming
// thread is still inside one of its calls: stop wakes that call and waits for
// it (streamLock) before it closes the device and the file. The switches are
// the window's atomics and do not change while streaming (their buttons are
// disabled). deviceLock guards the device's selection against the open
// device (taken by start, stop and selectOutputDevice). The output folder and
// template belong to the window's thread while not streaming and are read by
// startStreaming under settingsLock.
class BroletOutput : public zkr::Application {
public:
    BroletOutput();
    ~BroletOutput() override;


    // Library load: resources, shared services, device list, the window's
    // object, the settings file and the stored folder and template.
    void startUp();
    // Library unload: closes the window if open, lets everything go.
    void shutDown();

    // ---- the engine's calls ----
    bool setupAudioSystem(const engine::AudioSystemSetup* setup);
    bool startStreaming();
    bool streamStereoBuffer(bool empty, const void* block, int32_t bytes);
    bool waitForOutputDone();
    bool stopStreaming();
    bool createUserInterface(engine::InstanceHandle instance, int32_t showCommand);
    void destroyUserInterface();
    void onPluginSwitch(bool show);

    // Window's thread: selects output device index (-1: the wave mapper); 0 or the device's error.
    int selectOutputDevice(int index);

    // How long streamStereoBuffer waits, five times at most, for a block of
    // the ring to come free.
    uint32_t readyWaitMs = 1000;
    // 0, or the result of the last block that failed (34, 5).
    std::atomic<int> lastStreamError{0};

    // The engine's audio record, copied by setupAudioSystem.
    engine::AudioSystemSetup audioSetup{};
    zkr::OutputDevice outputDevice;
    std::mutex deviceLock;
    // The device's spare block: the block that finished playing last.
    const void* lastPlayedBlock = nullptr;
    uint32_t lastPlayedBytes = 0;
    // The current recording, or null. Streaming threads only.
    std::unique_ptr<zkr::MultimediaFile> file;
    uint32_t totalBytes = 0;
    std::unique_ptr<BroletWindow> window;

    // The switches as startStreaming found them, for the whole run.
    bool streamSound = false;
    bool streamFile = false;
    // Set by stopStreaming before it waits for the streaming thread's call.
    std::atomic<bool> stopRequested{false};
    // Held by the streaming thread's calls and by stopStreaming's closing.
    std::mutex streamLock;

    std::mutex settingsLock;
    std::string outputFolder;  // at most kFolderSize - 1 characters
    std::string fileTemplate;

private:
    // A failed start leaves no run behind; later streaming calls are refused.
    void abandonStart();
    // Creates the run's WAV file under a name no file has; false when it cannot.
    bool openRecording();
    // Queues a block on the device, waiting for a free one; false when it stays full.
    bool playBlock(const void* block, uint32_t bytes);
    // Appends a block to the recording; on failure finishes and lets the file go.
    bool writeBlock(const void* block, int32_t bytes);
    // Stops the device and finishes the recording; false when the device would not stop.
    bool closeRun();
};

// Made when the library is loaded, gone when it is unloaded; null outside.
void startPlugin();
void stopPlugin();
BroletOutput* plugin();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace brolet
