#include "plugins/brolet/RecordingWriter.h"

#include <algorithm>
#include <chrono>

#include "platform/core/Realtime.h"

namespace brolet {

namespace {

// How often the writer looks for blocks: well inside the queue's seconds.
constexpr auto kWriterPoll = std::chrono::milliseconds(20);
// How often a streaming thread waiting for room looks again.
constexpr auto kRoomPoll = std::chrono::milliseconds(1);
constexpr uint32_t kMinimumSlots = 4;
constexpr char kWaitForRoom[] = "the recording's disk, seconds behind";

} // namespace

RecordingWriter::~RecordingWriter()
{
    finish();
}

bool RecordingWriter::start(uint32_t blockBytes, uint32_t bytesPerSecond, Write write)
{
    finish();
    if (blockBytes == 0 ||
        !queue_.make(blockBytes, std::max(kMinimumSlots, kQueueSeconds * bytesPerSecond / blockBytes + 1)))
        return false;
    write_ = std::move(write);
    finishing_ = false;
    failed_ = false;
    waitsForRoom_ = 0;
    thread_ = std::thread([this] { run(); });
    return true;
}

bool RecordingWriter::offer(const void* block, uint32_t bytes, const std::atomic<bool>& stopping)
{
    if (failed() || bytes == 0)
        return true;
    if (queue_.push(block, bytes))
        return true;
    waitsForRoom_.fetch_add(1, std::memory_order_relaxed);
    const plat::AllowedWait waiting(kWaitForRoom);
    while (!queue_.push(block, bytes)) {
        if (stopping.load() || failed())
            return !stopping.load();
        std::this_thread::sleep_for(kRoomPoll);
    }
    return true;
}

void RecordingWriter::finish()
{
    if (!thread_.joinable())
        return;
    finishing_ = true;
    thread_.join();
}

void RecordingWriter::run()
{
    while (!finishing_.load()) {
        writeQueued();
        std::this_thread::sleep_for(kWriterPoll);
    }
    writeQueued();
}

void RecordingWriter::writeQueued()
{
    uint32_t bytes = 0;
    while (const uint8_t* block = queue_.front(bytes)) {
        if (!failed() && !write_(block, static_cast<int32_t>(bytes)))
            failed_.store(true, std::memory_order_release);
        queue_.pop();
    }
}

} // namespace brolet
