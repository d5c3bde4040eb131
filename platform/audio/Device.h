#pragma once

#include <memory>
#include <string>

#include "platform/audio/AudioTypes.h"
#include "platform/core/Api.h"

namespace plat::audio {

class DeviceEngine;

// One open sound device with a queue of caller-owned blocks, played or
// recorded in queue order by the device's own thread, which also makes every
// done callback. Output devices open paused: queued blocks wait for restart().
// Input devices open stopped: queued blocks wait for start().
//
// All member functions may be called from any thread, including the done
// callback (except close and destruction). reset() returns after every queued
// block has been handed back through the callback, marked done; a block that
// was partly played or recorded carries the bytes done in bytesRecorded.
//
// close() and the destructor reset first: a device never keeps a caller's
// block after it is closed, so the caller may free its blocks at once.
class PLAT_API Device {
public:
    // Opens device index (kDefaultDevice for the default one) of a direction.
    // The callback (may be null) receives context and each finished block.
    static Result open(Direction direction, int index, const PcmFormat& format, BlockCallback callback,
                       void* context, std::unique_ptr<Device>& device);
    // The same; on failure reason holds the sound system's own words for it
    // (for a message's detail line), or "" when it gave none.
    static Result open(Direction direction, int index, const PcmFormat& format, BlockCallback callback,
                       void* context, std::unique_ptr<Device>& device, std::string& reason);

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    ~Device();

    Direction direction() const;
    const PcmFormat& format() const;

    // Marks a block ready for queueing (InvalidParameter without data or with
    // a length of less than one frame). Unprepare refuses a queued block
    // (StillPlaying).
    Result prepareBlock(Block& block);
    Result unprepareBlock(Block& block);
    // Appends a prepared block to the queue (Unprepared; InvalidParameter when
    // it is already queued). During a reset new blocks are refused
    // (StillPlaying), so a callback that re-queues cannot keep a reset going.
    Result queue(Block& block);

    // Output only (NotSupported on input): hold playback where it is / go on.
    Result pause();
    Result restart();
    // Input only (NotSupported on output): begin recording into the queue /
    // stop, handing back the block being recorded with what it holds.
    Result start();
    Result stop();

    // Stops playing or recording and hands back every queued block. Output
    // keeps its paused or playing state; input is stopped.
    Result reset();
    // Resets, then releases the sound system's device. Afterwards every call
    // answers InvalidHandle. From the done callback it is refused (Error), and
    // the device must not be destroyed there either.
    Result close();

    DeviceCounters counters() const;
    // Underruns (output) or overruns (input) so far, late blocks of a paced
    // virtual device included. Never waits, so a window or the streaming
    // thread may poll it; a transfer's count shows once the transfer is over.
    uint64_t xruns() const;

private:
    explicit Device(std::unique_ptr<DeviceEngine> engine);

    std::unique_ptr<DeviceEngine> engine_;
};

} // namespace plat::audio
