#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "plugins/brolet/Broadcaster.h"
#include "plugins/brolet/OutputModel.h"
#include "plugins/brolet/RecordingWriter.h"
#include "plugins/brolet/VisualsHost.h"
#include "zkr/Application.h"
#include "zkr/MultimediaFile.h"
#include "zkr/OutputDevice.h"

namespace brolet {

class BroletWindow;

// The plug-in object: one per loaded library, made when it is loaded
// (startUp) and gone when it is unloaded (shutDown). It plays the engine's
// stereo blocks on the selected sound card, writes them into a WAV file, or
// both, and feeds the visual of its window.
//
// Threads: startStreaming and stopStreaming run on the engine's main thread,
// streamStereoBuffer and waitForOutputDone on its streaming thread; the
// device's callback on the platform's audio thread; the window on the thread
// that created it; while a sound card or a broadcast paces the run, the
// recording's appends on the recording writer's thread. The engine may call stopStreaming while its streaming
// thread is still inside one of its calls: stop wakes that call and waits for
// it (streamLock) before it closes the device and the file. The switches are
// atomics written by the window's thread and do not change while streaming
// (their buttons are disabled); startStreaming copies them for the run. The
// visuals host is fed by the streaming calls and run by the window's thread
// (its own locks). deviceLock guards the device's selection against the open
// device (taken by start, stop and selectOutputDevice), and the run's
// underrun count against the window's thread, which polls it. The output folder and
// template belong to the window's thread while not streaming and are read by
// startStreaming under settingsLock, as is the folder of the run's recording,
// which the window's thread reads when it tells the user of a problem.
//
// A file never stops the sound card: with sound output on, a recording that
// cannot be made or written ends and the sound goes on; the user is told
// once a run, as when a start without sound fails for the file. A recording that fills a file (the most a RIFF header counts)
// goes on without a gap in the next file, named by the " (1)" rule.
class BroletOutput : public zkr::Application, public OutputModel {
public:
    // The stereo pair of the engine's mix.
    static constexpr int32_t kStreamCount = 2;

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
    // The engine's main thread: the title listeners are shown (null: none).
    void setNowPlaying(const char* title);
    bool createUserInterface(engine::InstanceHandle instance, int32_t showCommand);
    void destroyUserInterface();
    void onPluginSwitch(bool show);
    static void fillPluginInfo(engine::PluginInfo* info);

    // ---- OutputModel ----
    zkr::List<zkr::DeviceCapabilities>& outputDevices() override;
    int selectOutputDevice(int index) override;
    RecordingTarget recordingTarget() override;
    void setRecordingTarget(const RecordingTarget& target) override;
    std::string recordingProblemText() override;
    std::string soundCardProblemReason() override;
    void soundCardProblemTold() override;
    void requestUnload() override;
    OutputSwitches outputSwitches() override;
    void setOutputSwitches(OutputSwitches switches) override;
    BroadcastSettings broadcastSettings() override;
    void setBroadcastSettings(const BroadcastSettings& settings) override;
    BroadcastStatus broadcastStatus() override;
    VisualsHost& visuals() override;

    // Set by the engine before it streams or opens the window.
    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    engine::PluginHandle pluginHandle = 0;

    uint64_t playbackUnderruns() override;

    // How long streamStereoBuffer waits, five times at most, for a block of
    // the ring to come free.
    uint32_t readyWaitMs = 1000;
    // Data bytes one recording file takes before the next one goes on; smaller only in tests.
    int64_t fileDataLimit = zkr::MultimediaFile::kMaxDataBytes;
    // 0, or the result of the last block that failed (OutputNotReady, WriteFailed).
    std::atomic<int> lastStreamError{0};

