#pragma once

#include <cstdint>
#include <memory>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "plugins/tindle/ChannelSet.h"
#include "zkr/Application.h"
#include "zkr/WaveFormat.h"

namespace tindle {

class TindleWindow;

// The title the plug-in presents (information record, window caption, error context).
inline constexpr char kPluginTitle[] = "Velmora Fennet";
inline constexpr char kSettingsSection[] = "Velmora Fennet";
inline constexpr char kHelpPage[] = "fennet.html";

// The plug-in object: one per loaded library, made when it is loaded
// (startUp) and gone when it is unloaded (shutDown). It holds the engine's
// callbacks and handle, the audio record, the engine format, the four
// channels and the main window (which owns the pre-recorder).
//
// Threads: the engine's calls come from its main thread (set-up, window) and
// its streaming thread (readStreamChannel, onStreamingError); the window and
// its commands run on the thread that called createUserInterface. The audio
// record is guarded by setupLock (read by the window's thread through
// audioRecord()); the channels guard themselves.
class TindlePlugin : public zkr::Application {
public:
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

    // A copy of the engine's audio record (block size, disk buffer size).
    engine::AudioSystemSetup audioRecord() const;
    // How far a waveform display's play cursor moves per delivered block:
    // (block size / 2) x 1000 / 44100 milliseconds, truncating at each division.
    int32_t cursorAdvanceMs() const;

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    engine::PluginHandle pluginHandle = 0;
    // Every channel delivers 44100 Hz 16-bit mono.
    const zkr::WaveFormat engineFormat = zkr::pcmFormat(44100, 1, 16);
    ChannelSet channels{*this};
    std::unique_ptr<TindleWindow> window;

private:
    mutable plat::AnnotatedMutex setupLock;
    // The engine's defaults until its first set-up.
    engine::AudioSystemSetup audioSetup_ GUARDED_BY(setupLock){engine::kAudioFormatCode, 4096, 12, 65536, 1, 0};
};

// Made when the library is loaded, gone when it is unloaded; null outside.
void startPlugin();
void stopPlugin();
TindlePlugin* plugin();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace tindle
