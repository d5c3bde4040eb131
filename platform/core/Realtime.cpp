#include "platform/core/Realtime.h"

#include <execinfo.h>
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/Bus.h"
#include "platform/core/Thread.h"

namespace plat {

namespace {

constexpr char kRtkitService[] = "org.freedesktop.RealtimeKit1";
constexpr char kRtkitPath[] = "/org/freedesktop/RealtimeKit1";
// A service that does not answer in this time is taken as absent: the
// request runs while a thread starts, which must not stall.
constexpr uint64_t kRtkitTimeoutMicroseconds = 500'000;

std::string errnoText(int error)
{
    return std::strerror(error);
}

// Raises the soft RLIMIT_RTPRIO towards wanted, up to the hard limit; the
// soft limit afterwards.
rlim_t raiseRealtimeLimit(int wanted)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0)
        return 0;
    const rlim_t target = static_cast<rlim_t>(wanted);
    if (limit.rlim_cur < target && limit.rlim_cur != RLIM_INFINITY) {
        const rlim_t raised = limit.rlim_max == RLIM_INFINITY ? target : std::min(target, limit.rlim_max);
        if (raised > limit.rlim_cur) {
            limit.rlim_cur = raised;
            if (setrlimit(RLIMIT_RTPRIO, &limit) != 0)
                (void)getrlimit(RLIMIT_RTPRIO, &limit);
        }
    }
    return limit.rlim_cur;
}

// SCHED_FIFO for tid at priority; errno's value when refused, else 0. A
// child the thread forks starts at normal priority.
int setFifo(pid_t tid, int priority)
{
    sched_param param{};
    param.sched_priority = priority;
    return sched_setscheduler(tid, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0 ? 0 : errno;
}

template <typename Value>
std::optional<Value> rtkitProperty(sd_bus* bus, const char* name, char type)
{
    BusError error;
    Value value{};
    if (sd_bus_get_property_trivial(bus, kRtkitService, kRtkitPath, kRtkitService, name, error.get(), type,
                                    &value) < 0)
        return std::nullopt;
    return value;
}

// RealtimeKit only serves a process whose RLIMIT_RTTIME is within its own
// maximum: a real-time thread that spins without sleeping is then stopped
// by the kernel instead of freezing the desktop.
void limitRealtimeCpuTime(uint64_t maximumMicroseconds)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return;
    const rlim_t maximum = static_cast<rlim_t>(maximumMicroseconds);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= maximum)
        return;
    limit.rlim_cur = maximum;
    limit.rlim_max = maximum;
    (void)setrlimit(RLIMIT_RTTIME, &limit);
}

// The priority RealtimeKit granted, or none with its reason.
std::optional<int> askRealtimeKit(pid_t tid, int priority, std::string& reason)
{
    sd_bus* raw = nullptr;
    int result = sd_bus_open_system(&raw);
    if (result < 0) {
        reason = "no system bus (" + errnoText(-result) + ")";
        return std::nullopt;
    }
    Bus bus(raw);
    (void)sd_bus_set_method_call_timeout(raw, kRtkitTimeoutMicroseconds);
    // The service may allow less than asked: its maximum is the best it gives.
    const std::optional<int32_t> maximum = rtkitProperty<int32_t>(raw, "MaxRealtimePriority", 'i');
    if (maximum && *maximum > 0)
        priority = std::min(priority, static_cast<int>(*maximum));
    if (const std::optional<int64_t> cpuTime = rtkitProperty<int64_t>(raw, "RTTimeUSecMax", 'x');
        cpuTime && *cpuTime > 0)
        limitRealtimeCpuTime(static_cast<uint64_t>(*cpuTime));
    BusError error;
    result = sd_bus_call_method(raw, kRtkitService, kRtkitPath, kRtkitService, "MakeThreadRealtime", error.get(),
                                nullptr, "tu", static_cast<uint64_t>(tid), static_cast<uint32_t>(priority));
    if (result < 0) {
        reason = "RealtimeKit: " + error.text(result);
        return std::nullopt;
    }
    return priority;
}

} // namespace

