#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/AudioTypes.h"
#include "platform/audio/Device.h"
#include "zkr/Error.h"
#include "zkr/List.h"
#include "zkr/ObjectBase.h"
#include "zkr/WaveFormat.h"

namespace zkr {

// One installed device's capabilities, as kept in the capability list.
struct DeviceCapabilities {
    uint16_t manufacturerId = 0;
    uint16_t productId = 0;
    uint16_t driverVersion = 0; // major in the high byte, minor in the low byte
    char name[130] = {};
    uint32_t formats = 0;  // standard-format flags, 1 to 2048
    uint32_t channels = 0; // 1 mono, 2 stereo
    uint32_t support = 0;  // optional-feature flags; 0 for input devices
};
static_assert(sizeof(DeviceCapabilities) == 148);

// The text of one standard-format flag, "%u" for any other value.
void formatName(uint32_t flag, char* text, int size);

// The common base of the wave output and input devices: the installed
// devices of one direction, the selected device, the PCM format and a ring of
// blocks. A block's user field is its queued flag: 1 while it is with the
// device, 0 when it is free. The flag is the hand-off between the thread that
// fills or drains blocks and the device's callback thread: each side touches
// only the blocks the flag gives it.
class WaveDevice : public ObjectBase {
public:
    static constexpr int kWaveMapper = -1;
    static constexpr int kDefaultBlockCount = 5;
    static constexpr uint32_t kDefaultBlockSize = 8192;
    static constexpr int kErrorTextSize = 256;
    // Messages of onDeviceMessage.
    static constexpr uint32_t kMessageOutputDone = 0x3BD;
    static constexpr uint32_t kMessageInputData = 0x3C0;

    explicit WaveDevice(plat::audio::Direction direction);
    // Releases the ring. Derived classes close the device in their own
    // destructors, while their message handler still exists.
    ~WaveDevice() override;

    // Reads one installed device of this direction. Input devices have no
    // optional features: their support flags stay 0.
    virtual int getCaps(int device, DeviceCapabilities* caps);
    virtual int openDevice(int device, plat::audio::BlockCallback callback) = 0;
    // Resets and closes the device; the open flag stays set when closing
    // fails.
    virtual int closeDevice();
    virtual void onDeviceMessage(uint32_t message, plat::audio::Block* header) = 0;

    // NotNow while open. An index outside the installed devices selects the wave
    // mapper.
    int selectDevice(int index);
    int setFormat(uint32_t samplesPerSecond, uint16_t channels, uint16_t bitsPerSample);
    // Replaces the ring by count zeroed blocks of size bytes and a spare block
    // of the same size; OutOfMemory when memory runs out (or for a count or size below
    // 1), NotNow while the device is open.
    int allocateBlocks(int count, uint32_t size);
    void releaseBlocks();
    // No block queued (also true without a ring).
    bool allFree() const;
    // Reports a platform failure: its text becomes the error context, Error::PlainMessage.
    int reportDeviceError(plat::audio::Result result);

    plat::audio::Block& block(int index) { return blocks[index]; }

    const plat::audio::Direction direction;
    int32_t deviceCount = 0;
    List<DeviceCapabilities> capabilities{0, true, 4};
    WaveFormat format = pcmFormat(44100, 2, 16);
    // The fields below belong to the owner's thread; the callback thread reads
    // blocks, spare block and handle only while the device is open, when they
    // do not change.
    bool deviceOpen = false;
    int32_t blockCount = kDefaultBlockCount;
    uint32_t blockSize = kDefaultBlockSize;
    std::unique_ptr<plat::audio::Block[]> blocks;
    plat::audio::Block spareBlock;
    bool allocated = false;
    int32_t deviceId = kWaveMapper;
    std::unique_ptr<plat::audio::Device> handle;
    char errorText[kErrorTextSize] = {};

protected:
    // Fills the capability list; derived constructors call it once their
    // getCaps exists.
    void readCapabilities();
    // Opens device of this direction with the format and this object as the
    // callback's context; on success the device is open and the error
    // cleared. A failure is recorded, with the sound system's reason, and
    // reporting it is left to the caller.
    int openDirection(int device, plat::audio::BlockCallback callback);
    // Keeps a platform failure's text as the error context and its code as
    // the last error, without reporting it. The sound system's own reason,
    // when there is one, follows the text on a line of its own.
    int recordDeviceError(plat::audio::Result result, const std::string& reason = {});
    // The same failure as a value, touching no field: for the streaming
    // thread, which must leave the error fields and the dialogs to the owner.
    Error deviceError(plat::audio::Result result, const std::string& reason = {}) const;
    // Prepares block and queues it; a block the device refuses is unprepared
    // again.
    plat::audio::Result queueBlock(plat::audio::Block& block);

private:
    std::unique_ptr<uint8_t[]> blockMemory;
    std::unique_ptr<uint8_t[]> spareMemory;
};

} // namespace zkr
