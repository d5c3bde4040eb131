// Plug-in discovery, loading into and unloading from the engine's slots,
// restoring and saving the selection, command strings and unload requests.

#include "engine/PluginSlots.h"

#include <cassert>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <strings.h>

#include "api/Protocol.h"
#include "engine/EngineResources.h"
#include "platform/ui/MessageQueue.h"
#include "zkr/FileHelpers.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace engine {

namespace {

// One kind as discovery walks them.
struct KindScan {
    int32_t pluginKind;
    const char* extension;
    PluginList PluginSlots::*list;
    int missingError;
};

// How long the main thread pauses before it looks again at plug-ins that
// wait for their modal loops.
constexpr uint32_t kParkedPollMs = 20;

constexpr char kInputKeyFormat[] = "LastAudioInput%i";
constexpr char kOutputKey[] = "LastAudioOutput";
constexpr char kEffectKeyFormat[] = "LastRealtimeFX%i";

// The desk of a first start, when nothing was ever saved: something to play
// at once, from files and from a playlist, to the sound card, with the
// equaliser at hand. A later start restores what the user chose, none too.
constexpr const char* kFirstStartInputs[] = {"Tindle.vin", "PlevNT.vin"};
constexpr char kFirstStartOutput[] = "Brolet.vwo";
constexpr char kFirstStartEffect[] = "VelmoraEQ.vfx";

// The file name of the library a slot holds, for the settings; empty for none.
void slotFileName(PluginList& list, const Plugin* plugin, char (&out)[zkr::Registry::kValueSize])
{
    out[0] = '\0';
    if (plugin == nullptr)
        return;
    // The entry keeps the whole path; the resource name may be cut.
    const auto* entry = list.itemAt(plugin->listIndex);
    zkr::fileNameOf(entry != nullptr ? entry->path : plugin->resourceName.c_str(), out);
}

// The first entry whose file name equals name without regard to case, or -1.
int findByFileName(PluginList& list, const char* name)
{
    for (int i = 0; i < list.count; ++i) {
        const auto* entry = list.itemAt(i);
        char fileName[PluginEntry::kPathSize];
        zkr::fileNameOf(entry->path, fileName);
        if (strcasecmp(fileName, name) == 0)
            return i;
    }
    return -1;
}

} // namespace

PluginSlots::PluginSlots(AudioCore& audioCore, EngineHost& engineHost, SettingsSection& section,
                         const StartedProgram& started, EventCallback events, InternalCallback requests)
    : audio(audioCore), host(engineHost), settings(section), program(started), eventCallback(events),
      internalCallback(requests)
{
}

// ---------------------------------------------------------------------------
// Helpers

PluginEntry* PluginSlots::listEntry(PluginList& list, int index)
{
    return list.itemAt(index);
}

bool PluginSlots::entryTakenElsewhere(PluginList& list, int index, const Plugin* current)
{
    slotsLock.assertHeld();
    const PluginEntry* entry = listEntry(list, index);
    return entry != nullptr && entry->instance != nullptr && entry->instance != current;
}

PluginEntry PluginSlots::lockedCopy(PluginList& list, int index)
{
    OwnedLock lock(slotsLock);
    const PluginEntry* entry = listEntry(list, index);
    return entry != nullptr ? *entry : PluginEntry{};
}

const char* PluginSlots::formatResult(const PluginInfo& info)
{
    std::snprintf(resultText, sizeof resultText, "%s|%s", info.shortName, info.title);
    return resultText;
}

int PluginSlots::preparePlugin(Plugin& plugin, const char* path, int listIndex)
{
    plugin.listIndex = listIndex;
    if (plugin.attach(path, 0) != toWire(Error::Ok))
        return plugin.lastError;
    int error = plugin.initialise(eventCallback, internalCallback);
    if (error != toWire(Error::Ok)) {
        plugin.release();
        return error;
    }
    auto* effect =
        plugin.expectedKind == toWire(PluginKind::Effect) ? static_cast<EffectPlugin*>(&plugin) : nullptr;
    if (effect != nullptr && (error = effect->onSetupFX()) != toWire(Error::Ok)) {
        plugin.release();
        return error;
    }
    error = plugin.createUserInterface(program.instance, kShowCommandShow);
    if (error == toWire(Error::Ok)) {
        error = plugin.setupAudioSystem(audio.setup());
        // Its windows run the library's code: they go before the library does.
        if (error != toWire(Error::Ok))
            plugin.destroyUserInterface();
    }
    if (error != toWire(Error::Ok)) {
        // A set-up that succeeded is cleaned up, as an unload would.
        if (effect != nullptr)
            effect->onCleanupFX();
        plugin.release();
    }
    return error;
}

