#pragma once

#include <cstdint>
#include <memory>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "plugins/tindle/ChannelSet.h"
#include "plugins/tindle/EngineLink.h"
#include "zkr/Application.h"

namespace tindle {

class TindleWindow;

// The plug-in object: one per loaded library, made when it is loaded
// (startUp) and gone when it is unloaded (shutDown). It holds the engine's
// callbacks and handle, the audio record, the engine format, the four
// channels and the main window (which owns the pre-recorder). The channels
// and the window see it as their EngineLink; the window views the channels.
//
// Threads: the engine's calls come from its main thread (set-up, window) and
// its streaming thread (readStreamChannel, onStreamingError); the window and
// its commands run on the thread that called createUserInterface. The
// channels guard themselves.
class TindlePlugin : public zkr::Application, public EngineLink {
public:
    static constexpr int32_t kStreamCount = kChannelCount;

    TindlePlugin();
    ~TindlePlugin() override;

    // Library load: channels and their locks, shared services, settings file.
    void startUp();
    // Library unload: closes the window if open, lets everything go.
    void shutDown();

    // ---- the engine's calls ----
    bool setupAudioSystem(const engine::AudioSystemSetup* setup);
    bool readStreamChannel(int32_t channel, const int16_t** block, int32_t* bytes);
    void onStreamingError();
    bool createUserInterface(engine::InstanceHandle instance, int32_t showCommand);
    void destroyUserInterface();
    void onPluginSwitch(bool show);
    static void fillPluginInfo(engine::PluginInfo* info);

    ChannelSet channels{*this};
    std::unique_ptr<TindleWindow> window;
};

// Made when the library is loaded, gone when it is unloaded; null outside.
void startPlugin();
void stopPlugin();
TindlePlugin* plugin();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace tindle
