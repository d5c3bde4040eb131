#include "zkr/SharedBuffer.h"

#include <cstring>
#include <new>

#include "api/Protocol.h"
#include "platform/core/Realtime.h"
#include "zkr/MutexLock.h"

namespace zkr {

SharedBuffer::SharedBuffer()
{
    kind = kKindSharedBuffer;
    canRead.boundedWait = true;
    dataRead.boundedWait = true;
    dataWritten.boundedWait = true;
}

SharedBuffer::~SharedBuffer()
{
    release();
}

int SharedBuffer::allocate(int count, int size)
{
    MutexLock guard(lock, plat::kInfinite);
    release();
    // A ring without blocks, or of empty blocks, cannot carry anything.
    if (count <= 0 || size <= 0) {
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    blocks = new (std::nothrow) Block[count];
    if (blocks == nullptr) {
        setError(toWire(engine::Error::OutOfMemory));
        return lastError;
    }
    blockCount = count;
    blockSize = size;
    for (int i = 0; i < count; ++i) {
        blocks[i].data = new (std::nothrow) uint8_t[size];
        if (blocks[i].data == nullptr) {
            release();
            setError(toWire(engine::Error::OutOfMemory));
            return lastError;
        }
    }
    reset();
    started = false;
    endOfData = false;
    clearError();
    return toWire(engine::Error::Ok);
}

void SharedBuffer::release()
{
    MutexLock guard(lock, plat::kInfinite);
    if (blocks != nullptr) {
        for (int i = 0; i < blockCount; ++i)
            delete[] blocks[i].data;
        delete[] blocks;
        blocks = nullptr;
    }
    blockCount = 0;
    blockSize = 0;
    readIndex = 0;
    writeIndex = 0;
    started = false;
    endOfData = false;
}

void SharedBuffer::reset()
{
    MutexLock guard(lock, plat::kInfinite);
    for (int i = 0; blocks != nullptr && i < blockCount; ++i) {
        blocks[i].length = 0;
        blocks[i].filled = 0;
    }
    readIndex = 0;
    writeIndex = 0;
}

int SharedBuffer::ringUnusable(const MutexLock& guard)
{
    // The ring is not touched without the lock; the blocking forms retry.
    if (!guard.owned())
        return toWire(engine::Error::Busy);
    if (blocks == nullptr)
        return toWire(engine::Error::NotInitialized);
    return toWire(engine::Error::Ok);
}

int SharedBuffer::tryRead(void* out, uint32_t* length)
{
    *length = 0;
    // The streaming thread only tries the lock: a miss is Busy, as an empty ring is.
    MutexLock guard(lock, plat::mustNotBlock() ? 0 : kLockTimeoutMs);
    if (int status = ringUnusable(guard); status != toWire(engine::Error::Ok))
        return status;
    // Once the producer has ended, what it wrote is read even if it never
    // filled half of the ring; otherwise a short stream would never end.
    if (!started && !endOfData) {
        (void)dataRead.set();
        return toWire(engine::Error::NotNow);
    }
    Block& block = blocks[readIndex];
    if (block.filled != 0) {
        if (block.length > 0)
            std::memcpy(out, block.data, block.length);
        *length = block.length;
        block.length = 0;
        block.filled = 0;
        readIndex = readIndex + 1 == blockCount ? 0 : readIndex + 1;
        (void)dataRead.set();
        return toWire(engine::Error::Ok);
    }
    (void)dataRead.set();
    if (!endOfData)
        return toWire(engine::Error::Busy);
    // An empty block marks the end of the stream.
    return toWire(engine::Error::Ok);
}

int SharedBuffer::read(void* out, uint32_t* length)
{
    for (;;) {
        const int status = tryRead(out, length);
        if (status == toWire(engine::Error::Busy)) {
            (void)dataWritten.wait(plat::kInfinite);
            (void)dataWritten.reset();
        } else if (status == toWire(engine::Error::NotNow)) {
            (void)canRead.wait(plat::kInfinite);
            (void)canRead.reset();
        } else {
            return status;
        }
    }
}

int SharedBuffer::tryWrite(const void* data, uint32_t length)
{
    MutexLock guard(lock, kLockTimeoutMs);
    if (int status = ringUnusable(guard); status != toWire(engine::Error::Ok))
        return status;
    // More than a block would overrun it.
    if (length > static_cast<uint32_t>(blockSize))
        return toWire(engine::Error::IndexOutOfRange);
    Block& block = blocks[writeIndex];
    if (block.filled != 0) {
        (void)dataWritten.set();
        return toWire(engine::Error::Busy);
    }
    if (length > 0)
        std::memcpy(block.data, data, length);
    block.length = length;
    block.filled = 1;
    if (!started && writeIndex >= blockCount / 2) {
        started = true;
        (void)canRead.set();
    }
    writeIndex = writeIndex + 1 == blockCount ? 0 : writeIndex + 1;
    (void)dataWritten.set();
    return toWire(engine::Error::Ok);
}

int SharedBuffer::write(const void* data, uint32_t length)
{
    for (;;) {
        const int status = tryWrite(data, length);
        if (status != toWire(engine::Error::Busy))
            return status;
        (void)dataRead.wait(plat::kInfinite);
        (void)dataRead.reset();
    }
}

void SharedBuffer::setEndOfData(bool ended)
{
    MutexLock guard(lock, plat::kInfinite);
    endOfData = ended;
    (void)dataWritten.set();
    // A reader still waiting for the start reads what there is, then the end.
    if (ended)
        (void)canRead.set();
}

} // namespace zkr
