#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "api/PluginApi.h"
#include "engine/AudioCore.h"
#include "engine/EffectPlugin.h"
#include "engine/EngineHost.h"
#include "engine/InputPlugin.h"
#include "engine/OutputPlugin.h"
#include "engine/OwnedMutex.h"
#include "engine/PluginEntry.h"
#include "engine/SettingsSection.h"
#include "engine/UserInterfacePlugin.h"
#include "zkr/List.h"

namespace engine {

struct EngineTestSeam;

// The engine's own event (no plug-in's): retire the plug-ins whose unload
// waits for their dialogs' modal loops to end.
inline constexpr int32_t kEventRetireParked = -4;

// The plug-ins the engine found and the ones it has loaded: the four kind
// lists, the slots, loading and unloading into them, the pop-up menus that
// choose them, and the selection kept between runs.
//
// Threads: the user interface's thread loads into slots (menus, restore)
// while the main thread unloads (events); see slotsLock.
class PluginSlots {
public:
    // Size of the result text and of menu item texts.
    static constexpr int kTextSize = 256;

    // callbacks: what every plug-in loaded into a slot is initialised with.
    PluginSlots(AudioCore& audio, EngineHost& host, SettingsSection& settings, const StartedProgram& program,
                EventCallback eventCallback, InternalCallback internalCallback);
    PluginSlots(const PluginSlots&) = delete;
    PluginSlots& operator=(const PluginSlots&) = delete;

    // Fills the four kind lists from folder/Plugins; 0, or NoUserInterface, NoAudioInput, NoAudioOutput, NoRealtimeEffect
    // (shown with the core context) when a kind has no file at all.
    int discoverPlugins();
    // Start-up: the first user interface of the list, initialised with both
    // callbacks; 0, NoUserInterface for an empty list, or the plug-in's error.
    int loadUserInterface();
    int loadInput(int slot, const char* path, int listIndex);
    int loadOutput(const char* path, int listIndex);
    int loadEffect(int slot, const char* path, int listIndex);
    // True when a plug-in left the slot; false for an empty slot, for a
    // plug-in the streaming thread is inside a call of, and while a streaming
    // thread exists for the output and an input that feeds a channel.
    bool unloadInput(int slot, bool closeWindow);
    bool unloadOutput(bool closeWindow);
    bool unloadEffect(int slot, bool closeWindow);
    // The input, output and effect menu requests (code says which) and the
    // channel effect menu request; the result of the request.
    int32_t pluginMenu(EngineRequest& request, Request code);
    int32_t channelEffectMenu(EngineRequest& request);
    // The restore request.
    int32_t restoreSelection();
    // The unload-me request.
    int32_t requestUnload(const EngineRequest& request);
    // The command string request: offers the copy-data structure's text.
    int32_t executeForwardedCommand(const EngineRequest& request);
    // Hands a command string to the inputs that take commands.
    void offerCommand(const char* text);
    // Writes the plug-in keys into the settings store (not to the file).
    void saveSelection();
    // An accepted quit: the inputs' and the output's windows close as they do
    // at an unload, so that what the plug-ins keep there (window places, the
    // output's files, playlists) is written. The libraries stay loaded and in
    // their slots, for the selection saved at exit, and are not called again.
    void closeWindowsForQuit();

    // The unload plug-in event (kind an EventKind): unloads the slot and, once
    // it is empty, clears its name in the user interface.
    void unloadByEvent(intptr_t kind, intptr_t slot);
    // Event kEventRetireParked (main thread): closes the window of and
    // releases each unloaded plug-in whose modal loops have ended, and looks
    // again a little later while any has not.
    void retireParked();
    // The show window event: shows or hides the window of the plug-in in a slot.
    void switchPluginWindow(intptr_t kind, intptr_t slot, bool show);

    // Hands the record to input slot 0, input slot 1 and the output: 0; the
    // first failing input's error (the rest is skipped); a failing output is
    // recorded (Error::PluginInternal) but does not fail.
    int setupAudioSystem(const AudioSystemSetup& setup);

    // Loaded once at start-up and kept: main and streaming threads read it.
    UserInterfacePlugin* userInterface() const { return userInterface_.get(); }
    // Main thread: the input with that handle, or null; the output, or null.
    InputPlugin* inputByHandle(PluginHandle plugin) const;
    OutputPlugin* output() const { return output_.get(); }

