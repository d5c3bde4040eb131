#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "api/PluginApi.h"
#include "engine/ChannelSlot.h"
#include "engine/EffectPlugin.h"
#include "engine/EngineHost.h"
#include "engine/InputPlugin.h"
#include "engine/MeterReporter.h"
#include "engine/OutputPlugin.h"
#include "engine/StereoMixer.h"
#include "engine/StreamingCall.h"
#include "platform/core/Realtime.h"
#include "zkr/ThreadObject.h"

namespace engine {

struct EngineTestSeam;

// The engine's audio core: the channel table, the mixer, the streaming
// thread and the crossfade. It knows plug-ins only as the engine hands them
// in; which plug-ins sit in which slot is PluginSlots' business. Unless
// noted, operations run on the main thread (or with it held).
//
// The streaming thread calls the host (updateChannelValue,
// updateGeneralValue, showError, postEvent), and once its cycle is real-time
// its meter reporter's thread makes the first two calls: whoever overrides
// those ends the thread (endStreamingThread) in its own destructor.
class AudioCore {
public:
    // How long a stop waits for the streaming thread to leave a plug-in call.
    static constexpr uint32_t kThreadEndWaitMs = 1000;
    // The value an effect's parameter gets when it is put into a channel slot.
    static constexpr int32_t kInitialEffectParameter = 50;
    // Stream time after which a real-time streaming thread checks that a
    // sound card paces it (later when the output's buffers hold more).
    static constexpr int32_t kPacingCheckMs = 10000;

    explicit AudioCore(EngineHost& host);
    ~AudioCore();
    AudioCore(const AudioCore&) = delete;
    AudioCore& operator=(const AudioCore&) = delete;

    // ---- Set-up ------------------------------------------------------------
    // Written only while the main thread is held (applySetup); read by the
    // main thread and by loads on the user interface's thread.
    const AudioSystemSetup& setup() const { return audioSetup; }
    int channelCount() const { return channelCount_; }
    // Stores the record and sets the mixer up anew (every mixer parameter
    // back to its default), with the main thread held; the channels keep
    // their effects. 0; the mixer's error; NotNow while a streaming thread
    // exists, whose mixer this would pull away.
    int applySetup(const AudioSystemSetup& setup);

    // ---- Channel table -----------------------------------------------------
    // The attach and detach events; streams count from 1, second 0 for a mono stream. A
    // detach returns once the streaming thread has left the input's current
    // call (or after kThreadEndWaitMs, when the call stalls).
    int attachStreams(InputPlugin* input, int first, int second);
    void detachStreams(PluginHandle plugin, int first, int second);
    // True when a channel takes its stream from input: any thread.
    bool feedsChannel(const Plugin* input) const;
    // Frees every channel that input feeds; holds the main thread.
    void freeChannelsOf(const Plugin* input);

    int setChannelEffect(int channel, int slot, EffectPlugin* effect);
    void clearChannelEffect(int channel, int slot);
    // Takes effect out of every channel slot it sits in.
    void clearEffectEverywhere(const EffectPlugin* effect);
    // Main thread, or the streaming thread when a channel's stream ends.
    void resetChannelEffects(int channel);
    // The effect in a channel's slot, or null; any thread.
    EffectPlugin* channelEffect(int channel, int slot) const;
    // The effect parameter event: the effect in the channel's slot gets value.
    void changeEffectParameter(int channel, intptr_t slot, int32_t value);

    // ---- Mixer parameters (the events that set them) -----------------------
    void setMasterVolume(int32_t volume);
    void setVolume(int channel, int32_t volume);
    void setPan(int channel, int32_t pan);
    void setMuted(int channel, bool muted);
    void setSolo(int channel, bool on);
    void setEffectsFirst(int channel, bool effectsFirst);
    // The mixer settings' flag, kept across set-ups.
    bool processesEmptyAsFull() const;
    void setProcessEmptyAsFull(bool on);

