#pragma once

#include <cstdint>
#include <string>

#include "api/PluginApi.h"
#include "engine/AudioCore.h"
#include "engine/EngineHost.h"
#include "engine/EngineShell.h"
#include "engine/PluginSlots.h"
#include "engine/SettingsSection.h"
#include "platform/core/ThreadSafety.h"
#include "zkr/Application.h"

namespace engine {

struct EngineTestSeam;

// The engine's central object and its application object. It owns the three
// parts (the audio core, the plug-in slots, the shell) and is the one place
// that ties them together: the event and request dispatch, start-up set-up
// and the settings written at exit. Unless noted, operations run on the main
// thread.
//
// The engine program fills the seams: postEvent (the event mailbox), the
// crossfade timer and the main thread's hold. A class that overrides any
// seam, or updateChannelValue / updateGeneralValue / showError, calls
// endStreamingThread in its own destructor, since the streaming thread calls
// them.
class EngineCore : public zkr::Application, protected EngineHost {
public:
    static constexpr const char* kSettingsSection = kEngineSection;

    EngineCore();
    ~EngineCore() override;

    // The engine the plug-ins' callbacks reach: the first EngineCore made and
    // not yet destroyed (set and cleared on the main thread while no plug-in
    // holds the callbacks).
    static EngineCore* current();
    // The callbacks handed to plug-ins; they forward to current() (0 without one).
    static int32_t eventCallback(EngineEvent* event);
    static int32_t internalCallback(EngineRequest* request, int32_t code);

    AudioCore& audio() { return audio_; }
    PluginSlots& slots() { return slots_; }
    EngineShell& shell() { return shell_; }

    const StartedProgram& program() const { return program_; }
    void setInstance(InstanceHandle instance) { program_.instance = instance; }
    void setFolder(std::string folder) { program_.folder = std::move(folder); }

    // ---- Events (EngineEvents.cpp) -----------------------------------------
    // Carries out one posted event on the main thread and returns what a
    // waiting poster gets; sets quit for an accepted quit event.
    int32_t carryOutEvent(const EngineEvent& event, bool& quit);
    // The attach streams and start streaming events, which need a plug-in of
    // the slots in the audio core.
    int attachStreams(PluginHandle plugin, int first, int second);
    int startStreaming();

    // ---- Requests (EngineRequests.cpp) -------------------------------------
    // The internal callback's body, on the caller's thread.
    int32_t handleRequest(EngineRequest* request, int32_t code);

    // ---- Settings (EngineSettings.cpp) -------------------------------------
    AudioSystemSetup readAudioSetup();
    // Hands the settings' display scale to the platform, before any window.
    void readDisplayScale();
    // At exit: the buffer keys, the plug-in keys, then the section to the file.
    void writeSettings();

    // Stores the record, sets the mixer up anew (every mixer parameter back to
    // its default) and hands the record to input slot 0, input slot 1 and the
    // output. Any thread: the mixer is rebuilt while the main thread is held. 0; the mixer's error; the first
    // failing input's error (the rest is skipped); a failing output is recorded (PluginInternal) but does not
    // fail. NotNow while a streaming thread exists, whose mixer this would pull away.
    int applyAudioSetup(const AudioSystemSetup& setup) override;

    // The event callback's body: any thread.
    int32_t postEvent(EngineEvent* event) override = 0;
    // Posts an event that must not hold up its poster, not even to answer
    // messages: one that unloads the plug-in whose code is posting it, which
    // may only happen once that code has returned. 1, or 0 when refused.
    int32_t postDetachedEvent(EngineEvent* event) override { return postEvent(event); }

    // Reports to the user interface plug-in, when one is loaded. Main and
    // streaming threads.
    void updateChannelValue(int32_t channel, int32_t code, intptr_t value) override;
    void updateGeneralValue(int32_t index, int32_t code, intptr_t value) override;
    void showError(int code, const char* text) override;

protected:
    // A now-playing event's title is copied as it is posted (any thread): the
    // poster's text need not outlive the call, however late the event runs.
    void keepNowPlaying(const EngineEvent& event);
    // The event to queue: a now-playing event's title kept and its pointer
    // dropped into spare (so no queued event can dangle), others as posted.
    EngineEvent* withTitleKept(EngineEvent* event, EngineEvent& spare);

    // Recursive; the base has no main loop and does nothing.
    void holdMainThread() override {}
    void releaseMainThread() override {}
    bool mayActAsMainThread() const override { return true; }

    // Asks a running streaming thread to stop and waits for it to end.
    void endStreamingThread() { audio_.endStreamingThread(); }
    void setCommandLine(const char* line, int32_t show)
    {
        program_.commandLine = line != nullptr ? line : "";
        program_.showCommand = show;
    }

private:
    friend struct EngineTestSeam;

    plat::AnnotatedMutex nowPlayingLock_;
    std::string nowPlaying_ GUARDED_BY(nowPlayingLock_);

    SettingsSection settings_{settings};
    StartedProgram program_;
    AudioCore audio_{*this};
    PluginSlots slots_{
        audio_, *this, settings_, program_, &EngineCore::eventCallback, &EngineCore::internalCallback};
    EngineShell shell_{audio_, slots_, *this, settings_, program_};
};

} // namespace engine
