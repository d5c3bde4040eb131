#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/core/Handle.h"
#include "platform/core/Thread.h"
#include "support/Watchdog.h"

using namespace plat;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

// Long enough for anything that should happen, short enough to fail fast.
constexpr uint32_t kPatienceMs = 5000;

// Runs a callable on a platform thread.
template <typename F> UniqueHandle startThread(F& body, bool suspended = false, uint32_t* id = nullptr)
{
    auto trampoline = [](void* p) -> uint32_t { return (*static_cast<F*>(p))(); };
    return UniqueHandle(createThread(trampoline, &body, suspended, id));
}

// A wait from a short-lived std::thread (which abandons what it takes).
uint32_t waitFromOtherThread(Handle handle, uint32_t timeoutMs)
{
    uint32_t result = 0;
    std::thread([&] { result = waitForSingleObject(handle, timeoutMs); }).join();
    return result;
}

} // namespace

TEST(KernelMutex, IsRecursiveAndOnlyTheOwnerReleasesIt)
{
    Watchdog watchdog(10s);
    UniqueHandle mutex(createMutex(true, "recursive"));
    EXPECT_EQ(waitForSingleObject(mutex.get(), 0), kWaitObject0);
    bool releasedByOther = true;
    std::thread([&] { releasedByOther = releaseMutex(mutex.get()); }).join();
    EXPECT_FALSE(releasedByOther);
    EXPECT_TRUE(releaseMutex(mutex.get()));
    EXPECT_EQ(waitFromOtherThread(mutex.get(), 0), kWaitTimeout);
    EXPECT_TRUE(releaseMutex(mutex.get()));
    EXPECT_FALSE(releaseMutex(mutex.get()));
    EXPECT_EQ(waitFromOtherThread(mutex.get(), 0), kWaitObject0);
}

TEST(KernelMutex, AThreadEndingWhileHoldingItAbandonsItToTheNextTaker)
{
    Watchdog watchdog(10s);
    UniqueHandle mutex(createMutex(false, nullptr));
    auto holdTwiceAndEnd = [&]() -> uint32_t {
        EXPECT_EQ(waitForSingleObject(mutex.get(), kInfinite), kWaitObject0);
        return waitForSingleObject(mutex.get(), kInfinite);
    };
    UniqueHandle thread = startThread(holdTwiceAndEnd);
    ASSERT_EQ(waitForSingleObject(thread.get(), kPatienceMs), kWaitObject0);

    EXPECT_EQ(waitForSingleObject(mutex.get(), 0), kWaitAbandoned0);
    // Now ours, once; the abandonment is reported only once.
    EXPECT_EQ(waitFromOtherThread(mutex.get(), 0), kWaitTimeout);
    EXPECT_TRUE(releaseMutex(mutex.get()));
    EXPECT_FALSE(releaseMutex(mutex.get()));
    EXPECT_EQ(waitForSingleObject(mutex.get(), 0), kWaitObject0);
    EXPECT_TRUE(releaseMutex(mutex.get()));
}

TEST(KernelMutex, AWaiterIsWokenWhenAnyKindOfOwnerThreadEnds)
{
    Watchdog watchdog(10s);
    UniqueHandle mutex(createMutex(false, nullptr));
    UniqueHandle held(createEvent(true, false, nullptr));
    UniqueHandle leave(createEvent(true, false, nullptr));
    std::thread holder([&] {
        EXPECT_EQ(waitForSingleObject(mutex.get(), kInfinite), kWaitObject0);
        EXPECT_TRUE(setEvent(held.get()));
        EXPECT_EQ(waitForSingleObject(leave.get(), kInfinite), kWaitObject0);
    });
    ASSERT_EQ(waitForSingleObject(held.get(), kPatienceMs), kWaitObject0);
    EXPECT_TRUE(setEvent(leave.get()));
    EXPECT_EQ(waitForSingleObject(mutex.get(), kPatienceMs), kWaitAbandoned0);
    EXPECT_TRUE(releaseMutex(mutex.get()));
    holder.join();
}

