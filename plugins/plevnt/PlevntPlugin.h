#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "platform/ui/Messages.h"
#include "plugins/plevnt/Player.h"
#include "plugins/plevnt/PlayerView.h"
#include "zkr/Application.h"
#include "zkr/WaveFormat.h"

namespace plevnt {

class PlevntWindow;

inline constexpr char kPluginTitle[] = "PlevNT Input Module";
inline constexpr char kSettingsSection[] = "PlevNT Input Module";
inline constexpr int kPlayerCount = 2;

// Settings keys of the plug-in's section.
inline constexpr char kPositionKey[] = "PlevUIPos";
inline constexpr char kViewStateKey[] = "PlevUIState"; // default 1
inline constexpr char kPlayerViewKey[] = "ViewCh";     // + player number, default 0

// Notifications the window passes to handleNotification besides the decoded
// streams' 0x8064 to 0x8066.
inline constexpr uint32_t kCrossFadeMessage = 0x8067;     // wparam: the ending player
inline constexpr uint32_t kCommandFileMessage = 0x8068;   // lparam: execCommandString's flags
inline constexpr uint32_t kStreamingErrorMessage = 0x8069; // wparam: code, lparam: value

// The idle player starts this long before the playing one ends.
inline constexpr uint32_t kCrossFadeLeadMs = 3000;

// The plug-in object: one per loaded library, from its load (startUp) to its
// unload (shutDown). It holds the engine's callbacks and handle, the set-up
// record, the two players, the cross-fade switch and the window.
//
// Threads: readStreamChannel on the engine's streaming thread; setupAudioSystem
// on the engine's thread that loads the plug-in; the window, its
// notifications and every player command on the window's thread (the thread
// that called createUserInterface). setupLock guards the set-up record; the
// players guard their delivery state; pendingCommand_ is guarded by
// commandLock_ (execCommandString comes from the engine's thread).
class PlevntPlugin : public zkr::Application {
public:
    PlevntPlugin();
    ~PlevntPlugin() override;

    void startUp();
    void shutDown();

    // ---- the engine's calls ----
    bool setupAudioSystem(const engine::AudioSystemSetup* setup);
    bool readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes);
    int32_t execCommandString(int32_t flags, const char* text);
    void onStreamingError(int32_t code, int32_t value);
    bool createUserInterface(engine::InstanceHandle instance, int32_t showCommand);
    void destroyUserInterface();
    void onPluginSwitch(bool show);

    // ---- the window's thread ----
    // The window's creation: loads the decoder modules of both players,
    // the settings and both playlists; 0 or the error (37, 5): the window
    // then is not made. window receives the notifications.
    int startPlayers(plat::ui::WindowHandle window, PlayerView* view);
    // The window's close for good: writes the settings and both playlists,
    // detaches the streams and frees the decoder modules.
    void finishPlayers();
    // The notifications 0x8064 to 0x8069; false for another message.
    bool handleNotification(uint32_t message, uintptr_t wparam, intptr_t lparam);
    // The user's close: asks the engine to unload the plug-in (request 15).
    void requestUnload(plat::ui::WindowHandle owner);

    Player& player(int index) { return *players_[std::size_t(index)]; }
    // The open-file dialog's filters (the first player's modules).
    const std::vector<DecoderFilter>& decoderFilters() { return player(0).decoders().filters(); }
    // plevnt1.m3u and plevnt2.m3u in the program's Plugins folder, or beside
    // the settings file when that folder is not writable.
    static std::string playlistPath(int playerNumber);

    // Events to the engine (waiting); the engine's answer, 0 without an engine.
    int32_t sendEvent(engine::EngineEvent event);
    int32_t musicBufSize() const;
    PlayerView* view() const { return view_.load(); }
    plat::ui::WindowHandle notificationWindow() const { return window_.load(); }

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    engine::PluginHandle pluginHandle = 0;
    // Every player delivers 44100 Hz 16-bit mono.
    const zkr::WaveFormat playerFormat = zkr::pcmFormat(44100, 1, 16);

    // The window's thread: the menu switch, and the ending player of a
    // cross-fade, whose coming end must not advance it (-1: none). It names
    // the player, so that the starting one ending first (a file shorter
    // than the lead) does not take the skip meant for the other.
    bool autoCrossFade = false;
    int skipNextEnd = -1;
    // View settings, read at start and written at close.
    int viewState = 1;
    std::array<int, kPlayerCount> playerView{};

    std::unique_ptr<PlevntWindow> window;

private:
    void onCrossFadeDue(int ending);
    void onCommandFile(int32_t flags);
    void loadSettings();
    void saveSettings();

    std::array<std::unique_ptr<Player>, kPlayerCount> players_;
    std::atomic<plat::ui::WindowHandle> window_{nullptr};
    std::atomic<PlayerView*> view_{nullptr};
    mutable plat::AnnotatedMutex setupLock_;
    engine::AudioSystemSetup audioSetup_ GUARDED_BY(setupLock_){engine::kAudioFormatCode, 4096, 12, 65536, 1, 0};
    plat::AnnotatedMutex commandLock_;
    std::string pendingCommand_ GUARDED_BY(commandLock_);
    // The engine's cross-fade record stays ours until the fade is over.
    engine::CrossfadeBlock crossfade_{};
};

void startPlugin();
void stopPlugin();
// Null outside the library's load .. unload.
PlevntPlugin* plugin();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace plevnt
