#pragma once

#include <cstdint>
#include <mutex>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "zkr/WaveFormat.h"

namespace tindle {

// The title the plug-in presents (information record, window caption, error context).
inline constexpr char kPluginTitle[] = "Velmora Fennet";
inline constexpr char kSettingsSection[] = "Velmora Fennet";
inline constexpr char kHelpPage[] = "fennet.html";

// What the channels, the pre-recorder and the window know of the plug-in
// object: the engine's callbacks and handle and its audio record. The plug-in
// object is one; they are given it as this, so none of them depends on the
// plug-in's header.
//
// The callbacks and the handle are set by the engine before it streams or
// opens the window. The audio record is guarded by setupLock: the engine's
// main thread writes it, the streaming and the window's thread read it.
class EngineLink {
public:
    // A copy of the engine's audio record (block size, disk buffer size).
    engine::AudioSystemSetup audioRecord() const
    {
        plat::ScopedLock lock(setupLock);
        return audioSetup_;
    }
    // How far a waveform display's play cursor moves per delivered block:
    // (block size / 2) x 1000 / 44100 milliseconds, truncating at each division.
    int32_t cursorAdvanceMs() const { return engine::blockMilliseconds(audioRecord().musicBufSize); }

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    engine::PluginHandle pluginHandle = 0;
    // Every channel delivers 44100 Hz 16-bit mono.
    const zkr::WaveFormat engineFormat = zkr::pcmFormat(engine::kSampleRate, 1, 16);

protected:
    void keepAudioRecord(const engine::AudioSystemSetup& setup)
    {
        plat::ScopedLock lock(setupLock);
        audioSetup_ = setup;
    }

private:
    mutable plat::AnnotatedMutex setupLock;
    // The engine's defaults until its first set-up.
    engine::AudioSystemSetup audioSetup_ GUARDED_BY(setupLock){engine::kAudioFormatCode, 4096, 12, 65536, 1, 0};
};

} // namespace tindle
