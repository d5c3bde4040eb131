#pragma once

#include <cstdint>
#include <string>

#include "api/PluginApi.h"
#include "platform/ui/Surface.h"
#include "plugins/brolet/VisualsHost.h"
#include "zkr/LabelControl.h"
#include "zkr/SkinImages.h"
#include "zkr/PluginWindow.h"

namespace zkr {
class BitmapButton;
class ToggleButton;
} // namespace zkr

namespace zkr {
class NameField;
}

namespace brolet {

class OutputModel;

// A line of status written on the skin itself, right-aligned in the face of
// the name fields; nothing shows while it is empty.
class StatusLabel : public zkr::LabelControl {
public:
    using LabelControl::LabelControl;
    void paint(plat::ui::Painter* dc) override;
    bool alignLeft = false;
};

// The output plug-in's skinned window: the sound card label and its device
// menu, "about soundcard", the sound, file and broadcast switches, the file
// output and broadcast dialogs, the broadcast's state, the visual's display with its mode button and label. It runs on
// the thread that calls createUserInterface.
class BroletWindow : public zkr::PluginWindow {
public:
    static constexpr char kClassName[] = "Brolet";
    static constexpr char kTitle[] = "Velmora Brolet Blaster";

    // Control ids.
    static constexpr int kAboutId = 1;
    static constexpr int kDeviceId = 2;
    static constexpr int kModeId = 3;
    static constexpr int kModeLabelId = 4;
    static constexpr int kSoundId = 5;
    static constexpr int kFileId = 6;
    static constexpr int kFolderId = 7;
    static constexpr int kHelpId = 8;
    static constexpr int kCloseId = 9;
    static constexpr int kBroadcastId = 10;
    static constexpr int kServerId = 11;

    // What a control sends the window when clicked (wparam: its id), and what
    // other threads post to it: lock the switches (wparam 1) or free them
    // (0).
    static constexpr uint32_t kControlMessage = 0x8200;
    static constexpr uint32_t kLockMessage = 0x8202;
    // Posted by the streaming calls: tell the user what went wrong with the recording.
    static constexpr uint32_t kRecordingProblemMessage = 0x8204;
    // Posted by startStreaming: tell the user why the sound card would not open.
    static constexpr uint32_t kSoundCardProblemMessage = 0x8206;
    // Posted when a run's sound stopped: show its underruns as they ended.
    static constexpr uint32_t kUnderrunsMessage = 0x8208;
    // While streaming the window looks at the underruns and the broadcast this often.
    static constexpr uint32_t kUnderrunsPollMs = 500;

    // Keys of the plug-in's settings section.
    static constexpr char kPositionKey[] = "WindowPos";
    static constexpr char kModeKey[] = "VizMode";
    static constexpr char kSoundKey[] = "bSoundOutput";
    static constexpr char kFileKey[] = "bFileOutput";
    static constexpr char kFolderKey[] = "OutPath";
    static constexpr char kTemplateKey[] = "OutFilename";
    static constexpr char kBroadcastKey[] = "bBroadcastOutput";
    static constexpr int kDefaultMode = VisualsHost::kModeWaveform;

    explicit BroletWindow(OutputModel& output);
    ~BroletWindow() override;

    // createUserInterface: makes the window on the calling thread (caption,
    // cursor 101, icon 104, shaped by mask 105); false when it cannot be made.
    bool open(int showCommand);
    // destroyUserInterface is closeByEngine: the close saves the settings.

    // Engine's main thread, from startStreaming and stopStreaming: disables
    // (locked) or enables the three switches. Posted to the window's thread.
    void lockSwitches(bool locked);
    // Any thread: the window's thread shows the plug-in's recordingProblemText.
    void tellRecordingProblem();
    // Any thread: the window's thread shows the plug-in's soundCardProblemText;
    // false when there is no window to show it.
    bool tellSoundCardProblem();
    // Any thread: the window's thread shows the plug-in's playbackUnderruns.
    void showUnderruns();

    // ---- window handlers ----
    bool createStageOne() override;
    int finishCreate() override;
    void beforeDestroy() override;
    bool onClose() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;
    void onDoubleClick(intptr_t point, uintptr_t keys) override;
    void onTimer(uintptr_t timerId, intptr_t callback) override;
    void afterPaint(plat::ui::Painter* dc) override;

private:
    template <typename Button> Button* addButton(int id, unsigned bitmap, int x, int y, const char* tooltip);
    void restoreSettings();
    void saveSettings();
    void requestUnload();
    void onControl(int id);
    void chooseDevice();
    void selectDevice(int index);
    void aboutDevice();
    void switchSound();
    void switchFile();
    void configureFileOutput();
    void switchBroadcast();
    // False when the user cancelled.
    bool configureBroadcast();
    void showSwitches();
    void refreshBroadcast();
    // Shows why the sound card would not open and what to do.
    void tellSoundCardProblemNow();
    void refreshUnderruns();
    int notice(unsigned text, uint32_t style);

    OutputModel& output_;
    zkr::SkinImages images_{zkr::ownModule()};
    // The window's thread from here on.
    zkr::NameField* deviceLabel_ = nullptr;
    zkr::NameField* modeLabel_ = nullptr;
    zkr::ToggleButton* soundSwitch_ = nullptr;
    zkr::ToggleButton* fileSwitch_ = nullptr;
    zkr::ToggleButton* broadcastSwitch_ = nullptr;
    StatusLabel* underrunsLabel_ = nullptr;
    StatusLabel* broadcastLabel_ = nullptr;
    std::string shownBroadcast_;
    uint64_t shownUnderruns_ = 0;
    int selectedDevice_ = -1; // the wave mapper
};

} // namespace brolet
