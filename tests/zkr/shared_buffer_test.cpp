#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "api/Protocol.h"
#include "support/Watchdog.h"
#include "zkr/SharedBuffer.h"

using namespace zkr;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr int kBlockSize = 16;
using Block = std::array<uint8_t, kBlockSize>;

// Blocks are told apart by the value all their bytes carry.
int writeBlock(SharedBuffer& buffer, uint8_t value, uint32_t length = kBlockSize)
{
    Block block;
    block.fill(value);
    return buffer.tryWrite(block.data(), length);
}

// Reads one block; its value, or -1 for an empty block or a refusal.
int readValue(SharedBuffer& buffer, int expectedStatus = toWire(engine::Error::Ok))
{
    Block out{};
    uint32_t length = 99;
    EXPECT_EQ(buffer.tryRead(out.data(), &length), expectedStatus);
    if (expectedStatus != toWire(engine::Error::Ok) || length == 0) {
        EXPECT_EQ(length, 0u);
        return -1;
    }
    EXPECT_EQ(out[length - 1], out[0]);
    return out[0];
}

class SharedBufferRing : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(buffer.allocate(4, kBlockSize), toWire(engine::Error::Ok)); }
    SharedBuffer buffer;
};

} // namespace

TEST_F(SharedBufferRing, AReadBeforeHalfOfTheRingIsWrittenChangesNothing)
{
    EXPECT_EQ(buffer.getName(nullptr), kKindSharedBuffer);
    ASSERT_EQ(writeBlock(buffer, 1), toWire(engine::Error::Ok));
    EXPECT_EQ(readValue(buffer, toWire(engine::Error::NotNow)), -1);
    EXPECT_EQ(buffer.readIndex, 0);
    EXPECT_EQ(buffer.writeIndex, 1);
    EXPECT_EQ(buffer.blocks[0].filled, 1);
    EXPECT_TRUE(buffer.dataRead.wait(0)); // the attempt is announced all the same
}

TEST_F(SharedBufferRing, TheThirdWriteOfFourBlocksStartsReading)
{
    ASSERT_EQ(writeBlock(buffer, 1), toWire(engine::Error::Ok));
    ASSERT_EQ(writeBlock(buffer, 2), toWire(engine::Error::Ok));
    EXPECT_FALSE(buffer.started);
    EXPECT_FALSE(buffer.canRead.wait(0));
    ASSERT_EQ(writeBlock(buffer, 3), toWire(engine::Error::Ok));
    EXPECT_TRUE(buffer.started);
    EXPECT_TRUE(buffer.canRead.wait(0));
    for (int v = 1; v <= 3; ++v)
        EXPECT_EQ(readValue(buffer), v);
}

TEST_F(SharedBufferRing, AFullRingRefusesAWriteWithoutCopying)
{
    for (uint8_t v = 1; v <= 4; ++v)
        ASSERT_EQ(writeBlock(buffer, v), toWire(engine::Error::Ok));
    (void)buffer.dataWritten.reset();
    EXPECT_EQ(writeBlock(buffer, 9), toWire(engine::Error::Busy));
    EXPECT_TRUE(buffer.dataWritten.wait(0));
    for (int v = 1; v <= 4; ++v)
        EXPECT_EQ(readValue(buffer), v);
}

TEST_F(SharedBufferRing, AnEmptyRingIsBusyUntilTheEndOfDataThenGivesEmptyBlocks)
{
    for (uint8_t v = 1; v <= 3; ++v)
        ASSERT_EQ(writeBlock(buffer, v), toWire(engine::Error::Ok));
    for (int v = 1; v <= 3; ++v)
        EXPECT_EQ(readValue(buffer), v);
    EXPECT_EQ(readValue(buffer, toWire(engine::Error::Busy)), -1);
    (void)buffer.dataWritten.reset();
    buffer.setEndOfData(true);
    EXPECT_TRUE(buffer.dataWritten.wait(0));
    EXPECT_EQ(readValue(buffer), -1);
    EXPECT_EQ(readValue(buffer), -1);
    // A new stream: reset keeps started, so the ring runs at once.
    buffer.reset();
    buffer.setEndOfData(false);
    EXPECT_EQ(readValue(buffer, toWire(engine::Error::Busy)), -1);
    ASSERT_EQ(writeBlock(buffer, 8), toWire(engine::Error::Ok));
    EXPECT_EQ(readValue(buffer), 8);
}

