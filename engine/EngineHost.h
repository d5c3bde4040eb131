#pragma once

#include <cstdint>

#include "api/PluginApi.h"

namespace engine {

// The context the engine's own errors are shown with.
inline constexpr char kCoreContext[] = "Velmora Core";

// What the engine's parts (audio core, plug-in slots, shell) call back into
// the engine for. The engine implements it and hands it to each part it
// makes, so that no part needs to know the engine or the others.
class EngineHost {
public:
    // The event mailbox (see EngineCore::postEvent): any thread.
    virtual int32_t postEvent(EngineEvent* event) = 0;
    virtual int32_t postDetachedEvent(EngineEvent* event) = 0;
    // Reports to the user interface plug-in: main and streaming threads.
    virtual void updateChannelValue(int32_t channel, int32_t code, intptr_t value) = 0;
    virtual void updateGeneralValue(int32_t index, int32_t code, intptr_t value) = 0;
    virtual void showError(int code, const char* text) = 0;

    // Keep the main thread from carrying out events and crossfade ticks while
    // another thread changes what they use; recursive.
    virtual void holdMainThread() = 0;
    virtual void releaseMainThread() = 0;
    // False only on a thread other than a running main loop's, for the debug
    // checks of what must run there.
    virtual bool mayActAsMainThread() const = 0;

    // A periodic timer on the main thread that ticks the crossfade; a non-zero
    // identifier, or 0 when none could be made.
    virtual intptr_t startCrossfadeTimer(int32_t intervalMs) = 0;
    virtual void stopCrossfadeTimer(intptr_t timer) = 0;

    // Sets the mixer and the loaded plug-ins up anew (EngineCore::applyAudioSetup).
    virtual int applyAudioSetup(const AudioSystemSetup& setup) = 0;

protected:
    ~EngineHost() = default;
};

// Holds the main thread for a scope: channel changes made on the user
// interface's thread (menus, loads, unloads) use it.
class MainThreadHold {
public:
    explicit MainThreadHold(EngineHost& host) : host_(host) { host_.holdMainThread(); }
    ~MainThreadHold() { host_.releaseMainThread(); }
    MainThreadHold(const MainThreadHold&) = delete;
    MainThreadHold& operator=(const MainThreadHold&) = delete;

private:
    EngineHost& host_;
};

} // namespace engine
