#include <algorithm>
#include <climits>

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

} // namespace

int32_t EngineCore::carryOutEvent(const EngineEvent& event, bool& quit)
{
    quit = false;
    const intptr_t target = event.target;
    // Channel numbers come from plug-ins: one outside the table is ignored.
    const bool channelOk = target >= 0 && target < channelCount && target < kChannelCount;
    const auto channel = static_cast<int>(channelOk ? target : 0);

    switch (event.code) {
    case kEventUnloadPlugin:
        unloadPluginSlot(event.target, event.index);
        return 1;
    case kEventStopStreaming:
        stopStreaming();
        return 1;
    case kEventQuit:
        // A stopped run whose thread is still inside a plug-in call counts as
        // streaming: the engine must not end under it.
        if (isStreaming() || streamThreadRunning())
            return 0;
        quit = true;
        return 1;
    case kEventStartStreaming:
        return startStreaming();
    case kEventMasterVolume:
        mixer.setMasterVolume(clampValue(event.value, 0, StereoMixer::kMaxVolume));
        return 1;
    case kEventChannelVolume: {
        if (!channelOk)
            return 1;
        const int32_t volume = clampValue(event.value, 0, StereoMixer::kMaxVolume);
        mixer.setVolume(channel, volume);
        if (event.index != 0 && event.partner >= 0 && event.partner < channelCount &&
            event.partner < kChannelCount)
            mixer.setVolume(static_cast<int>(event.partner), volume);
        return 1;
    }
    case kEventChannelPan:
        if (channelOk)
            mixer.setPan(channel, clampValue(event.value, 0, kMaxPan));
        return 1;
    case kEventAttachStreams:
        return attachStreams(event.value, narrow(event.target), narrow(event.index));
    case kEventDetachStreams:
        detachStreams(event.value, narrow(event.target), narrow(event.index));
        return 1;
    case kEventMute:
        if (channelOk)
            mixer.setEnabled(channel, event.value == 0);
        return 1;
    case kEventSolo:
        // Solo off mixes every channel again, whichever channel it names.
        if (channelOk || event.value == 0)
            mixer.setSolo(channel, event.value != 0);
        return 1;
    case kEventEffectsFirst:
        if (channelOk)
            mixer.setEffectsFirst(channel, event.value != 0);
        return 1;
    case kEventShowWindow:
        switchPluginWindow(event.target, event.index, event.value != 0);
        return 1;
    case kEventEffectParameter:
        if (channelOk)
            changeEffectParameter(channel, event.index, narrow(event.value));
        return 1;
    case kEventCrossfade:
        // postEvent accepted and copied the block; a refused one never gets here.
        startCrossfade();
        return 1;
    default:
        return 1;
    }
}

Plugin* EngineCore::pluginInSlot(intptr_t kind, intptr_t slot)
{
    std::lock_guard lock(slotsLock);
    switch (kind) {
    case kEventKindInput:
        return slot >= 0 && slot < kInputSlots ? inputs[slot].get() : nullptr;
    case kEventKindOutput:
        return output.get();
    case kEventKindEffect:
        return slot >= 0 && slot < kEffectSlots ? effects[slot].get() : nullptr;
    default:
        return nullptr;
    }
}

void EngineCore::unloadPluginSlot(intptr_t kind, intptr_t slot)
{
    int32_t code = 0;
    switch (kind) {
    case kEventKindInput:
        if (slot < 0 || slot >= kInputSlots)
            return;
        unloadInput(static_cast<int>(slot), true);
        code = kValueInputName;
        break;
    case kEventKindOutput:
        // There is one output: its slot number is not looked at.
        slot = 0;
        unloadOutput(true);
        code = kValueOutputName;
        break;
    case kEventKindEffect:
        if (slot < 0 || slot >= kEffectSlots)
            return;
        unloadEffect(static_cast<int>(slot), true);
        code = kValueEffectSlotName;
        break;
    default:
        return;
    }
    // An unload refused while streaming leaves the plug-in in place, and its
    // name shown.
    if (pluginInSlot(kind, slot) == nullptr)
        updateGeneralValue(static_cast<int32_t>(slot), code, 0);
}

void EngineCore::switchPluginWindow(intptr_t kind, intptr_t slot, bool show)
{
    // Read under slotsLock, called outside it (see there).
    Plugin* plugin = pluginInSlot(kind, slot);
    if (plugin != nullptr)
        plugin->onPluginSwitch(show);
}

void EngineCore::changeEffectParameter(int channel, intptr_t slot, int32_t value)
{
    if (slot < 0 || slot >= kChannelEffectSlots)
        return;
    EffectPlugin* effect = nullptr;
    {
        std::lock_guard lock(slotsLock);
        effect = channels[channel].fx[slot].load(std::memory_order_acquire);
    }
    if (effect != nullptr)
        effect->onFXParamChange(channel, value);
}

} // namespace engine
