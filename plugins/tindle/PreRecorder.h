#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/Window.h"
#include "zkr/SkinImages.h"
#include "zkr/UserInterface.h"

namespace tindle {

class TindlePlugin;

// The pre-recorder: a small skinned window owned by the player's main window
// that records from a sound card's input into a new wave file and, when the
// recording stops, tells the main window (kLoadRecordingMessage) to load it
// into the first free channel(s). It runs on the main window's thread.
class PreRecorder : public zkr::UserInterface {
public:
    // What the main window gets when a recording has stopped.
    static constexpr uint32_t kLoadRecordingMessage = 32769;

    explicit PreRecorder(TindlePlugin& plugin);
    ~PreRecorder() override;

    // Made hidden, owned by mainWindow, on the calling thread; false when it cannot be made.
    bool open(plat::ui::WindowHandle mainWindow);
    // The main window's command 41: shows it (with a new proposed name) beside the main window, or hides it.
    void toggle();
    // The main window is going: closing is allowed and the window closes.
    void closeForGood();

    // The last finished recording, read by the main window on kLoadRecordingMessage.
    std::string lastRecording;
    int lastRecordingChannels = 1;

private:
    TindlePlugin& plugin_;
    zkr::SkinImages images_{zkr::ownModule()};
};

} // namespace tindle