    // The engine's audio record, copied by setupAudioSystem.
    engine::AudioSystemSetup audioSetup{};
    zkr::OutputDevice outputDevice;
    plat::AnnotatedMutex deviceLock;
    // The device's spare block: the block that finished playing last.
    const void* lastPlayedBlock = nullptr;
    uint32_t lastPlayedBytes = 0;
    // The current recording, or null, and the data bytes in its file. The
    // recording writer's thread's while it runs, else the streaming calls'.
    std::unique_ptr<zkr::MultimediaFile> file;
    uint32_t fileBytes = 0;
    uint64_t totalBytes = 0;
    // Appends the recording behind a run that a sound card or a broadcast
    // keeps to real time; a run with the file alone writes in its own calls.
    RecordingWriter recordingWriter;
    // Goes on air for a run with the broadcast switch on.
    Broadcaster broadcaster;
    // Outlives the window, whose destruction destroys the visual's pictures.
    VisualsHost visualsHost;
    std::unique_ptr<BroletWindow> window;

    // The switches as startStreaming found them, for the whole run.
    bool streamSound = false;
    bool streamFile = false;
    bool streamBroadcast = false;
    // The recording goes through the recording writer this run.
    bool writeBehind = false;
    // Without sound nothing else paces a broadcast: the streaming thread
    // keeps to real time by this clock (steady, nanoseconds) of the next block.
    int64_t nextBlockDue = 0;
    // Set by stopStreaming before it waits for the streaming thread's call.
    std::atomic<bool> stopRequested{false};
    // Held by the streaming thread's calls and by stopStreaming's closing.
    plat::AnnotatedMutex streamLock;

    plat::AnnotatedMutex settingsLock;
    std::string outputFolder GUARDED_BY(settingsLock);
    std::string fileTemplate GUARDED_BY(settingsLock);
    BroadcastSettings broadcastSettings_ GUARDED_BY(settingsLock);

private:
    // The engine's stereo block in bytes, from the copied set-up; 0 when out of range.
    uint32_t stereoBlockBytes() const;
    // A failed start leaves no run behind; later streaming calls are refused.
    void abandonStart();
    // Creates the run's next WAV file under a name no file has; false (with
    // the errno in openError_) when it cannot.
    bool openRecording();
    // The current file is full: finishes it and opens the next one.
    bool continueInNextFile();
    // Finishes the recording and lets the file go.
    void closeRecording();
    // Tells the user, once a run, that the recording failed with errno error.
    void reportRecordingProblem(int error);
    // Tells the user why the sound card would not open, unless the window has
    // yet to tell the last failure (Play pressed again adds no second box).
    void reportSoundCardProblem();
    // Queues a block on the device, waiting for a free one; false when it stays full.
    bool playBlock(const void* block, uint32_t bytes);
    // Keeps a run without sound to real time: a listener takes the stream no faster.
    void paceToRealTime(uint32_t bytes);
    // Appends a block to the recording; on failure finishes and lets the file go.
    bool writeBlock(const void* block, int32_t bytes);
    // Stops the device and finishes the recording; false when the device would not stop.
    bool closeRun();

    // The run's folder, template and start time: every file of the run is
    // named by them. Written by startStreaming; the folder under settingsLock,
    // as the window's thread reads it there.
    std::string runFolder_;
    std::string runTemplate_;
    std::tm runStart_{};
    int openError_ = 0;
    // Set once a run when the user is told; the errno that was told.
    std::atomic<bool> problemTold_{false};
    std::atomic<int> problemError_{0};
    std::atomic<bool> problemSoundGoesOn_{false};
    // Set from the failed start until the window has told it.
    std::atomic<bool> soundCardProblemShown_{false};
    // The sound system's reason for it: written by the engine's main thread,
    // read by the window's, under soundCardLock_.
    plat::AnnotatedMutex soundCardLock_;
    std::string soundCardReason_ GUARDED_BY(soundCardLock_);
    // Written on the window's thread only while not streaming; read by startStreaming.
    std::atomic<bool> soundOutput_{true};
    std::atomic<bool> fileOutput_{false};
    std::atomic<bool> broadcastOutput_{false};
    // The device's count as the last run left it.
    uint64_t lastRunUnderruns_ GUARDED_BY(deviceLock) = 0;
};

// Made when the library is loaded, gone when it is unloaded; null outside.
void startPlugin();
void stopPlugin();
BroletOutput* plugin();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace brolet
