#include "engine/AudioCore.h"

#include <algorithm>
#include <cassert>
#include <atomic>
#include <cstdio>
#include <optional>

#include "api/Protocol.h"
#include "platform/core/Handle.h"
#include "platform/core/Realtime.h"
#include "platform/core/Time.h"
#include "api/Protocol.h"

namespace engine {

namespace {

constexpr char kOutputPacingWait[] = "the output's wait for a free block of the sound card";
constexpr int32_t kStereoLeftPan = 0;
constexpr int32_t kStereoRightPan = 100;

intptr_t pointerValue(const void* pointer)
{
    return reinterpret_cast<intptr_t>(pointer);
}

// Once a program run, at the first start: which priority the audio threads
// got. The sound device's thread asks the same way, so the streaming
// thread's answer stands for both.
void announceScheduling(const plat::SchedulingGrant& grant)
{
    static std::atomic<bool> announced{false};
    if (announced.exchange(true))
        return;
    if (grant.kind == plat::SchedulingKind::Normal)
        std::fprintf(stderr,
                     "Audio threads run at normal priority: %s; see the user guide's real-time section.\n",
                     grant.reason.c_str());
    else
        std::fprintf(stderr, "Audio threads run at real-time priority %d (SCHED_FIFO%s).\n", grant.priority,
                     grant.kind == plat::SchedulingKind::RealtimeThroughRtkit ? ", through RealtimeKit" : "");
    std::fflush(stderr);
}

} // namespace

AudioCore::AudioCore(EngineHost& engineHost) : host(engineHost) {}

AudioCore::~AudioCore()
{
    // The owner ends the thread while the host it calls still exists.
    assert(streamThread == nullptr);
}

// ---------------------------------------------------------------------------
// Set-up

int AudioCore::applySetup(const AudioSystemSetup& setup)
{
    MainThreadHold hold(host);
    if (isStreaming() || streamThreadRunning())
        return toWire(Error::NotNow);
    audioSetup = setup;
    lockedMixerMemory.clear(); // the blocks go now
    const int error = mixer.setup(channelCount_, setup.musicBufSize);
    if (error != toWire(Error::Ok))
        return error;
    // The channels keep their effects, so the new mixer runs them too.
    reinstallEffectHooks();
    return toWire(Error::Ok);
}

void AudioCore::reinstallEffectHooks()
{
    for (int c = 0; c < channelCount_; ++c) {
        for (int s = 0; s < kChannelEffectSlots; ++s) {
            EffectPlugin* effect = channels[c].fx[s].load(std::memory_order_relaxed);
            if (effect != nullptr)
                mixer.setEffectHook(c, s, effect->processFunction());
        }
    }
}

// ---------------------------------------------------------------------------
// Channel table

int AudioCore::attachStreams(InputPlugin* input, int first, int second)
{
    assert(host.mayActAsMainThread());
    // Only streams that exist may feed a channel.
    if (input == nullptr || first < 1 || second < 0)
        return 0;
    const bool stereo = second != 0;

    int found = -1;
    for (int c = 0; c < channelCount_; ++c) {
        if (channels[c].input.load(std::memory_order_relaxed) != nullptr)
            continue;
        if (!stereo) {
            found = c;
            break;
        }
        if (c + 1 > channelCount_ - 1)
            return 0;
        if (channels[c + 1].input.load(std::memory_order_relaxed) == nullptr) {
            found = c;
            break;
        }
    }
    if (found < 0)
        return 0;

    const int c = found;
    channels[c].stream.store(first - 1, std::memory_order_relaxed);
    channels[c].input.store(input, std::memory_order_release);
    if (stereo) {
        channels[c + 1].stream.store(second - 1, std::memory_order_relaxed);
        channels[c + 1].input.store(input, std::memory_order_release);
    }

    presentNewChannel(c, stereo ? kStereoLeftPan : StereoMixer::kCentrePan, input, first);
    resetChannelEffects(c);

    if (stereo) {
        const int d = c + 1;
        presentNewChannel(d, kStereoRightPan, input, second);
        host.updateChannelValue(c, toWire(Value::Linked), d);
        channels[c].partner.store(d, std::memory_order_relaxed);
        channels[d].partner.store(c, std::memory_order_relaxed);
        resetChannelEffects(d);
    }
    return 1;
}

void AudioCore::presentNewChannel(int channel, int32_t pan, const InputPlugin* input, int stream)
{
    host.updateChannelValue(channel, toWire(Value::Pan), pan);
    mixer.setPan(channel, pan);
    host.updateChannelValue(channel, toWire(Value::Volume), StereoMixer::kUnityVolume);
    mixer.setVolume(channel, StereoMixer::kUnityVolume);
    std::snprintf(channels[channel].name, sizeof channels[channel].name, "%s[%i]", input->info.shortName,
                  stream);
    host.updateChannelValue(channel, toWire(Value::ChannelName), pointerValue(channels[channel].name));
}

void AudioCore::detachStreams(PluginHandle plugin, int first, int second)
{
    int formerPartner[kChannelCount];
    std::fill(std::begin(formerPartner), std::end(formerPartner), -1);
    const InputPlugin* detached = nullptr;
    for (int c = 0; c < channelCount_; ++c) {
        ChannelSlot& channel = channels[c];
        const InputPlugin* input = channel.input.load(std::memory_order_relaxed);
        const int32_t stream = channel.stream.load(std::memory_order_relaxed);
        if (input == nullptr || pointerValue(input) != plugin ||
            (stream != first - 1 && stream != second - 1))
            continue;
        formerPartner[c] = channel.partner.load(std::memory_order_relaxed);
        detached = input;
        // Paired with the streaming thread's second look (enterInputCall).
        channel.input.store(nullptr, std::memory_order_seq_cst);
        channel.stream.store(0, std::memory_order_relaxed);
        channel.partner.store(-1, std::memory_order_relaxed);
        host.updateChannelValue(c, toWire(Value::ChannelName), 0);
        host.updateChannelValue(c, toWire(Value::Unlinked), 0);
    }
    // A pair split by detaching one half: the remaining half is no longer
    // linked either, or a later crossfade on it would move the volume of
    // whatever channel comes to take the other half's place.
    for (int c = 0; c < channelCount_; ++c) {
        const int p = formerPartner[c];
        if (p < 0 || p >= channelCount_ || channels[p].input.load(std::memory_order_relaxed) == nullptr)
            continue;
        if (channels[p].partner.load(std::memory_order_relaxed) != c)
            continue;
        channels[p].partner.store(-1, std::memory_order_relaxed);
        host.updateChannelValue(p, toWire(Value::Unlinked), 0);
    }
    // The input may go once this returns, so the thread must be out of the
    // block it was reading. A call that stalls past the wait keeps the input
    // in place instead: mustStay refuses its unload while the thread is in it.
    if (detached != nullptr)
        static_cast<void>(streamCalls.waitUntilOut(detached, kThreadEndWaitMs));
}

// ---------------------------------------------------------------------------
// Channel effects

int AudioCore::setChannelEffect(int channel, int slot, EffectPlugin* effect)
{
    if (channel < 0 || channel >= channelCount_ || slot < 0 || slot >= kChannelEffectSlots ||
        effect == nullptr) {
        mixer.setError(toWire(Error::IndexOutOfRange));
        return mixer.lastError;
    }
    channels[channel].fx[slot].store(effect, std::memory_order_release);
    EffectSlotValue enabled{slot, effect->hasFlag(kFlagNoChannelParameter) ? 0 : 1};
    host.updateChannelValue(channel, toWire(Value::EffectEnabled), pointerValue(&enabled));
    effect->onFXParamChange(channel, kInitialEffectParameter);
    effect->resetFXChannel(channel);
    return mixer.setEffectHook(channel, slot, effect->processFunction());
}

void AudioCore::clearChannelEffect(int channel, int slot)
{
    if (channel < 0 || channel >= channelCount_ || slot < 0 || slot >= kChannelEffectSlots) {
        mixer.setError(toWire(Error::IndexOutOfRange));
        return;
    }
    // Paired with the streaming thread's look at the slots in resetChannelEffects.
    channels[channel].fx[slot].store(nullptr, std::memory_order_seq_cst);
    mixer.setEffectHook(channel, slot, nullptr);
    EffectSlotValue name{slot, 0};
    host.updateChannelValue(channel, toWire(Value::EffectName), pointerValue(&name));
    EffectSlotValue enabled{slot, 1};
    host.updateChannelValue(channel, toWire(Value::EffectEnabled), pointerValue(&enabled));
}

void AudioCore::resetChannelEffects(int channel)
{
    if (channel < 0 || channel >= channelCount_)
        return;
    for (auto& slot : channels[channel].fx) {
        EffectPlugin* effect = slot.load(std::memory_order_seq_cst);
        if (effect != nullptr)
            effect->resetFXChannel(channel);
    }
}

// ---------------------------------------------------------------------------
// Streaming

uint32_t AudioCore::streamingThreadRoutine(void* core)
{
    static_cast<AudioCore*>(core)->streamingLoop();
    return 0;
}

InputPlugin* AudioCore::enterInputCall(ChannelSlot& channel)
{
    InputPlugin* input = channel.input.load(std::memory_order_acquire);
    if (input == nullptr)
        return nullptr;
    streamCalls.enter(input);
    // A detach between the two looks did not see this call: it is not made.
    if (channel.input.load(std::memory_order_seq_cst) != input) {
        streamCalls.leave();
        return nullptr;
    }
    return input;
}

bool AudioCore::streamThreadRunning()
{
    return streamThread != nullptr && !streamThread->wait(0);
}

bool AudioCore::finishStreamThread(uint32_t timeoutMs)
{
    if (streamThread == nullptr)
        return true;
    if (!streamThread->wait(timeoutMs))
        return false;
    streamThread.reset();
    return true;
}

int AudioCore::startStreaming(OutputPlugin* out)
{
    assert(host.mayActAsMainThread());
    if (out == nullptr)
        return 0;
    if (isStreaming())
        return 1;
    // Without a mixer there is no block to stream.
    if (!mixer.ready)
        return 0;
    // One streaming thread at a time: a stopped run's thread that is still
    // inside a plug-in call keeps the next run from starting.
    if (!finishStreamThread(kThreadEndWaitMs))
        return 0;
    if (out->startStreaming() != 1)
        return 0;

    stopRequested.store(false, std::memory_order_relaxed);
    streamOutput = out;
    threadAlive.store(true, std::memory_order_seq_cst);
    auto thread = std::make_unique<zkr::ThreadObject>();
    if (!thread->create(&AudioCore::streamingThreadRoutine, this)) {
        threadAlive.store(false, std::memory_order_seq_cst);
        out->stopStreaming();
        return 0;
    }
    // A priority the system refuses leaves the thread at its default one.
    static_cast<void>(thread->setPriority(audioSetup.streamPriority));
    prepareRealtimeRun(thread->threadId);
    streamThread = std::move(thread);
    // A thread just made suspended resumes; only its handle could make it fail.
    [[maybe_unused]] const bool resumed = streamThread->resume();
    assert(resumed);
    streaming.store(true, std::memory_order_release);
    host.updateGeneralValue(0, toWire(Value::Streaming), 1);
    return 1;
}

// Asked here for the suspended thread rather than by the thread itself, so
// that the streaming thread never waits for the system bus nor writes to
// standard error. After setPriority, which would put it back to normal.
void AudioCore::prepareRealtimeRun(uint32_t threadId)
{
    const plat::SchedulingGrant grant = plat::requestRealtimeScheduling(plat::ThreadRole::Streaming, threadId);
    realtimeRun = grant.kind != plat::SchedulingKind::Normal;
    announceScheduling(grant);
    if (!lockedMixerMemory.empty())
        return;
    const size_t channelBytes = (static_cast<size_t>(mixer.blockBytes) + 1) / 2 * sizeof(int16_t);
    const size_t sideBytes = (static_cast<size_t>(mixer.samplesPerBlock) + 1) * sizeof(int16_t);
    lockedMixerMemory.reserve(static_cast<size_t>(mixer.channelCount) + 3);
    for (int c = 0; c < mixer.channelCount; ++c)
        lockedMixerMemory.emplace_back(mixer.channels[c].samples.get(), channelBytes);
    lockedMixerMemory.emplace_back(mixer.mixBlock.get(), static_cast<size_t>(mixer.mixBytes));
    lockedMixerMemory.emplace_back(mixer.mixLeft.get(), sideBytes);
    lockedMixerMemory.emplace_back(mixer.mixRight.get(), sideBytes);
}

// A stop (Event::StopStreaming) while the streaming thread waits inside an input or
// output call: the thread is asked to stop, the output is stopped (which
// frees an output call waiting for room), the run is over for everyone at
// once, and the main thread waits up to kThreadEndWaitMs for the thread.
// When the pending call returns, the thread makes no further input or output
// call: no block is queued, no waitForOutputDone, and a block refused because
// the output was stopped is not reported as an output failure. It clears the
// levels and the time, and ends without posting its own stop. A thread still
// inside a call after the wait (an input that stalls) is kept: the next start
// waits for it again and is refused while it runs.
//
// The thread's own stop, after its inputs ended, finds the run active and
// winds it down; a stop while idle finds nothing to stop and only forgets an
// ended thread, so the output is never stopped twice.
void AudioCore::stopStreaming()
{
    assert(host.mayActAsMainThread());
    stopRequested.store(true, std::memory_order_relaxed);
    if (isStreaming()) {
        if (streamOutput != nullptr)
            streamOutput->stopStreaming();
        streaming.store(false, std::memory_order_release);
        host.updateGeneralValue(0, toWire(Value::Streaming), 0);
        finishStreamThread(kThreadEndWaitMs);
    } else {
        finishStreamThread(0);
    }
}

void AudioCore::endStreamingThread()
{
    if (streamThread == nullptr)
        return;
    stopRequested.store(true, std::memory_order_relaxed);
    if (isStreaming() && streamOutput != nullptr) {
        streamOutput->stopStreaming();
        streaming.store(false, std::memory_order_release);
    }
    (void)streamThread->wait(plat::kInfinite); // without a time-out it returns once the thread ended
    streamThread.reset();
}

void AudioCore::streamingLoop()
{
    OutputPlugin* out = streamOutput;
    const int32_t blockTime = blockMilliseconds(mixer.blockBytes);
    int32_t elapsed = 0;
    for (auto& channel : channels) {
        channel.lastLevel = 0;
        channel.lastRead = 0;
    }
    uint32_t lastLeft = 0;
    uint32_t lastRight = 0;
    bool lastClipped = false;
    const auto stopAsked = [this] { return stopRequested.load(std::memory_order_relaxed); };

    bool outputFailed = false;
    const uint64_t runStart = plat::tickCount64();
    bool pacingChecked = !realtimeRun;
    bool pacingLeft = false; // found ahead of real time: no sound card paces it
    // A sound card lets the run get ahead of it by its buffers at most.
    const int64_t pacingCheckMs =
        std::max<int64_t>(kPacingCheckMs, int64_t{4} * blockTime * std::max(audioSetup.numOutBufs, 1));
    // Once a sound card paces the run (the output made the thread wait for
    // it), the cycle must not block: debug builds check it. Before that (its
    // buffers filling) and in a run nothing paces (a render to a file),
    // inputs may wait for their data rather than play silence.
    std::optional<plat::RealtimeSection> realtimeSection;
    const uint64_t pacedWaitMs = static_cast<uint64_t>(std::max(blockTime / 2, 1));
    while (!stopAsked()) {
        bool allEnded = true;
        bool allEmpty = true;
        for (int c = 0; c < channelCount_ && !stopAsked(); ++c) {
            ChannelSlot& channel = channels[c];
            InputPlugin* input = enterInputCall(channel);
            if (input == nullptr)
                continue;
            const int32_t stream = channel.stream.load(std::memory_order_relaxed);
            const int16_t* data = nullptr;
            int32_t bytes = 0;
            const int32_t result = input->readStreamChannel(stream, &data, &bytes);
            // The block is the input's: it is copied before the call is over.
            if (result != 0)
                mixer.fill(c, data, bytes);
            streamCalls.leave();
            if (result != channel.lastRead) {
                if (result == 0) {
                    streamCalls.enter(StreamingCall::channelEffects());
                    resetChannelEffects(c);
                    streamCalls.leave();
                }
                channel.lastRead = result;
            }
            int level = 0;
            if (result != 0) {
                if (bytes > 0)
                    allEmpty = false;
                level = mixer.channelLevel(c);
                allEnded = false;
            }
            if (level != channel.lastLevel) {
                meters.reportLevel(c, level);
                channel.lastLevel = level;
            }
        }
        if (stopAsked())
            break;

        streamCalls.enter(StreamingCall::channelEffects());
        mixer.mix();
        streamCalls.leave();
        const uint32_t levels = mixer.masterLevels();
        const uint32_t left = levels & 0xFFFF;
        const uint32_t right = levels >> 16;
        if (left != lastLeft) {
            meters.reportLevel(kMasterLeft, static_cast<int32_t>(left));
            lastLeft = left;
        }
        if (right != lastRight) {
            meters.reportLevel(kMasterRight, static_cast<int32_t>(right));
            lastRight = right;
        }
        const bool clipped = mixer.isClipped();
        if (clipped != lastClipped) {
            meters.reportClipped(clipped);
            lastClipped = clipped;
        }

        bool offered = false;
        {
            // The one wait of the cycle: the output's wait for a free block
            // of the sound card is what paces the thread to it.
            const plat::AllowedWait pacing(kOutputPacingWait);
            const uint64_t offeredAt = plat::tickCount64();
            offered = out->offerStereoBuffer(allEmpty, mixer.mixBlock.get(), mixer.mixBytes) != 0;
            if (!realtimeSection && !pacingLeft && plat::tickCount64() - offeredAt >= pacedWaitMs) {
                int32_t channelLevels[kChannelCount] = {};
                for (int c = 0; c < channelCount_; ++c)
                    channelLevels[c] = channels[c].lastLevel;
                meters.start(channelCount_, channelLevels, static_cast<int32_t>(lastLeft),
                             static_cast<int32_t>(lastRight), lastClipped, elapsed);
                realtimeSection.emplace();
            }
        }
        if (!offered) {
            // A block refused because a stop closed the output is no failure.
            if (stopAsked())
                break;
            // The run ends here: reporting the failure may wait for the user.
            realtimeSection.reset();
            out->reportRefusedBlock();
            host.showError(toWire(Error::OutputNotReady), kCoreContext);
            for (auto& channel : channels) {
                if (InputPlugin* input = enterInputCall(channel)) {
                    input->onStreamingError();
                    streamCalls.leave();
                }
            }
            outputFailed = true;
        }
        elapsed += blockTime;
        meters.reportElapsed(elapsed);
        if (!pacingChecked && elapsed >= pacingCheckMs) {
            // Well ahead of real time: no sound card paces this run (a render
            // to a file), and a real-time thread that never waits would keep
            // a core from everything else.
            if (plat::tickCount64() - runStart < static_cast<uint64_t>(elapsed) / 2) {
                plat::leaveRealtimeScheduling();
                realtimeSection.reset();
                pacingLeft = true;
            }
            pacingChecked = true;
        }
        if (allEnded || outputFailed)
            break;
    }

    realtimeSection.reset();
    // The last meters reach the interface before the ones that clear them.
    meters.stop();
    const bool stopped = stopAsked();
    if (!stopped)
        out->waitForOutputDone();
    // From here on the thread calls only the user interface and the mailbox.
    threadAlive.store(false, std::memory_order_seq_cst);
    for (int c = 0; c < channelCount_; ++c)
        host.updateChannelValue(c, toWire(Value::Level), 0);
    host.updateChannelValue(kMasterLeft, toWire(Value::Clipped), 0);
    host.updateGeneralValue(0, toWire(Value::Elapsed), 0);
    if (!stopped) {
        EngineEvent stop{toWire(Event::StopStreaming), 0, 0, 0, 0, 0, 0};
        host.postEvent(&stop);
    }
}

// ---------------------------------------------------------------------------
// Crossfade

intptr_t AudioCore::crossfadeTimer() const
{
    return std::atomic_ref<intptr_t>(const_cast<intptr_t&>(crossfade.timer)).load(std::memory_order_acquire);
}

void AudioCore::setCrossfadeTimer(intptr_t timer)
{
    std::atomic_ref<intptr_t>(crossfade.timer).store(timer, std::memory_order_release);
}

bool AudioCore::acceptCrossfade(const CrossfadeBlock* block)
{
    if (block == nullptr || crossfadeRunning())
        return false;
    crossfade.byStream = block->byStream;
    crossfade.pluginHandle = block->pluginHandle;
    crossfade.fadeOut = block->fadeOut;
    crossfade.fadeIn = block->fadeIn;
    crossfade.intervalMs = block->intervalMs;
    crossfade.step = block->step;
    crossfade.targetVolume = block->targetVolume;
    return true;
}

int AudioCore::channelFedBy(PluginHandle plugin, intptr_t stream) const
{
    for (int c = 0; c < channelCount_; ++c) {
        const InputPlugin* input = channels[c].input.load(std::memory_order_relaxed);
        if (input != nullptr && pointerValue(input) == plugin &&
            channels[c].stream.load(std::memory_order_relaxed) == stream)
            return c;
    }
    return -1;
}

void AudioCore::startCrossfade()
{
    if (crossfadeRunning())
        return;
    intptr_t out = crossfade.fadeOut;
    intptr_t in = crossfade.fadeIn;
    if (crossfade.byStream != 0) {
        out = channelFedBy(crossfade.pluginHandle, out);
        in = channelFedBy(crossfade.pluginHandle, in);
    }
    // Channels come from a plug-in: anything outside the table, one channel
    // fading into itself, or a step that never arrives starts nothing.
    if (out < 0 || out >= channelCount_ || in < 0 || in >= channelCount_ || out == in || crossfade.step <= 0)
        return;
    if (channels[out].partner.load(std::memory_order_relaxed) == in)
        return;
    crossfade.fadeOut = out;
    crossfade.fadeIn = in;
    // A target the volume cannot reach would keep the timer running for ever.
    crossfade.targetVolume = std::clamp<intptr_t>(crossfade.targetVolume, 0, StereoMixer::kMaxVolume);
    const intptr_t timer =
        host.startCrossfadeTimer(static_cast<int32_t>(std::max<intptr_t>(crossfade.intervalMs, 1)));
    setCrossfadeTimer(timer);
}

void AudioCore::setChannelVolume(int channel, int32_t volume)
{
    mixer.setVolume(channel, volume);
    host.updateChannelValue(channel, toWire(Value::Volume), volume);
    const int32_t partner = channels[channel].partner.load(std::memory_order_relaxed);
    if (partner >= 0 && partner < channelCount_) {
        mixer.setVolume(partner, volume);
        host.updateChannelValue(partner, toWire(Value::Volume), volume);
    }
}

void AudioCore::crossfadeTick()
{
    const intptr_t timer = crossfadeTimer();
    if (timer == 0)
        return;
    const int out = static_cast<int>(crossfade.fadeOut);
    const int in = static_cast<int>(crossfade.fadeIn);
    const auto step = static_cast<int32_t>(crossfade.step);
    const auto target = static_cast<int32_t>(crossfade.targetVolume);

    int32_t outVolume = mixer.getVolume(out) - step;
    int32_t inVolume = mixer.getVolume(in) + step;
    const bool outDone = outVolume <= 0;
    if (outDone)
        outVolume = 0;
    const bool inDone = inVolume >= target;
    if (inDone)
        inVolume = target;
    setChannelVolume(out, outVolume);
    setChannelVolume(in, inVolume);
    if (outDone && inDone) {
        host.stopCrossfadeTimer(timer);
        setCrossfadeTimer(0);
    }
}

// ---------------------------------------------------------------------------
// What the slots and the events ask of the channels and the mixer

bool AudioCore::feedsChannel(const Plugin* input) const
{
    if (input == nullptr)
        return false;
    for (int c = 0; c < channelCount_; ++c) {
        if (channels[c].input.load(std::memory_order_acquire) == input)
            return true;
    }
    return false;
}

void AudioCore::freeChannelsOf(const Plugin* input)
{
    MainThreadHold hold(host);
    for (int c = 0; c < channelCount_; ++c) {
        if (channels[c].input.load(std::memory_order_acquire) != input)
            continue;
        // Frees every channel fed by that stream, the pair's other half too.
        detachStreams(input->handle(), channels[c].stream.load(std::memory_order_relaxed) + 1, 0);
    }
}

void AudioCore::clearEffectEverywhere(const EffectPlugin* effect)
{
    for (int c = 0; c < channelCount_; ++c) {
        for (int s = 0; s < kChannelEffectSlots; ++s) {
            if (channels[c].fx[s].load(std::memory_order_acquire) == effect)
                clearChannelEffect(c, s);
        }
    }
}

EffectPlugin* AudioCore::channelEffect(int channel, int slot) const
{
    if (!validChannel(channel) || slot < 0 || slot >= kChannelEffectSlots)
        return nullptr;
    return channels[channel].fx[slot].load(std::memory_order_acquire);
}

void AudioCore::changeEffectParameter(int channel, intptr_t slot, int32_t value)
{
    if (slot < 0 || slot >= kChannelEffectSlots)
        return;
    if (EffectPlugin* effect = channelEffect(channel, static_cast<int>(slot)))
        effect->onFXParamChange(channel, value);
}

void AudioCore::setMasterVolume(int32_t volume)
{
    mixer.setMasterVolume(volume);
}

void AudioCore::setVolume(int channel, int32_t volume)
{
    mixer.setVolume(channel, volume);
}

void AudioCore::setPan(int channel, int32_t pan)
{
    mixer.setPan(channel, pan);
}

void AudioCore::setMuted(int channel, bool muted)
{
    mixer.setEnabled(channel, !muted);
}

void AudioCore::setSolo(int channel, bool on)
{
    mixer.setSolo(channel, on);
}

void AudioCore::setEffectsFirst(int channel, bool effectsFirst)
{
    mixer.setEffectsFirst(channel, effectsFirst);
}

bool AudioCore::processesEmptyAsFull() const
{
    return mixer.processEmptyAsFull.load(std::memory_order_relaxed) != 0;
}

void AudioCore::setProcessEmptyAsFull(bool on)
{
    mixer.processEmptyAsFull.store(on ? 1 : 0, std::memory_order_relaxed);
}

bool AudioCore::mustStay(const Plugin& plugin) const
{
    if (streamCalls.inside(&plugin))
        return true;
    // The streaming thread reads from the inputs that feed channels and
    // writes to the output, also after a stop it has not yet noticed (a
    // stalled call outlasts the stop's wait).
    if (!isStreaming() && !streamThreadAlive())
        return false;
    if (plugin.expectedKind == toWire(PluginKind::Output))
        return true;
    return plugin.expectedKind == toWire(PluginKind::Input) && feedsChannel(&plugin);
}

bool AudioCore::streamingThreadLeft(const Plugin& plugin) const
{
    // Effects are called through the mixer's hooks, under one name for all.
    const void* callee = plugin.expectedKind == toWire(PluginKind::Effect)
                             ? StreamingCall::channelEffects()
                             : static_cast<const void*>(&plugin);
    return streamCalls.waitUntilOut(callee, kThreadEndWaitMs);
}

} // namespace engine
