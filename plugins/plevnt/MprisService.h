#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/core/ThreadSafety.h"
#include "platform/core/UniqueFd.h"

struct sd_bus;

namespace plevnt {

// What the desktop is shown of the player it controls (MPRIS's
// PlaybackStatus, Metadata and the Can* switches).
struct NowPlaying {
    enum class Status { Stopped, Playing, Paused };
    Status status = Status::Stopped;
    // An object path naming the player and the entry; empty: no track.
    std::string trackId;
    std::string title;
    std::string artist;
    std::string album;
    std::string url;
    int64_t lengthUs = 0;
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
    bool canGoNext = false;
    bool canGoPrevious = false;

    bool operator==(const NowPlaying&) const = default;
};

// What the desktop asks of the player (the MPRIS methods), handed to the
// player's window thread; argument: milliseconds for the seeks.
enum class RemoteCommand : uintptr_t { Play, Pause, PlayPause, Stop, Next, Previous, SeekBy, SeekTo, Raise };

// The media player on the session bus: owns org.mpris.MediaPlayer2.velmora
// and serves the MPRIS root and player interfaces on a thread of its own.
// Without a session bus, or with the name owned by someone else, the thread
// ends quietly; so it does when the bus goes away later.
//
// Threads: start, stop and publish on the player's window thread; the rest
// on the bus thread, which hands commands to the callbacks given (they must
// only post, never wait for the window's thread). mailboxLock_ guards what
// publish leaves for the bus thread; the wake-up fd tells it to look.
class MprisService {
public:
    static constexpr char kBusName[] = "org.mpris.MediaPlayer2.velmora";

    struct Callbacks {
        std::function<void(RemoteCommand, int64_t argumentMs)> command;
        // A local file to open and play as a file handed on the command line.
        std::function<void(const std::string& path)> openFile;
    };

    explicit MprisService(Callbacks callbacks);
    ~MprisService();
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    // Starts the bus thread; a second start does nothing until stop.
    void start();
    // Ends the bus thread and gives up the name.
    void stop();
    // The player's state now; seeked: a seek moved it to positionMs.
    void publish(const NowPlaying& now, uint32_t positionMs, bool seeked);

    // ---- the bus thread's (the sd-bus callbacks) ----
    NowPlaying latest() const EXCLUDES(mailboxLock_);
    int64_t positionUs() const EXCLUDES(mailboxLock_);
    const Callbacks& callbacks() const { return callbacks_; }

private:
    void run();
    void wake();
    // PropertiesChanged for what differs from shown, and Seeked after a seek.
    void emitChanges(sd_bus* bus, NowPlaying& shown) EXCLUDES(mailboxLock_);

    const Callbacks callbacks_;
    plat::UniqueFd wakeFd_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    // The window's thread: what was last handed over.
    NowPlaying published_;

    mutable plat::AnnotatedMutex mailboxLock_;
    NowPlaying latest_ GUARDED_BY(mailboxLock_);
    int64_t positionUs_ GUARDED_BY(mailboxLock_) = 0;
    bool changed_ GUARDED_BY(mailboxLock_) = false;
    bool seeked_ GUARDED_BY(mailboxLock_) = false;
};

} // namespace plevnt
