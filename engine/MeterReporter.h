#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

#include "api/PluginApi.h"
#include "engine/EngineHost.h"

namespace engine {

// Carries what a paced streaming cycle measures (the channels' and the
// master's levels, the clip, the elapsed time) to the user interface from a
// thread of its own, as a meter bridge does: the interface's calls take its
// locks and post to its window, which a real-time cycle must not. The cycle
// only stores the latest values; the reporter hands on those that changed,
// kReportMs apart, and once more as it stops.
//
// Threads: start and stop on the streaming thread outside its real-time
// section; the publish calls on the streaming thread; the host's calls on
// the reporter's thread.
class MeterReporter {
public:
    // As often as the interface takes its updates (its mailbox rests 40 ms).
    static constexpr uint32_t kReportMs = 40;

    explicit MeterReporter(EngineHost& host) : host_(host) {}
    ~MeterReporter() { stop(); }
    MeterReporter(const MeterReporter&) = delete;
    MeterReporter& operator=(const MeterReporter&) = delete;

    // What was reported directly so far, so that only changes go on; then the thread.
    void start(int channelCount, const int32_t* levels, int32_t masterLeft, int32_t masterRight, bool clipped,
               int32_t elapsedMs);
    // Hands on the last values and ends the thread; nothing is reported after it returns.
    void stop();
    bool running() const { return thread_.joinable(); }

    // ---- the streaming thread ----
    // While the reporter runs these only store the value (they never wait);
    // before it starts they tell the host at once.
    // channel: 0 .. channelCount - 1, kMasterLeft or kMasterRight.
    void reportLevel(int32_t channel, int32_t level);
    void reportClipped(bool clipped);
    void reportElapsed(int32_t elapsedMs);

private:
    static constexpr int kSlots = kChannelCount + 2; // the channels, then the master's sides
    struct Reading {
        std::atomic<int32_t> latest{0};
        int32_t reported = 0; // the reporter's own
    };

    void run();
    void reportChanges();
    static int slotOf(int32_t channel);

    EngineHost& host_;
    int channelCount_ = 0; // written by start before the thread runs
    std::array<Reading, kSlots> levels_{};
    Reading clipped_;
    Reading elapsed_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace engine