TEST(KernelMutex, AbandonmentIsReportedWithTheIndexInMultipleWaits)
{
    UniqueHandle event(createEvent(true, false, nullptr));
    UniqueHandle first(createMutex(false, nullptr));
    UniqueHandle second(createMutex(false, nullptr));
    std::thread([&] {
        EXPECT_EQ(waitForSingleObject(first.get(), 0), kWaitObject0);
        EXPECT_EQ(waitForSingleObject(second.get(), 0), kWaitObject0);
    }).join();

    const Handle any[] = {event.get(), second.get()};
    EXPECT_EQ(waitForMultipleObjects(2, any, false, 0), kWaitAbandoned0 + 1);
    EXPECT_TRUE(releaseMutex(second.get()));
    EXPECT_TRUE(setEvent(event.get()));
    const Handle all[] = {event.get(), first.get()};
    EXPECT_EQ(waitForMultipleObjects(2, all, true, 0), kWaitAbandoned0 + 1);
    EXPECT_TRUE(releaseMutex(first.get()));
}

TEST(KernelEvent, ManualResetStaysSignalledAndAutoResetLetsOneWaitThrough)
{
    UniqueHandle manual(createEvent(true, false, "WriteData"));
    UniqueHandle automatic(createEvent(false, true, "WriteData"));
    EXPECT_STREQ(objectName(manual.get()), "WriteData");
    EXPECT_EQ(waitForSingleObject(manual.get(), 0), kWaitTimeout); // the same label shares nothing
    EXPECT_TRUE(setEvent(manual.get()));
    EXPECT_EQ(waitForSingleObject(manual.get(), 0), kWaitObject0);
    EXPECT_EQ(waitForSingleObject(manual.get(), 0), kWaitObject0);
    EXPECT_TRUE(resetEvent(manual.get()));
    EXPECT_EQ(waitForSingleObject(manual.get(), 0), kWaitTimeout);

    EXPECT_EQ(waitForSingleObject(automatic.get(), 0), kWaitObject0);
    EXPECT_EQ(waitForSingleObject(automatic.get(), 0), kWaitTimeout);
}

TEST(KernelEvent, SettingAnAutoResetEventOnceWakesExactlyOneOfTwoWaiters)
{
    Watchdog watchdog(10s);
    UniqueHandle event(createEvent(false, false, nullptr));
    std::atomic<int> woken = 0;
    auto waiter = [&]() -> uint32_t {
        if (waitForSingleObject(event.get(), kPatienceMs) == kWaitObject0)
            ++woken;
        return 0;
    };
    UniqueHandle a = startThread(waiter);
    UniqueHandle b = startThread(waiter);
    const Handle both[] = {a.get(), b.get()};

    EXPECT_TRUE(setEvent(event.get()));
    const uint32_t first = waitForMultipleObjects(2, both, false, kPatienceMs);
    ASSERT_LT(first, 2u);
    EXPECT_EQ(waitForSingleObject(both[1 - first], 100), kWaitTimeout);
    EXPECT_EQ(woken.load(), 1);
    EXPECT_TRUE(setEvent(event.get()));
    EXPECT_EQ(waitForMultipleObjects(2, both, true, kPatienceMs), kWaitObject0);
    EXPECT_EQ(woken.load(), 2);
}

TEST(KernelWait, ATimedWaitEndsAtItsDeadline)
{
    Watchdog watchdog(10s);
    UniqueHandle event(createEvent(true, false, nullptr));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(waitForSingleObject(event.get(), 150), kWaitTimeout);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 150ms);
    EXPECT_LT(elapsed, 2000ms);
}

TEST(KernelWait, WaitAnyTakesTheFirstSignalledObjectInIndexOrder)
{
    UniqueHandle a(createEvent(false, false, nullptr));
    UniqueHandle b(createEvent(false, true, nullptr));
    UniqueHandle c(createEvent(false, true, nullptr));
    const Handle handles[] = {a.get(), b.get(), c.get()};
    EXPECT_EQ(waitForMultipleObjects(3, handles, false, 0), kWaitObject0 + 1);
    EXPECT_EQ(waitForMultipleObjects(3, handles, false, 0), kWaitObject0 + 2);
    EXPECT_EQ(waitForMultipleObjects(3, handles, false, 0), kWaitTimeout);
    EXPECT_TRUE(setEvent(c.get()));
    EXPECT_TRUE(setEvent(a.get()));
    EXPECT_EQ(waitForMultipleObjects(3, handles, false, 0), kWaitObject0);
}

