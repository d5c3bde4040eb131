#pragma once

#include <cstdint>

#include "zkr/EventObject.h"
#include "zkr/MutexLock.h"
#include "zkr/MutexObject.h"
#include "zkr/ObjectBase.h"

namespace zkr {

// A fixed ring of data blocks from one producer thread to one consumer thread.
// Reading and writing answer their failures and report nothing (lastError
// stays the owner's): the two threads are the engine's streaming thread and a
// producer, neither of which may show a dialog.
// Reading starts once the writer has filled the blocks up to half of the ring.
// The ring's events belong to this buffer alone: two buffers never wake or
// block each other.
class SharedBuffer : public ObjectBase {
public:
    static constexpr uint32_t kLockTimeoutMs = 50;

    struct Block {
        uint8_t* data = nullptr;
        uint32_t length = 0;
        int32_t filled = 0;
    };

    SharedBuffer();
    ~SharedBuffer() override;

    // 0, or 19 (also for a count or size below 1); the buffer is then
    // unusable until the next allocate.
    [[nodiscard]] int allocate(int count, int size);
    void release();
    void reset();
    // 0 (a block, or an empty block once the producer has ended), 16 (not
    // started yet and the producer still running) or 200 (ring empty, or the
    // lock not had within 50 ms). out holds at least one block size. 45 when
    // no blocks are allocated.
    [[nodiscard]] int tryRead(void* out, uint32_t* length);
    // Retries tryRead until it gives a block, the end, or an error.
    [[nodiscard]] int read(void* out, uint32_t* length);
    // 0, or 200 when the ring is full (or the lock not had within 50 ms). A
    // length above the block size is refused with 13; 45 without blocks.
    [[nodiscard]] int tryWrite(const void* data, uint32_t length);
    [[nodiscard]] int write(const void* data, uint32_t length);

    // The owner marks (or clears, after reset) the end of the producer's data
    // and wakes a waiting reader.
    void setEndOfData(bool ended);

private:
    // 200 without the lock, 45 before allocate; 0 when the ring may be used.
    int ringUnusable(const MutexLock& guard);

public:
    // Guarded by lock.
    Block* blocks = nullptr;
    int32_t blockSize = 0;
    int32_t blockCount = 0;
    int32_t readIndex = 0;
    int32_t writeIndex = 0;
    MutexObject lock{false, ""};
    bool started = false;
    bool endOfData = false;
    // Manual reset, bounded waits; reset by the waiter after each wait.
    EventObject canRead{true, false, "CanRead"};
    EventObject dataRead{true, false, "ReadData"};
    EventObject dataWritten{true, false, "WriteData"};
};

} // namespace zkr
