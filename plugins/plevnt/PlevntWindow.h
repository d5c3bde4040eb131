#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "plugins/plevnt/Layout.h"
#include "plugins/plevnt/PlayerView.h"
#include "zkr/FileDialog.h"
#include "zkr/PluginWindow.h"
#include "zkr/SkinImages.h"

namespace zkr {
class BitmapButton;
class NameField;
class ToggleButton;
} // namespace zkr

namespace plevnt {

class InfoView;
class PlaylistView;
class PlevntModel;
class ProgressBar;
class TimeDisplay;

// The media player's skinned window: two player panels (title, time,
// progress, previous/play/pause/stop/next, open file and the loop switch),
// their playlists and information views, the menu and the dialogs. It shows
// the players (PlayerView) and hands the players' notifications to the
// plug-in object. The window exists between createUserInterface and
// destroyUserInterface, on the thread that asked for it; the user's close
// asks the engine to unload the plug-in.
//
// Threads: everything runs on the window's thread except refreshPlayer,
// which only posts (refreshPosted_ keeps one refresh per player waiting) to
// the window published in handle_.
class PlevntWindow : public zkr::PluginWindow, public PlayerView {
public:
    static constexpr char kClassName[] = "PlevNT";
    static constexpr char kTitle[] = "PlevNT Input Module";

    // Control ids; a player's own controls add the player index to theirs.
    static constexpr int kMenuId = 1;
    static constexpr int kCloseId = 2;
    static constexpr int kPreviousId = 10;
    static constexpr int kPlayId = 12;
    static constexpr int kPauseId = 14;
    static constexpr int kStopId = 16;
    static constexpr int kNextId = 18;
    static constexpr int kOpenId = 20;
    static constexpr int kLoopId = 22;
    static constexpr int kTimeId = 24;
    static constexpr int kPlaylistId = 26;
    static constexpr int kTitleId = 28;
    static constexpr int kProgressId = 30;
    static constexpr int kInfoId = 32;

    // Menu commands.
    static constexpr int kSmallCommand = 101;
    static constexpr int kMediumCommand = 102;
    static constexpr int kLargeCommand = 103;
    static constexpr int kCrossFadeCommand = 110;
    static constexpr int kDecoderModulesCommand = 111;
    static constexpr int kAboutCommand = 112;
    static constexpr int kLoadPlaylistCommand = 113;
    static constexpr int kSavePlaylistCommand = 114;
    static constexpr int kAddDirectoryCommand = 115;
    static constexpr int kInfoCommand = 116;
    static constexpr int kFindCommand = 117;

    // What a control sends the window (wparam: its id), and what refreshPlayer posts (wparam: the player).
    static constexpr uint32_t kControlMessage = 0x8200;
    static constexpr uint32_t kRefreshMessage = 0x8201;
    // A menu command (wparam) for a player (lparam), as the menu runs it.
    static constexpr uint32_t kCommandMessage = 0x8202;

    explicit PlevntWindow(PlevntModel& plugin);
    ~PlevntWindow() override;

    // createUserInterface: makes the window on the calling thread, which
    // starts the players; false when either fails. destroyUserInterface is
    // closeByEngine: the close saves the view settings and the position and
    // lets the plug-in object finish the players.
    bool open(int showCommand);

    // ---- PlayerView ----
    void refreshPlayer(int player) override;
    void showTime(int player, const std::string& text) override;
    void showProgress(int player, int percent) override;

    // ---- what the user does, also reachable by tests (the window's thread) ----
    void runCommand(int command, int player);
    // The window's size (kSize...).
    void applySize(int size);
    int size() const { return size_; }
    // Adds the files (playlist files are read into the list) to the player's playlist.
    void addFiles(int player, const std::vector<std::string>& paths);
    // Adds every file of folder that one of the player's modules plays, in name order.
    void addDirectory(int player, const std::string& folder);
    // Selects the next row after the selection whose name holds text (any
    // case), wrapping around; false when none does.
    bool findInPlaylist(int player, const std::string& text);
    // The player the menu's playlist commands act on: the last one clicked.
    int focusedPlayer() const { return focusedPlayer_; }
    PlaylistView* playlistView(int player) const { return panels_[std::size_t(player)].playlist; }
    InfoView* infoView(int player) const { return panels_[std::size_t(player)].info; }
    TimeDisplay* timeDisplay(int player) const { return panels_[std::size_t(player)].time; }
    ProgressBar* progressBar(int player) const { return panels_[std::size_t(player)].progress; }
    zkr::NameField* titleField(int player) const { return panels_[std::size_t(player)].title; }

    // ---- window handlers ----
    bool createStageOne() override;
    int finishCreate() override;
    void beforeDestroy() override;
    bool onClose() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;
    void onControlContextMenu(zkr::Control* control, int x, int y) override;
    void onDoubleClick(intptr_t point, uintptr_t keys) override;

protected:
    // Files dropped on a player's half go into its playlist.
    bool dispatchDrop(int x, int y, const std::vector<std::string>& files) override;

private:
    struct Panel {
        zkr::BitmapButton* previous = nullptr;
        zkr::ToggleButton* play = nullptr;
        zkr::ToggleButton* pause = nullptr;
        zkr::BitmapButton* stop = nullptr;
        zkr::BitmapButton* next = nullptr;
        zkr::BitmapButton* open = nullptr;
        zkr::ToggleButton* loop = nullptr;
        zkr::NameField* title = nullptr;
        TimeDisplay* time = nullptr;
        ProgressBar* progress = nullptr;
        PlaylistView* playlist = nullptr;
        InfoView* info = nullptr;
    };

    template <typename Button>
    Button* addButton(int id, unsigned bitmap, const Box& place, const char* tooltip);
    void addPanel(int player);
    void onControl(int id);
    void showPlayer(int player);
    void restorePosition();
    void showMenu(int player, int x, int y);
    void openFile(int player);
    void loadPlaylist(int player);
    void savePlaylist(int player);
    void chooseDirectory(int player);
    void showEntryInfo(int player);
    void find(int player);
    void showDecoderModules();
    void showAbout();
    void message(const std::string& text, const char* caption);

    PlevntModel& plugin_;
    zkr::SkinImages images_{zkr::ownModule()};
    zkr::FileDialog fileDialog_;
    zkr::FileDialog playlistDialog_;
    std::array<std::atomic<bool>, 2> refreshPosted_{};
    // The window's thread from here on.
    std::array<Panel, 2> panels_{};
    int size_ = kSizeMedium;
    int focusedPlayer_ = 0;
    std::string lastFind_;
};

} // namespace plevnt
