#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/Messages.h"
#include "plugins/plevnt/DecodedStream.h"
#include "plugins/plevnt/DecoderManager.h"
#include "plugins/plevnt/Playlist.h"
#include "zkr/MutexObject.h"
#include "zkr/ObjectBase.h"
#include "zkr/SharedBuffer.h"
#include "zkr/WaveformatConverter.h"

namespace plevnt {

class PlevntModel;

// Player states.
inline constexpr int32_t kStateStopped = 0;
inline constexpr int32_t kStatePlaying = 1;
inline constexpr int32_t kStatePaused = 2;

// One of the two media players: its decoder modules, its decoded stream, the
// shared buffer the module fills and the engine empties, its playlist, and
// the pair of engine streams 2p (left or mono) and 2p + 1 (right).
//
// Threads: readStream runs on the engine's streaming thread, the module's
// callbacks on the module's thread (they touch the shared buffer, which has
// its own lock, and state), everything else on the window's thread.
// deliveryLock guards the delivery state (work block, converter, output
// pointers, length, split and stereo flags, the buffer's allocation) against
// readStream; state is atomic because the module's stop clears it.
// What listeners are told a file is: "artist - title" from its tags, else its file name.
std::string nowPlayingTitle(const StreamInfo& info, const std::string& path);

class Player : public zkr::ObjectBase {
public:
    static constexpr uint32_t kLockWaitMs = 50;
    static constexpr int kBufferBlocks = 10;

    Player(PlevntModel& plugin, int index);
    ~Player() override;

    int index() const { return index_; }
    // 1-based, as the module copies and playlist files name the player.
    int number() const { return index_ + 1; }

    // ---- streaming thread ----
    // Stream 2p (right false) or 2p + 1 (right true); false when it has ended.
    bool readStream(bool right, const int16_t** block, int32_t* bytes);
    uint32_t missedBlocks() const { return missedBlocks_.load(std::memory_order_relaxed); }

    // ---- window's thread ----
    // Loads this player's decoder modules and shows the unknown-module
    // message once: 0, NoDecoderModules or WriteFailed.
    int loadDecoders(const std::string& folder);
    void releaseDecoders();
    DecoderManager& decoders() { return decoders_; }

    // Opens path (choosing its module), appends it to the playlist when asked
    // and starts playing when asked: 0 or the reported error (ReadFailed when path
    // is no regular file, NoDecoderForFormat, NotNow, the stream's).
    int open(const std::string& path, bool addToPlaylist, bool play);
    // Does nothing while playing, or while paused unless forced: 0, OutputNotReady or PluginInternal.
    int play(bool forced = false);
    void stop();
    // Playing: pause; paused: resume.
    void pause();
    // Opens the next / previous / given playlist entry and plays it when play
    // is set: 0, NotNow while paused, IndexOutOfRange at the end of the list, or open's error.
    int next(bool play);
    int previous(bool play);
    int playEntry(int entry);
    int seek(uint32_t positionMs);
    // Stops and closes the stream and frees the blocks (a new engine set-up).
    void closeStream();

    // The attach and detach events for this player's streams: 0, or
    // Error::NoFreeMixerChannels when attaching is refused.
    int attach();
    void detach();
    bool attached() const { return attached_.load(); }

    // The notifications.
    void streamStarted();
    // Loop, skip or the next entry; detaches when nothing could be started.
    void streamEnded(bool wasPlaying);
    // Position and size; true when the cross-fade lead has been reached.
    bool progress(bool autoCrossFade, uint32_t leadMs);
    // Cross-fade: starts the next entry if this player is stopped and one opens.
    bool startNextForCrossFade();

    int32_t state() const { return state_.load(); }
    bool loop = false;
    Playlist playlist;
    // The open stream's information (zero when none).
    StreamInfo currentInfo() const;
    std::string currentPath() const { return path_; }
    // Tells the engine what this player now plays, for the listeners of a broadcast.
    void announce();
    uint32_t positionMs() const { return positionMs_; }
    // The open stream's length; 0 when none is open or the module does not know it.
    uint32_t lengthMs() const;
    int progressPercent() const { return percent_; }

    int getName(char* buffer) override;

private:
    int fail(int code);
    int prepareBuffer(int32_t blockSize);
    void freeBuffers();
    // Opens and plays the playlist entry at index; the entry's information
    // is refreshed from the opened stream.
    int openEntry(int entry, bool play);
    void refreshView();

    PlevntModel& plugin_;
    const int index_;
    DecoderManager decoders_;
    std::unique_ptr<DecodedStream> stream_;
    std::string path_;
    zkr::SharedBuffer buffer_;
    std::atomic<int32_t> state_{kStateStopped};
    // Set by the module's end (the decoded stream's marker).
    std::atomic<bool> ended_{false};
    // Set by the reader once the ended module's last block went out; the
    // window's thread then decides whether the stream goes on (loop, next
    // entry) or ends.
    std::atomic<bool> drained_{false};
    // While the window's thread starts the stream again after an end, the
    // reader keeps it running (empty blocks), so the engine does not stop
    // between two files.
    std::atomic<bool> continuing_{false};
    // When the engine last read the left stream (steady clock, ms).
    std::atomic<int64_t> lastRead_{0};
    std::atomic<bool> attached_{false};
    // Blocks the streaming thread found not yet decoded in its real-time section: each was silent.
    std::atomic<uint32_t> missedBlocks_{0};
    uint32_t positionMs_ = 0;
    int percent_ = 0;

    zkr::MutexObject deliveryLock_;
    zkr::WaveformatConverter converter_ GUARDED_BY(deliveryLock_);
    std::unique_ptr<uint8_t[]> workBlock_ GUARDED_BY(deliveryLock_);
    int32_t workBlockSize_ GUARDED_BY(deliveryLock_) = 0;
    const uint8_t* left_ GUARDED_BY(deliveryLock_) = nullptr;
    const uint8_t* right_ GUARDED_BY(deliveryLock_) = nullptr;
    int32_t lastLength_ GUARDED_BY(deliveryLock_) = 0;
    bool split_ GUARDED_BY(deliveryLock_) = false;
    bool stereo_ GUARDED_BY(deliveryLock_) = false;
};

} // namespace plevnt
