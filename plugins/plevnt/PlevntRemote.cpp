// The desktop's media keys and now-playing panel (MPRIS): what they do to
// the players and what they are shown, on the window's thread.

#include <algorithm>
#include <string>

#include "api/Protocol.h"
#include "platform/core/FileUri.h"
#include "platform/ui/MessageQueue.h"
#include "plugins/plevnt/PlevntPlugin.h"
#include "plugins/plevnt/PlevntWindow.h"

namespace plevnt {

namespace {

constexpr int64_t kMicrosecondsPerMillisecond = 1000;

std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void PlevntPlugin::playerChanged()
{
    if (changePosted_.exchange(true))
        return;
    if (plat::ui::WindowHandle target = window_.load();
        target == nullptr || !plat::ui::postMessage(target, kPlayerChangedMessage, 0, 0))
        changePosted_.store(false); // the window has closed: nothing to tell
}

int PlevntPlugin::remoteTarget() const
{
    const auto in = [this](int index, int32_t state) {
        return players_[std::size_t(index)]->state() == state;
    };
    if (in(0, kStatePlaying) && in(1, kStatePlaying))
        return skipNextEnd >= 0 && skipNextEnd < kPlayerCount ? 1 - skipNextEnd : 0;
    for (int32_t state : {kStatePlaying, kStatePaused})
        for (int index = 0; index < kPlayerCount; ++index)
            if (in(index, state))
                return index;
    return 0;
}

void PlevntPlugin::onRemoteCommand(RemoteCommand command, int64_t argumentMs)
{
    const auto any = [this](int32_t state) {
        return std::any_of(players_.begin(), players_.end(),
                           [state](const auto& each) { return each->state() == state; });
    };
    if (command == RemoteCommand::PlayPause)
        command = any(kStatePlaying) ? RemoteCommand::Pause : RemoteCommand::Play;
    Player& target = player(remoteTarget());
    const bool playing = target.state() == kStatePlaying;
    bool seeked = false;
    switch (command) {
    case RemoteCommand::Play:
        // Both halves of a paused cross-fade go on together.
        if (any(kStatePaused)) {
            for (auto& each : players_)
                if (each->state() == kStatePaused)
                    each->pause();
        } else if (!playing) {
            // As the play button: a player with no file starts its playlist.
            if (target.currentPath().empty())
                target.next(true);
            else
                target.play();
        }
        break;
    case RemoteCommand::Pause:
        for (auto& each : players_)
            if (each->state() == kStatePlaying)
                each->pause();
        break;
    case RemoteCommand::Stop:
        for (auto& each : players_) {
            // Only a playing player stops: a paused one goes on first.
            if (each->state() == kStatePaused)
                each->pause();
            each->stop();
        }
        break;
    // A paused player keeps its entry, as its buttons do, but no key
    // raises the message the buttons' refusal shows.
    case RemoteCommand::Next:
        if (target.state() != kStatePaused)
            target.next(playing);
        break;
    case RemoteCommand::Previous:
        if (target.state() != kStatePaused)
            target.previous(playing);
        break;
    case RemoteCommand::SeekBy:
    case RemoteCommand::SeekTo: {
        const int64_t length = target.lengthMs();
        int64_t to = command == RemoteCommand::SeekBy ? target.positionMs() + argumentMs : argumentMs;
        to = std::max<int64_t>(to, 0);
        // A stream of unknown length is not seekable (CanSeek says so).
        if (length == 0)
            break;
        // Beyond the end is the next entry.
        if (to >= length) {
            if (target.state() != kStatePaused)
                target.next(playing);
            break;
        }
        seeked = target.seek(uint32_t(to)) == toWire(engine::Error::Ok);
        break;
    }
    case RemoteCommand::Raise:
        if (window)
            window->showByEngine(true);
        break;
    case RemoteCommand::PlayPause:
        break;
    }
    publishNowPlaying(seeked);
}

NowPlaying PlevntPlugin::nowPlaying(int index)
{
    Player& chosen = player(index);
    NowPlaying now;
    const int32_t state = chosen.state();
    now.status = state == kStatePlaying  ? NowPlaying::Status::Playing
                 : state == kStatePaused ? NowPlaying::Status::Paused
                                         : NowPlaying::Status::Stopped;
    const Playlist& list = chosen.playlist;
    const int entry = list.currentIndex();
    const std::string path = chosen.currentPath();
    now.canPlay = !path.empty() || list.size() > 0;
    now.canPause = now.canPlay;
    now.canGoNext = entry + 1 < list.size();
    now.canGoPrevious = entry > 0;
    if (path.empty())
        return now;
    StreamInfo info = chosen.currentInfo();
    if (info.valid == 0 && list.currentEntry() != nullptr && path == list.currentEntry()->path)
        info = list.currentEntry()->info;
    // A valid D-Bus object path: only letters, digits and '_' in its parts.
    now.trackId = "/org/velmora/Velmora/Player" + std::to_string(chosen.number()) + "/" +
                  (entry >= 0 ? "Entry" + std::to_string(entry) : std::string("File"));
    now.title = info.valid != 0 && info.title[0] != '\0' ? std::string(info.title) : fileNameOf(path);
    if (info.valid != 0) {
        now.artist = info.artist;
        now.album = info.album;
    }
    now.url = plat::fileUriOf(path);
    const uint32_t length = chosen.lengthMs();
    now.lengthUs = int64_t(length != 0         ? length
                           : info.hasSize != 0 ? info.size
                                               : 0) *
                   kMicrosecondsPerMillisecond;
    now.canSeek = length != 0;
    return now;
}

void PlevntPlugin::publishNowPlaying(bool seeked)
{
    const int index = remoteTarget();
    mpris_.publish(nowPlaying(index), player(index).positionMs(), seeked);
}

} // namespace plevnt
