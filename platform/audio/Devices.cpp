#include "platform/audio/Devices.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include "platform/audio/Backend.h"

namespace plat::audio {

namespace {

std::mutex& listMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Guarded by listMutex().
std::unique_ptr<Backend>& currentBackend()
{
    static std::unique_ptr<Backend> backend;
    return backend;
}

Backend& backendLocked()
{
    std::unique_ptr<Backend>& backend = currentBackend();
    if (!backend) {
        const char* choice = std::getenv("VELMORA_AUDIO");
        if (choice != nullptr && std::string_view(choice) == "virtual")
            backend = makeVirtualBackend();
        else
            backend = makeAlsaBackend();
    }
    return *backend;
}

// The list index for a caller's index, or false for one that names no device.
bool resolveIndex(Backend& backend, Direction direction, int index, uint32_t& resolved)
{
    uint32_t count = backend.count(direction);
    if (count == 0)
        return false;
    if (index == kDefaultDevice) {
        resolved = backend.defaultIndex(direction);
        return resolved < count;
    }
    if (index < 0 || static_cast<uint32_t>(index) >= count)
        return false;
    resolved = static_cast<uint32_t>(index);
    return true;
}

struct ErrorTextEntry {
    Result result;
    const char* text;
};

constexpr ErrorTextEntry kErrorTexts[] = {
    {Result::Ok, "The operation completed successfully."},
    {Result::Error, "The sound system reported an unspecified error."},
    {Result::BadDeviceId, "The %s device number is out of range."},
    {Result::NotEnabled, "The %s device is not set up for use."},
    {Result::Allocated, "The %s device is already in use by another program."},
    {Result::InvalidHandle, "The %s device is not open."},
    {Result::NoDriver, "No sound system is available for %s."},
    {Result::NoMemory, "Not enough memory for the %s device."},
    {Result::NotSupported, "The %s device does not support this operation."},
    {Result::InvalidParameter, "An invalid parameter was passed to the %s device."},
    {Result::BadFormat, "The %s device does not accept this sample format."},
    {Result::StillPlaying, "The block is still queued on the %s device."},
    {Result::Unprepared, "The block was not prepared for the %s device."},
};

} // namespace

bool isUsablePcmFormat(const PcmFormat& format)
{
    const uint16_t bits = format.bitsPerSample;
    return (bits == 8 || bits == 16 || bits == 24 || bits == 32) && format.channels >= 1 &&
           format.channels <= 8 && format.samplesPerSecond >= 1000 && format.samplesPerSecond <= 384000;
}

void copyName(char* field, size_t size, const char* text)
{
    if (size == 0)
        return;
    size_t length = text == nullptr ? 0 : std::strlen(text);
    if (length >= size)
        length = size - 1;
    if (length > 0)
        std::memcpy(field, text, length);
    field[length] = '\0';
}

Result openBackendStream(Direction direction, int index, const PcmFormat& format,
                         std::unique_ptr<Stream>& stream, std::string& reason)
{
    if (!isUsablePcmFormat(format))
        return Result::BadFormat;
    std::lock_guard lock(listMutex());
    Backend& backend = backendLocked();
    uint32_t resolved = 0;
    if (!resolveIndex(backend, direction, index, resolved))
        return Result::BadDeviceId;
    return backend.openStream(direction, resolved, format, stream, reason);
}

const char* backendName()
{
    std::lock_guard lock(listMutex());
    return backendLocked().name();
}

uint32_t deviceCount(Direction direction)
{
    std::lock_guard lock(listMutex());
    return backendLocked().count(direction);
}

Result deviceCaps(Direction direction, int index, DeviceCaps& caps)
{
    std::lock_guard lock(listMutex());
    Backend& backend = backendLocked();
    uint32_t resolved = 0;
    if (!resolveIndex(backend, direction, index, resolved))
        return Result::BadDeviceId;
    return backend.caps(direction, resolved, caps);
}

Result queryFormat(Direction direction, int index, const PcmFormat& format)
{
    std::unique_ptr<Stream> stream;
    std::string reason;
    return openBackendStream(direction, index, format, stream, reason);
}

void forgetDevices()
{
    std::lock_guard lock(listMutex());
    currentBackend().reset();
}

void errorText(Direction direction, Result result, char* text, size_t size)
{
    const char* pattern = "Unknown sound device error %d.";
    for (const ErrorTextEntry& entry : kErrorTexts) {
        if (entry.result == result)
            pattern = entry.text;
    }
    if (size == 0)
        return;
    char buffer[256];
    if (std::strstr(pattern, "%s") != nullptr)
        std::snprintf(buffer, sizeof buffer, pattern, direction == Direction::Output ? "output" : "input");
    else if (std::strstr(pattern, "%d") != nullptr)
        std::snprintf(buffer, sizeof buffer, pattern, static_cast<int>(result));
    else
        std::snprintf(buffer, sizeof buffer, "%s", pattern);
    copyName(text, size, buffer);
}

} // namespace plat::audio