TEST(KernelWait, WaitAllTakesNothingUntilEveryObjectIsSignalled)
{
    Watchdog watchdog(10s);
    UniqueHandle event(createEvent(false, true, nullptr));
    UniqueHandle mutex(createMutex(false, nullptr));
    UniqueHandle late(createEvent(false, false, nullptr));
    const Handle handles[] = {event.get(), mutex.get(), late.get()};
    EXPECT_EQ(waitForMultipleObjects(3, handles, true, 0), kWaitTimeout);
    // The failed attempt consumed and took nothing.
    EXPECT_EQ(waitFromOtherThread(mutex.get(), 0), kWaitObject0);
    EXPECT_EQ(waitForSingleObject(mutex.get(), 0), kWaitAbandoned0);
    EXPECT_TRUE(releaseMutex(mutex.get()));

    std::thread setter([&] { EXPECT_TRUE(setEvent(late.get())); });
    EXPECT_EQ(waitForMultipleObjects(3, handles, true, kPatienceMs), kWaitObject0);
    setter.join();
    EXPECT_EQ(waitForSingleObject(event.get(), 0), kWaitTimeout);
    EXPECT_EQ(waitForSingleObject(late.get(), 0), kWaitTimeout);
    EXPECT_EQ(waitFromOtherThread(mutex.get(), 0), kWaitTimeout);
    EXPECT_TRUE(releaseMutex(mutex.get()));
}

TEST(KernelWait, BadHandlesCountsAndKindsFail)
{
    UniqueHandle event(createEvent(true, true, nullptr));
    UniqueHandle mutex(createMutex(false, nullptr));
    Handle closed = createEvent(true, true, nullptr);
    Handle duplicate = duplicateHandle(closed);
    closeHandle(closed);
    EXPECT_EQ(waitForSingleObject(duplicate, 0), kWaitObject0); // one reference left
    closeHandle(duplicate);
    int notAnObject = 0;
    Handle madeUp = reinterpret_cast<Handle>(&notAnObject);

    EXPECT_EQ(waitForSingleObject(nullptr, 0), kWaitFailed);
    EXPECT_EQ(waitForSingleObject(closed, 0), kWaitFailed);
    EXPECT_EQ(waitForSingleObject(madeUp, 0), kWaitFailed);
    const Handle withNull[] = {event.get(), nullptr};
    EXPECT_EQ(waitForMultipleObjects(2, withNull, false, 0), kWaitFailed);
    EXPECT_EQ(waitForMultipleObjects(0, withNull, false, 0), kWaitFailed);
    Handle many[kMaximumWaitObjects + 1];
    for (Handle& h : many)
        h = event.get();
    EXPECT_EQ(waitForMultipleObjects(kMaximumWaitObjects + 1, many, false, 0), kWaitFailed);
    EXPECT_EQ(waitForMultipleObjects(kMaximumWaitObjects, many, false, 0), kWaitObject0);
    const Handle twice[] = {mutex.get(), mutex.get()};
    EXPECT_EQ(waitForMultipleObjects(2, twice, true, 0), kWaitFailed);

    EXPECT_FALSE(setEvent(mutex.get()));
    EXPECT_FALSE(releaseMutex(event.get()));
    EXPECT_FALSE(resumeThread(event.get()));
    EXPECT_FALSE(setThreadPriority(mutex.get(), kPriorityNormal));
    EXPECT_EQ(threadPriority(event.get()), kPriorityErrorReturn);
    EXPECT_EQ(threadIdOf(event.get()), 0u);
    uint32_t code = 0;
    EXPECT_FALSE(getExitCodeThread(event.get(), &code));
    EXPECT_EQ(createThread(nullptr, nullptr, false, nullptr), nullptr);
    closeHandle(madeUp); // ignored
}

