#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "platform/ui/Menu.h"
#include "plugins/quillan/LiveRecording.h"
#include "zkr/PluginWindow.h"
#include "zkr/SkinImages.h"

namespace zkr {
class BitmapButton;
class LampControl;
class NameField;
class ToggleButton;
} // namespace zkr

namespace quillan {

// The live input's skinned window and the recording it drives: the sound
// card's name with its menu and "about", mono or stereo, the connection to
// the mixer with its lamp, start and stop with the recording lamp, and the
// "Configure Recording" dialog on a right click. The object lives from the
// library's load to its unload; its window exists between createUserInterface
// and destroyUserInterface, on the thread that asked for it (the user
// interface's), and only the engine closes it: the user's close asks the
// engine to unload the plug-in.
//
// Threads: the window's thread runs every control and owns the fields below
// that are not marked otherwise; the engine's streaming thread reads through
// readStreamChannel and reports errors through streamingError (which only
// posts); setupAudioSystem comes from the engine's thread (audioSetup_ under
// setupLock_); the recording guards itself (LiveRecording).
class RecorderWindow : public zkr::PluginWindow {
public:
    static constexpr char kClassName[] = "dor-vik";
    static constexpr char kTitle[] = "Velmora mr. dorvish";

    // Control ids.
    static constexpr int kAboutId = 1;
    static constexpr int kDeviceId = 2;
    static constexpr int kStereoId = 3;
    static constexpr int kReadyLampId = 4;
    static constexpr int kRecordingLampId = 5;
    static constexpr int kConnectId = 6;
    static constexpr int kRecordId = 7;

    // What a control sends the window when clicked (wparam: its id); what
    // streamingError posts (lparam: its first argument: message 2153 where
    // the system was made, moved above the framework's system messages, the
    // only ones that reach onUserMessage); what the streaming thread posts
    // when a recording has ended there.
    static constexpr uint32_t kControlMessage = 0x8200;
    static constexpr uint32_t kStreamingErrorMessage = zkr::WindowBase::kLastSystemMessage + 2153;
    static constexpr uint32_t kRecordingEndedMessage = 0x8204;

    // Keys of the plug-in's settings section.
    static constexpr char kPositionKey[] = "MainWndPos";
    static constexpr char kStereoKey[] = "bLiveStereo";

    RecorderWindow();
    ~RecorderWindow() override;

    // createUserInterface: makes the window on the calling thread; false when
    // it cannot be made.
    bool open(int showCommand);
    // destroyUserInterface (the engine's thread): gives the streams back if
    // still connected, then the window saves its settings and closes.
    void closeByHost();

    // ---- the engine's calls ----
    void setupAudioSystem(const engine::AudioSystemSetup& setup);
    bool readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes);
    void streamingError(int32_t first);

    // Set by the engine on the thread that loads the plug-in, before the window exists.
    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    engine::PluginHandle pluginHandle = 0;

    // ---- window handlers ----
    bool createStageOne() override;
    int finishCreate() override;
    void beforeDestroy() override;
    bool onClose() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;
    void onTimer(uintptr_t timerId, intptr_t callback) override;
    void onDoubleClick(intptr_t point, uintptr_t keys) override;
    void onControlContextMenu(zkr::Control* control, int x, int y) override;

private:
    template <typename Button> Button* addButton(int id, unsigned bitmap, int x, int y, unsigned tooltip);
    static void recordingEnded(void* context);
    engine::AudioSystemSetup audioRecord();
    // Sends an event with wait set; the engine's answer (0 without a callback).
    int32_t sendEvent(engine::EngineEvent event);
    // The attach and detach events: this plug-in's stream 1, and 2 for stereo.
    int32_t sendStreamsEvent(int32_t code);
    void onControl(int id);
    // True on a machine without input devices; the first time, the user is
    // told so (every control that needs a device asks, one box is enough).
    bool withoutDevice();
    void chooseDevice();
    void selectDevice(int index);
    void aboutDevice();
    void toggleConnection();
    void startOrStop();
    // The recording has ended (on the streaming thread, or taken down here).
    void showRecordingEnded();
    void showConnection();
    void configure();
    void restoreSettings();
    void saveSettings();

    LiveRecording recording_{*this, &RecorderWindow::recordingEnded, this};
    plat::AnnotatedMutex setupLock_;
    engine::AudioSystemSetup audioSetup_ GUARDED_BY(setupLock_){engine::kAudioFormatCode, 4096, 12, 65536, 1, 0};

    zkr::SkinImages images_{zkr::ownModule()};
    std::unique_ptr<plat::ui::PopupMenu> deviceMenu_;
    int32_t recordingBlocks_ = 6;
    int32_t sharedBlocks_ = 12;
    // Written by the window's thread, read by the engine's close.
    std::atomic<bool> connected_{false};
    std::atomic<bool> stereo_{false}; // as the mono/stereo button was when connecting
    int selectedDevice_ = -1;
    bool toldWithoutDevice_ = false;
    zkr::NameField* deviceName_ = nullptr;
    zkr::ToggleButton* stereoButton_ = nullptr;
    zkr::LampControl* readyLamp_ = nullptr;
    zkr::LampControl* recordingLamp_ = nullptr;
    zkr::ToggleButton* connectButton_ = nullptr;
    zkr::BitmapButton* recordButton_ = nullptr;
};

} // namespace quillan