    // The kind lists, fixed after discovery, for the Plugin Manager.
    PluginList& inputList() { return audioInputs; }
    PluginList& outputList() { return audioOutputs; }
    PluginList& effectList() { return realtimeEffects; }
    PluginList& userInterfaceList() { return userInterfaces; }
    // Whether the entry's file is loaded into a slot now; any thread.
    bool isLoaded(const PluginEntry& entry) const;

private:
    friend struct EngineTestSeam;

    // The entry at index of a kind list, or null.
    static PluginEntry* listEntry(PluginList& list, int index);
    // A copy of the entry at index taken under slotsLock; all zero for none.
    PluginEntry lockedCopy(PluginList& list, int index);
    // True when the entry at index is loaded into a slot other than the one
    // holding current. Caller holds slotsLock.
    bool entryTakenElsewhere(PluginList& list, int index, const Plugin* current) REQUIRES(slotsLock);
    // Attaches, initialises and sets up a new plug-in object outside any
    // slot: 0, or the error after undoing what was done.
    int preparePlugin(Plugin& plugin, const char* path, int listIndex);
    // Undoes preparePlugin for an object that left its slot (or never got one).
    void retirePlugin(Plugin& plugin, bool closeWindow);
    // Ends the unload of a plug-in that left its slot of list: retires it and
    // frees its entry, at once or, while modal loops run for its windows,
    // once they have ended as Cancel (it is parked until then).
    void retireOrPark(PluginList& list, std::unique_ptr<Plugin> plugin, bool closeWindow);
    // Retires the parked plug-ins whose modal loops have ended; true when
    // some still wait.
    bool retireParkedNow();
    // Puts "short name|title" into resultText and returns it.
    const char* formatResult(const PluginInfo& info);
    // Clears the entry's instance when it is plugin. Caller holds slotsLock.
    void releaseEntry(PluginList& list, const Plugin* plugin) REQUIRES(slotsLock);
    // The plug-in in a slot named as events name it, or null; read under
    // slotsLock.
    Plugin* pluginInSlot(intptr_t kind, intptr_t slot);
    // The load and unload of every kind: slot and list are the kind's;
    // unloadSlot empties the slot first; letChannelsGo frees what the
    // channels hold of the plug-in leaving.
    template <typename PluginType, typename Unload>
    int loadIntoSlot(std::unique_ptr<PluginType>& slot, PluginList& list, const char* path, int listIndex,
                     Unload unloadSlot);
    template <typename PluginType, typename LetGo>
    bool unloadFromSlot(std::unique_ptr<PluginType>& slot, PluginList& list, bool closeWindow,
                        LetGo letChannelsGo);

    AudioCore& audio;
    EngineHost& host;
    SettingsSection& settings;
    const StartedProgram& program;
    const EventCallback eventCallback;
    const InternalCallback internalCallback;

    // Kind lists of PluginEntry, filled once by discoverPlugins.
    PluginList userInterfaces{0, true, 1};
    PluginList audioInputs{0, true, 1};
    PluginList audioOutputs{0, true, 1};
    PluginList realtimeEffects{0, true, 1};
    // Receives "%s|%s" for the menus and restore; a pointer into it stays
    // valid until the next use.
    char resultText[kTextSize] = {};

    // Guards the slot pointers below and the entries' instance fields: the
    // user interface's thread loads into slots (menus, restore) while the
    // main thread unloads (events). Held only to read or change a pointer,
    // never across a plug-in call, since plug-in calls may wait for the
    // other thread's windows. Taken after the settings' lock when both are held.
    mutable OwnedRecursiveMutex slotsLock;

    // Loaded plug-ins per slot. Changed with both the main thread held and
    // slotsLock; read under either (the main thread's events hold the first),
    // which the lock analysis cannot express.
    std::unique_ptr<UserInterfacePlugin> userInterface_;
    std::unique_ptr<InputPlugin> inputs[kInputSlots];
    std::unique_ptr<OutputPlugin> output_;
    std::unique_ptr<EffectPlugin> effects[kEffectSlots];

    // Unloaded plug-ins whose dialogs' modal loops had not returned, with the
    // list that holds their entry (still taken, so their file is not loaded
    // twice); guarded by slotsLock.
    struct Parked {
        std::unique_ptr<Plugin> plugin;
        PluginList* list = nullptr;
        bool closeWindow = true;
    };
    std::vector<Parked> parked GUARDED_BY(slotsLock);
};

} // namespace engine
