#pragma once

#include <string>

namespace plevnt {

// What shows the players: the plug-in window implements it.
class PlayerView {
public:
    virtual ~PlayerView() = default;
    // The player's panel shows its state as it is now (buttons, title, loop
    // switch, playlist view and information view). Any thread: the engine's
    // set-up call refreshes too, so an implementation hands it to its own
    // thread.
    virtual void refreshPlayer(int player) = 0;
    // The window's thread: the time display ("hh:mm:ss").
    virtual void showTime(int player, const std::string& text) = 0;
    // The window's thread: the progress display, 0 to 100.
    virtual void showProgress(int player, int percent) = 0;
};

} // namespace plevnt
