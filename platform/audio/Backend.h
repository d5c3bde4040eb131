#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/AudioTypes.h"
#include "platform/audio/Stream.h"

namespace plat::audio {

// One sound system: its device lists and how to open a device of them.
// Called under the device list lock, one call at a time.
class Backend {
public:
    virtual ~Backend() = default;

    virtual const char* name() const = 0;
    virtual uint32_t count(Direction direction) = 0;
    // index is below count(direction).
    virtual Result caps(Direction direction, uint32_t index, DeviceCaps& caps) = 0;
    // The device that stands for the default device.
    virtual uint32_t defaultIndex(Direction direction) = 0;
    // The stream owns everything it needs; it outlives the backend if need be.
    // A failure may leave the sound system's own words for it in reason.
    virtual Result openStream(Direction direction, uint32_t index, const PcmFormat& format,
                              std::unique_ptr<Stream>& stream, std::string& reason) = 0;
};

std::unique_ptr<Backend> makeAlsaBackend();
std::unique_ptr<Backend> makeVirtualBackend();

// Bits 8, 16, 24 or 32; channels 1 to 8; a rate from 1000 to 384000 Hz.
[[nodiscard]] bool isUsablePcmFormat(const PcmFormat& format);

// Copies text into a fixed field, cut to fit and always terminated.
void copyName(char* field, size_t size, const char* text);

// Opens a stream on the device list in use (enumerating it if needed).
Result openBackendStream(Direction direction, int index, const PcmFormat& format,
                         std::unique_ptr<Stream>& stream, std::string& reason);

} // namespace plat::audio
