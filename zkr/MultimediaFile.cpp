#include "zkr/MultimediaFile.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "api/Protocol.h"
#include "zkr/BufferedFile.h"

namespace zkr {

namespace {

constexpr uint32_t kPcm = 1;
constexpr uint32_t kBaseFormatSize = 16;
// An extensible format chunk: 16 bytes, extension size, valid bits, channel
// mask, then the 16-byte sub-format whose first two bytes are its format tag.
constexpr uint32_t kExtensibleFormatSize = 40;
constexpr int32_t kExtensionPartSize = 8;
constexpr int32_t kSubFormatSize = 16;
// Bytes of the header up to the format fields, and the format fields.
constexpr int32_t kRiffPartSize = 12;
constexpr int32_t kFormatPartSize = 24;
constexpr int32_t kChunkHeadSize = 8;
// A recording's header is kept current this often, so that a crash or a
// power loss leaves a playable file.
constexpr int64_t kRefreshSeconds = 3;

} // namespace

MultimediaFile::MultimediaFile()
{
    kind = kKindMultimediaFile;
}

MultimediaFile::~MultimediaFile()
{
    (void)detach(); // nothing is left to tell of a failure here
}

bool MultimediaFile::open(const char* name, int mode)
{
    // An old file that cannot be closed cleanly is dropped all the same, so a
    // full disk never keeps the next file from opening.
    if (file)
        (void)close();
    refreshEvery_ = 0;
    BufferedFile::Mode how = BufferedFile::Mode::Read;
    if (mode == kModeCreate)
        how = BufferedFile::Mode::Create;
    else if (mode == kModeCreateNew)
        how = BufferedFile::Mode::CreateNew;
    file = BufferedFile::open(name, how);
    openError = file ? 0 : errno;
    return file != nullptr;
}

bool MultimediaFile::close()
{
    if (!file)
        return true;
    if (!file->close())
        return false;
    file.reset();
    return true;
}

int MultimediaFile::succeed()
{
    lastError = toWire(engine::Error::Ok);
    return toWire(engine::Error::Ok);
}

int MultimediaFile::requireFile()
{
    if (file)
        return toWire(engine::Error::Ok);
    setError(toWire(engine::Error::NoExternalResource));
    return lastError;
}

int MultimediaFile::skipForward(uint32_t bytes)
{
    if (file->seek(int64_t{bytes}, BufferedFile::kFromCurrent) < 0) {
        setError(toWire(engine::Error::SeekFailed));
        return lastError;
    }
    if ((bytes & 1) == 0)
        return toWire(engine::Error::Ok);
    // The pad byte is zero; a writer that left it out has the next chunk's
    // id there instead, which never starts with zero.
    uint8_t pad = 0;
    const int32_t got = file->read(&pad, 1);
    if (got < 0) {
        setError(toWire(engine::Error::ReadFailed));
        return lastError;
    }
    if (got == 1 && pad != 0 && file->seek(-1, BufferedFile::kFromCurrent) < 0) {
        setError(toWire(engine::Error::SeekFailed));
        return lastError;
    }
    return toWire(engine::Error::Ok);
}

void MultimediaFile::appendExtraChunk(uint32_t id)
{
    char code[5] = {};
    std::memcpy(code, &id, 4);
    char entry[8];
    std::snprintf(entry, sizeof entry, "'%s';", code);
    // Entries that no longer fit are dropped whole.
    const size_t used = std::strlen(extraChunks);
    const size_t length = std::strlen(entry);
    if (used + length < sizeof extraChunks)
        std::memcpy(extraChunks + used, entry, length + 1);
}

int MultimediaFile::readFormatExtension()
{
    const bool extensible =
        header.formatTag == kWaveFormatExtensible &&
        static_cast<int32_t>(header.formatSize) >= static_cast<int32_t>(kExtensibleFormatSize);
    if (header.formatTag != kPcm && header.formatTag != kWaveFormatFloat && !extensible) {
        setError(toWire(engine::Error::NotRiffWavePcm));
        return lastError;
    }
    sampleFormat = header.formatTag;
    uint32_t consumed = kBaseFormatSize;
    if (extensible) {
        uint8_t extension[kExtensionPartSize + kSubFormatSize];
        const int32_t got = file->read(extension, sizeof extension);
        if (got < 0) {
            setError(toWire(engine::Error::ReadFailed));
            return lastError;
        }
        if (got < static_cast<int32_t>(sizeof extension)) {
            setError(toWire(engine::Error::UnexpectedEof));
            return lastError;
        }
        sampleFormat =
            static_cast<uint16_t>(extension[kExtensionPartSize] | extension[kExtensionPartSize + 1] << 8);
        if (sampleFormat != kPcm && sampleFormat != kWaveFormatFloat) {
            setError(toWire(engine::Error::NotRiffWavePcm));
            return lastError;
        }
        consumed = kExtensibleFormatSize;
    }
    if (static_cast<int32_t>(header.formatSize) > static_cast<int32_t>(consumed))
        return skipForward(header.formatSize - consumed);
    return toWire(engine::Error::Ok);
}

int MultimediaFile::readHeader()
{
    if (requireFile() != toWire(engine::Error::Ok))
        return lastError;
    auto* bytes = reinterpret_cast<uint8_t*>(&header);

    // A file that ends inside the fixed part of the header has no samples to
    // offer: that is an unexpected end, not a reading failure.
    int32_t got = file->read(bytes, kRiffPartSize);
    if (got < 0) {
        setError(toWire(engine::Error::ReadFailed));
        return lastError;
    }
    if (got < kRiffPartSize) {
        setError(toWire(engine::Error::UnexpectedEof));
        return lastError;
    }
    if (header.formType != formType) {
        setError(toWire(engine::Error::NotRiffWavePcm));
        return lastError;
    }

    got = file->read(bytes + kRiffPartSize, kFormatPartSize);
    if (got < 0) {
        setError(toWire(engine::Error::ReadFailed));
        return lastError;
    }
    if (got < kFormatPartSize) {
        setError(toWire(engine::Error::UnexpectedEof));
        return lastError;
    }
    if (readFormatExtension() != toWire(engine::Error::Ok))
        return lastError;

    extraChunks[0] = '\0';
    for (;;) {
        got = file->read(bytes + offsetof(Header, dataId), kChunkHeadSize);
        if (got < 0) {
            setError(toWire(engine::Error::ReadFailed));
            return lastError;
        }
        if (got < kChunkHeadSize) {
            setError(toWire(engine::Error::UnexpectedEof));
            return lastError;
        }
        if (header.dataId == fourCC("data"))
            break;
        appendExtraChunk(header.dataId);
        if (skipForward(header.dataSize) != toWire(engine::Error::Ok))
            return lastError;
    }
    if (header.dataSize == 0) {
        setError(toWire(engine::Error::UnexpectedEof));
        return lastError;
    }
    dataOffset = static_cast<int32_t>(file->position());
    return succeed();
}

int MultimediaFile::buildHeader(uint32_t dataBytes, uint32_t samplesPerSecond, uint16_t channels,
                                uint16_t bitsPerSample)
{
    header.riffId = fourCC("RIFF");
    header.riffSize = dataBytes + 36;
    header.formType = formType;
    header.formatId = fourCC("fmt ");
    header.formatSize = kBaseFormatSize;
    header.formatTag = kPcm;
    header.channels = channels;
    header.samplesPerSecond = samplesPerSecond;
    header.blockAlign = static_cast<uint16_t>((bitsPerSample / 8) * channels);
    header.averageBytesPerSecond = header.blockAlign * samplesPerSecond;
    header.bitsPerSample = bitsPerSample;
    header.dataId = fourCC("data");
    header.dataSize = dataBytes;
    return succeed();
}

int MultimediaFile::writeHeader()
{
    if (requireFile() != toWire(engine::Error::Ok))
        return lastError;
    if (file->write(&header, sizeof header) < 0) {
        setError(toWire(engine::Error::WriteFailed));
        return lastError;
    }
    dataOffset = static_cast<int32_t>(file->position());
    // Only a header at the start is refreshed there.
    refreshEvery_ = dataOffset == sizeof header ? header.averageBytesPerSecond * kRefreshSeconds : 0;
    nextRefresh_ = refreshEvery_;
    return succeed();
}

bool MultimediaFile::storeHeader(uint32_t dataBytes)
{
    const int64_t size = file->storedSize();
    if (size >= 0 && size - int64_t{sizeof header} < int64_t{dataBytes})
        dataBytes = static_cast<uint32_t>(std::max<int64_t>(size - int64_t{sizeof header}, 0));
    if (header.blockAlign > 1)
        dataBytes -= dataBytes % header.blockAlign;
    header.dataSize = dataBytes;
    header.riffSize = dataBytes + 36;
    return file->writeThrough(0, &header, sizeof header);
}

int MultimediaFile::finish(uint32_t dataBytes)
{
    if (requireFile() != toWire(engine::Error::Ok))
        return lastError;
    // The tail in the disk buffer goes first; when it cannot (a full disk),
    // the header still describes the samples that did reach the disk.
    const bool flushed = file->flush();
    const bool stored = storeHeader(dataBytes);
    dataOffset = static_cast<int32_t>(file->seek(int64_t{sizeof header}, BufferedFile::kFromStart));
    if (!flushed || !stored) {
        setError(toWire(engine::Error::WriteFailed));
        return lastError;
    }
    return succeed();
}

int MultimediaFile::read(void* buffer, int32_t count, int32_t* transferred)
{
    if (transferred != nullptr)
        *transferred = 0;
    if (requireFile() != toWire(engine::Error::Ok))
        return lastError;
    const int32_t got = file->read(buffer, count);
    if (got < 0) {
        setError(toWire(engine::Error::ReadFailed));
        return lastError;
    }
    if (transferred != nullptr)
        *transferred = got;
    return succeed();
}

int MultimediaFile::write(const void* data, int32_t count, int32_t* transferred)
{
    if (transferred != nullptr)
        *transferred = 0;
    if (requireFile() != toWire(engine::Error::Ok))
        return lastError;
    if (count > room()) {
        setError(toWire(engine::Error::WriteFailed));
        return lastError;
    }
    const int32_t put = file->write(data, count);
    if (put < 0) {
        setError(toWire(engine::Error::WriteFailed));
        return lastError;
    }
    if (transferred != nullptr)
        *transferred = put;
    const int64_t dataEnd = file->position() - dataOffset;
    if (refreshEvery_ > 0 && dataEnd >= nextRefresh_) {
        nextRefresh_ = dataEnd - dataEnd % refreshEvery_ + refreshEvery_;
        const bool flushed = file->flush();
        if (!storeHeader(static_cast<uint32_t>(dataEnd)) || !flushed) {
            setError(toWire(engine::Error::WriteFailed));
            return lastError;
        }
    }
    return succeed();
}

int MultimediaFile::seek(int32_t offset, int origin)
{
    if (requireFile() != toWire(engine::Error::Ok))
        return lastError;
    if (file->seek(offset, origin) < 0) {
        setError(toWire(engine::Error::SeekFailed));
        return lastError;
    }
    return succeed();
}

int64_t MultimediaFile::position()
{
    if (requireFile() != toWire(engine::Error::Ok))
        return lastError;
    return file->position();
}

int MultimediaFile::setDiskBuffer(int32_t bytes)
{
    if (requireFile() != toWire(engine::Error::Ok))
        return lastError;
    if (!file->setBuffer(bytes)) {
        setError(toWire(engine::Error::DiskBuffer));
        return lastError;
    }
    return succeed();
}

int MultimediaFile::getFormat(WaveFormat* format)
{
    if (format != nullptr) {
        format->formatTag = sampleFormat;
        format->channels = header.channels;
        format->samplesPerSecond = header.samplesPerSecond;
        format->averageBytesPerSecond = header.averageBytesPerSecond;
        format->blockAlign = header.blockAlign;
        format->bitsPerSample = header.bitsPerSample;
        format->extraSize = 18;
    }
    return succeed();
}

uint32_t MultimediaFile::durationMs() const
{
    const uint32_t bytesPerMs = header.averageBytesPerSecond / 1000;
    return bytesPerMs == 0 ? 0 : header.dataSize / bytesPerMs;
}

uint32_t MultimediaFile::frameCount() const
{
    return header.blockAlign == 0 ? 0 : header.dataSize / header.blockAlign;
}

int64_t MultimediaFile::room() const
{
    if (!file)
        return 0;
    const int64_t limit = std::min(dataLimit, kMaxDataBytes);
    const int64_t wholeFrames = header.blockAlign > 1 ? limit - limit % header.blockAlign : limit;
    return std::max<int64_t>(wholeFrames - (file->position() - dataOffset), 0);
}

} // namespace zkr
