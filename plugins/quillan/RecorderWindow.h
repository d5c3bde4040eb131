#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Menu.h"
#include "zkr/PluginWindow.h"
#include "zkr/SkinImages.h"

namespace zkr {
class BitmapButton;
class LampControl;
class NameField;
class ToggleButton;
} // namespace zkr

namespace quillan {

class RecorderModel;

// The live input's skinned window over the recorder's model: the sound
// card's name with its menu and "about", mono or stereo, the connection to
// the mixer with its lamp, start and stop with the recording lamp, and the
// "Configure Recording" dialog on a right click. The object lives from the
// library's load to its unload; its window exists between createUserInterface
// and destroyUserInterface, on the thread that asked for it (the user
// interface's), and only the engine closes it: the user's close asks the
// engine to unload the plug-in.
//
// Threads: the window's thread runs every control and owns the fields below;
// the engine's streaming thread only posts (postStreamingError,
// postRecordingEnded), through the window's atomic handle.
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
    // postStreamingError posts (lparam: its first argument), above the
    // framework's system messages, the only ones that reach onUserMessage;
    // what the streaming thread posts when a recording has ended there.
    static constexpr uint32_t kControlMessage = 0x8200;
    static constexpr uint32_t kStreamingErrorOffset = 2153;
    static constexpr uint32_t kStreamingErrorMessage = zkr::WindowBase::kLastSystemMessage + kStreamingErrorOffset;
    static constexpr uint32_t kRecordingEndedMessage = 0x8204;

    // Keys of the plug-in's settings section.
    static constexpr char kPositionKey[] = "MainWndPos";
    static constexpr char kStereoKey[] = "bLiveStereo";

    explicit RecorderWindow(RecorderModel& model);
    ~RecorderWindow() override;

    // createUserInterface: makes the window on the calling thread; false when
    // it cannot be made.
    bool open(int showCommand);
    // destroyUserInterface (the engine's thread): gives the streams back if
    // still connected, then the window saves its settings and closes.
    void closeByHost();

    // Any thread; nothing happens while the window is closed.
    void postStreamingError(int32_t first);
    void postRecordingEnded();

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
    void onControl(int id);
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

    RecorderModel& model_;
    zkr::SkinImages images_{zkr::ownModule()};
    std::unique_ptr<plat::ui::PopupMenu> deviceMenu_;
    zkr::NameField* deviceName_ = nullptr;
    zkr::ToggleButton* stereoButton_ = nullptr;
    zkr::LampControl* readyLamp_ = nullptr;
    zkr::LampControl* recordingLamp_ = nullptr;
    zkr::ToggleButton* connectButton_ = nullptr;
    zkr::BitmapButton* recordButton_ = nullptr;
};

} // namespace quillan
