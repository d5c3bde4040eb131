#pragma once

#include <atomic>
#include <memory>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "plugins/quillan/PluginNames.h"
#include "plugins/quillan/RecorderModel.h"
#include "zkr/Application.h"

namespace quillan {

class LiveRecording;
class RecorderWindow;

// The plug-in's application object: one per loaded library, made when it is
// loaded (startUp) and gone when it is unloaded (shutDown). It owns the
// recording (device, buffers, converter), the connection to the mixer, the
// engine's callbacks and handle and the audio record; the recorder window
// views and drives them as its RecorderModel and may close and reopen.
//
// Threads: the engine sets the callbacks and the handle on the thread that
// loads the plug-in, before it asks for the window; the window's thread makes
// every RecorderModel call but endSession, which comes from the engine's
// thread that closes the window, and owns the fields not marked otherwise;
// the engine's streaming thread reads (readStreamChannel) and reports errors
// (onStreamingError), which only posts to the window; setupAudioSystem comes
// from the engine's thread (audioSetup_ under setupLock_); the recording
// guards itself (LiveRecording).
class QuillanApplication : public zkr::Application, public RecorderModel {
public:
    // The recording's left (or mono) and right stream.
    static constexpr int32_t kStreamCount = 2;

    QuillanApplication();
    ~QuillanApplication() override;

    // Library load: the shared services, the window's object (with its
    // device, buffer and converter), the settings file.
    void startUp();
    // Library unload: the window closed if still open, then let go.
    void shutDown();

    void setEventCallback(engine::EventCallback callback);
    void setInternalCallback(engine::InternalCallback callback);

    // ---- the engine's calls ----
    void setPluginHandle(engine::PluginHandle handle);
    bool createUserInterface(int32_t showCommand);
    void destroyUserInterface();
    void onPluginSwitch(bool show);
    bool setupAudioSystem(const engine::AudioSystemSetup* setup);
    bool readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes);
    void onStreamingError(int32_t first, int32_t second);
    static void fillPluginInfo(engine::PluginInfo* info);

    // ---- RecorderModel ----
    int deviceCount() override;
    const zkr::DeviceCapabilities* deviceAt(int index) override;
    int selectedDevice() const override { return selectedDevice_; }
    int selectDevice(int index) override;
    bool withoutDevice() override;
    bool connected() const override { return connected_; }
    bool attachStreams(bool stereo) override;
    void detachStreams() override;
    bool recording() const override;
    int beginRecording() override;
    bool confirmRecording() override;
    uint32_t stopRecording() override;
    bool abandonRecording(bool dropUnread) override;
    void reportRecordingFailure() override;
    int32_t musicBufSize() override;
    void endSession() override;
    void requestUnload() override;

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    engine::PluginHandle pluginHandle = 0;

private:
    // Told on the streaming thread when a recording has ended there.
    static void recordingEnded(void* context);
    engine::AudioSystemSetup audioRecord();
    // Sends an event with wait set; the engine's answer (0 without a callback).
    int32_t sendEvent(engine::EngineEvent event);
    // The attach and detach events: this plug-in's stream 1, and 2 for stereo.
    int32_t sendStreamsEvent(int32_t code);

    // Made at startUp, gone at shutDown (the recording before the window,
    // which names its failures); the streaming thread uses both only between.
    std::unique_ptr<RecorderWindow> window_;
    std::unique_ptr<LiveRecording> recording_;

    plat::AnnotatedMutex setupLock_;
    engine::AudioSystemSetup audioSetup_ GUARDED_BY(setupLock_){
        engine::kAudioFormatCode, 4096, 12, 65536, 1, 0};

    // Written by the window's thread, read by the engine's close.
    std::atomic<bool> connected_{false};
    std::atomic<bool> stereo_{false}; // as the mono/stereo button was when connecting
    int selectedDevice_ = -1;
    bool toldWithoutDevice_ = false;
};

// Made when the library is loaded, gone when it is unloaded; null outside.
void startPlugin();
void stopPlugin();
QuillanApplication* plugin();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace quillan
