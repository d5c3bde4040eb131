#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "support/Watchdog.h"
#include "zkr/EventObject.h"
#include "zkr/MutexLock.h"
#include "zkr/MutexObject.h"
#include "zkr/ThreadObject.h"
#include "zkr/WaitableObject.h"

using namespace zkr;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kPatienceMs = 5000;

bool takenFromOtherThread(MutexObject& mutex)
{
    bool taken = false;
    std::thread([&] {
        taken = mutex.wait(0);
        if (taken)
            (void)mutex.release();
    }).join();
    return taken;
}

} // namespace

TEST(EventObject, BoundedWaitTurnsAnEndlessWaitIntoHalfASecond)
{
    Watchdog watchdog(10s);
    EventObject event(true, false, "Bounded");
    EXPECT_FALSE(event.boundedWait);
    event.boundedWait = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.wait(plat::kInfinite));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 500ms);
    EXPECT_LT(elapsed, 3000ms);
    (void)event.set();
    EXPECT_TRUE(event.wait(plat::kInfinite));
}

TEST(WaitableObject, TheNameKeepsTheLabelCutToFit)
{
    EventObject named(true, false, "CanRead");
    EXPECT_STREQ(named.name, "CanRead");
    EXPECT_STREQ(plat::objectName(named.handle), "CanRead");
    const std::string longLabel(400, 'x');
    MutexObject cut(false, longLabel.c_str());
    EXPECT_EQ(std::string(cut.name), longLabel.substr(0, WaitableObject::kNameSize - 1));
    MutexObject unnamed(false, nullptr);
    EXPECT_STREQ(unnamed.name, "");
}

TEST(MutexObject, IsRecursiveAndWaitIsTrueWhenAbandoned)
{
    Watchdog watchdog(10s);
    MutexObject mutex(false, "EventLock");
    EXPECT_TRUE(mutex.wait(50));
    EXPECT_TRUE(mutex.wait(50));
    EXPECT_TRUE(mutex.release());
    EXPECT_FALSE(takenFromOtherThread(mutex));
    EXPECT_TRUE(mutex.release());
    EXPECT_FALSE(mutex.release());

    std::thread([&] { EXPECT_TRUE(mutex.wait(0)); }).join();
    EXPECT_TRUE(mutex.wait(0));
    EXPECT_TRUE(mutex.release());
}

TEST(MutexLock, HoldsTheMutexForOneScopeOnlyWhenTheWaitSucceeds)
{
    Watchdog watchdog(10s);
    MutexObject mutex(false, "IdleLock");
    {
        MutexLock lock(mutex, 50);
        EXPECT_TRUE(lock.owned());
        EXPECT_FALSE(takenFromOtherThread(mutex));
        std::thread([&] {
            MutexLock other(mutex, 10);
            EXPECT_FALSE(other.owned());
        }).join();
    }
    EXPECT_TRUE(takenFromOtherThread(mutex));
}

TEST(WaitForEither, GivesThePlatformsResultOrMinusOneWhenTheTimeRunsOut)
{
    Watchdog watchdog(10s);
    EventObject first(true, false, nullptr);
    EventObject second(true, false, nullptr);
    EXPECT_EQ(waitForEither(first.handle, second.handle, false, 20), -1);
    std::thread([&] { EXPECT_TRUE(second.set()); }).join();
    EXPECT_EQ(waitForEither(first.handle, second.handle, false, kPatienceMs), 1);
    EXPECT_EQ(waitForEither(first.handle, second.handle, true, 0), -1);
    (void)first.set();
    EXPECT_EQ(waitForEither(first.handle, second.handle, false, 0), 0);
    EXPECT_EQ(waitForEither(first.handle, second.handle, true, 0), 0);

    MutexObject mutex(false, nullptr);
    std::thread([&] { EXPECT_TRUE(mutex.wait(0)); }).join();
    EXPECT_EQ(waitForEither(mutex.handle, first.handle, false, 0), static_cast<int>(plat::kWaitAbandoned0));
    (void)mutex.release();
}

namespace {

struct Job {
    std::atomic<uint32_t> idInside = 0;
    EventObject go{true, false, nullptr};
};

uint32_t runJob(void* parameter)
{
    auto* job = static_cast<Job*>(parameter);
    (void)job->go.wait(kPatienceMs);
    job->idInside = plat::currentThreadId();
    return 5;
}

} // namespace

TEST(ThreadObject, IsCreatedSuspendedAndRunsWhenResumed)
{
    Watchdog watchdog(10s);
    Job job;
    (void)job.go.set();
    ThreadObject thread;
    EXPECT_FALSE(thread.resume());
    ASSERT_TRUE(thread.create(runJob, &job));
    EXPECT_NE(thread.threadId, 0u);
    EXPECT_FALSE(thread.wait(50));
    EXPECT_EQ(job.idInside.load(), 0u);
    EXPECT_TRUE(thread.setPriority(plat::kPriorityAboveNormal));
    EXPECT_EQ(plat::threadPriority(thread.handle), plat::kPriorityAboveNormal);
    EXPECT_TRUE(thread.resume());
    EXPECT_TRUE(thread.wait(kPatienceMs));
    EXPECT_EQ(job.idInside.load(), thread.threadId);
    uint32_t code = 0;
    EXPECT_TRUE(plat::getExitCodeThread(thread.handle, &code));
    EXPECT_EQ(code, 5u);
}

TEST(ThreadObject, StartRunsItAndTheObjectMayGoBeforeTheThread)
{
    Watchdog watchdog(10s);
    Job job;
    plat::Handle watcher = nullptr;
    {
        ThreadObject thread;
        ASSERT_TRUE(thread.start(runJob, &job, plat::kPriorityBelowNormal));
        EXPECT_EQ(plat::threadPriority(thread.handle), plat::kPriorityBelowNormal);
        EXPECT_FALSE(thread.wait(0));
        watcher = plat::duplicateHandle(thread.handle);
    }
    (void)job.go.set();
    EXPECT_EQ(plat::waitForSingleObject(watcher, kPatienceMs), plat::kWaitObject0);
    EXPECT_NE(job.idInside.load(), 0u);
    plat::closeHandle(watcher);
}
