#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/core/Api.h"

// Real-time scheduling for the threads that keep sound going, and memory
// that stays in RAM for them. Both are best effort: a system that refuses
// leaves the thread at normal priority and the memory pageable.
namespace plat {

// Which audio thread asks. The sound device's thread sits above the
// streaming thread that feeds it; both stay well below 99, where the
// kernel's own watchdog threads run.
enum class ThreadRole {
    Streaming,
    SoundDevice,
};

inline constexpr int kStreamingRealtimePriority = 70;
inline constexpr int kSoundDeviceRealtimePriority = 75;

[[nodiscard]] PLAT_API int realtimePriorityOf(ThreadRole role);

// What a request got.
enum class SchedulingKind {
    Realtime,             // SCHED_FIFO set by the process itself (RLIMIT_RTPRIO or privilege)
    RealtimeThroughRtkit, // SCHED_FIFO granted by the desktop's RealtimeKit service
    Normal,               // neither: the thread goes on as it was
};

// "realtime", "realtime-through-rtkit", "normal".
[[nodiscard]] PLAT_API const char* toString(SchedulingKind kind);

struct SchedulingGrant {
    SchedulingKind kind = SchedulingKind::Normal;
    int priority = 0;   // the SCHED_FIFO priority got; 0 when normal
    std::string reason; // normal: the system's words for why
};

// Asks SCHED_FIFO at the role's priority for a thread of this process
// (threadId: its kernel id; 0 the calling thread): first itself, raising
// the soft RLIMIT_RTPRIO up to the hard one (taking the limit's priority
// when it is lower), else through RealtimeKit on the system bus. No bus,
// no service or a refusal is not an error: the answer says so.
[[nodiscard]] PLAT_API SchedulingGrant requestRealtimeScheduling(ThreadRole role, uint32_t threadId = 0);

// The calling thread back to normal scheduling: for a real-time thread that
// found nothing paces it (a render to a file), which would otherwise keep a
// core to itself. Never waits.
PLAT_API void leaveRealtimeScheduling();

// Keeps a range of memory resident while it lives (mlock), so that a block
// the audio threads touch never waits for a page to come back from swap.
// Refused (RLIMIT_MEMLOCK, no privilege) it does nothing.
class PLAT_API LockedMemory {
public:
    LockedMemory() = default;
    LockedMemory(const void* data, size_t bytes);
    LockedMemory(const LockedMemory&) = delete;
    LockedMemory& operator=(const LockedMemory&) = delete;
    LockedMemory(LockedMemory&& other) noexcept;
    LockedMemory& operator=(LockedMemory&& other) noexcept;
    ~LockedMemory();

    [[nodiscard]] bool locked() const { return data_ != nullptr; }

private:
    void release();

    const void* data_ = nullptr; // null when nothing is locked
    size_t bytes_ = 0;
};

// Marks the calling thread, for its scope, as one that must never block: the
// streaming cycle. Debug builds check it in the platform's lock, wait and
// file calls (checkMayBlock), so a blocking call there fails loudly in tests.
// Sections nest; each thread has its own.
class PLAT_API RealtimeSection {
public:
    RealtimeSection();
    RealtimeSection(const RealtimeSection&) = delete;
    RealtimeSection& operator=(const RealtimeSection&) = delete;
    ~RealtimeSection();
};

// A wait inside a real-time section that the design relies on (the sound
// card's pacing), named so that it shows where it is allowed and why.
class PLAT_API AllowedWait {
public:
    explicit AllowedWait(const char* why);
    AllowedWait(const AllowedWait&) = delete;
    AllowedWait& operator=(const AllowedWait&) = delete;
    ~AllowedWait();

private:
    const char* outer_; // the allowance this one hides, restored at the end
};

// Inside a real-time section and outside any allowed wait: the thread must not block now.
[[nodiscard]] PLAT_API bool mustNotBlock();

// Debug builds: aborts, naming the call, when the calling thread must not
// block. Release builds: nothing.
PLAT_API void checkMayBlockSlow(const char* call);
inline void checkMayBlock([[maybe_unused]] const char* call)
{
#ifndef NDEBUG
    checkMayBlockSlow(call);
#endif
}

} // namespace plat