void PluginSlots::retirePlugin(Plugin& plugin, bool closeWindow)
{
    if (closeWindow)
        plugin.destroyUserInterface();
    if (plugin.expectedKind == toWire(PluginKind::Effect))
        static_cast<EffectPlugin&>(plugin).onCleanupFX();
    plugin.release();
}

// ---------------------------------------------------------------------------
// Discovery

int PluginSlots::discoverPlugins()
{
    // In this order.
    static constexpr KindScan kKindScans[] = {
        {toWire(PluginKind::UserInterface), kUserInterfaceExtension, &PluginSlots::userInterfaces,
         toWire(Error::NoUserInterface)},
        {toWire(PluginKind::Input), kInputExtension, &PluginSlots::audioInputs, toWire(Error::NoAudioInput)},
        {toWire(PluginKind::Output), kOutputExtension, &PluginSlots::audioOutputs,
         toWire(Error::NoAudioOutput)},
        {toWire(PluginKind::Effect), kEffectExtension, &PluginSlots::realtimeEffects,
         toWire(Error::NoRealtimeEffect)},
    };
    for (const KindScan& scan : kKindScans) {
        const std::string pattern = program.folder + "/Plugins/*." + scan.extension;
        const std::vector<std::string> files = zkr::listFiles(pattern, true);
        if (files.empty()) {
            host.showError(scan.missingError, kCoreContext);
            return scan.missingError;
        }

        std::unique_ptr<Plugin> probe = Plugin::create(scan.pluginKind);
        // A file that fails the checks is skipped without a word.
        probe->silent = true;
        PluginList& list = this->*scan.list;
        for (const std::string& file : files) {
            const char* path = file.c_str();
            // A path cut to fit the entry would name another file.
            if (file.size() >= sizeof(PluginEntry::path) || probe->attach(path, 0) != toWire(engine::Error::Ok))
                continue;
            if (probe->initialise(nullptr, nullptr) != toWire(Error::Ok) ||
                probe->pluginKind != scan.pluginKind) {
                probe->release();
                continue;
            }
            PluginEntry entry{};
            entry.info = probe->info;
            zkr::copyText(entry.path, path);
            entry.instance = nullptr;
            probe->release();
            showSplashPair(kStringFindingPlugins, entry.info.shortName);
            // An entry the list has no room for is not offered; the list says why.
            static_cast<void>(list.append(&entry));
        }
    }
    return toWire(Error::Ok);
}

// ---------------------------------------------------------------------------
// Loading and unloading

int PluginSlots::loadUserInterface()
{
    PluginEntry* entry = listEntry(userInterfaces, 0);
    if (entry == nullptr) {
        // Files were there but none was valid: the start-up says why it fails.
        host.showError(toWire(Error::NoUserInterface), kCoreContext);
        return toWire(Error::NoUserInterface);
    }
    auto plugin = std::make_unique<UserInterfacePlugin>();
    plugin->listIndex = 0;
    if (plugin->attach(entry->path, 0) != toWire(Error::Ok))
        return plugin->lastError;
    const int error = plugin->initialise(eventCallback, internalCallback);
    if (error != toWire(Error::Ok)) {
        plugin->release();
        return error;
    }
    OwnedLock lock(slotsLock);
    entry->instance = plugin.get();
    userInterface_ = std::move(plugin);
    return toWire(Error::Ok);
}

