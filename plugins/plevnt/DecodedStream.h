#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/ui/Messages.h"
#include "plugins/plevnt/AudioDecoder.h"
#include "plugins/plevnt/StreamInfo.h"
#include "zkr/ObjectBase.h"
#include "zkr/SharedBuffer.h"
#include "zkr/WaveFormat.h"

namespace plevnt {

// What a decoded stream posts to its notification window (lparam: the
// player index).
inline constexpr uint32_t kStreamStartedMessage = 0x8064;
inline constexpr uint32_t kStreamEndedMessage = 0x8065; // wparam: the stream had played before
inline constexpr uint32_t kProgressMessage = 0x8066;
// Progress is posted once per this many decoded blocks.
inline constexpr int32_t kBlocksPerProgress = 25;

// Player modes as ESGetPlayerMode's answer reads.
enum class PlayerMode { Stopped = 0, Playing = 1, Paused = 2 };

// One stream on one decoder module: opening a file, playback control, and the
// module's output and event callbacks, which put decoded blocks into the
// player's shared buffer and post the notifications.
//
// Threads: everything but the callbacks runs on the window's thread. The
// callbacks run on the module's thread and touch only the shared buffer (its
// own lock), the atomics below and the notification window (posts).
class DecodedStream : public zkr::ObjectBase {
public:
    using Hook = bool (*)(void* context);

    DecodedStream();
    ~DecodedStream() override;

    // Opens path on decoder: 0, or NotImplemented (a module mode, or a format the
    // player cannot convert to target), 30 (the module refused). channelBytes
    // is one mono block of the engine; the block size is that, doubled for
    // stereo. Reported.
    int open(AudioDecoder& decoder, const std::string& path, int32_t channelBytes, const zkr::WaveFormat& target);
    // ESClose and ESDeInitModule (nothing when not open).
    void close();
    bool isOpen() const { return handle_ != 0; }

    // Playback control: 0, or PluginInternal when the module refuses (reported).
    int play();
    int stop();
    int pause();
    int resume();
    int seek(uint32_t positionMs);
    PlayerMode mode() const;
    uint32_t position() const;
    // The stream size in milliseconds; 1 when unknown.
    uint32_t size() const;

    // Where decoded blocks go, who is told, and the player's marker that the
    // module has ended (its reader then stops once the ring is empty). Set
    // before play.
    void connect(zkr::SharedBuffer* buffer, std::atomic<bool>* endedMarker, plat::ui::WindowHandle window,
                 int playerIndex);
    void setHooks(Hook started, Hook stopped, void* context);

    AudioDecoder* decoder() const { return decoder_; }
    const StreamInfo& info() const { return info_; }
    bool stereo() const { return stereo_; }
    // What the module delivers.
    const zkr::WaveFormat& sourceFormat() const { return sourceFormat_; }
    int32_t blockSize() const { return blockSize_; }

    int getName(char* buffer) override;

    // The module's callbacks (context: the stream).
    static decoder::Bool outputCallback(const void* data, int32_t, int32_t, int32_t, int32_t bytes, void* context);
    static decoder::Bool eventCallback(decoder::Bool started, void* context);

private:
    bool deliver(const void* data, int32_t bytes);
    bool streamEvent(bool started);
    void post(uint32_t message, uintptr_t wparam);
    // Makes a stream handle with the player's modes and callbacks: 0, NotImplemented or PluginInternal.
    int createHandle();
    // Reads the information record: false when the module refuses.
    bool readInfo();
    int fail(int code);

    AudioDecoder* decoder_ = nullptr;
    decoder::StreamHandle handle_ = 0;
    StreamInfo info_{};
    bool stereo_ = false;
    zkr::WaveFormat sourceFormat_{};
    int32_t blockSize_ = 0;

    // Set on the window's thread while no stream plays; read by the callbacks.
    std::atomic<zkr::SharedBuffer*> buffer_{nullptr};
    std::atomic<std::atomic<bool>*> endedMarker_{nullptr};
    std::atomic<plat::ui::WindowHandle> window_{nullptr};
    std::atomic<int> playerIndex_{0};
    std::atomic<Hook> startedHook_{nullptr};
    std::atomic<Hook> stoppedHook_{nullptr};
    std::atomic<void*> hookContext_{nullptr};
    // Shared with the module's thread.
    std::atomic<int32_t> outputCounter_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> wasPlaying_{false};
};

} // namespace plevnt