TEST_F(SharedBufferRing, IndicesWrapAndBlocksKeepTheirLength)
{
    for (uint8_t v = 1; v <= 4; ++v)
        ASSERT_EQ(writeBlock(buffer, v), toWire(engine::Error::Ok));
    EXPECT_EQ(buffer.writeIndex, 0);
    for (int v = 1; v <= 3; ++v)
        EXPECT_EQ(readValue(buffer), v);
    ASSERT_EQ(writeBlock(buffer, 5, 3), toWire(engine::Error::Ok));
    ASSERT_EQ(writeBlock(buffer, 6, 0), toWire(engine::Error::Ok));
    EXPECT_EQ(buffer.writeIndex, 2);
    EXPECT_EQ(readValue(buffer), 4);
    EXPECT_EQ(buffer.readIndex, 0);
    Block out{};
    uint32_t length = 0;
    ASSERT_EQ(buffer.tryRead(out.data(), &length), toWire(engine::Error::Ok));
    EXPECT_EQ(length, 3u);
    ASSERT_EQ(buffer.tryRead(out.data(), &length), toWire(engine::Error::Ok));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(readValue(buffer, toWire(engine::Error::Busy)), -1);
}

TEST_F(SharedBufferRing, AllocatingAgainStartsEmptyAndNotStarted)
{
    for (uint8_t v = 1; v <= 3; ++v)
        ASSERT_EQ(writeBlock(buffer, v), toWire(engine::Error::Ok));
    buffer.setEndOfData(true);
    ASSERT_EQ(buffer.allocate(6, 8), toWire(engine::Error::Ok));
    EXPECT_FALSE(buffer.started);
    EXPECT_FALSE(buffer.endOfData);
    EXPECT_EQ(buffer.blockCount, 6);
    EXPECT_EQ(buffer.writeIndex, 0);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(buffer.blocks[i].filled, 0);
    EXPECT_EQ(readValue(buffer, toWire(engine::Error::NotNow)), -1);
}

TEST_F(SharedBufferRing, AStreamEndingBeforeHalfTheRingIsStillReadToItsEnd)
{
    Watchdog watchdog(10s);
    ASSERT_EQ(writeBlock(buffer, 1), toWire(engine::Error::Ok));
    Block out{};
    uint32_t length = 0;
    std::thread reader([&] {
        EXPECT_EQ(buffer.read(out.data(), &length),
                  toWire(engine::Error::Ok)); // waits for the start, woken by the end
        EXPECT_EQ(length, static_cast<uint32_t>(kBlockSize));
        EXPECT_EQ(buffer.read(out.data(), &length), toWire(engine::Error::Ok));
        EXPECT_EQ(length, 0u);
    });
    buffer.setEndOfData(true);
    reader.join();
}

TEST_F(SharedBufferRing, WithoutTheLockNeitherSideTouchesTheRing)
{
    Watchdog watchdog(10s);
    for (uint8_t v = 1; v <= 3; ++v)
        ASSERT_EQ(writeBlock(buffer, v), toWire(engine::Error::Ok));
    EventObject held(true, false, nullptr);
    EventObject done(true, false, nullptr);
    std::thread holder([&] {
        (void)buffer.lock.wait(0);
        (void)held.set();
        EXPECT_TRUE(done.wait(10000));
        (void)buffer.lock.release();
    });
    ASSERT_TRUE(held.wait(10000));
    EXPECT_EQ(readValue(buffer, toWire(engine::Error::Busy)), -1);
    EXPECT_EQ(writeBlock(buffer, 9), toWire(engine::Error::Busy));
    (void)done.set();
    holder.join();
    EXPECT_EQ(buffer.writeIndex, 3);
    EXPECT_EQ(readValue(buffer), 1);
}

