#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

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
// set of channels at once, which the lock analysis cannot follow.
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
    int32_t state = kStateStopped;
    int32_t previousState = kStateStopped;
    bool loop = false;
    bool synchronised = false;
    int32_t delivered = 0;
    std::string path; // the file's full path, for titles and properties

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
// thread, from setupAudioSystem). Each operation takes the locks of the
// channels it changes (in ascending order, so owner before partner; waits of
// 50 ms); an operation that does not get a lock leaves the record untouched:
// a command does nothing, a read delivers nothing. Buffers a stream reads
// from are freed only after the engine detached that stream (the detach event), which
// returns once its streaming thread no longer copies from them.
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
    // Tells the engine the file names of the channels (bits) that started playing.
    void announce(int channels);
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

private:
    class Locks;

    // The attach, detach or start streaming event with the engine's answer (0
    // without an engine).
    int32_t sendEvent(intptr_t code, intptr_t target, intptr_t index);
    // Records code and, unless the failing object reported it already, reports it.
    int fail(int code, bool reported);
    // Tells which file cannot be played and what it holds; records NotImplemented.
    int refuseFormat(const std::string& path, const zkr::WaveFormat& format);
    // Streaming thread, owner locked: the partner takes the owner's state and block.
    void sharePartner(const ChannelRecord& owner);
    // Streaming thread: the next converted block of a file whose rate
    // changes, reading (and looping) as the filter needs; its bytes, 0 at the end.
    uint32_t readResampled(ChannelRecord& owner, int channel, bool& restarted);
    // Reads the owner's next piece into its read buffer; at the file's end a
    // looping channel starts it again (restarted). False on a read error.
    bool readLooping(ChannelRecord& owner, int channel, int32_t& got, bool& restarted);
    void refresh(int channel);
    // The channel and, for a right channel, its owner: the whole pair closes.
    void closePair(int channel);
    // Drops a channel's file (deleting it when the channel owns it) and clears
    // the record; the caller holds its lock.
    void clearRecord(ChannelRecord& channel);
    // Sets state (and delivered 0) on channel and its partner; caller holds both locks.
    void setPairState(int channel, int32_t state);
    // Streaming thread, at a synchronised loop restart of restarting: the
    // waiting channels start.
    void releaseWaiting(int restarting);
    bool isLoaded(int channel);

    static constexpr size_t kRefusalSize = 640;

    EngineLink& engineLink_;
    std::string refusal_; // the text of the last refused format, while it shows
    std::array<std::unique_ptr<ChannelRecord>, kChannelCount> records_;
};

} // namespace tindle
