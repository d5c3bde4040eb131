#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/core/ThreadSafety.h"
#include "platform/ui/Window.h"
#include "zkr/InputDevice.h"
#include "zkr/MultimediaFile.h"
#include "zkr/SkinImages.h"
#include "zkr/UserInterface.h"
#include "zkr/WaveformPicture.h"

namespace zkr {
class BitmapButton;
class LampControl;
} // namespace zkr

namespace zkr {
class NameField;
}

namespace tindle {

class EngineLink;

// The pre-recorder: a small skinned window owned by the player's main window
// that records from a sound card's input into a new wave file and, when the
// recording stops, tells the main window (kLoadRecordingMessage) to load it
// into the first free channel(s). It runs on the main window's thread; the
// input device hands recorded blocks to it on the device's own thread.
class PreRecorder : public zkr::UserInterface {
public:
    // What the main window gets when a recording has stopped.
    static constexpr uint32_t kLoadRecordingMessage = 32769;

    static constexpr char kClassName[] = "TindlePreRecorder";
    static constexpr char kCaption[] = "pre-recorder";
    // Control ids; start, stop and browse are the window's commands.
    static constexpr int kScopeId = 1;
    static constexpr int kStartId = 2;
    static constexpr int kStopId = 3;
    static constexpr int kIndicatorId = 4;
    static constexpr int kBrowseId = 5;
    static constexpr int kFileLabelId = 6;
    // What a control sends the window when clicked (wparam: its id), and what
    // the device's thread posts when the scope has new samples.
    static constexpr uint32_t kControlMessage = 0x8200;
    static constexpr uint32_t kScopeMessage = 0x8201;

    static constexpr int kBlockCount = 5;
    static constexpr uint32_t kAllDoneWaitMs = 2000;
    static constexpr uint32_t kSampleRate = 44100;
    static constexpr uint16_t kBitsPerSample = 16;
    static constexpr char kNameTemplate[] = "Qom%i.wav";
    static constexpr char kNoFileName[] = "none";

    explicit PreRecorder(EngineLink& engineLink);
    ~PreRecorder() override;

    // Made hidden, owned by mainWindow, on the calling thread; false when it cannot be made.
    bool open(plat::ui::WindowHandle mainWindow);
    // The main window's command 41: shows it beside the main window (with a
    // new proposed name unless it records), or hides it.
    void toggle();
    // The main window is going: closing is allowed and the window closes (a
    // recording still running is finished but not handed over).
    void closeForGood();

    // ---- the window's commands (its thread) ----
    // 0, or the error of the step that failed (already reported); the window stays idle then.
    int startRecording();
    // 0, or PlainMessage when the device would not stop (the recording goes on).
    int stopRecording();
    // The save dialog "Save wave as"; true when a file was chosen.
    bool browse();
    // The "Configure Pre-Recorder" dialog (not while recording).
    void configure();
    // Selects the input device (-1: the wave mapper) and the channel count (1
    // or 2) for the next recording, and gives the scope the new format.
    void applyInput(int device, int channels);

    bool recording() const { return recordingFile_ != nullptr; }
    // The file the next recording goes to.
    const std::string& outputFile() const { return outputFile_; }
    void setOutputFile(const std::string& path, bool proposed);
    // Data bytes of the recording that reached the file so far.
    uint32_t bytesRecorded() const { return bytesRecorded_.load(); }
    // Writes of the recording that failed (the recording goes on without them).
    uint32_t failedWrites() const { return failedWrites_.load(); }
    const zkr::WaveformPicture& scope() const { return scope_; }

    // The user's recordings folder (plat::recordingsFolder); set at construction.
    std::string recordingsFolder;
    zkr::InputDevice inputDevice;

    // Draws the numbers of proposed names; seeded at random.
    std::minstd_rand nameNumbers;

    // The last finished recording, read by the main window on kLoadRecordingMessage.
    std::string lastRecording;
    int lastRecordingChannels = 1;

    // ---- window handlers ----
    bool createStageOne() override;
    int finishCreate() override;
    void beforeDestroy() override;
    bool onClose() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;
    void onDoubleClick(intptr_t point, uintptr_t keys) override;
    void onControlContextMenu(zkr::Control* control, int x, int y) override;

private:
    // The device's thread: one recorded block.
    static void onRecordedBlock(void* context, const uint8_t* data, uint32_t bytes);
    zkr::BitmapButton* addButton(int id, unsigned bitmap, int x, int y, const char* tooltip);
    // A new "Qom%i.wav" in the recordings folder that names no file yet.
    void proposeName();
    void placeBesideMainWindow();
    // Stops the device and finishes the file; false when the device would not stop.
    bool finishRecording();
    // The recording goes to the main window; one it could not load and that
    // holds no samples is deleted.
    void handOver();
    void showRecordingState(bool on);
    // The window's thread: the scope takes the latest samples and is redrawn.
    void refreshScope();
    void clearScope();
    void repaintScope();

    EngineLink& engineLink_;
    zkr::SkinImages images_{zkr::ownModule()};
    plat::ui::WindowHandle mainWindow_ = nullptr;
    bool closingAllowed_ = false;
    std::string outputFile_;
    // True while outputFile_ is a proposed name, which must never replace a file.
    bool proposedName_ = false;

    std::unique_ptr<zkr::MultimediaFile> recordingFile_;
    std::string recordingPath_;
    // Data bytes the finished recording's header counts.
    uint32_t lastRecordingBytes_ = 0;
    std::atomic<uint32_t> bytesRecorded_{0};
    std::atomic<uint32_t> failedWrites_{0};

    // The scope is drawn on the window's thread from the last block the
    // device's thread left here; the lock is held only to copy the block.
    zkr::WaveformPicture scope_;
    plat::AnnotatedMutex scopeLock_;
    std::vector<uint8_t> scopeBlock_ GUARDED_BY(scopeLock_);
    uint32_t scopeBytes_ GUARDED_BY(scopeLock_) = 0;
    std::atomic<bool> scopeRefreshPosted_{false};
    // The window for the device's thread: set while the window exists.
    std::atomic<plat::ui::WindowHandle> handle_{nullptr};

    zkr::BitmapButton* startButton_ = nullptr;
    zkr::BitmapButton* stopButton_ = nullptr;
    zkr::BitmapButton* browseButton_ = nullptr;
    zkr::LampControl* indicator_ = nullptr;
    zkr::NameField* fileLabel_ = nullptr;
};

} // namespace tindle
