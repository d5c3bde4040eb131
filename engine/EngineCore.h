#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/ChannelSlot.h"
#include "engine/EffectPlugin.h"
#include "engine/InputPlugin.h"
#include "engine/OutputPlugin.h"
#include "engine/PluginApi.h"
#include "engine/StereoMixer.h"
#include "engine/UserInterfacePlugin.h"
#include "zkr/Application.h"
#include "zkr/ThreadObject.h"

namespace engine {

// The engine's central object and its application object. This part holds
// the audio core: the channel table, the mixer, the streaming thread and the
// crossfade. Unless noted, operations run on the main thread.
//
// The engine program fills three seams: postEvent (the event mailbox) and the
// crossfade timer. A class that overrides any seam, or updateChannelValue /
// updateGeneralValue / showError, calls endStreamingThread in its own
// destructor, since the streaming thread calls them.
class EngineCore : public zkr::Application {
public:
    static constexpr char kCoreContext[] = "Velmora Core";
    // How long a stop waits for the streaming thread to leave a plug-in call.
    static constexpr uint32_t kThreadEndWaitMs = 1000;
    // The value an effect's parameter gets when it is put into a channel slot.
    static constexpr int32_t kInitialEffectParameter = 50;

    EngineCore();
    ~EngineCore() override;

    // The event callback's body: any thread.
    virtual int32_t postEvent(EngineEvent* event) = 0;

    // Reports to the user interface plug-in, when one is loaded. Main and
    // streaming threads.
    virtual void updateChannelValue(int32_t channel, int32_t code, intptr_t value);
    virtual void updateGeneralValue(int32_t index, int32_t code, intptr_t value);

    // Stores the record, sets the mixer up anew (every mixer parameter back to
    // its default) and hands the record to input slot 0, input slot 1 and the
    // output. 0; the mixer's error; the first failing input's error (the rest
    // is skipped); a failing output is recorded (30) but does not fail. 16
    // while a streaming thread exists, whose mixer this would pull away.
    int applyAudioSetup(const AudioSystemSetup& setup);

    // Events 6 and 7; streams count from 1, second 0 for a mono stream. The
    // plug-in is named by its handle and must sit in an input slot.
    int attachStreams(PluginHandle plugin, int first, int second);
    void detachStreams(PluginHandle plugin, int first, int second);

    int setChannelEffect(int channel, int slot, EffectPlugin* effect);
    void clearChannelEffect(int channel, int slot);
    // Main thread, or the streaming thread when a channel's stream ends.
    void resetChannelEffects(int channel);

    // Events 2 and -2. See the stop rule at streamingLoop.
    int startStreaming();
    void stopStreaming();
    bool isStreaming() const { return streaming.load(std::memory_order_acquire); }
    // True while the thread of a run exists and has not ended, including a
    // stopped run whose thread has not yet left a plug-in call. Plug-ins the
    // thread may call must not be unloaded meanwhile.
    bool streamThreadRunning();

    // Event 13, first half: on the posting thread, under the mailbox lock.
    // Refuses a null block and a block while a crossfade runs; otherwise
    // copies the block.
    bool acceptCrossfade(const CrossfadeBlock* block);
    // Event 13, second half, carried out on the main thread.
    void startCrossfade();
    // The crossfade timer's tick.
    void crossfadeTick();
    bool crossfadeRunning() const { return crossfadeTimer() != 0; }

    // The streaming thread's body.
    void streamingLoop();

    // Loaded plug-ins per slot (filled by the loading code).
    std::unique_ptr<UserInterfacePlugin> userInterface;
    std::unique_ptr<InputPlugin> inputs[kInputSlots];
    std::unique_ptr<OutputPlugin> output;
    std::unique_ptr<EffectPlugin> effects[kEffectSlots];

    AudioSystemSetup audioSetup{kAudioFormatCode, 4096, 12, 65536, 1, 0};
    int32_t channelCount = kChannelCount;
    ChannelSlot channels[kChannelCount];
    StereoMixer mixer;

    // Written on the main thread; read by the user interface's thread for
    // its menus.
    std::atomic<bool> streaming{false};
    // The thread of the current or last run until it has ended; main thread.
    std::unique_ptr<zkr::ThreadObject> streamThread;
    // The accepted block of event 13 with the channels it resolved to. The
    // timer field is read by posting threads under the mailbox lock while the
    // main thread changes it, so it is accessed atomically; the other fields
    // are written only while no crossfade runs.
    CrossfadeBlock crossfade{};

protected:
    // The crossfade timer: a periodic timer on the main thread that calls
    // crossfadeTick; a non-zero identifier, or 0 when none could be made.
    virtual intptr_t startCrossfadeTimer(int32_t intervalMs) = 0;
    virtual void stopCrossfadeTimer(intptr_t timer) = 0;

    // Asks a running streaming thread to stop and waits for it to end.
    void endStreamingThread();

private:
    static uint32_t streamingThreadRoutine(void* engine);

    InputPlugin* inputByHandle(PluginHandle plugin) const;
    int channelFedBy(PluginHandle plugin, intptr_t stream) const;
    // Starts a channel just given a stream of input at pan and unity volume,
    // named after the input and the stream, and shows all three.
    void presentNewChannel(int channel, int32_t pan, const InputPlugin* input, int stream);
    void setChannelVolume(int channel, int32_t volume);
    // Waits up to timeoutMs for the last run's thread; forgets it once ended.
    bool finishStreamThread(uint32_t timeoutMs);
    void reinstallEffectHooks();

    intptr_t crossfadeTimer() const;
    void setCrossfadeTimer(intptr_t timer);

    // Set by stopStreaming, cleared before a thread starts; read by the
    // streaming thread between plug-in calls.
    std::atomic<bool> stopRequested{false};
    // The output of the current run, fixed before its thread starts.
    OutputPlugin* streamOutput = nullptr;
};

} // namespace engine
