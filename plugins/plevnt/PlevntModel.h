#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "api/PluginApi.h"
#include "platform/ui/Messages.h"
#include "zkr/Registry.h"
#include "zkr/WaveFormat.h"

namespace plevnt {

class Player;
class PlayerView;
struct DecoderFilter;

inline constexpr char kPluginTitle[] = "PlevNT Input Module";
inline constexpr char kSettingsSection[] = "PlevNT Input Module";
inline constexpr int kPlayerCount = 2;

// Settings keys of the plug-in's section.
inline constexpr char kPositionKey[] = "PlevUIPos";
inline constexpr char kViewStateKey[] = "PlevUIState"; // default 1
inline constexpr char kPlayerViewKey[] = "ViewCh";     // + player number, default 0

// Notifications the window passes to handleNotification besides the decoded
// streams' 0x8064 to 0x8066.
inline constexpr uint32_t kCrossFadeMessage = 0x8067;      // wparam: the ending player
inline constexpr uint32_t kCommandFileMessage = 0x8068;    // lparam: execCommandString's flags
inline constexpr uint32_t kStreamingErrorMessage = 0x8069; // wparam: code, lparam: value
inline constexpr uint32_t kRemoteMessage = 0x806A;         // wparam: RemoteCommand, lparam: its milliseconds
inline constexpr uint32_t kPlayerChangedMessage = 0x806B;  // a player's state changed

// The idle player starts this long before the playing one ends.
inline constexpr uint32_t kCrossFadeLeadMs = 3000;

// What the players and the window know of the plug-in object, which owns
// them: they are given it as this, so neither depends on the plug-in's header.
// The threads are the plug-in object's (PlevntPlugin).
class PlevntModel {
public:
    // ---- the players ----
    // Events to the engine (waiting); the engine's answer, 0 without an engine.
    virtual int32_t sendEvent(engine::EngineEvent event) = 0;
    virtual int32_t musicBufSize() const = 0;
    // What shows the players; null while there is no window.
    virtual PlayerView* view() const = 0;
    // The window that receives the decoded streams' notifications.
    virtual plat::ui::WindowHandle notificationWindow() const = 0;
    // Any thread: a player's state, entry or file changed; the desktop is
    // told from the window's thread.
    virtual void playerChanged() = 0;

    // ---- the window's thread ----
    // The window's creation: loads the decoder modules of both players,
    // the settings and both playlists; 0 or the error (NoDecoderModules, WriteFailed): the window
    // then is not made. window receives the notifications.
    virtual int startPlayers(plat::ui::WindowHandle window, PlayerView* view) = 0;
    // The window's close for good: writes the settings and both playlists,
    // detaches the streams and frees the decoder modules.
    virtual void finishPlayers() = 0;
    // The notifications 0x8064 to 0x806B; false for another message.
    virtual bool handleNotification(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
    // The user's close: asks the engine to unload the plug-in (Request::UnloadMe).
    virtual void requestUnload(plat::ui::WindowHandle owner) = 0;
    virtual Player& player(int index) = 0;
    // The open-file dialog's filters (the first player's modules).
    virtual const std::vector<DecoderFilter>& decoderFilters() = 0;
    // The plug-in's settings store, its section selected.
    virtual zkr::Registry& pluginSettings() = 0;

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    engine::PluginHandle pluginHandle = 0;
    // Every player delivers 44100 Hz 16-bit mono.
    const zkr::WaveFormat playerFormat = zkr::pcmFormat(engine::kSampleRate, 1, 16);

    // The window's thread: the menu switch, and the ending player of a
    // cross-fade, whose coming end must not advance it (-1: none). It names
    // the player, so that the starting one ending first (a file shorter
    // than the lead) does not take the skip meant for the other.
    bool autoCrossFade = false;
    int skipNextEnd = -1;
    // View settings, read at start and written at close.
    int viewState = 1;
    std::array<int, kPlayerCount> playerView{};

protected:
    PlevntModel() = default;
    ~PlevntModel() = default;
    PlevntModel(const PlevntModel&) = delete;
    PlevntModel& operator=(const PlevntModel&) = delete;
};

} // namespace plevnt
