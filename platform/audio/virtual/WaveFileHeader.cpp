#include "platform/audio/virtual/WaveFileHeader.h"

#include <unistd.h>

#include <cstring>

namespace plat::audio {

namespace {

void put16(std::string& out, uint32_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

uint32_t get16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

uint32_t get32(const uint8_t* p)
{
    return get16(p) | (get16(p + 2) << 16);
}

bool readAt(int fd, uint64_t offset, void* buffer, size_t size)
{
    ssize_t got = ::pread(fd, buffer, size, static_cast<off_t>(offset));
    return got == static_cast<ssize_t>(size);
}

} // namespace

std::string waveHeader(const PcmFormat& format, uint32_t dataBytes)
{
    // The RIFF size field cannot count more than 4 GB.
    if (dataBytes > 0xFFFFFFFFu - 36)
        dataBytes = 0xFFFFFFFFu - 36;
    std::string out = "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);
    put16(out, format.channels);
    put32(out, format.samplesPerSecond);
    put32(out, format.bytesPerSecond());
    put16(out, format.blockAlign());
    put16(out, format.bitsPerSample);
    out += "data";
    put32(out, dataBytes);
    return out;
}

bool readWaveHeader(int fd, uint64_t fileSize, WaveDataRange& range)
{
    uint8_t riff[12];
    if (!readAt(fd, 0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    uint64_t offset = 12;
    // Every chunk moves the offset forward by at least 8 bytes, so this ends.
    while (offset + 8 <= fileSize) {
        uint8_t chunk[8];
        if (!readAt(fd, offset, chunk, sizeof chunk))
            return false;
        const uint64_t size = get32(chunk + 4);
        const uint64_t body = offset + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t fmt[16];
            if (size < sizeof fmt || !readAt(fd, body, fmt, sizeof fmt))
                return false;
            range.formatTag = static_cast<uint16_t>(get16(fmt));
            range.format.channels = static_cast<uint16_t>(get16(fmt + 2));
            range.format.samplesPerSecond = get32(fmt + 4);
            range.format.bitsPerSample = static_cast<uint16_t>(get16(fmt + 14));
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            range.offset = body;
            range.bytes = body + size <= fileSize ? size : fileSize - body;
            return true;
        }
        offset = body + size + (size & 1);
    }
    return false;
}

} // namespace plat::audio