TEST(KernelThread, SignalledWithItsExitCodeWhenTheRoutineReturns)
{
    Watchdog watchdog(10s);
    UniqueHandle go(createEvent(true, false, nullptr));
    auto body = [&]() -> uint32_t { return waitForSingleObject(go.get(), kPatienceMs) + 42; };
    UniqueHandle thread = startThread(body);
    uint32_t code = 0;
    EXPECT_TRUE(getExitCodeThread(thread.get(), &code));
    EXPECT_EQ(code, kStillActive);
    EXPECT_EQ(waitForSingleObject(thread.get(), 0), kWaitTimeout);
    EXPECT_TRUE(setEvent(go.get()));
    EXPECT_EQ(waitForSingleObject(thread.get(), kPatienceMs), kWaitObject0);
    EXPECT_TRUE(getExitCodeThread(thread.get(), &code));
    EXPECT_EQ(code, 42u);
}

TEST(KernelThread, ASuspendedThreadHasItsIdAtOnceAndRunsOnlyAfterResume)
{
    Watchdog watchdog(10s);
    std::atomic<uint32_t> idInside = 0;
    auto body = [&]() -> uint32_t {
        idInside = currentThreadId();
        return 0;
    };
    uint32_t id = 0;
    UniqueHandle thread = startThread(body, true, &id);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, currentThreadId());
    EXPECT_EQ(threadIdOf(thread.get()), id);
    EXPECT_EQ(waitForSingleObject(thread.get(), 50), kWaitTimeout);
    EXPECT_EQ(idInside.load(), 0u);
    EXPECT_TRUE(resumeThread(thread.get()));
    EXPECT_FALSE(resumeThread(thread.get()));
    EXPECT_EQ(waitForSingleObject(thread.get(), kPatienceMs), kWaitObject0);
    EXPECT_EQ(idInside.load(), id);
}

TEST(KernelThread, ClosingTheHandleWhileTheThreadRunsIsSafe)
{
    Watchdog watchdog(10s);
    UniqueHandle go(createEvent(true, false, nullptr));
    UniqueHandle done(createEvent(true, false, nullptr));
    auto body = [&]() -> uint32_t {
        EXPECT_EQ(waitForSingleObject(go.get(), kPatienceMs), kWaitObject0);
        return setEvent(done.get());
    };
    UniqueHandle thread = startThread(body);
    thread.reset();
    EXPECT_TRUE(setEvent(go.get()));
    EXPECT_EQ(waitForSingleObject(done.get(), kPatienceMs), kWaitObject0);
}

TEST(KernelThread, AThreadWaitingForItselfTimesOut)
{
    Watchdog watchdog(10s);
    Handle self = nullptr;
    UniqueHandle ready(createEvent(true, false, nullptr));
    auto body = [&]() -> uint32_t {
        EXPECT_EQ(waitForSingleObject(ready.get(), kPatienceMs), kWaitObject0);
        return waitForSingleObject(self, 20);
    };
    UniqueHandle thread = startThread(body);
    self = thread.get();
    EXPECT_TRUE(setEvent(ready.get()));
    ASSERT_EQ(waitForSingleObject(thread.get(), kPatienceMs), kWaitObject0);
    uint32_t code = 0;
    ASSERT_TRUE(getExitCodeThread(thread.get(), &code));
    EXPECT_EQ(code, kWaitTimeout);
}

TEST(KernelThread, PrioritiesAreBestEffortAndRemembered)
{
    Watchdog watchdog(10s);
    UniqueHandle go(createEvent(true, false, nullptr));
    auto body = [&]() -> uint32_t { return waitForSingleObject(go.get(), kPatienceMs); };
    UniqueHandle thread = startThread(body);
    EXPECT_EQ(threadPriority(thread.get()), kPriorityNormal);
    for (int priority : {kPriorityTimeCritical, kPriorityHighest, kPriorityAboveNormal, kPriorityNormal,
                         kPriorityBelowNormal, kPriorityLowest, kPriorityIdle}) {
        EXPECT_TRUE(setThreadPriority(thread.get(), priority)) << priority;
        EXPECT_EQ(threadPriority(thread.get()), priority);
    }
    EXPECT_TRUE(setEvent(go.get()));
    EXPECT_EQ(waitForSingleObject(thread.get(), kPatienceMs), kWaitObject0);
    EXPECT_TRUE(setThreadPriority(thread.get(), kPriorityHighest)); // ended: remembered only
}
