#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "zkr/EventObject.h"
#include "zkr/WaveDevice.h"

namespace zkr {

// Plays blocks handed to it one by one through the ring. The device opens
// paused and playback is released once half of the ring is queued, which
// gives the device a head start against short stalls of the writer.
//
// Threads: start, writeBlock, drain and stop run on the owner's (streaming)
// thread; onDeviceMessage runs on the device's callback thread and touches
// only the block it is given, the queued flags, the write index and the
// events.
class OutputDevice : public WaveDevice {
public:
    OutputDevice();
    ~OutputDevice() override;

    int openDevice(int device, plat::audio::BlockCallback callback) override;
    void onDeviceMessage(uint32_t message, plat::audio::Block* header) override;

    // Opens the selected device paused; NotNow without a ring or while open. A
    // failed open is recorded as PlainMessage without a report.
    int start();
    // 0, or Busy while the next block of the ring is still queued; NotNow when
    // the device is not open, PlainMessage with the sound system's text when it
    // refuses the block. Nothing is reported or recorded in the object: the
    // streaming thread hands a failure to its caller. A short block is padded
    // with silence; bytes beyond the block size are left out.
    Error writeBlock(const void* data, uint32_t bytes);
    // Lets everything queued play out: sets stopping, releases playback if
    // the ring never got half full, and waits up to timeoutMs (plat::kInfinite
    // for ever) for the all-done event. 0, or Busy when the time ran out.
    int drain(uint32_t timeoutMs);
    // Resets and closes the device, frees every block, closes both events and
    // silences the spare block.
    int stop();

    // Hands every device message to the OutputDevice given as context.
    static void forwardMessage(void* context, plat::audio::Block* header);

    // Owner's thread only.
    bool started = false;
    // Written by the owner's thread, read by the callback to find the block
    // the writer waits for.
    std::atomic<int32_t> writeIndex{0};
    // Set by the owner, read by the callback.
    std::atomic<bool> stopping{false};
    // Created by start, closed by stop; signalled by the callback in between.
    std::unique_ptr<EventObject> blockFree;
    std::unique_ptr<EventObject> allDone;
};

} // namespace zkr
