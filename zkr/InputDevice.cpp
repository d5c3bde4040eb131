#include "zkr/InputDevice.h"

#include "api/Protocol.h"
#include "zkr/Text.h"

namespace zkr {

using plat::audio::Direction;
using plat::audio::Result;

namespace {

// How long the callback waits at a time for room in the shared buffer before
// it looks at stopping again.
constexpr uint32_t kRoomWaitMs = 50;

// The device lists are read once per run, so a device plugged in later is
// only seen by the next start.
constexpr char kNoDeviceText[] =
    "There is no sound input device to record from.\n"
    "Connect a microphone or line-in device (or switch on your sound card's recording input), "
    "then start Velmora again.";

} // namespace

InputDevice::InputDevice() : WaveDevice(Direction::Input)
{
    kind = kKindWaveInput;
    readCapabilities();
}

InputDevice::~InputDevice()
{
    if (deviceOpen) {
        stop();
        closeDevice();
    }
    // Whatever happened above, the device may not call back into a
    // half-destroyed object.
    handle.reset();
}

int InputDevice::openDevice(int device, plat::audio::BlockCallback callback)
{
    if (deviceOpen) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    if (deviceCount == 0)
        return reportNoDevice();
    stopping.store(false);
    failure.store(0);
    (void)allDone.reset();
    const int error = openDirection(device, callback != nullptr ? callback : &InputDevice::forwardMessage);
    if (error != toWire(engine::Error::Ok))
        setError(error);
    return lastError;
}

int InputDevice::reportNoDevice()
{
    copyText(errorText, kNoDeviceText);
    errorContext = errorText;
    setError(toWire(engine::Error::PlainMessage));
    return lastError;
}

void InputDevice::forwardMessage(void* context, plat::audio::Block* header)
{
    static_cast<InputDevice*>(context)->onDeviceMessage(kMessageInputData, header);
}

void InputDevice::handOn(const uint8_t* data, uint32_t bytes)
{
    for (;;) {
        if (sharedBuffer->tryWrite(data, bytes) != toWire(engine::Error::Busy))
            return;
        // A full buffer whose reader has gone must not hold up a stop.
        if (stopping.load())
            return;
        (void)sharedBuffer->dataRead.wait(kRoomWaitMs);
        (void)sharedBuffer->dataRead.reset();
    }
}

void InputDevice::onDeviceMessage(uint32_t message, plat::audio::Block* header)
{
    if (message != kMessageInputData || header == nullptr)
        return;
    (void)handle->unprepareBlock(*header); // handed back, so no longer queued
    if (!stopping.load()) {
        const auto* data = static_cast<const uint8_t*>(header->data);
        if (sharedBuffer != nullptr)
            handOn(data, header->bytesRecorded);
        if (dataCallback != nullptr)
            dataCallback(dataContext, data, header->bytesRecorded);
        // A block that the device takes back stays queued; one that it
        // refuses is free.
        if (!stopping.load()) {
            const Result result = queueBlock(*header);
            if (result == Result::Ok)
                return;
            // Refused outside a reset: nothing more will be recorded.
            if (result != Result::StillPlaying)
                noteFailure(result);
        }
    }
    header->user.store(0);
    if (stopping.load() && allFree())
        (void)allDone.set();
}

void InputDevice::noteFailure(Result result)
{
    int none = 0;
    failure.compare_exchange_strong(none, static_cast<int>(result));
    if (sharedBuffer != nullptr)
        sharedBuffer->setEndOfData(true);
}

int InputDevice::requeue(plat::audio::Block* header)
{
    if (!handle || header == nullptr)
        return toWire(engine::Error::NotNow);
    return queueBlock(*header) == Result::Ok ? toWire(engine::Error::Ok)
                                             : toWire(engine::Error::PlainMessage);
}

int InputDevice::queueAll()
{
    if (!deviceOpen || !allocated) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    for (int i = 0; i < blockCount; ++i) {
        plat::audio::Block& header = blocks[i];
        header.length = blockSize;
        // Marked before it is queued: the device may hand it back at once.
        header.user.store(1);
        const Result result = queueBlock(header);
        if (result != Result::Ok) {
            header.user.store(0);
            return reportDeviceError(result);
        }
    }
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

int InputDevice::start()
{
    if (!handle) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    const Result result = handle->start();
    if (result != Result::Ok)
        return reportDeviceError(result);
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

int InputDevice::stop()
{
    lastError = toWire(engine::Error::Ok);
    stopping.store(true);
    if (sharedBuffer != nullptr)
        sharedBuffer->setEndOfData(true);
    if (!handle)
        return toWire(engine::Error::Ok);
    Result result = handle->stop();
    if (result != Result::Ok)
        reportDeviceError(result);
    result = handle->reset();
    if (result != Result::Ok)
        reportDeviceError(result);
    return lastError;
}

} // namespace zkr
