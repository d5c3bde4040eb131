#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "api/PluginApi.h"
#include "platform/core/ThreadSafety.h"
#include "platform/ui/Messages.h"
#include "plugins/plevnt/MprisService.h"
#include "plugins/plevnt/Player.h"
#include "plugins/plevnt/PlayerView.h"
#include "plugins/plevnt/PlevntModel.h"
#include "zkr/Application.h"

namespace plevnt {

class PlevntWindow;

// The plug-in object: one per loaded library, from its load (startUp) to its
// unload (shutDown). It holds the engine's callbacks and handle, the set-up
// record, the two players, the cross-fade switch and the window. The players
// and the window see it as their PlevntModel.
//
// Threads: readStreamChannel on the engine's streaming thread; setupAudioSystem
// on the engine's thread that loads the plug-in; the window, its
// notifications and every player command on the window's thread (the thread
// that called createUserInterface). setupLock guards the set-up record; the
// players guard their delivery state; pendingCommand_ is guarded by
// commandLock_ (execCommandString comes from the engine's thread). The
// desktop's bus thread (mpris_) only posts to the window and hands files to
// execCommandString.
class PlevntPlugin : public zkr::Application, public PlevntModel {
public:
    static constexpr int32_t kStreamCount = kPlayerCount;

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

    static void fillPluginInfo(engine::PluginInfo* info);

    // ---- PlevntModel ----
    int startPlayers(plat::ui::WindowHandle window, PlayerView* view) override;
    void finishPlayers() override;
    bool handleNotification(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    void requestUnload(plat::ui::WindowHandle owner) override;
    Player& player(int index) override { return *players_[std::size_t(index)]; }
    const std::vector<DecoderFilter>& decoderFilters() override { return player(0).decoders().filters(); }
    zkr::Registry& pluginSettings() override { return settings; }
    int32_t sendEvent(engine::EngineEvent event) override;
    int32_t musicBufSize() const override;
    PlayerView* view() const override { return view_.load(); }
    plat::ui::WindowHandle notificationWindow() const override { return window_.load(); }
    void playerChanged() override;

    // plevnt1.m3u and plevnt2.m3u in the program's Plugins folder, or beside
    // the settings file when that folder is not writable.
    static std::string playlistPath(int playerNumber);

    std::unique_ptr<PlevntWindow> window;

private:
    void onCrossFadeDue(int ending);
    void onCommandFile(int32_t flags);
    void loadSettings();
    void saveSettings();
    // ---- the desktop's media keys (the window's thread) ----
    // The playing player (during a cross-fade the one fading in), else a
    // paused one, else player 1.
    int remoteTarget() const;
    void onRemoteCommand(RemoteCommand command, int64_t argumentMs);
    NowPlaying nowPlaying(int index);
    // seeked: a seek just moved the player, which the desktop is told of.
    void publishNowPlaying(bool seeked = false);

    std::array<std::unique_ptr<Player>, kPlayerCount> players_;
    std::atomic<plat::ui::WindowHandle> window_{nullptr};
    std::atomic<PlayerView*> view_{nullptr};
    mutable plat::AnnotatedMutex setupLock_;
    engine::AudioSystemSetup audioSetup_ GUARDED_BY(setupLock_){engine::kAudioFormatCode, 4096, 12, 65536, 1, 0};
    plat::AnnotatedMutex commandLock_;
    std::string pendingCommand_ GUARDED_BY(commandLock_);
    // The engine's cross-fade record stays ours until the fade is over.
    engine::CrossfadeBlock crossfade_{};
    // One kPlayerChangedMessage waits at a time.
    std::atomic<bool> changePosted_{false};
    // Last: its thread ends before anything it posts to goes.
    MprisService mpris_;
};

void startPlugin();
void stopPlugin();
// Null outside the library's load .. unload.
PlevntPlugin* plugin();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace plevnt
