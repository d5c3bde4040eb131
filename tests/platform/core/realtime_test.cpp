#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <thread>

#include "platform/core/Realtime.h"
#include "support/ChildProcess.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;

namespace {

struct Outcome {
    plat::SchedulingGrant grant;
    int policy = -1;
    int priority = -1;
};

// Asks on a thread of its own and reads back what the kernel set for it.
Outcome requestOnNewThread(plat::ThreadRole role)
{
    Outcome outcome;
    std::thread([&] {
        outcome.grant = plat::requestRealtimeScheduling(role);
        sched_param param{};
        outcome.policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
        (void)sched_getparam(0, &param);
        outcome.priority = param.sched_priority;
    }).join();
    return outcome;
}

// An unprivileged user whose hard RLIMIT_RTPRIO is hardLimit (root gives up
// its rights for it); false when the limit cannot be had (raising a hard
// limit takes CAP_SYS_RESOURCE, which a container may lack).
bool becomeUserWithRealtimeLimit(rlim_t hardLimit)
{
    const rlimit limit{0, hardLimit};
    if (setrlimit(RLIMIT_RTPRIO, &limit) != 0)
        return false;
    constexpr uid_t kNobody = 65534;
    return geteuid() != 0 || (setgid(kNobody) == 0 && setuid(kNobody) == 0);
}

} // namespace

// Never an error: the thread gets what the limits allow, and a refusal says why.
TEST(RealtimeScheduling, PrivilegeGivesFifoALimitGivesItsPriorityAndNoneGivesNormalWithTheReason)
{
    velmora::test::Watchdog watchdog{20s, "real-time scheduling"};
    const bool privileged = geteuid() == 0;
    if (privileged) {
        const Outcome device = requestOnNewThread(plat::ThreadRole::SoundDevice);
        EXPECT_EQ(device.grant.kind, plat::SchedulingKind::Realtime) << device.grant.reason;
        EXPECT_EQ(device.policy, SCHED_FIFO);
        EXPECT_EQ(device.priority, plat::kSoundDeviceRealtimePriority);
        EXPECT_EQ(device.grant.priority, plat::kSoundDeviceRealtimePriority);

        // The soft limit is raised to a hard one below the wish, and that much is taken.
        velmora::test::runInChild(
            [] {
                if (!becomeUserWithRealtimeLimit(40))
                    return;
                const Outcome limited = requestOnNewThread(plat::ThreadRole::Streaming);
                EXPECT_EQ(limited.grant.kind, plat::SchedulingKind::Realtime) << limited.grant.reason;
                EXPECT_EQ(limited.priority, 40);
                EXPECT_EQ(limited.grant.priority, 40);
            },
            "real-time limit child");
    }
    velmora::test::runInChild(
        [] {
            ASSERT_TRUE(becomeUserWithRealtimeLimit(0));
            const Outcome refused = requestOnNewThread(plat::ThreadRole::Streaming);
            // A desktop's RealtimeKit may still grant it; without one the thread stays as it was.
            if (refused.grant.kind == plat::SchedulingKind::RealtimeThroughRtkit) {
                EXPECT_EQ(refused.policy, SCHED_FIFO);
                return;
            }
            EXPECT_EQ(refused.grant.kind, plat::SchedulingKind::Normal);
            EXPECT_STREQ(plat::toString(refused.grant.kind), "normal");
            EXPECT_EQ(refused.policy, SCHED_OTHER);
            EXPECT_NE(refused.grant.reason.find("RLIMIT_RTPRIO 0"), std::string::npos) << refused.grant.reason;
        },
        "unprivileged child");
}
