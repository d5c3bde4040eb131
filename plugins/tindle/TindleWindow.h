#pragma once

#include <atomic>
#include <memory>

#include "plugins/tindle/ChannelSet.h"
#include "plugins/tindle/PreRecorder.h"
#include "zkr/SkinImages.h"
#include "zkr/UserInterface.h"

namespace tindle {

class TindlePlugin;

// The player's skinned main window: four channel strips (open, close,
// play/stop, pause, title, waveform display with its play cursor, loop and
// synchronise toggles, properties), the pre-recorder button, help and close.
// It shows the channels (ChannelView) and runs on the thread that calls
// createUserInterface.
class TindleWindow : public zkr::UserInterface, public ChannelView {
public:
    explicit TindleWindow(TindlePlugin& plugin);
    ~TindleWindow() override;

    // createUserInterface: makes the window on the calling thread (caption
    // "Velmora Fennet", cursor 101, icon 109, shaped by mask 112) and the
    // hidden pre-recorder; false when it cannot be made.
    bool open(int showCommand);
    // destroyUserInterface: sets destroying and closes the window (which
    // saves "MainWndPos" and closes the pre-recorder). Any thread; returns
    // once the window is gone.
    void closeByEngine();
    // onPluginSwitch.
    void showByEngine(bool show);

    // ---- ChannelView ----
    void refreshStrip(int channel) override;
    void advanceCursor(int channel, bool restarted) override;
    int buildPicture(zkr::MultimediaFile& file, const std::string& path, WaveformImage& image) override;
    void showPicture(int channel, const WaveformImage& image, uint32_t durationMs) override;

    std::atomic<bool> destroying{false};
    PreRecorder preRecorder;

private:
    TindlePlugin& plugin_;
    zkr::SkinImages images_{zkr::ownModule()};
};

} // namespace tindle
