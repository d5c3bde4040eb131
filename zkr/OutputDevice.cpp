#include "zkr/OutputDevice.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "api/Protocol.h"

namespace zkr {

using plat::audio::Direction;
using plat::audio::Result;

OutputDevice::OutputDevice() : WaveDevice(Direction::Output)
{
    kind = kKindWaveOutput;
    readCapabilities();
}

OutputDevice::~OutputDevice()
{
    if (deviceOpen)
        stop();
}

int OutputDevice::openDevice(int device, plat::audio::BlockCallback callback)
{
    // Only recorded: the owner decides whether and how to report it. The
    // text is kept as the context for that report.
    return openDirection(device, callback);
}

void OutputDevice::forwardMessage(void* context, plat::audio::Block* header)
{
    static_cast<OutputDevice*>(context)->onDeviceMessage(kMessageOutputDone, header);
}

void OutputDevice::onDeviceMessage(uint32_t message, plat::audio::Block* header)
{
    if (message != kMessageOutputDone || header == nullptr)
        return;
    (void)handle->unprepareBlock(*header); // handed back, so no longer queued
    header->user.store(0);
    // The writer waits for exactly the block at the write index.
    if (header == &blocks[writeIndex.load()])
        (void)blockFree->set();
    if (stopping.load() && allFree()) {
        std::memset(spareBlock.data, 0, blockSize);
        (void)allDone->set();
    }
}

int OutputDevice::start()
{
    if (!allocated || deviceOpen) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    // The events exist before the device can call back.
    blockFree.reset(new (std::nothrow) EventObject(true, false, nullptr));
    allDone.reset(new (std::nothrow) EventObject(false, false, nullptr));
    if (!blockFree || !allDone || blockFree->handle == nullptr || allDone->handle == nullptr) {
        blockFree.reset();
        allDone.reset();
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    started = false;
    stopping.store(false);
    writeIndex.store(0);
    if (openDevice(deviceId, &OutputDevice::forwardMessage) != toWire(engine::Error::Ok)) {
        blockFree.reset();
        allDone.reset();
        return lastError;
    }
    const Result paused = handle->pause();
    if (paused != Result::Ok) {
        // A device that would play at once is no use to the ring: give it up.
        reportDeviceError(paused);
        const int status = lastError;
        handle.reset();
        deviceOpen = false;
        blockFree.reset();
        allDone.reset();
        lastError = status;
        return status;
    }
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

Error OutputDevice::writeBlock(const void* data, uint32_t bytes)
{
    if (!deviceOpen || !allocated)
        return {toWire(engine::Error::NotNow), kindName(kind)};
    const int32_t index = writeIndex.load();
    plat::audio::Block& block = blocks[index];
    if (block.user.load() != 0)
        return {toWire(engine::Error::Busy), {}};

    // The block's old contents are the last that the device finished playing.
    std::memcpy(spareBlock.data, block.data, blockSize);
    std::memset(block.data, 0, blockSize);
    if (data != nullptr)
        std::memcpy(block.data, data, std::min(bytes, blockSize));
    block.length = blockSize;

    block.user.store(1);
    const Result result = queueBlock(block);
    if (result != Result::Ok) {
        block.user.store(0);
        return deviceError(result);
    }

    const int32_t next = index + 1;
    writeIndex.store(next % blockCount);
    if (!started && next >= blockCount / 2) {
        started = true;
        // The block is queued, but a ring that is never released plays nothing.
        if (const Result restarted = handle->restart(); restarted != Result::Ok)
            return deviceError(restarted);
    }
    return {};
}

int OutputDevice::drain(uint32_t timeoutMs)
{
    if (!deviceOpen)
        return toWire(engine::Error::Ok);
    stopping.store(true);
    // A ring that never got half full is still paused and would never empty.
    if (!started) {
        started = true;
        const Result restarted = handle->restart();
        if (restarted != Result::Ok)
            return reportDeviceError(restarted);
    }
    // Checked after stopping is set: either this sees every block free or the
    // callback that frees the last one sees stopping and signals.
    if (allFree()) {
        std::memset(spareBlock.data, 0, blockSize);
        return toWire(engine::Error::Ok);
    }
    return allDone->wait(timeoutMs) ? toWire(engine::Error::Ok) : toWire(engine::Error::Busy);
}

int OutputDevice::stop()
{
    lastError = toWire(engine::Error::Ok);
    if (handle) {
        const Result result = handle->reset();
        if (result != Result::Ok)
            reportDeviceError(result);
        for (int i = 0; allocated && i < blockCount; ++i) {
            if (blocks[i].user.load() != 0) {
                (void)handle->unprepareBlock(blocks[i]); // the reset handed it back
                blocks[i].user.store(0);
            }
        }
        const int status = lastError;
        closeDevice();
        // A device that refused to close is given up all the same: the
        // platform handle's own clean-up resets and releases it.
        handle.reset();
        if (status != toWire(engine::Error::Ok))
            lastError = status;
    }
    deviceOpen = false;
    started = false;
    blockFree.reset();
    allDone.reset();
    if (allocated)
        std::memset(spareBlock.data, 0, blockSize);
    return lastError;
}

} // namespace zkr