    // ---- Streaming ---------------------------------------------------------
    // The start and stop streaming events. See the stop rule at stopStreaming.
    int startStreaming(OutputPlugin* output);
    void stopStreaming();
    // Written on the main thread; read by the user interface's thread for
    // its menus.
    bool isStreaming() const { return streaming.load(std::memory_order_acquire); }
    // True while the thread of a run exists and has not ended, including a
    // stopped run whose thread has not yet left a plug-in call. Plug-ins the
    // thread may call must not be unloaded meanwhile.
    bool streamThreadRunning();
    // The same, published by the thread itself: any thread.
    bool streamThreadAlive() const { return threadAlive.load(std::memory_order_seq_cst); }
    // Asks a running streaming thread to stop and waits for it to end.
    void endStreamingThread();
    // Whether plugin must stay in its slot now: while the streaming thread
    // is inside a call of it, and while a streaming thread exists, the output
    // and an input that feeds a channel. Any thread.
    bool mustStay(const Plugin& plugin) const;
    // After a plug-in was taken off the channels: waits until the streaming
    // thread is out of any call of it that began before; false when it
    // stays inside (a stalled call).
    bool streamingThreadLeft(const Plugin& plugin) const;

    // ---- Crossfade ---------------------------------------------------------
    // The crossfade event, first half: on the posting thread, under the mailbox lock.
    // Refuses a null block and a block while a crossfade runs; otherwise
    // copies the block.
    bool acceptCrossfade(const CrossfadeBlock* block);
    // The crossfade event, second half, carried out on the main thread.
    void startCrossfade();
    // The crossfade timer's tick.
    void crossfadeTick();
    bool crossfadeRunning() const { return crossfadeTimer() != 0; }

private:
    friend struct EngineTestSeam;

    static uint32_t streamingThreadRoutine(void* core);
    // The streaming thread's body.
    void streamingLoop();
    bool validChannel(int channel) const { return channel >= 0 && channel < channelCount_; }

    int channelFedBy(PluginHandle plugin, intptr_t stream) const;
    // Starts a channel just given a stream of input at pan and unity volume,
    // named after the input and the stream, and shows all three.
    void presentNewChannel(int channel, int32_t pan, const InputPlugin* input, int stream);
    void setChannelVolume(int channel, int32_t volume);
    // Streaming thread: the input feeding channel, with the call of it entered
    // (leave it after the call), or null.
    InputPlugin* enterInputCall(ChannelSlot& channel);
    // Waits up to timeoutMs for the last run's thread; forgets it once ended.
    bool finishStreamThread(uint32_t timeoutMs);
    void reinstallEffectHooks();
    // Main thread, at a start: the streaming thread at real-time priority
    // where the system allows it, and the mixer's blocks kept resident.
    void prepareRealtimeRun(uint32_t threadId);

    intptr_t crossfadeTimer() const;
    void setCrossfadeTimer(intptr_t timer);

    EngineHost& host;

    AudioSystemSetup audioSetup{kAudioFormatCode, 4096, 12, 65536, 1, 0};
    int32_t channelCount_ = kChannelCount;
    ChannelSlot channels[kChannelCount];
    StereoMixer mixer;
    // The mixer's blocks kept in RAM from the first start after a set-up
    // until the next set-up frees them; main thread.
    std::vector<plat::LockedMemory> lockedMixerMemory;
    // Whether the run's thread got real-time priority; written before the
    // thread starts, read by it.
    bool realtimeRun = false;

    std::atomic<bool> streaming{false};
    // The thread of the current or last run until it has ended; main thread.
    std::unique_ptr<zkr::ThreadObject> streamThread;
    // Set by stopStreaming, cleared before a thread starts; read by the
    // streaming thread between plug-in calls.
    std::atomic<bool> stopRequested{false};
    // Set before a streaming thread starts; cleared by the thread after its
    // last call of an input, output or effect.
    std::atomic<bool> threadAlive{false};
    // What the streaming thread is calling; see StreamingCall.
    StreamingCall streamCalls;
    // The meters of a run, through the reporter once its cycle is real-time; the streaming thread's.
    MeterReporter meters{host};
    // The output of the current run, fixed before its thread starts. It
    // cannot leave its slot while the run lasts (mustStay).
    OutputPlugin* streamOutput = nullptr;

    // The accepted crossfade block with the channels it resolved to. The
    // timer field is read by posting threads under the mailbox lock while the
    // main thread changes it, so it is accessed atomically; the other fields
    // are written only while no crossfade runs.
    CrossfadeBlock crossfade{};
};

} // namespace engine
