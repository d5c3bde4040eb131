#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/core/ThreadSafety.h"
#include "plugins/tindle/BlockRing.h"
#include "zkr/MultimediaFile.h"
#include "zkr/MutexObject.h"
#include "zkr/ObjectBase.h"
#include "zkr/WaveformatConverter.h"

namespace tindle {

class EngineLink;
struct WaveformImage;

inline constexpr int kChannelCount = 4;

// Channel states.
inline constexpr int32_t kStateStopped = 0;
inline constexpr int32_t kStatePlaying = 1;
inline constexpr int32_t kStatePaused = 2;
inline constexpr int32_t kStateWaiting = 3; // for a synchronised start

// One of the four mono input streams. A stereo file lies in a pair: the owner
// (channel i) reads the file and hands the right half to its partner (i + 1).
//
// The fields after lock are guarded by it; ChannelSet takes the locks of a
// set of channels at once, which the lock analysis cannot follow. The
// streaming thread only tries the lock. What reads the file ahead (file,
// converter, readBuffer, ring, feedEnded) is the owner's and guarded by
// feedLock as well: it is changed under both locks, and the disk thread reads
// under feedLock alone. state and loop are atomics besides, for the threads
// that look without the channel lock.
struct ChannelRecord {
    zkr::MutexObject lock; // "ChannelLock%i"
    bool loaded = false;
    bool owner = false;
    int32_t partner = -1;
    // Shared by both channels of a pair; only the owner deletes them.
    zkr::MultimediaFile* file = nullptr;
    zkr::WaveformatConverter* converter = nullptr;
    // What the owner deletes: file and converter above, held by the owner alone.
    std::unique_ptr<zkr::MultimediaFile> ownedFile;
    std::unique_ptr<zkr::WaveformatConverter> ownedConverter;
    int32_t readSize = 0;
    std::unique_ptr<uint8_t[]> readBuffer; // owner only
    const uint8_t* outputData = nullptr;
    int32_t outputBytes = 0;
    std::atomic<int32_t> state{kStateStopped};
    int32_t previousState = kStateStopped;
    std::atomic<bool> loop{false};
    bool synchronised = false;
    int32_t delivered = 0;
    // A partner's block was shared by its owner in this cycle.
    bool shared = false;
    std::string path; // the file's full path, for titles and properties

    plat::AnnotatedMutex feedLock;
    std::unique_ptr<BlockRing> ring; // owner only
    bool feedEnded GUARDED_BY(feedLock) = false; // the ring holds the file's end
    // The ring holds the file's first blocks and none was taken: a start needs no rewind.
    std::atomic<bool> atStart{false};
    // Set by the streaming thread when looping was switched on after the
    // end was read ahead; the producer rewinds and reads on.
    std::atomic<bool> resumeFromStart{false};
    // Blocks the streaming thread found no ready block for, and cycles it
    // found the channel locked by the window's thread: each was silent.
    std::atomic<uint32_t> diskUnderruns{0};
    std::atomic<uint32_t> lockMisses{0};

    explicit ChannelRecord(int index);
};

// What shows the channels: the main window's strips. Every call may come from
// any thread (the streaming thread refreshes strips and moves cursors), so an
// implementation hands them to its window's thread.
class ChannelView {
public:
    virtual ~ChannelView() = default;
    // The strip shows the channel's record as it is now (buttons, title, cursor reset in state 0).
    virtual void refreshStrip(int channel) = 0;
    // A block was delivered: advance the play cursor (restarted: back to 0).
    virtual void advanceCursor(int channel, bool restarted) = 0;
    // Window's thread, opening a file: builds the picture of file (not yet in
    // any channel) while the modal progress dialog shows; 0 or the build's error.
    virtual int buildPicture(zkr::MultimediaFile& file, const std::string& path, WaveformImage& image) = 0;
    // Window's thread: the picture goes into channel's display (for a stereo
    // file the upper half into channel, the lower into channel + 1) with the
    // file's length.
    virtual void showPicture(int channel, const WaveformImage& image, uint32_t durationMs) = 0;
};

// The four channel records and every operation on them (reading a block,
// opening, closing, play/stop, pause, loop, synchronise, loading a
// recording). Errors are reported through setError of this object.
// An error found by the file or the converter was already reported by that
// object; this one records it in lastError without showing it again.
//
// Threads: readBlock and streamingError on the engine's streaming thread,
// everything else on the window's thread (closeAll also on the engine's main
// thread, from setupAudioSystem). Each window operation takes the locks of the
// channels it changes (in ascending order, so owner before partner; waits of
// 50 ms); an operation that does not get a lock leaves the record untouched.
// The streaming thread never waits: it only tries a channel's lock, and a
// channel it cannot lock, or whose next block is not read yet, is silent for
// that block (counted in lockMisses and diskUnderruns).
//
// Files are read ahead on the player's disk thread ("tindle-disk") into a ring
// of blocks per file, sized from the disk buffer; a start reads the first
// blocks on the window's thread before the channel plays. With
// VELMORA_READ_IN_STREAM=1 (read once) there is no disk thread and the
// streaming thread reads each block as it needs it, the old way, kept for the
// benches. A thread outside the streaming cycle's real-time section (a test
// reading as the engine would, a render no sound card paces) reads a block
// that is not ready itself rather than miss it.
//
// Buffers a stream reads from are freed only after the engine detached that
// stream (the detach event), which returns once its streaming thread no
// longer copies from them.
class ChannelSet : public zkr::ObjectBase {
public:
    static constexpr uint32_t kLockWaitMs = 50;