// Loads run on the thread of the menu or restore that asks for them. The slot
// is checked under the lock, the plug-in is prepared outside it (its calls may
// wait for other threads' windows) and published under it again.
template <typename PluginType, typename Unload>
int PluginSlots::loadIntoSlot(std::unique_ptr<PluginType>& slot, PluginList& list, const char* path,
                              int listIndex, Unload unloadSlot)
{
    {
        OwnedLock lock(slotsLock);
        // One file is loaded once at a time: the same library twice would
        // share its state between two slots.
        if (entryTakenElsewhere(list, listIndex, slot.get()))
            return toWire(Error::NotNow);
        if (slot != nullptr && audio.mustStay(*slot))
            return toWire(Error::NotNow);
    }
    unloadSlot();
    {
        // A plug-in that waits for its dialogs still has the file loaded.
        OwnedLock lock(slotsLock);
        if (entryTakenElsewhere(list, listIndex, nullptr))
            return toWire(Error::NotNow);
    }

    auto plugin = std::make_unique<PluginType>();
    const int error = preparePlugin(*plugin, path, listIndex);
    if (error != toWire(Error::Ok))
        return error;
    {
        MainThreadHold hold(host);
        OwnedLock lock(slotsLock);
        if (slot == nullptr && !entryTakenElsewhere(list, listIndex, nullptr)) {
            if (PluginEntry* entry = listEntry(list, listIndex))
                entry->instance = plugin.get();
            slot = std::move(plugin);
            return toWire(Error::Ok);
        }
    }
    // Another load took the slot or the file meanwhile.
    retirePlugin(*plugin, true);
    return toWire(Error::NotNow);
}

int PluginSlots::loadInput(int slot, const char* path, int listIndex)
{
    if (slot < 0 || slot >= kInputSlots || path == nullptr)
        return toWire(Error::IndexOutOfRange);
    return loadIntoSlot(inputs[slot], audioInputs, path, listIndex, [&] { unloadInput(slot, true); });
}

int PluginSlots::loadOutput(const char* path, int listIndex)
{
    if (path == nullptr)
        return toWire(Error::IndexOutOfRange);
    return loadIntoSlot(output_, audioOutputs, path, listIndex, [&] { unloadOutput(true); });
}

int PluginSlots::loadEffect(int slot, const char* path, int listIndex)
{
    if (slot < 0 || slot >= kEffectSlots || path == nullptr)
        return toWire(Error::IndexOutOfRange);
    return loadIntoSlot(effects[slot], realtimeEffects, path, listIndex, [&] { unloadEffect(slot, true); });
}

// Unloads take the object out of its slot with the main thread held (it uses
// the slots and channels while it carries out events), let the channels go of
// it, wait for the streaming thread to be out of it, and make the plug-in
// calls after the hold. A streaming thread that stays inside a call of it
// (one that stalls) keeps it: it goes back into its slot and the unload is
// refused, as while streaming. Its entry stays taken until it is retired.
template <typename PluginType, typename LetGo>
bool PluginSlots::unloadFromSlot(std::unique_ptr<PluginType>& slot, PluginList& list, bool closeWindow,
                                 LetGo letChannelsGo)
{
    std::unique_ptr<PluginType> plugin;
    {
        MainThreadHold hold(host);
        {
            OwnedLock lock(slotsLock);
            if (slot == nullptr || audio.mustStay(*slot))
                return false;
            plugin = std::move(slot);
        }
        letChannelsGo(plugin.get());
        if (!audio.streamingThreadLeft(*plugin)) {
            // No load can have taken the slot: loads publish with the main thread held.
            OwnedLock lock(slotsLock);
            slot = std::move(plugin);
            return false;
        }
    }
    retireOrPark(list, std::move(plugin), closeWindow);
    return true;
}

// A plug-in's dialog runs its modal loop inside the plug-in's code, perhaps
// below this very call (the user chose another plug-in in the main window
// while the dialog was open): its window and library go only after that
// loop has returned, or the thread would come back into unmapped code.
void PluginSlots::retireOrPark(PluginList& list, std::unique_ptr<Plugin> plugin, bool closeWindow)
{
    if (plat::ui::endModalLoopsOfModule(plugin->codeModule()) > 0) {
        {
            OwnedLock lock(slotsLock);
            parked.push_back(Parked{std::move(plugin), &list, closeWindow});
        }
        EngineEvent event{kEventRetireParked, 0, 0, 0, 0, 0, 0};
        // Without a main loop any more, the plug-in goes with the slots.
        static_cast<void>(host.postDetachedEvent(&event));
        return;
    }
    retirePlugin(*plugin, closeWindow);
    OwnedLock lock(slotsLock);
    releaseEntry(list, plugin.get());
}

