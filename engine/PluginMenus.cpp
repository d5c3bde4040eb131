// The pop-up menus through which the user interface chooses the plug-ins of
// the engine's slots and the effects of the channels. They run on the
// requesting thread, which owns the menu's windows.

#include <cstdio>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "engine/EngineResources.h"
#include "engine/PluginSlots.h"
#include "platform/ui/Menu.h"

namespace engine {

namespace {

using plat::ui::MenuHandle;

constexpr unsigned kNoneItem = 1;
constexpr char kNoneText[] = "none";

using plat::ui::PopupMenu;

// The chosen item's identifier at the request's place, 0 when dismissed.
unsigned track(PopupMenu& menu, const EngineRequest& request)
{
    return static_cast<unsigned>(menu.track(static_cast<int>(request.x), static_cast<int>(request.y),
                                            reinterpret_cast<plat::ui::WindowHandle>(request.owner)));
}

// What one menu item shows, read under the slots' lock.
struct ItemText {
    std::string text;
    bool enabled;
};

std::string joined(const char* left, const char* right)
{
    return std::string(left) + " - " + right;
}

// "none" and a separator for a filled slot, then the items; answers the
// identifier of the first item.
unsigned addChoices(PopupMenu& menu, bool filled, const std::vector<ItemText>& items)
{
    if (filled) {
        menu.add(kNoneItem, kNoneText);
        menu.addSeparator();
    }
    const unsigned first = filled ? kNoneItem + 1 : kNoneItem;
    for (std::size_t i = 0; i < items.size(); ++i)
        menu.add(first + static_cast<unsigned>(i), items[i].text.c_str(), items[i].enabled);
    return first;
}

} // namespace

int32_t PluginSlots::pluginMenu(EngineRequest& request, Request code)
{
    PluginList* list = nullptr;
    int slot = 0;
    switch (code) {
    case Request::InputMenu:
        list = &audioInputs;
        slot = static_cast<int>(request.slot);
        if (request.slot < 0 || request.slot >= kInputSlots)
            return 0;
        break;
    case Request::OutputMenu:
        list = &audioOutputs;
        break;
    case Request::EffectMenu:
        list = &realtimeEffects;
        slot = static_cast<int>(request.slot);
        if (request.slot < 0 || request.slot >= kEffectSlots)
            return 0;
        break;
    default:
        return 0;
    }

    bool filled = false;
    bool refused = false;
    std::vector<ItemText> items;
    {
        OwnedLock lock(slotsLock);
        const Plugin* current = nullptr;
        if (code == Request::InputMenu)
            current = inputs[slot].get();
        else if (code == Request::OutputMenu)
            current = output_.get();
        else
            current = effects[slot].get();
        filled = current != nullptr;
        // The streaming thread reads from the input and writes to the output.
        if (audio.isStreaming())
            refused =
                code == Request::OutputMenu || (code == Request::InputMenu && audio.feedsChannel(current));
        for (int i = 0; i < list->count && !refused; ++i) {
            const PluginEntry* entry = listEntry(*list, i);
            items.push_back({joined(entry->info.shortName, entry->info.media), entry->instance == nullptr});
        }
    }

    PopupMenu menu;
    if (refused) {
        menu.add(kNoneItem, engineString(kStringNotNow).c_str(), false);
        track(menu, request);
        return 0;
    }
    const unsigned first = addChoices(menu, filled, items);

    const unsigned chosen = track(menu, request);
    if (chosen == 0)
        return 0;
    if (filled && chosen == kNoneItem) {
        // Streaming may have started while the menu was open: a refused
        // unload is no change.
        const bool unloaded = code == Request::InputMenu    ? unloadInput(slot, true)
                              : code == Request::OutputMenu ? unloadOutput(true)
                                                            : unloadEffect(slot, true);
        if (!unloaded)
            return 0;
        request.data = 0;
        return 1;
    }

    const int index = static_cast<int>(chosen - first);
    const PluginEntry entry = lockedCopy(*list, index);
    if (entry.path[0] == '\0')
        return 0;
    const int error = code == Request::InputMenu    ? loadInput(slot, entry.path, index)
                      : code == Request::OutputMenu ? loadOutput(entry.path, index)
                                                    : loadEffect(slot, entry.path, index);
    if (error != toWire(Error::Ok))
        return 0;
    request.data = reinterpret_cast<intptr_t>(formatResult(entry.info));
    return 1;
}

int32_t PluginSlots::channelEffectMenu(EngineRequest& request)
{
    if (request.slot < 0 || request.slot >= audio.channelCount() || request.subSlot < 0 ||
        request.subSlot >= kChannelEffectSlots)
        return 0;
    const int channel = static_cast<int>(request.slot);
    const int channelSlot = static_cast<int>(request.subSlot);
    const EffectPlugin* inChannel[kChannelEffectSlots] = {};
    for (int s = 0; s < kChannelEffectSlots; ++s)
        inChannel[s] = audio.channelEffect(channel, s);
    const bool filled = inChannel[channelSlot] != nullptr;

    std::vector<ItemText> items;
    {
        OwnedLock lock(slotsLock);
        for (int k = 0; k < kEffectSlots; ++k) {
            const EffectPlugin* effect = effects[k].get();
            char text[kTextSize];
            if (effect == nullptr) {
                std::snprintf(text, sizeof text, "%i: %s", k + 1, engineString(kStringNoEffect).c_str());
                items.push_back({text, false});
                continue;
            }
            const bool used = effect == inChannel[0] || effect == inChannel[1];
            std::snprintf(text, sizeof text, "%i: %s%s", k + 1, effect->info.shortName, used ? "*" : "");
            items.push_back({text, !used});
        }
    }

    PopupMenu menu;
    const unsigned first = addChoices(menu, filled, items);

    const unsigned chosen = track(menu, request);
    if (chosen == 0)
        return 0;
    if (filled && chosen == kNoneItem) {
        request.data = 0;
        MainThreadHold hold(host);
        audio.clearChannelEffect(channel, channelSlot);
        return 1;
    }

    const int k = static_cast<int>(chosen - first);
    if (k < 0 || k >= kEffectSlots)
        return 0;
    PluginInfo info{};
    {
        // Held from the look-up on: an unload event cannot take the effect
        // away before it sits in the channel.
        MainThreadHold hold(host);
        EffectPlugin* effect = nullptr;
        {
            OwnedLock lock(slotsLock);
            effect = effects[k].get();
            if (effect != nullptr)
                info = effect->info;
        }
        if (effect == nullptr || audio.setChannelEffect(channel, channelSlot, effect) != toWire(Error::Ok))
            return 0;
    }
    request.data = reinterpret_cast<intptr_t>(formatResult(info));
    return 1;
}

} // namespace engine
