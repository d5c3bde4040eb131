#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine/ChannelSlot.h"
#include "engine/EffectPlugin.h"
#include "engine/InputPlugin.h"
#include "engine/OutputPlugin.h"
#include "engine/PluginApi.h"
#include "engine/PluginEntry.h"
#include "engine/StereoMixer.h"
#include "engine/StreamingCall.h"
#include "engine/UserInterfacePlugin.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Window.h"
#include "zkr/Application.h"
#include "zkr/List.h"
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

    // The engine's section of the settings file (zkr::kSettingsFile); also
    // the caption of its message boxes (zkr::kProductTitle).
    static constexpr char kSettingsSection[] = "Velmora Audio Engine v0.1b";
    // Size of the engine's text buffers (the result text, paths).
    static constexpr int kTextSize = 256;

    EngineCore();
    ~EngineCore() override;

    // The engine the plug-ins' callbacks reach: the first EngineCore made and
    // not yet destroyed (set and cleared on the main thread while no plug-in
    // holds the callbacks).
    static EngineCore* current();
    // The callbacks handed to plug-ins; they forward to current() (0 without one).
    static int32_t eventCallback(EngineEvent* event);
    static int32_t internalCallback(EngineRequest* request, int32_t code);

    // ---- Events (EngineEvents.cpp) -----------------------------------------
    // Carries out one posted event on the main thread and returns what a
    // waiting poster gets; sets quit for an accepted quit event.
    int32_t carryOutEvent(const EngineEvent& event, bool& quit);

    // ---- Requests (EngineRequests.cpp) -------------------------------------
    // The internal callback's body, on the caller's thread.
    int32_t handleRequest(EngineRequest* request, int32_t code);

    // ---- Plug-ins (EnginePlugins.cpp, PluginMenus.cpp) ---------------------
    // Fills the four kind lists from folder/Plugins; 0, or 27, 29, 31, 36
    // (shown with the core context) when a kind has no file at all.
    int discoverPlugins();
    // Start-up: the first user interface of the list, initialised with both
    // callbacks; 0, 27 for an empty list, or the plug-in's error.
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
    // Requests 3, 5 and 6 (code says which) and 7; the result of the request.
    int32_t pluginMenu(EngineRequest& request, int32_t code);
    int32_t channelEffectMenu(EngineRequest& request);
    // Request 12.
    int32_t restoreSelection();
    // Request 15.
    int32_t requestUnload(const EngineRequest& request);
    // Request 14: offers the copy-data structure's text.
    int32_t executeForwardedCommand(const EngineRequest& request);
    // Hands a command string to the inputs that take commands.
    void offerCommand(const char* text);
    // Writes the plug-in keys into the settings store (not to the file).
    void saveSelection();

    // ---- Settings and dialogs (EngineSettings.cpp, AudioSetupDialog.cpp,
    // MixerSettingsDialog.cpp) ----------------------------------------------
    AudioSystemSetup readAudioSetup();
    // At exit: the buffer keys, the plug-in keys, then the section to the file.
    void writeSettings();
    // Request 2 and tray item 40006; request 8.
    int32_t openAudioSetup(plat::ui::WindowHandle owner);
    int32_t openMixerSettings(plat::ui::WindowHandle owner);

    // ---- Frame (EngineFrame.cpp, AboutBox.cpp) -----------------------------
    // Request 4: the About box, then the freeware notice.
    int32_t openAbout(plat::ui::WindowHandle owner);
    // Request 9 and the About box's button: the maker's web page.
    int32_t openHomepage();
    // Opens an address with the shell in the program folder; a failure is
    // shown in a stop message naming the reason. False when it failed.
    bool openWebAddress(const std::string& target);
    // Request 11.
    int32_t openHelpIndex();
    // Request 13: a mouse message forwarded from the tray icon.
    int32_t trayNotification(const EngineRequest& request);

    // ---- Plugin Manager and update (PluginManager.cpp) ---------------------
    // Request 1 and tray item 40007; tray item 40008.
    int32_t openPluginManager(plat::ui::WindowHandle owner);
    int32_t openUpdateDialog(plat::ui::WindowHandle owner);

    // The event callback's body: any thread.
    virtual int32_t postEvent(EngineEvent* event) = 0;
    // Posts an event that must not hold up its poster, not even to answer
    // messages: one that unloads the plug-in whose code is posting it, which
    // may only happen once that code has returned. 1, or 0 when refused.
    virtual int32_t postDetachedEvent(EngineEvent* event) { return postEvent(event); }

    // Reports to the user interface plug-in, when one is loaded. Main and
    // streaming threads.
    virtual void updateChannelValue(int32_t channel, int32_t code, intptr_t value);
    virtual void updateGeneralValue(int32_t index, int32_t code, intptr_t value);

    // Stores the record, sets the mixer up anew (every mixer parameter back to
    // its default) and hands the record to input slot 0, input slot 1 and the
    // output. Any thread: the mixer is rebuilt while the main thread is held. 0; the mixer's error; the first
    // failing input's error (the rest is skipped); a failing output is recorded (30) but does not fail. 16
    // while a streaming thread exists, whose mixer this would pull away.
    int applyAudioSetup(const AudioSystemSetup& setup);

    // Events 6 and 7; streams count from 1, second 0 for a mono stream. The
    // plug-in is named by its handle and must sit in an input slot. A detach
    // returns once the streaming thread has left the input's current call
    // (or after kThreadEndWaitMs, when the call stalls).
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
    // The same, published by the thread itself: any thread.
    bool streamThreadAlive() const { return threadAlive.load(std::memory_order_seq_cst); }

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

    // The program as started: its instance handle (handed to
    // createUserInterface), its command line and show command, and its folder
    // (without a trailing separator), which holds Plugins.
    InstanceHandle instance = 0;
    std::string commandLine;
    int32_t showCommand = kShowCommandShow;
    std::string folder;
    // The tray menu: the first pop-up of menu 120 (owned by trayMenuBar).
    plat::ui::MenuHandle trayMenuBar = nullptr;
    plat::ui::MenuHandle trayMenu = nullptr;

    // Kind lists of PluginEntry, filled once by discoverPlugins.
    zkr::List userInterfaces{0, sizeof(PluginEntry), true, 1};
    zkr::List audioInputs{0, sizeof(PluginEntry), true, 1};
    zkr::List audioOutputs{0, sizeof(PluginEntry), true, 1};
    zkr::List realtimeEffects{0, sizeof(PluginEntry), true, 1};
    // Receives "%s|%s" for the menus and restore; a pointer into it stays
    // valid until the next use.
    char resultText[kTextSize] = {};

    // Guards settings (the store of zkr::Application): the user interface's
    // thread (restore, the Plugin Manager and its dialogs) and the main thread
    // (start-up, tray dialogs, exit) both use it. Never held across a plug-in
    // call or a modal dialog. Taken before slotsLock when both are held.
    std::recursive_mutex settingsLock;
    // Guards the slot pointers below and the entries' instance fields: the
    // user interface's thread loads into slots (menus, restore) while the
    // main thread unloads (events). Held only to read or change a pointer,
    // never across a plug-in call, since plug-in calls may wait for the
    // other thread's windows.
    std::recursive_mutex slotsLock;

    // Loaded plug-ins per slot.
    std::unique_ptr<UserInterfacePlugin> userInterface;
    std::unique_ptr<InputPlugin> inputs[kInputSlots];
    std::unique_ptr<OutputPlugin> output;
    std::unique_ptr<EffectPlugin> effects[kEffectSlots];

    // Written only while the main thread is held (applyAudioSetup); read by
    // the main thread and by loads on the user interface's thread.
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

    // Keep the main thread from carrying out events and crossfade ticks while
    // another thread changes what they use (the mixer, the streaming thread);
    // recursive. The base has no main loop and does nothing.
    virtual void holdMainThread() {}
    virtual void releaseMainThread() {}
    // Holds the main thread for a scope: channel changes made on the user
    // interface's thread (menus, loads) use it.
    class MainThreadHold {
    public:
        explicit MainThreadHold(EngineCore& engine) : engine_(engine) { engine_.holdMainThread(); }
        ~MainThreadHold() { engine_.releaseMainThread(); }
        MainThreadHold(const MainThreadHold&) = delete;
        MainThreadHold& operator=(const MainThreadHold&) = delete;

    private:
        EngineCore& engine_;
    };

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
    // Streaming thread: the input feeding channel, with the call of it entered
    // (leave it after the call), or null.
    InputPlugin* enterInputCall(ChannelSlot& channel);
    // Waits up to timeoutMs for the last run's thread; forgets it once ended.
    bool finishStreamThread(uint32_t timeoutMs);
    void reinstallEffectHooks();

    intptr_t crossfadeTimer() const;
    void setCrossfadeTimer(intptr_t timer);

    // Plug-in slots
    // The entry at index of a kind list, or null.
    static PluginEntry* listEntry(zkr::List& list, int index);
    // A copy of the entry at index taken under slotsLock; all zero for none.
    PluginEntry lockedCopy(zkr::List& list, int index);
    // True when the entry at index is loaded into a slot other than the one
    // holding current. Caller holds slotsLock.
    bool entryTakenElsewhere(zkr::List& list, int index, const Plugin* current);
    // True when a channel takes its stream from input.
    bool feedsChannel(const Plugin* input) const;
    // Attaches, initialises and sets up a new plug-in object outside any
    // slot: 0, or the error after undoing what was done.
    int preparePlugin(Plugin& plugin, const char* path, int listIndex);
    // Undoes preparePlugin for an object that left its slot (or never got one).
    void retirePlugin(Plugin& plugin, bool closeWindow);
    // Frees every channel that plugin feeds.
    void freeChannelsOf(const Plugin* input);
    // Puts "short name|title" into resultText and returns it.
    const char* formatResult(const PluginInfo& info);
    // Clears the entry's instance when it is plugin.
    void releaseEntry(zkr::List& list, const Plugin* plugin);
    // Whether plugin must stay in its slot now: while the streaming thread
    // is inside a call of it, and while a streaming thread exists, the output
    // and an input that feeds a channel.
    bool mustStay(const Plugin& plugin) const;
    // After a plug-in was taken off the channels: waits until the streaming
    // thread is out of any call of it that began before; false when it
    // stays inside (a stalled call).
    bool streamingThreadLeft(const Plugin& plugin) const;
    // The load and unload of every kind: slot and list are the kind's;
    // unloadSlot empties the slot first; letChannelsGo frees what the
    // channels hold of the plug-in leaving.
    template <typename PluginType, typename Unload>
    int loadIntoSlot(std::unique_ptr<PluginType>& slot, zkr::List& list, const char* path, int listIndex,
                     Unload unloadSlot);
    template <typename PluginType, typename LetGo>
    bool unloadFromSlot(std::unique_ptr<PluginType>& slot, zkr::List& list, bool closeWindow,
                        LetGo letChannelsGo);

    // Set by stopStreaming, cleared before a thread starts; read by the
    // streaming thread between plug-in calls.
    std::atomic<bool> stopRequested{false};
    // Set before a streaming thread starts; cleared by the thread after its
    // last call of an input, output or effect.
    std::atomic<bool> threadAlive{false};
    // What the streaming thread is calling; see StreamingCall.
    StreamingCall streamCalls;
    // The output of the current run, fixed before its thread starts.
    OutputPlugin* streamOutput = nullptr;

    // Settings and events
    // The plug-in in a slot named as events name it (kind 1 input, 2 output,
    // 3 effect), or null; read under slotsLock.
    Plugin* pluginInSlot(intptr_t kind, intptr_t slot);
    void unloadPluginSlot(intptr_t kind, intptr_t slot);
    void switchPluginWindow(intptr_t kind, intptr_t slot, bool show);
    void changeEffectParameter(int channel, intptr_t slot, int32_t value);
};

} // namespace engine