bool PluginSlots::retireParkedNow()
{
    std::vector<Parked> waiting;
    {
        OwnedLock lock(slotsLock);
        waiting.swap(parked);
    }
    std::vector<Parked> stillWaiting;
    for (Parked& one : waiting) {
        if (plat::ui::endModalLoopsOfModule(one.plugin->codeModule()) > 0) {
            stillWaiting.push_back(std::move(one));
            continue;
        }
        retirePlugin(*one.plugin, one.closeWindow);
        OwnedLock lock(slotsLock);
        releaseEntry(*one.list, one.plugin.get());
    }
    if (stillWaiting.empty())
        return false;
    OwnedLock lock(slotsLock);
    for (Parked& one : stillWaiting)
        parked.push_back(std::move(one));
    return true;
}

void PluginSlots::retireParked()
{
    if (!retireParkedNow())
        return;
    // The loops end as their threads come back to them, or once a dialog of
    // someone else's opened above them has closed: look again after a pause,
    // answering meanwhile what other threads send to this one.
    static_cast<void>(plat::ui::msgWaitForMultipleObjects(0, nullptr, false, kParkedPollMs, 0));
    EngineEvent event{kEventRetireParked, 0, 0, 0, 0, 0, 0};
    static_cast<void>(host.postDetachedEvent(&event));
}

bool PluginSlots::unloadInput(int slot, bool closeWindow)
{
    if (slot < 0 || slot >= kInputSlots)
        return false;
    // The channels let go of it before its library goes.
    return unloadFromSlot(inputs[slot], audioInputs, closeWindow,
                          [&](const Plugin* input) { audio.freeChannelsOf(input); });
}

bool PluginSlots::unloadOutput(bool closeWindow)
{
    return unloadFromSlot(output_, audioOutputs, closeWindow, [](const Plugin*) {});
}

bool PluginSlots::unloadEffect(int slot, bool closeWindow)
{
    if (slot < 0 || slot >= kEffectSlots)
        return false;
    // The mixer stops calling it once its hooks are gone.
    return unloadFromSlot(effects[slot], realtimeEffects, closeWindow, [&](const Plugin* effect) {
        audio.clearEffectEverywhere(static_cast<const EffectPlugin*>(effect));
    });
}

void PluginSlots::releaseEntry(PluginList& list, const Plugin* plugin)
{
    slotsLock.assertHeld();
    if (PluginEntry* entry = listEntry(list, plugin->listIndex);
        entry != nullptr && entry->instance == plugin)
        entry->instance = nullptr;
}

// ---------------------------------------------------------------------------
// Selection between runs

int32_t PluginSlots::restoreSelection()
{
    showSplashString(kStringRestoring);
    // The names are read first: loading calls plug-ins, which must not run
    // while the store is locked.
    char inputNames[kInputSlots][zkr::Registry::kValueSize];
    char outputName[zkr::Registry::kValueSize];
    bool firstStart = true;
    {
        const SettingsSection::Held store = settings.hold();
        for (int i = 0; i < kInputSlots; ++i) {
            char key[zkr::Registry::kKeySize];
            std::snprintf(key, sizeof key, kInputKeyFormat, i + 1);
            firstStart = firstStart && store->findKey(key) < 0;
            store->getString(key, "", inputNames[i]);
        }
        firstStart = firstStart && store->findKey(kOutputKey) < 0;
        store->getString(kOutputKey, "", outputName);
    }
    static_assert(std::size(kFirstStartInputs) == kInputSlots);
    if (firstStart) {
        for (int i = 0; i < kInputSlots; ++i)
            std::snprintf(inputNames[i], sizeof inputNames[i], "%s", kFirstStartInputs[i]);
        std::snprintf(outputName, sizeof outputName, "%s", kFirstStartOutput);
    }

    // A name that matches no entry leaves its slot empty without a message.
    const auto restoreEntry = [this](PluginList& list, int index, int32_t slot, int32_t nameCode, auto load) {
        const PluginEntry entry = lockedCopy(list, index);
        showSplashPair(kStringRestoring, entry.info.shortName);
        if (load(entry.path, index) == toWire(Error::Ok))
            host.updateGeneralValue(slot, nameCode, reinterpret_cast<intptr_t>(formatResult(entry.info)));
    };
    const auto restore = [&](PluginList& list, const char* name, int32_t slot, int32_t nameCode, auto load) {
        const int index = name[0] != '\0' ? findByFileName(list, name) : -1;
        if (index >= 0)
            restoreEntry(list, index, slot, nameCode, load);
    };
    for (int i = 0; i < kInputSlots; ++i)
        restore(audioInputs, inputNames[i], i, toWire(Value::InputName),
                [&](const char* path, int index) { return loadInput(i, path, index); });
    restore(audioOutputs, outputName, 0, toWire(Value::OutputName),
            [&](const char* path, int index) { return loadOutput(path, index); });
    if (firstStart)
        restore(realtimeEffects, kFirstStartEffect, 0, toWire(Value::EffectSlotName),
                [&](const char* path, int index) { return loadEffect(0, path, index); });

    // A file named on the command line (the start gives it as a quoted path)
    // is offered once the user interface is up; it needs an input that takes
    // commands. Without one among those restored, the first that does is
    // loaded into a free input slot, or into the last when none is free.
    const std::string& line = program.commandLine;
    if (line.empty() || line.front() != '"')
        return 1;
    int freeSlot = kInputSlots - 1;
    int takerIndex = -1;
    {
        OwnedLock lock(slotsLock);
        for (int i = kInputSlots - 1; i >= 0; --i) {
            if (inputs[i] == nullptr)
                freeSlot = i;
            else if (inputs[i]->hasFlag(kFlagAcceptsCommands))
                return 1;
        }
        for (int i = 0; i < audioInputs.count && takerIndex < 0; ++i) {
            const PluginEntry* entry = listEntry(audioInputs, i);
            if ((entry->info.flags & kFlagAcceptsCommands) != 0 && entry->instance == nullptr)
                takerIndex = i;
        }
    }
    if (takerIndex >= 0)
        restoreEntry(audioInputs, takerIndex, freeSlot, toWire(Value::InputName),
                     [&](const char* path, int index) { return loadInput(freeSlot, path, index); });
    return 1;
}