TEST(SharedBuffer, MisuseIsRefusedInsteadOfOverrunningMemory)
{
    SharedBuffer buffer;
    buffer.silent = true;
    Block data{};
    uint32_t length = 0;
    EXPECT_EQ(buffer.tryRead(data.data(), &length), toWire(engine::Error::NotInitialized));
    EXPECT_EQ(buffer.write(data.data(), 4), toWire(engine::Error::NotInitialized));
    EXPECT_EQ(buffer.allocate(0, 16), toWire(engine::Error::OutOfMemory));
    EXPECT_EQ(buffer.allocate(4, -1), toWire(engine::Error::OutOfMemory));
    EXPECT_EQ(buffer.blocks, nullptr);

    ASSERT_EQ(buffer.allocate(4, 8), toWire(engine::Error::Ok));
    EXPECT_EQ(buffer.lastError, toWire(engine::Error::Ok));
    EXPECT_EQ(buffer.tryWrite(data.data(), 9), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(buffer.blocks[0].filled, 0);
    buffer.release();
    EXPECT_EQ(buffer.tryWrite(data.data(), 4), toWire(engine::Error::NotInitialized));
}

TEST(SharedBuffer, TwoBuffersNeverWakeOrBlockEachOther)
{
    SharedBuffer first;
    SharedBuffer second;
    ASSERT_EQ(first.allocate(2, 4), toWire(engine::Error::Ok));
    ASSERT_EQ(second.allocate(2, 4), toWire(engine::Error::Ok));
    const uint8_t data[4] = {1, 2, 3, 4};
    ASSERT_EQ(second.tryWrite(data, 4), toWire(engine::Error::Ok));
    ASSERT_EQ(second.tryWrite(data, 4), toWire(engine::Error::Ok));
    EXPECT_EQ(second.tryWrite(data, 4), toWire(engine::Error::Busy));
    uint8_t out[4];
    uint32_t length = 0;
    EXPECT_EQ(second.tryRead(out, &length), toWire(engine::Error::Ok));
    second.setEndOfData(true);
    EXPECT_FALSE(first.canRead.wait(0));
    EXPECT_FALSE(first.dataWritten.wait(0));
    EXPECT_FALSE(first.dataRead.wait(0));
    // A full first buffer does not stop the second one.
    ASSERT_EQ(first.tryWrite(data, 4), toWire(engine::Error::Ok));
    ASSERT_EQ(first.tryWrite(data, 4), toWire(engine::Error::Ok));
    EXPECT_EQ(second.tryWrite(data, 4), toWire(engine::Error::Ok));
}

TEST(SharedBuffer, AProducerAndAConsumerMoveEveryBlockOnceAndInOrder)
{
    Watchdog watchdog(30s, "producer and consumer");
    constexpr int kBlocks = 10000;
    constexpr int kSamples = 8;
    SharedBuffer buffer;
    ASSERT_EQ(buffer.allocate(8, kSamples * 2), toWire(engine::Error::Ok));

    std::thread producer([&] {
        int16_t samples[kSamples];
        uint16_t count = 0;
        for (int block = 0; block < kBlocks; ++block) {
            for (int16_t& s : samples)
                s = static_cast<int16_t>(count++);
            EXPECT_EQ(buffer.write(samples, sizeof samples), toWire(engine::Error::Ok));
        }
        buffer.setEndOfData(true);
    });

    int16_t samples[kSamples];
    uint16_t expected = 0;
    int blocks = 0;
    bool inOrder = true;
    uint32_t length = 0;
    while (buffer.read(samples, &length) == toWire(engine::Error::Ok) && length > 0) {
        inOrder = inOrder && length == sizeof samples;
        for (int16_t s : samples)
            inOrder = inOrder && static_cast<uint16_t>(s) == expected++;
        ++blocks;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(blocks, kBlocks);
    EXPECT_EQ(length, 0u);
}
