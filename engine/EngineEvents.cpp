#include <algorithm>
#include <cassert>
#include <climits>
#include <cstring>
#include <optional>

#include "engine/EngineCore.h"

namespace engine {

namespace {

// Event fields come from plug-ins: a number beyond the 32-bit range is
// brought into it before it is narrowed.
int32_t narrow(intptr_t value)
{
    return static_cast<int32_t>(std::clamp<intptr_t>(value, INT32_MIN, INT32_MAX));
}

int32_t clampValue(intptr_t value, int32_t low, int32_t high)
{
    return static_cast<int32_t>(std::clamp<intptr_t>(value, low, high));
}

constexpr int32_t kMaxPan = 100;
// A title longer than any tag or file name is cut here.
constexpr size_t kMaxTitleBytes = 1024;

} // namespace

void EngineCore::keepNowPlaying(const EngineEvent& event)
{
    if (event.code != toWire(Event::NowPlaying))
        return;
    const auto* title = reinterpret_cast<const char*>(event.value);
    const std::string text = title != nullptr ? std::string(title, strnlen(title, kMaxTitleBytes)) : std::string();
    plat::ScopedLock lock(nowPlayingLock_);
    nowPlaying_ = text;
}

EngineEvent* EngineCore::withTitleKept(EngineEvent* event, EngineEvent& spare)
{
    if (event->code != toWire(Event::NowPlaying))
        return event;
    keepNowPlaying(*event);
    spare = *event;
    spare.value = 0;
    return &spare;
}

int32_t EngineCore::carryOutEvent(const EngineEvent& event, bool& quit)
{
    assert(mayActAsMainThread());
    quit = false;
    const int channelCount = audio_.channelCount();
    const intptr_t target = event.target;
    // Channel numbers come from plug-ins: one outside the table is ignored.
    const bool channelOk = target >= 0 && target < channelCount && target < kChannelCount;
    const auto channel = static_cast<int>(channelOk ? target : 0);

    if (event.code == kEventRetireParked) {
        slots_.retireParked();
        return 1;
    }
    // A code that names no event is accepted and does nothing.
    const std::optional<Event> code = fromWire<Event>(event.code);
    if (!code)
        return 1;
    switch (*code) {
    case Event::UnloadPlugin:
        slots_.unloadByEvent(event.target, event.index);
        return 1;
    case Event::StopStreaming:
        audio_.stopStreaming();
        return 1;
    case Event::Quit:
        // A stopped run whose thread is still inside a plug-in call counts as
        // streaming: the engine must not end under it.
        if (audio_.isStreaming() || audio_.streamThreadRunning())
            return 0;
        slots_.closeWindowsForQuit();
        quit = true;
        return 1;
    case Event::StartStreaming:
        return startStreaming();
    case Event::MasterVolume:
        audio_.setMasterVolume(clampValue(event.value, 0, StereoMixer::kMaxVolume));
        return 1;
    case Event::ChannelVolume: {
        if (!channelOk)
            return 1;
        const int32_t volume = clampValue(event.value, 0, StereoMixer::kMaxVolume);
        audio_.setVolume(channel, volume);
        if (event.index != 0 && event.partner >= 0 && event.partner < channelCount &&
            event.partner < kChannelCount)
            audio_.setVolume(static_cast<int>(event.partner), volume);
        return 1;
    }
    case Event::ChannelPan:
        if (channelOk)
            audio_.setPan(channel, clampValue(event.value, 0, kMaxPan));
        return 1;
    case Event::AttachStreams:
        return attachStreams(event.value, narrow(event.target), narrow(event.index));
    case Event::DetachStreams:
        audio_.detachStreams(event.value, narrow(event.target), narrow(event.index));
        return 1;
    case Event::Mute:
        if (channelOk)
            audio_.setMuted(channel, event.value != 0);
        return 1;
    case Event::Solo:
        // Solo off mixes every channel again, whichever channel it names.
        if (channelOk || event.value == 0)
            audio_.setSolo(channel, event.value != 0);
        return 1;
    case Event::EffectsFirst:
        if (channelOk)
            audio_.setEffectsFirst(channel, event.value != 0);
        return 1;
    case Event::ShowWindow:
        slots_.switchPluginWindow(event.target, event.index, event.value != 0);
        return 1;
    case Event::EffectParameter:
        if (channelOk)
            audio_.changeEffectParameter(channel, event.index, narrow(event.value));
        return 1;
    case Event::Crossfade:
        // postEvent accepted and copied the block; a refused one never gets here.
        audio_.startCrossfade();
        return 1;
    case Event::NowPlaying: {
        // Posted events come with the title kept and no pointer; one carried out at once still has it.
        if (event.value != 0)
            keepNowPlaying(event);
        std::string title;
        {
            plat::ScopedLock lock(nowPlayingLock_);
            title = nowPlaying_;
        }
        if (OutputPlugin* output = slots_.output())
            output->setNowPlaying(title.c_str());
        return 1;
    }
    }
    return 1;
}

} // namespace engine
