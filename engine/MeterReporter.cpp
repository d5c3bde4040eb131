#include "engine/MeterReporter.h"

#include <chrono>

#include "api/Protocol.h"
#include "platform/core/Realtime.h"

namespace engine {

int MeterReporter::slotOf(int32_t channel)
{
    if (channel == kMasterLeft)
        return kChannelCount;
    if (channel == kMasterRight)
        return kChannelCount + 1;
    return channel >= 0 && channel < kChannelCount ? channel : -1;
}

void MeterReporter::start(int channelCount, const int32_t* levels, int32_t masterLeft, int32_t masterRight,
                          bool clipped, int32_t elapsedMs)
{
    stop();
    channelCount_ = channelCount < kChannelCount ? channelCount : kChannelCount;
    const auto seed = [](Reading& value, int32_t reported) {
        value.reported = reported;
        value.latest.store(reported, std::memory_order_relaxed);
    };
    for (int c = 0; c < channelCount_; ++c)
        seed(levels_[static_cast<size_t>(c)], levels[c]);
    seed(levels_[kChannelCount], masterLeft);
    seed(levels_[kChannelCount + 1], masterRight);
    seed(clipped_, clipped ? 1 : 0);
    seed(elapsed_, elapsedMs);
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void MeterReporter::stop()
{
    if (!thread_.joinable())
        return;
    stopping_ = true;
    thread_.join();
}

void MeterReporter::reportLevel(int32_t channel, int32_t level)
{
    if (!running())
        host_.updateChannelValue(channel, toWire(engine::Value::Level), level);
    else if (const int slot = slotOf(channel); slot >= 0)
        levels_[static_cast<size_t>(slot)].latest.store(level, std::memory_order_relaxed);
}

void MeterReporter::reportClipped(bool clipped)
{
    if (!running())
        host_.updateChannelValue(kMasterLeft, toWire(engine::Value::Clipped), clipped ? 1 : 0);
    else
        clipped_.latest.store(clipped ? 1 : 0, std::memory_order_relaxed);
}

void MeterReporter::reportElapsed(int32_t elapsedMs)
{
    if (!running())
        host_.updateGeneralValue(0, toWire(engine::Value::Elapsed), elapsedMs);
    else
        elapsed_.latest.store(elapsedMs, std::memory_order_relaxed);
}

void MeterReporter::run()
{
    // Made by the real-time streaming thread, whose scheduling it inherited.
    plat::leaveRealtimeScheduling();
    while (!stopping_.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kReportMs));
        reportChanges();
    }
    reportChanges();
}

void MeterReporter::reportChanges()
{
    const auto changed = [](Reading& value, int32_t& now) {
        now = value.latest.load(std::memory_order_relaxed);
        if (now == value.reported)
            return false;
        value.reported = now;
        return true;
    };
    int32_t now = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slot >= channelCount_ && slot < kChannelCount)
            continue;
        if (changed(levels_[static_cast<size_t>(slot)], now)) {
            const int32_t channel = slot < kChannelCount    ? slot
                                    : slot == kChannelCount ? kMasterLeft
                                                            : kMasterRight;
            host_.updateChannelValue(channel, toWire(engine::Value::Level), now);
        }
    }
    if (changed(clipped_, now))
        host_.updateChannelValue(kMasterLeft, toWire(engine::Value::Clipped), now);
    if (changed(elapsed_, now))
        host_.updateGeneralValue(0, toWire(engine::Value::Elapsed), now);
}

} // namespace engine
