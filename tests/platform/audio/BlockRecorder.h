#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/AudioTypes.h"
#include "platform/audio/Device.h"
#include "platform/audio/Devices.h"

namespace velmora::test {

inline const plat::audio::PcmFormat kCdFormat{44100, 2, 16};

// Blocks of one size, with the callback that collects them as the device hands them back.
class BlockRecorder {
public:
    BlockRecorder(size_t count, uint32_t bytes) : storage_(count, std::vector<uint8_t>(bytes)), blocks_(count)
    {
        for (size_t i = 0; i < count; ++i) {
            blocks_[i].data = storage_[i].data();
            blocks_[i].length = bytes;
            blocks_[i].user = static_cast<intptr_t>(i);
        }
    }

    static void callback(void* context, plat::audio::Block* block)
    {
        auto* self = static_cast<BlockRecorder*>(context);
        std::lock_guard lock(self->mutex_);
        self->done_.push_back(block->user.load());
        self->threads_.push_back(std::this_thread::get_id());
        self->changed_.notify_all();
    }

    // Opens a device that hands its blocks back to this recorder.
    plat::audio::Result open(plat::audio::Direction direction, std::unique_ptr<plat::audio::Device>& device,
                             int index = plat::audio::kDefaultDevice,
                             const plat::audio::PcmFormat& format = kCdFormat)
    {
        return plat::audio::Device::open(direction, index, format, callback, this, device);
    }
    // Prepares and queues blocks from, from + 1, ... in that order; the first failure ends it.
    plat::audio::Result queue(plat::audio::Device& device, size_t count, size_t from = 0)
    {
        for (size_t i = from; i < from + count; ++i) {
            plat::audio::Result result = device.prepareBlock(blocks_[i]);
            if (result == plat::audio::Result::Ok)
                result = device.queue(blocks_[i]);
            if (result != plat::audio::Result::Ok)
                return result;
        }
        return plat::audio::Result::Ok;
    }

    plat::audio::Block& block(size_t i) { return blocks_[i]; }
    std::vector<uint8_t>& bytes(size_t i) { return storage_[i]; }

    // Waits until count blocks have come back; false after the limit.
    bool waitFor(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return done_.size() >= count; });
    }
    std::vector<intptr_t> done() const
    {
        std::lock_guard lock(mutex_);
        return done_;
    }
    std::vector<std::thread::id> threads() const
    {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    std::vector<std::vector<uint8_t>> storage_;
    std::vector<plat::audio::Block> blocks_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<intptr_t> done_;           // user values in the order handed back
    std::vector<std::thread::id> threads_; // the thread of each callback
};

} // namespace velmora::test
