#pragma once

#include <atomic>
#include <cstdint>

#include "engine/PluginApi.h"
#include "plugins/brolet/VisualsHost.h"
#include "zkr/SkinImages.h"
#include "zkr/UserInterface.h"

namespace brolet {

class BroletOutput;

// The output plug-in's skinned window: the sound card label and its device
// menu, "about soundcard", the sound and file switches, the file output
// dialog, the visual's display with its mode button and label. It runs on
// the thread that calls createUserInterface.
class BroletWindow : public zkr::UserInterface {
public:
    explicit BroletWindow(BroletOutput& output);
    ~BroletWindow() override;

    // createUserInterface: makes the window on the calling thread (caption,
    // cursor 101, icon 104, shaped by mask 105); false when it cannot be made.
    bool open(int showCommand);
    // destroyUserInterface: sets destroying and closes the window, which
    // saves the settings. Any thread; returns once the window is gone.
    void closeByEngine();
    // onPluginSwitch.
    void showByEngine(bool show);

    // Engine's main thread, from startStreaming and stopStreaming: disables
    // (locked) or enables the two switches. Posted to the window's thread.
    void lockSwitches(bool locked);

    // Written on the window's thread only while not streaming; read by the
    // streaming calls.
    std::atomic<bool> soundOutput{true};
    std::atomic<bool> fileOutput{false};
    // Set by setEventCallback and friends before the window exists.
    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    engine::PluginHandle pluginHandle = 0;
    // Set by destroyUserInterface: closing then saves the settings instead of
    // asking the engine to unload the plug-in.
    std::atomic<bool> destroying{false};

    VisualsHost visuals;

private:
    BroletOutput& output_;
    zkr::SkinImages images_{zkr::ownModule()};
};

} // namespace brolet