int realtimePriorityOf(ThreadRole role)
{
    return role == ThreadRole::SoundDevice ? kSoundDeviceRealtimePriority : kStreamingRealtimePriority;
}

const char* toString(SchedulingKind kind)
{
    switch (kind) {
    case SchedulingKind::Realtime:
        return "realtime";
    case SchedulingKind::RealtimeThroughRtkit:
        return "realtime-through-rtkit";
    case SchedulingKind::Normal:
        break;
    }
    return "normal";
}

SchedulingGrant requestRealtimeScheduling(ThreadRole role, uint32_t threadId)
{
    const pid_t tid = static_cast<pid_t>(threadId != 0 ? threadId : currentThreadId());
    const int wanted = realtimePriorityOf(role);
    const rlim_t allowed = raiseRealtimeLimit(wanted);
    int refused = setFifo(tid, wanted);
    if (refused == 0)
        return {SchedulingKind::Realtime, wanted, {}};
    // A user allowed some real-time priority, if less than wanted, gets that much.
    const int limited = allowed == RLIM_INFINITY ? wanted : static_cast<int>(std::min<rlim_t>(allowed, wanted));
    if (refused == EPERM && limited > 0 && limited < wanted) {
        refused = setFifo(tid, limited);
        if (refused == 0)
            return {SchedulingKind::Realtime, limited, {}};
    }
    std::string rtkitReason;
    if (const std::optional<int> granted = askRealtimeKit(tid, wanted, rtkitReason))
        return {SchedulingKind::RealtimeThroughRtkit, *granted, {}};
    return {SchedulingKind::Normal, 0,
            "SCHED_FIFO " + std::to_string(wanted) + " refused (" + errnoText(refused) + ", RLIMIT_RTPRIO " +
                (allowed == RLIM_INFINITY ? std::string("unlimited") : std::to_string(allowed)) + ") and " +
                rtkitReason};
}

void leaveRealtimeScheduling()
{
    const sched_param normal{};
    (void)pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
}

LockedMemory::LockedMemory(const void* data, size_t bytes)
{
    if (data != nullptr && bytes > 0 && mlock(data, bytes) == 0) {
        data_ = data;
        bytes_ = bytes;
    }
}

LockedMemory::LockedMemory(LockedMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0))
{
}

LockedMemory& LockedMemory::operator=(LockedMemory&& other) noexcept
{
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

LockedMemory::~LockedMemory()
{
    release();
}

void LockedMemory::release()
{
    if (data_ != nullptr)
        (void)munlock(data_, bytes_);
    data_ = nullptr;
    bytes_ = 0;
}

namespace {

// Both are the calling thread's own: nothing else reads them.
thread_local int tRealtimeDepth = 0;
thread_local const char* tAllowedWait = nullptr;

} // namespace

RealtimeSection::RealtimeSection()
{
    ++tRealtimeDepth;
}

RealtimeSection::~RealtimeSection()
{
    --tRealtimeDepth;
}

AllowedWait::AllowedWait(const char* why) : outer_(tAllowedWait)
{
    tAllowedWait = why;
}

AllowedWait::~AllowedWait()
{
    tAllowedWait = outer_;
}

bool mustNotBlock()
{
    return tRealtimeDepth > 0 && tAllowedWait == nullptr;
}

void checkMayBlockSlow(const char* call)
{
    if (!mustNotBlock())
        return;
    std::fprintf(stderr, "velmora: %s called in a real-time section (the streaming cycle must not block)\n",
                 call);
    // Where from: the call's name alone does not say which caller.
    void* frames[32];
    backtrace_symbols_fd(frames, backtrace(frames, 32), STDERR_FILENO);
    std::abort();
}

} // namespace plat
