#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/core/ThreadSafety.h"
#include "platform/ui/Surface.h"
#include "plugins/tindle/ChannelSet.h"
#include "plugins/tindle/Layout.h"
#include "plugins/tindle/PreRecorder.h"
#include "plugins/tindle/EngineLink.h"
#include "zkr/FileDialog.h"
#include "zkr/PluginWindow.h"
#include "zkr/SkinImages.h"

namespace zkr {
class BitmapButton;
class ToggleButton;
} // namespace zkr

namespace zkr {
class NameField;
}

namespace tindle {

class WaveformDisplay;

// The player's skinned main window: four channel strips (open, close,
// play/stop, pause, title, waveform display with its play cursor, loop and
// synchronise toggles, properties), the pre-recorder button, help and close.
// It shows the channels (ChannelView) and runs on the thread that calls
// createUserInterface.
class TindleWindow : public zkr::PluginWindow, public ChannelView {
public:
    static constexpr char kClassName[] = "Fennet";
    static constexpr const char* kTitle = kPluginTitle;

    // Control ids: the first of each strip's four (channel n adds n).
    static constexpr int kOpenId = 1;
    static constexpr int kCloseFileId = 5;
    static constexpr int kPlayId = 9;
    static constexpr int kPauseId = 13;
    static constexpr int kDisplayId = 17;
    static constexpr int kTitleId = 21;
    static constexpr int kSyncId = 25;
    static constexpr int kLoopId = 29;
    static constexpr int kPropertiesId = 37;
    static constexpr int kPreRecorderId = 41;
    static constexpr int kHelpId = 42;
    static constexpr int kCloseId = 43;

    // What a control sends the window when clicked (wparam: its id), and what
    // other threads post to it: refresh strip wparam, move the cursor of
    // channel wparam.
    static constexpr uint32_t kControlMessage = 0x8200;
    static constexpr uint32_t kRefreshMessage = 0x8201;
    static constexpr uint32_t kCursorMessage = 0x8202;

    static constexpr char kPositionKey[] = "MainWndPos";

    TindleWindow(EngineLink& engineLink, ChannelSet& channels);
    ~TindleWindow() override;

    // createUserInterface: makes the window on the calling thread (caption
    // "Velmora Fennet", cursor 101, icon 109, shaped by mask 112) and the
    // hidden pre-recorder; false when it cannot be made.
    bool open(int showCommand);
    // destroyUserInterface is closeByEngine: the close saves "MainWndPos"
    // and closes the pre-recorder.

    // ---- ChannelView ----
    void refreshStrip(int channel) override;
    void advanceCursor(int channel, bool restarted) override;
    int buildPicture(zkr::MultimediaFile& file, const std::string& path, WaveformImage& image) override;
    void showPicture(int channel, const WaveformImage& image, uint32_t durationMs) override;

    PreRecorder preRecorder;

    // ---- window handlers ----
    bool createStageOne() override;
    int finishCreate() override;
    void beforeDestroy() override;
    bool onClose() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;
    void onDoubleClick(intptr_t point, uintptr_t keys) override;

protected:
    // Files dropped anywhere on a strip open into its channel.
    bool dispatchDrop(int x, int y, const std::vector<std::string>& files) override;

private:
    // The controls of one channel strip (the window's thread).
    struct Strip {
        zkr::BitmapButton* open = nullptr;
        zkr::BitmapButton* close = nullptr;
        zkr::ToggleButton* play = nullptr;
        zkr::ToggleButton* pause = nullptr;
        zkr::ToggleButton* sync = nullptr;
        zkr::ToggleButton* loop = nullptr;
        zkr::BitmapButton* properties = nullptr;
        zkr::NameField* title = nullptr;
        WaveformDisplay* display = nullptr;
    };
    // Cursor moves handed over by the streaming thread, taken by the window's.
    struct CursorMoves {
        bool posted = false;
        bool restarted = false;
        uint32_t blocks = 0;
    };
    struct PendingCursor {
        plat::AnnotatedMutex lock;
        CursorMoves moves GUARDED_BY(lock);
        // Blocks that leave the cursor in its column wake no one: the
        // streaming thread posts once this many have come (the window's
        // thread sets it after each move, 1 when it cannot tell).
        uint32_t blocksBeforePost = 1;
    };

    template <typename Button>
    Button* addButton(int id, unsigned bitmap, const Box& place, const char* tooltip);
    void addStrip(int channel);
    void requestUnload();
    void onControl(int id);
    void chooseFile(int channel);
    void showProperties(int channel);
    void showStrip(int channel);
    void moveCursor(int channel);

    EngineLink& engineLink_;
    ChannelSet& channels_;
    zkr::SkinImages images_{zkr::ownModule()};
    zkr::FileDialog fileDialog_;
    std::array<std::atomic<bool>, kChannelCount> refreshPosted_{};
    std::array<PendingCursor, kChannelCount> pendingCursors_;
    // The window's thread from here on.
    std::array<Strip, kChannelCount> strips_{};
};

} // namespace tindle
