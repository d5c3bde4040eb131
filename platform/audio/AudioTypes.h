#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/core/Api.h"

// Records shared by the sound-device interface: results, formats, capabilities
// and the block header that callers queue on a device.
namespace plat::audio {

enum class Direction : int {
    Output = 0,
    Input = 1,
};

// Results of device operations. The numbers are those of the system's original
// platform (its multimedia and wave error codes), so callers can keep mapping
// them the way they always did; errorText gives each its text. A result is
// how every operation reports failure, so none may be dropped unread.
enum class [[nodiscard]] Result : int {
    Ok = 0,
    Error = 1,         // unspecified failure of the sound system
    BadDeviceId = 2,   // no device with that index
    NotEnabled = 3,    // the device exists but cannot be used now (e.g. no file configured)
    Allocated = 4,     // the device is busy (held by another program)
    InvalidHandle = 5, // the device is closed
    NoDriver = 6,      // no sound system answers
    NoMemory = 7,
    NotSupported = 8, // the operation does not apply to this direction
    InvalidParameter = 11,
    BadFormat = 32,    // the device does not take this PCM format
    StillPlaying = 33, // the block is still queued on the device
    Unprepared = 34,   // the block was not prepared
};

// The standard-format flags of the capability record: rate, channels, bits.
inline constexpr uint32_t kFormat11kMono8 = 0x0001;
inline constexpr uint32_t kFormat11kStereo8 = 0x0002;
inline constexpr uint32_t kFormat11kMono16 = 0x0004;
inline constexpr uint32_t kFormat11kStereo16 = 0x0008;
inline constexpr uint32_t kFormat22kMono8 = 0x0010;
inline constexpr uint32_t kFormat22kStereo8 = 0x0020;
inline constexpr uint32_t kFormat22kMono16 = 0x0040;
inline constexpr uint32_t kFormat22kStereo16 = 0x0080;
inline constexpr uint32_t kFormat44kMono8 = 0x0100;
inline constexpr uint32_t kFormat44kStereo8 = 0x0200;
inline constexpr uint32_t kFormat44kMono16 = 0x0400;
inline constexpr uint32_t kFormat44kStereo16 = 0x0800;

// Optional-feature flags of output devices (the capability record's support field).
inline constexpr uint32_t kSupportPitch = 0x0001;
inline constexpr uint32_t kSupportPlaybackRate = 0x0002;
inline constexpr uint32_t kSupportVolume = 0x0004;
inline constexpr uint32_t kSupportLeftRightVolume = 0x0008;
inline constexpr uint32_t kSupportSync = 0x0010;
inline constexpr uint32_t kSupportSampleAccurate = 0x0020;
inline constexpr uint32_t kSupportDirectSound = 0x0040;

inline constexpr size_t kDeviceNameSize = 130; // including the terminating zero

// One device's capabilities. Ids and the driver version are 0 where the
// sound system does not know them.
struct DeviceCaps {
    uint16_t manufacturerId = 0;
    uint16_t productId = 0;
    uint16_t driverVersion = 0; // major in the high byte, minor in the low byte
    char name[kDeviceNameSize] = {};
    uint32_t formats = 0;  // kFormat* flags the device really accepts
    uint32_t channels = 0; // 1 mono, 2 stereo
    uint32_t support = 0;  // kSupport* flags; 0 for input devices
};

// Linear PCM: 8-bit samples are unsigned, wider ones signed little-endian.
// Bits may be 8, 16, 24 or 32; channels 1 to 8.
struct PcmFormat {
    uint32_t samplesPerSecond = 44100;
    uint16_t channels = 2;
    uint16_t bitsPerSample = 16;

    uint32_t blockAlign() const { return channels * (bitsPerSample / 8u); }
    uint32_t bytesPerSecond() const { return samplesPerSecond * blockAlign(); }
};

// Block flags, with the values of the original platform's wave header.
inline constexpr uint32_t kBlockDone = 0x0001;     // handed back by the device
inline constexpr uint32_t kBlockPrepared = 0x0002; // may be queued
inline constexpr uint32_t kBlockInQueue = 0x0010;  // belongs to the device

// A block of samples queued on a device, like the original wave header. The
// memory belongs to the caller and must stay valid while the block is queued.
// From queue() until the done callback the device owns the block: the caller
// touches neither data nor bytesRecorded then. flags is atomic so that it may
// be polled from any thread; user is never touched by the device and is
// atomic because callers use it as a hand-off flag between their threads.
struct Block {
    void* data = nullptr;
    uint32_t length = 0;        // bytes in data (whole frames are used)
    uint32_t bytesRecorded = 0; // input: bytes recorded; output: bytes played
    std::atomic<intptr_t> user{0};
    std::atomic<uint32_t> flags{0};
};

// Called on the device's own thread when a block has been played (output) or
// recorded (input), and for every block that reset or close hands back. The
// block is marked done (kBlockDone set, kBlockInQueue clear) before the call.
// The callback may queue blocks on the same device and may call reset, pause,
// restart, start and stop; it must not close or destroy its device.
using BlockCallback = void (*)(void* context, Block* block);

// Problems a device met and recovered from. underruns: the output ran dry
// while playing; overruns: recorded samples were lost because no block was
// queued in time.
struct DeviceCounters {
    uint64_t underruns = 0;
    uint64_t overruns = 0;
    uint64_t blocksDone = 0; // blocks handed back, finished or not
    uint64_t bytesDone = 0;  // bytes played or recorded in them
};

} // namespace plat::audio
