#include "zkr/WaveDevice.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>

#include "api/Protocol.h"
#include "platform/audio/Devices.h"
#include "zkr/Text.h"

namespace zkr {

namespace {

const char* const kFormatNames[] = {
    "11.025 kHz, mono, 8-bit",    "11.025 kHz, stereo, 8-bit", "11.025 kHz, mono, 16-bit",
    "11.025 kHz, stereo, 16-bit", "22.05 kHz, mono, 8-bit",    "22.05 kHz, stereo, 8-bit",
    "22.05 kHz, mono, 16-bit",    "22.05 kHz, stereo, 16-bit", "44.1 kHz, mono, 8-bit",
    "44.1 kHz, stereo, 8-bit",    "44.1 kHz, mono, 16-bit",    "44.1 kHz, stereo, 16-bit",
};

} // namespace

void formatName(uint32_t flag, char* text, int size)
{
    if (text == nullptr || size <= 0)
        return;
    for (uint32_t bit = 0; bit < std::size(kFormatNames); ++bit) {
        if (flag == 1u << bit) {
            copyText(text, static_cast<size_t>(size), kFormatNames[bit]);
            return;
        }
    }
    std::snprintf(text, static_cast<size_t>(size), "%u", flag);
}

WaveDevice::WaveDevice(plat::audio::Direction deviceDirection) : direction(deviceDirection)
{
    kind = kKindWaveDevice;
}

WaveDevice::~WaveDevice()
{
    releaseBlocks();
}

void WaveDevice::readCapabilities()
{
    deviceCount = static_cast<int32_t>(plat::audio::deviceCount(direction));
    capabilities.clear();
    for (int device = 0; device < deviceCount; ++device) {
        DeviceCapabilities caps;
        getCaps(device, &caps);
        (void)capabilities.append(&caps); // out of memory, reported by the list: the device is not offered
    }
}

int WaveDevice::getCaps(int device, DeviceCapabilities* caps)
{
    plat::audio::DeviceCaps platformCaps;
    const plat::audio::Result result = plat::audio::deviceCaps(direction, device, platformCaps);
    if (result != plat::audio::Result::Ok)
        return reportDeviceError(result);
    if (caps != nullptr) {
        caps->manufacturerId = platformCaps.manufacturerId;
        caps->productId = platformCaps.productId;
        caps->driverVersion = platformCaps.driverVersion;
        copyText(caps->name, platformCaps.name);
        caps->formats = platformCaps.formats;
        caps->channels = platformCaps.channels;
        caps->support = direction == plat::audio::Direction::Output ? platformCaps.support : 0;
    }
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

int WaveDevice::openDirection(int device, plat::audio::BlockCallback callback)
{
    std::string reason;
    const plat::audio::Result result =
        plat::audio::Device::open(direction, device, toPcmFormat(format), callback, this, handle, reason);
    if (result != plat::audio::Result::Ok)
        return recordDeviceError(result, reason);
    deviceOpen = true;
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

int WaveDevice::closeDevice()
{
    lastError = toWire(engine::Error::Ok);
    if (!handle) {
        deviceOpen = false;
        return toWire(engine::Error::Ok);
    }
    plat::audio::Result result = handle->reset();
    if (result != plat::audio::Result::Ok)
        reportDeviceError(result);
    result = handle->close();
    if (result != plat::audio::Result::Ok)
        return reportDeviceError(result);
    handle.reset();
    deviceOpen = false;
    return lastError;
}

plat::audio::Result WaveDevice::queueBlock(plat::audio::Block& block)
{
    plat::audio::Result result = handle->prepareBlock(block);
    if (result == plat::audio::Result::Ok)
        result = handle->queue(block);
    if (result != plat::audio::Result::Ok)
        (void)handle->unprepareBlock(block); // refused, so never queued
    return result;
}

int WaveDevice::selectDevice(int index)
{
    if (deviceOpen) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    deviceId = index >= 0 && index < deviceCount ? index : kWaveMapper;
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

int WaveDevice::setFormat(uint32_t samplesPerSecond, uint16_t channels, uint16_t bitsPerSample)
{
    format = pcmFormat(samplesPerSecond, channels, bitsPerSample);
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

int WaveDevice::allocateBlocks(int count, uint32_t size)
{
    // Blocks that the device may still hold are never freed under it.
    if (deviceOpen) {
        setError(toWire(engine::Error::NotNow));
        return lastError;
    }
    releaseBlocks();
    if (count < 1 || size < 1) {
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    const size_t total = static_cast<size_t>(count) * size;
    blockMemory.reset(new (std::nothrow) uint8_t[total]());
    spareMemory.reset(new (std::nothrow) uint8_t[size]());
    blocks.reset(new (std::nothrow) plat::audio::Block[static_cast<size_t>(count)]);
    if (!blockMemory || !spareMemory || !blocks) {
        blockMemory.reset();
        spareMemory.reset();
        blocks.reset();
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    for (int i = 0; i < count; ++i) {
        blocks[i].data = blockMemory.get() + static_cast<size_t>(i) * size;
        blocks[i].length = size;
    }
    spareBlock.data = spareMemory.get();
    spareBlock.length = size;
    spareBlock.bytesRecorded = 0;
    spareBlock.user = 0;
    spareBlock.flags = 0;
    blockCount = count;
    blockSize = size;
    allocated = true;
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

void WaveDevice::releaseBlocks()
{
    if (!allocated)
        return;
    blocks.reset();
    blockMemory.reset();
    spareMemory.reset();
    spareBlock.data = nullptr;
    spareBlock.length = 0;
    allocated = false;
}

bool WaveDevice::allFree() const
{
    if (!allocated)
        return true;
    for (int i = 0; i < blockCount; ++i) {
        if (blocks[i].user.load() != 0)
            return false;
    }
    return true;
}

Error WaveDevice::deviceError(plat::audio::Result result, const std::string& reason) const
{
    const auto textDirection =
        kind == kKindWaveInput ? plat::audio::Direction::Input : plat::audio::Direction::Output;
    char text[kErrorTextSize] = {};
    plat::audio::errorText(textDirection, result, text, sizeof text);
    Error error{toWire(engine::Error::PlainMessage), text};
    if (!reason.empty())
        error.context += "\n" + reason;
    return error;
}

int WaveDevice::recordDeviceError(plat::audio::Result result, const std::string& reason)
{
    copyText(errorText, deviceError(result, reason).context.c_str());
    errorContext = errorText;
    lastError = toWire(engine::Error::PlainMessage);
    return lastError;
}

int WaveDevice::reportDeviceError(plat::audio::Result result)
{
    recordDeviceError(result);
    setError(toWire(engine::Error::PlainMessage));
    return lastError;
}

} // namespace zkr
