#pragma once

#include <cstdint>
#include <string>

#include "plugins/brolet/Broadcast.h"

namespace zkr {
template <class T> class List;
struct DeviceCapabilities;
}

namespace brolet {

class VisualsHost;

inline constexpr char kSettingsSection[] = "Velmora Brolet Blaster";
inline constexpr char kHelpPage[] = "brolet.html";

// Where the recordings go and how their files are named.
struct RecordingTarget {
    std::string folder;
    std::string fileTemplate;
};

// Where the engine's blocks go: the sound card, a recording, a streaming
// server, or any of them together. At least one is on.
struct OutputSwitches {
    bool sound = true;
    bool file = false;
    bool broadcast = false;
};

// What the window knows of the plug-in object, which owns it: the window is
// given it as this, so it does not depend on the plug-in's header. Every
// member is for the window's thread.
class OutputModel {
public:
    // What the user can do about a sound card that would not open.
    static constexpr char kSoundCardAdvice[] =
        "Choose another sound card in the output window, or play on \"Velmora Null Output\" "
        "(VELMORA_AUDIO=virtual).";

    // The sound cards to choose from (zkr::DeviceCapabilities).
    virtual zkr::List<zkr::DeviceCapabilities>& outputDevices() = 0;
    // Selects output device index (-1: the wave mapper); 0 or the device's error.
    virtual int selectOutputDevice(int index) = 0;
    virtual RecordingTarget recordingTarget() = 0;
    // Taken by the next start.
    virtual void setRecordingTarget(const RecordingTarget& target) = 0;
    // What the user is told when the run's recording could not be made or
    // went wrong ("" when it did not).
    virtual std::string recordingProblemText() = 0;
    // Why the sound card would not open at the last start ("" when it
    // opened); soundCardProblemTold once the window has told it, so that the
    // next failure is told again.
    virtual std::string soundCardProblemReason() = 0;
    virtual void soundCardProblemTold() = 0;
    // The sound card's underruns in the run going on, or in the last one
    // once it stopped (0 before any and for a run without sound).
    virtual uint64_t playbackUnderruns() = 0;
    // The user's close: asks the engine to unload the plug-in.
    virtual void requestUnload() = 0;
    // The output switches; changed only while not streaming (the window
    // disables them for a run), taken by the next start.
    virtual OutputSwitches outputSwitches() = 0;
    virtual void setOutputSwitches(OutputSwitches switches) = 0;
    // Where and how the mix goes on air; taken by the next start.
    virtual BroadcastSettings broadcastSettings() = 0;
    virtual void setBroadcastSettings(const BroadcastSettings& settings) = 0;
    // How the broadcast of the run going on stands (Off outside a run with it).
    virtual BroadcastStatus broadcastStatus() = 0;
    // The visual of the window's display: the window creates and destroys its
    // pictures with the window and runs its commands; the streaming thread
    // feeds it.
    virtual VisualsHost& visuals() = 0;

protected:
    OutputModel() = default;
    ~OutputModel() = default;
    OutputModel(const OutputModel&) = delete;
    OutputModel& operator=(const OutputModel&) = delete;
};

} // namespace brolet
