#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace velmora::test {

// Ends the whole test program when a scope takes longer than its limit, so a
// hang in a thread or event-loop test fails at once instead of stalling CI.
class Watchdog {
public:
    explicit Watchdog(std::chrono::milliseconds limit, std::string what = "test") : what_(std::move(what))
    {
        thread_ = std::thread([this, limit] {
            std::unique_lock lock(mutex_);
            waiting_ = true;
            started_.notify_all();
            if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
                std::fprintf(stderr, "watchdog: %s did not finish in %lld ms\n", what_.c_str(),
                             static_cast<long long>(limit.count()));
                std::fflush(stderr);
                std::_Exit(99);
            }
        });
        // Returns once the thread waits: a test that forks right after must
        // not fork while the new thread is still starting (and may hold the
        // allocator's or the sanitizer's locks, which the child would inherit
        // taken).
        std::unique_lock lock(mutex_);
        started_.wait(lock, [this] { return waiting_; });
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::condition_variable started_;
    bool waiting_ = false; // set by the thread under mutex_ just before it waits
    bool finished_ = false;
    std::thread thread_;
};

} // namespace velmora::test