    explicit ChannelSet(EngineLink& engineLink);
    ~ChannelSet() override;

    // The plug-in's title, as the context of the errors it reports.
    int getName(char* buffer) override;

    // Set by the plug-in while its window exists (null before and after).
    std::atomic<ChannelView*> view{nullptr};

    // ---- streaming thread ----
    bool readBlock(int channel, const int16_t** block, int32_t* bytes);
    void streamingError();

    // ---- window's thread ----
    // 0 or the error (NoFreeChannelsForFile, NoFreeMixerChannels,
    // NotImplemented, OutOfMemory, the file's errors), already reported.
    int open(int channel, const std::string& path);
    // The file names of the channels (bits), each file once; with their locks held.
    std::string titleOf(int channels);
    // Tells the engine what started playing (its file names).
    void announce(const std::string& title);
    void close(int channel);
    int playStop(int channel); // 0 or OutputNotReady
    void pause(int channel);
    void setLoop(int channel, bool loop);
    void setSynchronised(int channel, bool synchronised);
    // The pre-recorder's file into the first free channel (pair): 0, NoFreeChannelsForFile or open's error.
    int loadRecording(const std::string& path, int fileChannels);
    // Closes every loaded channel (set-up of the audio system).
    void closeAll();
    // Lets every file go without telling the engine or the view: the plug-in
    // is being unloaded and the engine has let go of its streams already.
    void releaseAll();

    ChannelRecord& record(int channel) { return *records_[std::size_t(channel)]; }

    // Blocks of a ring: as many engine blocks as the disk buffer holds,
    // within these bounds, plus the one the streaming thread holds.
    static constexpr int kFewestReadAheadBlocks = 4;
    static constexpr int kMostReadAheadBlocks = 64;
    // Reading in the streaming thread: the block in hand and the next.
    static constexpr int kReadInStreamBlocks = 2;

private:
    class Locks;

    // The attach, detach or start streaming event with the engine's answer (0
    // without an engine).
    int32_t sendEvent(intptr_t code, intptr_t target, intptr_t index);
    // Records code and, unless the failing object reported it already, reports it.
    int fail(int code, bool reported);
    // Tells which file cannot be played and what it holds; records NotImplemented.
    int refuseFormat(const std::string& path, const zkr::WaveFormat& format);
    // Streaming thread, owner locked: the partner takes the owner's state and
    // block (right: the block's right half, null for none).
    void sharePartner(const ChannelRecord& owner, const uint8_t* right);
    // Streaming thread, owner locked: lets the last block go and takes the
    // next one, or null. Outside the real-time section (and reading in the
    // stream) a block not yet read is read here.
    const BlockRing::Block* takeBlock(ChannelRecord& owner);
    // Feed lock held: reads the owner's next block into block (0 bytes at the
    // file's end, which ends the feed).
    void produce(ChannelRecord& owner, BlockRing::Block& block) REQUIRES(owner.feedLock);
    // Feed lock held: one more block into the ring of a channel that plays or
    // waits; false when there is nothing to do.
    bool topUp(ChannelRecord& owner) REQUIRES(owner.feedLock);
    // Window's thread, a stopped owner: its file from the beginning, with
    // the ring filled before it may play. Nothing when it is there already.
    void prepareStart(ChannelRecord& owner);
    // The next converted block of a file whose rate changes, reading (and
    // looping) as the filter needs; its bytes, 0 at the end.
    uint32_t readResampled(ChannelRecord& owner, bool& restarted);
    // Reads the owner's next piece into target; at the file's end a looping
    // channel starts it again (restarted). False on a read error.
    bool readLooping(ChannelRecord& owner, uint8_t* target, int32_t& got, bool& restarted);
    // The disk thread: tops up every ring that plays until asked to end.
    void diskLoop();
    // Tells the disk thread that a ring has room or a file starts.
    void wakeDisk();
    void refresh(int channel);
    // The channel and, for a right channel, its owner: the whole pair closes.
    void closePair(int channel);
    // Drops a channel's file (deleting it when the channel owns it) and clears
    // the record; the caller holds its lock.
    void clearRecord(ChannelRecord& channel);
    // Sets state (and delivered 0) on channel and its partner; caller holds
    // both locks. A stopped file that starts plays from its beginning.
    void setPairState(int channel, int32_t state);
    // Streaming thread, at a synchronised loop restart of restarting: the
    // waiting channels start.
    void releaseWaiting(int restarting);
    bool isLoaded(int channel);

    static constexpr size_t kRefusalSize = 640;

    EngineLink& engineLink_;
    std::string refusal_; // the text of the last refused format, while it shows
    std::array<std::unique_ptr<ChannelRecord>, kChannelCount> records_;

    const bool readInStream_;
    // Bumped (and notified) for the disk thread when there is work; it
    // sleeps on the value it saw last.
    std::atomic<uint32_t> diskWork_{0};
    std::atomic<bool> diskEnding_{false};
    std::thread disk_; // last: started once the records exist
};

} // namespace tindle
