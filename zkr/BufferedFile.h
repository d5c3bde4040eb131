#pragma once

#include <cstdint>
#include <memory>

#include "platform/core/UniqueFd.h"

namespace zkr {

// A file with one internal buffer that absorbs small reads and writes, in the
// manner of buffered multimedia file I/O: positions reach as far as a RIFF
// file does (kLastPosition), reads at the end give short or zero counts, and
// the buffer is the owner's "disk buffer". Without a buffer every call goes
// straight to the file.
class BufferedFile {
public:
    // Origins of seek.
    static constexpr int kFromStart = 0;
    static constexpr int kFromCurrent = 1;
    static constexpr int kFromEnd = 2;
    // Larger buffers are refused rather than risked.
    static constexpr int32_t kMaxBufferSize = 64 * 1024 * 1024;
    // A RIFF file's 32-bit size counts the bytes after its first eight.
    static constexpr int64_t kLastPosition = int64_t{UINT32_MAX} + 8;

    enum class Mode {
        Read,
        // Read and write, created or truncated.
        Create,
        // Read and write, created here and now: fails (errno EEXIST) when
        // anything has the name, a symbolic link included, so nothing that
        // others put there is followed or emptied.
        CreateNew,
    };

    // Null when the file cannot be opened, with errno telling why.
    [[nodiscard]] static std::unique_ptr<BufferedFile> open(const char* path, Mode mode);

    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;
    // Writes what is pending; the result is lost, so owners call close.
    ~BufferedFile();

    // Bytes read (short or 0 at the end of the file), -1 on failure.
    [[nodiscard]] int32_t read(void* buffer, int32_t count);
    // Bytes taken (all of them), -1 on failure. A failure to write out earlier
    // buffered bytes shows here or at the next seek, setBuffer or close.
    [[nodiscard]] int32_t write(const void* data, int32_t count);
    // The new position, -1 when the target lies before the start or beyond
    // kLastPosition. Positions past the end are allowed.
    [[nodiscard]] int64_t seek(int64_t offset, int origin);
    // Replaces the buffer (pending bytes are written first); 0 bytes means
    // unbuffered. False when the size is refused or cannot be allocated.
    [[nodiscard]] bool setBuffer(int32_t bytes);
    // Writes what is pending and closes; false when either fails.
    [[nodiscard]] bool close();
    // Writes what is pending; false when that fails, and the pending bytes
    // are then dropped.
    [[nodiscard]] bool flush();
    // Writes straight to the file at a place, keeping the position and any
    // pending bytes; buffered bytes of that range take the new ones too.
    [[nodiscard]] bool writeThrough(int64_t at, const void* data, int32_t count);
    // Bytes the file holds on disk, pending bytes left out; -1 on failure.
    [[nodiscard]] int64_t storedSize() const;

    int64_t position() const { return position_; }
    int32_t bufferSize() const { return capacity_; }

private:
    explicit BufferedFile(plat::UniqueFd fd) : fd_(std::move(fd)) {}
    int64_t readAt(uint8_t* out, int64_t count, int64_t at);
    [[nodiscard]] bool writeAt(const uint8_t* data, int64_t count, int64_t at);

    plat::UniqueFd fd_;
    std::unique_ptr<uint8_t[]> buffer_;
    int32_t capacity_ = 0;
    int64_t position_ = 0;
    // The buffer holds the file's bytes from bufferStart_ (a read cache), or,
    // when dirty_, bytes still to be written there.
    int64_t bufferStart_ = 0;
    int32_t bufferLength_ = 0;
    bool dirty_ = false;
};

} // namespace zkr
