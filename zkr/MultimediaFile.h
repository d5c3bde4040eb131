#pragma once

#include <bit>
#include <cstdint>
#include <memory>

#include "zkr/Resource.h"
#include "zkr/WaveFormat.h"

namespace zkr {

class BufferedFile;

// A RIFF WAVE file of uncompressed PCM samples, read or written through a
// buffered file whose buffer is the disk buffer.
class MultimediaFile : public Resource {
public:
    // Mode of open that creates (or truncates) the file for reading and
    // writing; any other mode opens it for reading only.
    static constexpr int kModeCreate = 4096;
    // Creates a new file for reading and writing, never one that has the
    // name already (a symbolic link included): openError is then EEXIST.
    static constexpr int kModeCreateNew = kModeCreate | 0x10;
    // The most data bytes a header can count: the RIFF size, data bytes + 36,
    // is 32-bit.
    static constexpr int64_t kMaxDataBytes = int64_t{UINT32_MAX} - 36;
    static constexpr int kExtraChunksSize = 256;

    // The canonical header, little-endian, read and written in one piece.
    struct Header {
        uint32_t riffId;
        uint32_t riffSize;
        uint32_t formType;
        uint32_t formatId;
        uint32_t formatSize;
        uint16_t formatTag;
        uint16_t channels;
        uint32_t samplesPerSecond;
        uint32_t averageBytesPerSecond;
        uint16_t blockAlign;
        uint16_t bitsPerSample;
        // While reading: the id and size of the chunk last looked at.
        uint32_t dataId;
        uint32_t dataSize;
    };
    static_assert(sizeof(Header) == 44);
    static_assert(std::endian::native == std::endian::little, "the header is stored as it lies in memory");

    // Four-character code from four characters, first in the lowest byte.
    static constexpr uint32_t fourCC(const char (&code)[5])
    {
        return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 |
               uint32_t(uint8_t(code[2])) << 16 | uint32_t(uint8_t(code[3])) << 24;
    }

    MultimediaFile();
    ~MultimediaFile() override;

    [[nodiscard]] bool open(const char* name, int mode) override;
    [[nodiscard]] bool close() override;

    [[nodiscard]] int readHeader();
    [[nodiscard]] int buildHeader(uint32_t dataBytes, uint32_t samplesPerSecond, uint16_t channels,
                                  uint16_t bitsPerSample);
    [[nodiscard]] int writeHeader();
    [[nodiscard]] int finish(uint32_t dataBytes);
    [[nodiscard]] int read(void* buffer, int32_t count, int32_t* transferred);
    [[nodiscard]] int write(const void* data, int32_t count, int32_t* transferred);
    [[nodiscard]] int seek(int32_t offset, int origin);
    // The current position; 3 (recorded as the error) when no file is open.
    int64_t position();
    [[nodiscard]] int setDiskBuffer(int32_t bytes);
    // The header's format, its tag the samples' format (PCM or float, also
    // for an extensible format chunk); the extra size is 18, the size of the
    // record itself, as callers of this class have always seen it.
    [[nodiscard]] int getFormat(WaveFormat* format);
    // Data bytes / (average bytes per second / 1000), both rounding down; 0
    // for a byte rate below 1000.
    uint32_t durationMs() const;
    // Data bytes / block align; 0 when block align is 0.
    uint32_t frameCount() const;
    // Data bytes a recording can still take after the header, in whole
    // frames: write refuses more, so the header counts every byte written.
    int64_t room() const;

    // Null while no file is open.
    std::unique_ptr<BufferedFile> file;
    Header header{};
    uint32_t formType = fourCC("WAVE");
    int32_t dataOffset = 0;
    // "'LIST';'fact';": the chunks skipped on the way to the data chunk.
    char extraChunks[kExtraChunksSize] = {};
    // What the samples are: kWaveFormatPcm (integers) or kWaveFormatFloat,
    // whether the format chunk says so by its tag or by its extension.
    uint16_t sampleFormat = kWaveFormatPcm;
    // The errno of the last open that failed, 0 after one that succeeded.
    int openError = 0;
    // Data bytes a recording may hold; smaller only in tests.
    int64_t dataLimit = kMaxDataBytes;

private:
    // 0 when a file is open, else records and returns NoExternalResource.
    [[nodiscard]] int requireFile();
    // Moves on by a chunk's size, taken as unsigned so that no size leads
    // backwards, and past the pad byte that follows an odd-sized chunk; 0, 4
    // or 6.
    [[nodiscard]] int skipForward(uint32_t bytes);
    void appendExtraChunk(uint32_t id);
    // Reads the rest of the format chunk after its first 16 bytes; 0, 4, 6 or 8.
    [[nodiscard]] int readFormatExtension();
    int succeed();
    // Rewrites the header at the file's start for the data that is on disk:
    // dataBytes, or fewer when fewer reached the disk, in whole frames.
    [[nodiscard]] bool storeHeader(uint32_t dataBytes);

    // Data bytes between refreshes of a recording's header (0: none), and
    // the data size whose writing brings the next one.
    int64_t refreshEvery_ = 0;
    int64_t nextRefresh_ = 0;
};

} // namespace zkr