void PluginSlots::saveSelection()
{
    const SettingsSection::Held store = settings.hold();
    OwnedLock lock(slotsLock);
    char value[zkr::Registry::kValueSize];
    char key[zkr::Registry::kKeySize];
    for (int i = 0; i < kInputSlots; ++i) {
        std::snprintf(key, sizeof key, kInputKeyFormat, i + 1);
        slotFileName(audioInputs, inputs[i].get(), value);
        static_cast<void>(store->setString(key, value));
    }
    slotFileName(audioOutputs, output_.get(), value);
    static_cast<void>(store->setString(kOutputKey, value));
    for (int i = 0; i < kEffectSlots; ++i) {
        std::snprintf(key, sizeof key, kEffectKeyFormat, i + 1);
        slotFileName(realtimeEffects, effects[i].get(), value);
        static_cast<void>(store->setString(key, value));
    }
}

// ---------------------------------------------------------------------------
// Commands and unload requests

void PluginSlots::offerCommand(const char* text)
{
    if (text == nullptr || text[0] == '\0')
        return;
    // Unloads happen with the main thread held: holding it keeps each input
    // loaded while it is offered the command. Events the inputs post
    // meanwhile are queued until the hold ends.
    MainThreadHold hold(host);
    for (int i = 0; i < kInputSlots; ++i) {
        InputPlugin* input = nullptr;
        bool outputLoaded = false;
        {
            OwnedLock lock(slotsLock);
            input = inputs[i].get();
            outputLoaded = output_ != nullptr;
        }
        if (input == nullptr || !input->hasFlag(kFlagAcceptsCommands) || !input->hasExecCommandString())
            continue;
        if (input->execCommandString(outputLoaded, text) != 0)
            return;
    }
}

int32_t PluginSlots::executeForwardedCommand(const EngineRequest& request)
{
    const auto* copyData = reinterpret_cast<const CopyData*>(request.data);
    if (copyData == nullptr)
        return 0;
    // The sender's bytes need not end in a terminator: exactly its count is taken.
    std::string text;
    if (copyData->data != nullptr && copyData->bytes > 0)
        text.assign(static_cast<const char*>(copyData->data), static_cast<std::size_t>(copyData->bytes));
    offerCommand(text.c_str());
    return 1;
}

