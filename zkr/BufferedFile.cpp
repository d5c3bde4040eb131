#include "zkr/BufferedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/core/Files.h"

namespace zkr {

std::unique_ptr<BufferedFile> BufferedFile::open(const char* path, Mode mode)
{
    if (path == nullptr || path[0] == '\0') {
        errno = ENOENT;
        return nullptr;
    }
    int flags = O_RDONLY;
    if (mode == Mode::Create)
        flags = O_RDWR | O_CREAT | O_TRUNC;
    else if (mode == Mode::CreateNew)
        flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
    plat::UniqueFd fd(plat::openFile(path, flags | O_CLOEXEC));
    if (!fd)
        return nullptr;
    std::unique_ptr<BufferedFile> file(new (std::nothrow) BufferedFile(std::move(fd)));
    if (!file)
        errno = ENOMEM;
    return file;
}

BufferedFile::~BufferedFile()
{
    static_cast<void>(flush());
}

int64_t BufferedFile::readAt(uint8_t* out, int64_t count, int64_t at)
{
    return plat::readAt(fd_.get(), out, count, at);
}

bool BufferedFile::writeAt(const uint8_t* data, int64_t count, int64_t at)
{
    return plat::writeAt(fd_.get(), data, count, at);
}

bool BufferedFile::flush()
{
    if (!dirty_)
        return true;
    // Pending bytes go once: a failed write is reported, not retried forever.
    const bool written = writeAt(buffer_.get(), bufferLength_, bufferStart_);
    dirty_ = false;
    bufferLength_ = 0;
    return written;
}

int32_t BufferedFile::read(void* buffer, int32_t count)
{
    if (!fd_ || count < 0 || (buffer == nullptr && count > 0))
        return -1;
    // Positions stay within kLastPosition, so a read ends there.
    int64_t wanted = std::min<int64_t>(count, kLastPosition - position_);
    if (wanted <= 0)
        return 0;
    if (!flush())
        return -1;
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t copied = 0;
    while (copied < wanted) {
        const int64_t cached = bufferStart_ + bufferLength_ - position_;
        if (position_ >= bufferStart_ && cached > 0) {
            const int64_t n = std::min(cached, wanted - copied);
            std::memcpy(out + copied, buffer_.get() + (position_ - bufferStart_), static_cast<size_t>(n));
            copied += n;
            position_ += n;
            continue;
        }
        const int64_t remaining = wanted - copied;
        if (remaining >= capacity_) {
            // Large requests go straight into the caller's buffer.
            const int64_t got = readAt(out + copied, remaining, position_);
            if (got < 0)
                return -1;
            copied += got;
            position_ += got;
            break;
        }
        const int64_t got = readAt(buffer_.get(), capacity_, position_);
        if (got < 0) {
            bufferLength_ = 0;
            return -1;
        }
        bufferStart_ = position_;
        bufferLength_ = static_cast<int32_t>(got);
        if (got == 0)
            break;
    }
    return static_cast<int32_t>(copied);
}

int32_t BufferedFile::write(const void* data, int32_t count)
{
    if (!fd_ || count < 0 || (data == nullptr && count > 0))
        return -1;
    if (position_ + count > kLastPosition)
        return -1;
    const auto* in = static_cast<const uint8_t*>(data);
    if (!dirty_) {
        // The read cache would go stale; writing starts an empty buffer here.
        bufferLength_ = 0;
        bufferStart_ = position_;
    } else if (position_ != bufferStart_ + bufferLength_ || bufferLength_ + int64_t{count} > capacity_) {
        if (!flush())
            return -1;
        bufferStart_ = position_;
    }
    if (count >= capacity_) {
        if (!writeAt(in, count, position_))
            return -1;
    } else {
        std::memcpy(buffer_.get() + bufferLength_, in, static_cast<size_t>(count));
        bufferLength_ += count;
        dirty_ = true;
    }
    position_ += count;
    return count;
}

int64_t BufferedFile::seek(int64_t offset, int origin)
{
    if (!fd_)
        return -1;
    int64_t base = 0;
    if (origin == kFromCurrent) {
        base = position_;
    } else if (origin == kFromEnd) {
        // The end includes bytes still waiting in the buffer.
        off_t end = ::lseek(fd_.get(), 0, SEEK_END);
        if (end < 0)
            return -1;
        base = std::max<int64_t>(end, dirty_ ? bufferStart_ + bufferLength_ : 0);
    } else if (origin != kFromStart) {
        return -1;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > kLastPosition)
        return -1;
    position_ = target;
    return position_;
}

bool BufferedFile::setBuffer(int32_t bytes)
{
    if (!fd_ || bytes < 0 || bytes > kMaxBufferSize)
        return false;
    if (!flush())
        return false;
    std::unique_ptr<uint8_t[]> fresh;
    if (bytes > 0) {
        fresh.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
        if (!fresh)
            return false;
    }
    buffer_ = std::move(fresh);
    capacity_ = bytes;
    bufferLength_ = 0;
    bufferStart_ = 0;
    return true;
}

bool BufferedFile::writeThrough(int64_t at, const void* data, int32_t count)
{
    if (!fd_ || at < 0 || count < 0 || (data == nullptr && count > 0) || at + count > kLastPosition)
        return false;
    const auto* in = static_cast<const uint8_t*>(data);
    const int64_t from = std::max(at, bufferStart_);
    const int64_t to = std::min(at + count, bufferStart_ + bufferLength_);
    if (from < to)
        std::memcpy(buffer_.get() + (from - bufferStart_), in + (from - at), static_cast<size_t>(to - from));
    return writeAt(in, count, at);
}

int64_t BufferedFile::storedSize() const
{
    struct stat status {};
    if (!fd_ || ::fstat(fd_.get(), &status) != 0)
        return -1;
    return status.st_size;
}

bool BufferedFile::close()
{
    const bool flushed = flush();
    const bool closed = fd_.close();
    return flushed && closed;
}

} // namespace zkr
