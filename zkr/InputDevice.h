#pragma once

#include <atomic>
#include <cstdint>

#include "zkr/EventObject.h"
#include "zkr/SharedBuffer.h"
#include "zkr/WaveDevice.h"

namespace zkr {

// Records into its ring and hands each filled block on: to a SharedBuffer,
// when one is set, and to the data callback, when one is set; then queues
// the block again. Once stopping is set, blocks that come back stay free and
// the last one signals the all-done event. A block that the device will not
// take back while recording means the device has failed (or gone): its
// result is kept in failure and the shared buffer's data ends, so a reader
// drains what came and stops instead of waiting for blocks that never come.
//
// Threads: the owner's thread opens, queues, starts, stops and closes; the
// device's callback thread runs onDeviceMessage.
class InputDevice : public WaveDevice {
public:
    // Receives each recorded block on the device's callback thread, before
    // the block goes back to the device.
    using DataCallback = void (*)(void* context, const uint8_t* data, uint32_t bytes);

    // Shown where a device's name would be on a machine that cannot record.
    static constexpr char kNoDeviceName[] = "no input device";

    InputDevice();
    ~InputDevice() override;

    // Opens the device with the format and this object as the callback's
    // context; a null callback hands every block to onDeviceMessage. NotNow while
    // open; reportNoDevice's error when the machine has no input device.
    int openDevice(int device, plat::audio::BlockCallback callback) override;
    // Reports, under the device error code, that there is no input device to
    // record from and what the user can do about it.
    int reportNoDevice();
    void onDeviceMessage(uint32_t message, plat::audio::Block* header) override;

    // Prepares and queues every block of the ring in ring order, marking each
    // queued; the first platform error is reported and returned.
    int queueAll();
    // Prepares a block that came back and hands it to the device again.
    int requeue(plat::audio::Block* header);
    // Begins recording into the queued blocks.
    int start();
    // Sets stopping, ends the shared buffer's data, then stops and resets the
    // device: every block comes back and stays free, and the last one
    // signals all-done. What was being recorded is not handed on.
    int stop();

    // Hands every device message to the InputDevice given as context.
    static void forwardMessage(void* context, plat::audio::Block* header);

    // Set by the owner, read by the callback.
    std::atomic<bool> stopping{false};
    // The platform's result (a plat::audio::Result) of the first block the
    // device refused while recording; 0 while it records. Written by the
    // callback, cleared by openDevice, read by anyone.
    std::atomic<int> failure{0};
    // Signalled by the callback when the last block came back after stopping.
    EventObject allDone{false, false, nullptr};
    // Set by the owner while the device is closed; used by the callback.
    SharedBuffer* sharedBuffer = nullptr;
    DataCallback dataCallback = nullptr;
    void* dataContext = nullptr;

private:
    // Writes to the shared buffer, waiting while it is full, until stopping
    // is set.
    void handOn(const uint8_t* data, uint32_t bytes);
    // Keeps the first failure and ends the shared buffer's data.
    void noteFailure(plat::audio::Result result);
};

} // namespace zkr