int32_t PluginSlots::requestUnload(const EngineRequest& request)
{
    const PluginHandle handle = request.pluginHandle;
    int32_t kind = 0;
    int slot = 0;
    {
        OwnedLock lock(slotsLock);
        const Plugin* found = nullptr;
        for (int i = 0; i < kInputSlots && found == nullptr; ++i) {
            if (inputs[i] != nullptr && inputs[i]->handle() == handle) {
                found = inputs[i].get();
                kind = toWire(EventKind::Input);
                slot = i;
            }
        }
        for (int i = 0; i < kEffectSlots && found == nullptr; ++i) {
            if (effects[i] != nullptr && effects[i]->handle() == handle) {
                found = effects[i].get();
                kind = toWire(EventKind::Effect);
                slot = i;
            }
        }
        if (found == nullptr && output_ != nullptr && output_->handle() == handle) {
            found = output_.get();
            kind = toWire(EventKind::Output);
        }
        if (found == nullptr || audio.mustStay(*found))
            return 0;
    }
    if (kind == 0)
        return 0;
    // The plug-in asks from inside its own code, which must have returned
    // before its library goes: the poster does not wait for the main thread.
    EngineEvent event{toWire(Event::UnloadPlugin), 0, 0, kind, 0, 0, slot};
    return host.postDetachedEvent(&event) != 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// What the engine asks of the slots

InputPlugin* PluginSlots::inputByHandle(PluginHandle plugin) const
{
    for (const auto& input : inputs) {
        if (input != nullptr && input->handle() == plugin)
            return input.get();
    }
    return nullptr;
}

bool PluginSlots::isLoaded(const PluginEntry& entry) const
{
    OwnedLock lock(slotsLock);
    return entry.instance != nullptr;
}

int PluginSlots::setupAudioSystem(const AudioSystemSetup& setup)
{
    Plugin* targets[kInputSlots + 1] = {};
    {
        OwnedLock lock(slotsLock);
        for (int i = 0; i < kInputSlots; ++i)
            targets[i] = inputs[i].get();
        targets[kInputSlots] = output_.get();
    }
    for (int i = 0; i < kInputSlots; ++i) {
        if (targets[i] == nullptr)
            continue;
        const int error = targets[i]->setupAudioSystem(setup);
        if (error != toWire(Error::Ok))
            return error;
    }
    // A failing output has recorded its error; the set-up stands.
    if (targets[kInputSlots] != nullptr)
        targets[kInputSlots]->setupAudioSystem(setup);
    return toWire(Error::Ok);
}

Plugin* PluginSlots::pluginInSlot(intptr_t kind, intptr_t slot)
{
    OwnedLock lock(slotsLock);
    switch (kind) {
    case toWire(EventKind::Input):
        return slot >= 0 && slot < kInputSlots ? inputs[slot].get() : nullptr;
    case toWire(EventKind::Output):
        return output_.get();
    case toWire(EventKind::Effect):
        return slot >= 0 && slot < kEffectSlots ? effects[slot].get() : nullptr;
    default:
        return nullptr;
    }
}

void PluginSlots::unloadByEvent(intptr_t kind, intptr_t slot)
{
    int32_t code = 0;
    switch (kind) {
    case toWire(EventKind::Input):
        if (slot < 0 || slot >= kInputSlots)
            return;
        unloadInput(static_cast<int>(slot), true);
        code = toWire(Value::InputName);
        break;
    case toWire(EventKind::Output):
        // There is one output: its slot number is not looked at.
        slot = 0;
        unloadOutput(true);
        code = toWire(Value::OutputName);
        break;
    case toWire(EventKind::Effect):
        if (slot < 0 || slot >= kEffectSlots)
            return;
        unloadEffect(static_cast<int>(slot), true);
        code = toWire(Value::EffectSlotName);
        break;
    default:
        return;
    }
    // An unload refused while streaming leaves the plug-in in place, and its
    // name shown.
    if (pluginInSlot(kind, slot) == nullptr)
        host.updateGeneralValue(static_cast<int32_t>(slot), code, 0);
}

void PluginSlots::closeWindowsForQuit()
{
    // Unloaded ones whose dialogs have ended save and go as they would have.
    static_cast<void>(retireParkedNow());
    // Read under slotsLock, called outside it, as switchPluginWindow does.
    for (int slot = 0; slot < kInputSlots; ++slot)
        if (Plugin* input = pluginInSlot(toWire(EventKind::Input), slot))
            input->destroyUserInterface();
    if (Plugin* output = pluginInSlot(toWire(EventKind::Output), 0))
        output->destroyUserInterface();
}

void PluginSlots::switchPluginWindow(intptr_t kind, intptr_t slot, bool show)
{
    // Read under slotsLock, called outside it (see there).
    Plugin* plugin = pluginInSlot(kind, slot);
    if (plugin != nullptr)
        plugin->onPluginSwitch(show);
}

} // namespace engine
