#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/core/Handle.h"
#include "platform/core/Time.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowTestKit.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::LoggedMessage;
using velmora::test::MessageLog;
using velmora::test::TestWindowBehaviour;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kMsgOne = kMsgUser + 1;
constexpr uint32_t kMsgTwo = kMsgUser + 2;

// A thread with a window of its own and a message loop; ends when the window is destroyed.
class WindowThread {
public:
    explicit WindowThread(TestWindowBehaviour& behaviour)
    {
        plat::UniqueHandle ready(plat::createEvent(true, false, nullptr));
        thread_ = std::thread([&] {
            window_ = velmora::test::makeTopLevel(behaviour, "worker", {0, 0, 50, 50}, false);
            threadId_ = plat::currentThreadId();
            EXPECT_TRUE(plat::setEvent(ready.get()));
            Message message;
            while (getMessage(message))
                dispatchMessage(message);
        });
        EXPECT_EQ(plat::waitForSingleObject(ready.get(), plat::kInfinite), plat::kWaitObject0);
    }
    ~WindowThread()
    {
        if (isWindow(window_))
            (void)destroyWindow(window_);
        (void)postThreadMessage(threadId_, kMsgQuit, 0, 0);
        thread_.join();
    }
    WindowHandle window() const { return window_; }
    uint32_t threadId() const { return threadId_; }

private:
    std::atomic<WindowHandle> window_{nullptr};
    std::atomic<uint32_t> threadId_{0};
    std::thread thread_;
};

} // namespace

TEST(MessageQueue, PostedComeFirstThenQuitThenPaintThenTimers)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle window = velmora::test::makeTopLevel(behaviour);
    ASSERT_NE(window, nullptr);
    velmora::test::pumpPending();

    (void)setTimer(window, 7, 10, nullptr);
    plat::sleepMs(20); // the timer is due
    (void)invalidateRect(window, nullptr, false);
    (void)postMessage(window, kMsgOne, 1, 0);
    (void)postMessage(window, kMsgTwo, 2, 0);

    Message message;
    ASSERT_TRUE(peekMessage(message, nullptr, 0, 0, kPeekRemove));
    EXPECT_EQ(message.message, kMsgOne);
    ASSERT_TRUE(peekMessage(message, nullptr, 0, 0, kPeekRemove));
    EXPECT_EQ(message.message, kMsgTwo);
    postQuitMessage(3);
    EXPECT_FALSE(getMessage(message));
    EXPECT_EQ(message.message, kMsgQuit);
    EXPECT_EQ(message.wparam, 3u);
    ASSERT_TRUE(peekMessage(message, nullptr, 0, 0, kPeekRemove));
    EXPECT_EQ(message.message, kMsgPaint);
    dispatchMessage(message); // the default painting validates
    ASSERT_TRUE(peekMessage(message, nullptr, 0, 0, kPeekRemove));
    EXPECT_EQ(message.message, kMsgTimer);
    EXPECT_EQ(message.wparam, 7u);
    EXPECT_FALSE(peekMessage(message, nullptr, 0, 0, kPeekRemove)); // taken: due again only after elapse

    // A filtered peek leaves the rest alone.
    (void)postMessage(window, kMsgOne, 0, 0);
    (void)postMessage(window, kMsgTwo, 0, 0);
    ASSERT_TRUE(peekMessage(message, nullptr, kMsgTwo, kMsgTwo, kPeekRemove));
    EXPECT_EQ(message.message, kMsgTwo);
    ASSERT_TRUE(peekMessage(message, nullptr, 0, 0, kPeekNoRemove));
    EXPECT_EQ(message.message, kMsgOne);
    (void)killTimer(window, 7);
    (void)destroyWindow(window);
    EXPECT_FALSE(peekMessage(message, nullptr, 0, 0, kPeekRemove))
        << "messages of a destroyed window go with it";
}

TEST(MessageQueue, TimersAreCoalescedAndThreadTimersCallTheirProcedure)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle window = velmora::test::makeTopLevel(behaviour, "timers", {0, 0, 10, 10}, false);
    ASSERT_EQ(setTimer(window, 5, 10, nullptr), 5u);
    plat::sleepMs(60); // several periods pass without the queue being looked at
    velmora::test::pumpPending();
    EXPECT_EQ(log.of(kMsgTimer).size(), 1u) << "a late timer gives one message, not one per period";

    static std::atomic<int> fired{0};
    fired = 0;
    const uintptr_t id = setTimer(nullptr, 0, 10, [](WindowHandle, uint32_t message, uintptr_t, uint32_t) {
        if (message == kMsgTimer)
            ++fired;
    });
    ASSERT_NE(id, 0u);
    Message message;
    while (fired < 2 && getMessage(message))
        dispatchMessage(message);
    EXPECT_TRUE(killTimer(nullptr, id));
    EXPECT_FALSE(killTimer(nullptr, id));
    // Without timers getMessage would sleep: the queue has nothing due.
    (void)killTimer(window, 5);
    EXPECT_EQ(queueStatus() & kQsTimer, 0u);
    (void)destroyWindow(window);
}

TEST(MessageQueue, SendToAnotherThreadRunsThereAndAnswers)
{
    Watchdog watchdog(10s);
    MessageLog log;
    std::string copied;
    TestWindowBehaviour behaviour{
        &log,
        [&](WindowHandle, uint32_t message, uintptr_t wparam, intptr_t lparam, bool& handled) -> intptr_t {
            handled = message == kMsgOne || message == kMsgCopyData;
            if (message == kMsgCopyData) {
                // The sender's data stays valid while it waits.
                auto* data = reinterpret_cast<const CopyData*>(lparam);
                copied.assign(static_cast<const char*>(data->bytes), data->size - 1);
                return 1;
            }
            return static_cast<intptr_t>(wparam * 2);
        }};
    WindowThread worker(behaviour);
    EXPECT_EQ(sendMessage(worker.window(), kMsgOne, 21, 0), 42);
    const std::string commandLine = "/music/song.mp3";
    CopyData data{0, static_cast<uint32_t>(commandLine.size() + 1), commandLine.c_str()};
    EXPECT_EQ(sendMessage(worker.window(), kMsgCopyData, 0, reinterpret_cast<intptr_t>(&data)), 1);
    EXPECT_EQ(copied, commandLine);
    const auto got = log.of(kMsgOne);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].threadId, worker.threadId());
    EXPECT_FALSE(inSendMessage());
}

TEST(MessageQueue, TwoThreadsSendingToEachOtherDoNotDeadlock)
{
    Watchdog watchdog(10s);
    // The main thread's window answers what the worker sends while the main thread waits in its own send.
    TestWindowBehaviour mine{nullptr, [](WindowHandle, uint32_t message, uintptr_t, intptr_t, bool& handled) {
                                 handled = message == kMsgTwo;
                                 return intptr_t{7};
                             }};
    WindowHandle own = velmora::test::makeTopLevel(mine, "main", {0, 0, 10, 10}, false);
    static std::atomic<WindowHandle> back{nullptr};
    back = own;
    TestWindowBehaviour theirs{nullptr,
                               [](WindowHandle, uint32_t message, uintptr_t, intptr_t, bool& handled) {
                                   handled = message == kMsgOne;
                                   if (!handled)
                                       return intptr_t{0};
                                   EXPECT_TRUE(inSendMessage());
                                   return sendMessage(back.load(), kMsgTwo, 0, 0) + 1;
                               }};
    WindowThread worker(theirs);
    EXPECT_EQ(sendMessage(worker.window(), kMsgOne, 0, 0), 8);

    // Both at the same time, many times over.
    std::atomic<int> answered{0};
    std::thread other([&] {
        for (int i = 0; i < 200; ++i)
            answered += sendMessage(own, kMsgTwo, 0, 0) == 7 ? 1 : 0;
    });
    int mineAnswered = 0;
    for (int i = 0; i < 200; ++i)
        mineAnswered += sendMessage(worker.window(), kMsgOne, 0, 0) == 8 ? 1 : 0;
    // The other thread's sends are handled while this thread waits; finish what is left.
    while (answered < 200)
        (void)msgWaitForMultipleObjects(0, nullptr, false, 10, kQsSendMessage);
    other.join();
    EXPECT_EQ(mineAnswered, 200);
    EXPECT_EQ(answered.load(), 200);
    (void)destroyWindow(own);
}

TEST(MessageQueue, SendAnswersZeroWhenTheTargetThreadEndsWithoutHandlingIt)
{
    Watchdog watchdog(10s);
    std::atomic<WindowHandle> window{nullptr};
    plat::UniqueHandle ready(plat::createEvent(true, false, nullptr));
    TestWindowBehaviour behaviour{nullptr,
                                  [](WindowHandle, uint32_t message, uintptr_t, intptr_t, bool& handled) {
                                      handled = message == kMsgOne;
                                      return intptr_t{99};
                                  }};
    std::thread target([&] {
        window = velmora::test::makeTopLevel(behaviour, "ending", {0, 0, 10, 10}, false);
        EXPECT_TRUE(plat::setEvent(ready.get()));
        // Wait until the send has arrived, then end without looking at it.
        while ((queueStatus() & kQsSendMessage) == 0)
            plat::sleepMs(1);
    });
    EXPECT_EQ(plat::waitForSingleObject(ready.get(), plat::kInfinite), plat::kWaitObject0);
    EXPECT_EQ(sendMessage(window, kMsgOne, 0, 0), 0);
    target.join();
    EXPECT_FALSE(isWindow(window)) << "a thread's windows go with it";
    EXPECT_FALSE(postMessage(window, kMsgOne, 0, 0));
}

TEST(MessageQueue, WaitForAnObjectOrMessagesOfChosenClasses)
{
    Watchdog watchdog(10s);
    velmora::test::pumpPending();
    plat::UniqueHandle event(plat::createEvent(false, false, nullptr));
    plat::Handle handles[] = {event.get()};

    // The event wins.
    std::thread setter([&] { EXPECT_TRUE(plat::setEvent(event.get())); });
    EXPECT_EQ(msgWaitForMultipleObjects(1, handles, false, 5000, kQsTimer | kQsPaint), plat::kWaitObject0);
    setter.join();

    // A posted message is not among timer and paint.
    (void)postThreadMessage(plat::currentThreadId(), kMsgOne, 0, 0);
    EXPECT_EQ(msgWaitForMultipleObjects(1, handles, false, 30, kQsTimer | kQsPaint), plat::kWaitTimeout);
    EXPECT_EQ(msgWaitForMultipleObjects(1, handles, false, 30, kQsPostMessage), plat::kWaitObject0 + 1);
    velmora::test::pumpPending();

    // A timer coming due wakes a wait for timers.
    const uintptr_t timer = setTimer(nullptr, 0, 20, nullptr);
    const uint64_t start = plat::tickCount64();
    EXPECT_EQ(msgWaitForMultipleObjects(1, handles, false, 5000, kQsTimer | kQsPaint),
              plat::kWaitObject0 + 1);
    EXPECT_GE(plat::tickCount64() - start, 15u);
    (void)killTimer(nullptr, timer);

    // Messages sent by another thread are handled during the wait whatever the classes.
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle window = velmora::test::makeTopLevel(behaviour, "waiter", {0, 0, 10, 10}, false);
    velmora::test::pumpPending();
    std::thread sender([&] {
        sendMessage(window, kMsgOne, 0, 0);
        EXPECT_TRUE(plat::setEvent(event.get()));
    });
    EXPECT_EQ(msgWaitForMultipleObjects(1, handles, false, 5000, kQsTimer | kQsPaint), plat::kWaitObject0);
    sender.join();
    EXPECT_EQ(log.of(kMsgOne).size(), 1u);

    // The queue as a kernel object: signalled while a message waits.
    (void)postThreadMessage(plat::currentThreadId(), kMsgOne, 0, 0);
    EXPECT_EQ(plat::waitForSingleObject(queueHandle(), 0), plat::kWaitObject0);
    velmora::test::pumpPending();
    (void)destroyWindow(window);
}

namespace {

struct ModalProbe {
    WindowHandle owner = nullptr;
    WindowHandle inner = nullptr;
    WindowHandle outer = nullptr;
    bool innerDone = false;
    bool outerDone = false;
    bool ownerEnabledInside = true;
    int deepest = 0;
    std::vector<int> idleDepths;
};

} // namespace

TEST(MessageQueue, ModalLoopsNestDisableTheOwnerAndPassQuitOn)
{
    Watchdog watchdog(10s);
    ModalProbe probe;
    TestWindowBehaviour ownerBehaviour{nullptr, {}};
    probe.owner = velmora::test::makeTopLevel(ownerBehaviour, "owner");
    TestWindowBehaviour dialogBehaviour{nullptr, {}};
    probe.outer = velmora::test::makeTopLevel(dialogBehaviour, "outer");
    probe.inner = velmora::test::makeTopLevel(dialogBehaviour, "inner");
    velmora::test::pumpPending();

    setModalHook(
        [](WindowHandle modal, int depth, void* context) {
            auto* p = static_cast<ModalProbe*>(context);
            p->idleDepths.push_back(depth);
            p->deepest = std::max(p->deepest, depth);
            p->ownerEnabledInside = p->ownerEnabledInside && isWindowEnabled(p->owner);
            if (modal == p->outer && depth == 1 && !p->innerDone) {
                // The outer dialog opens another one inside it.
                runModalLoop(p->outer, p->inner, [p] { return p->innerDone; });
                p->outerDone = true;
            } else if (modal == p->inner) {
                p->innerDone = true;
            }
        },
        &probe);
    EXPECT_TRUE(runModalLoop(probe.owner, probe.outer, [&] { return probe.outerDone; }));
    EXPECT_EQ(probe.deepest, 2);
    EXPECT_FALSE(probe.ownerEnabledInside);
    EXPECT_TRUE(isWindowEnabled(probe.owner)) << "enabled again after the loop";
    EXPECT_TRUE(isWindowEnabled(probe.outer));
    EXPECT_EQ(modalDepth(), 0);

    // A quit inside ends the loops and stays for the outer loop.
    setModalHook([](WindowHandle, int, void*) { postQuitMessage(4); }, nullptr);
    EXPECT_FALSE(runModalLoop(probe.owner, probe.outer, [] { return false; }));
    setModalHook(nullptr, nullptr);
    Message message;
    EXPECT_FALSE(getMessage(message));
    EXPECT_EQ(message.wparam, 4u);
    EXPECT_TRUE(isWindowEnabled(probe.owner));

    // The owner is told when the loop goes idle; a filter keeps messages from dispatch.
    MessageLog ownerLog;
    ownerBehaviour.log = &ownerLog;
    int filtered = 0;
    (void)postMessage(probe.outer, kMsgOne, 0, 0);
    bool done = false;
    setModalHook([](WindowHandle, int, void* context) { *static_cast<bool*>(context) = true; }, &done);
    runModalLoop(
        probe.owner, probe.outer, [&] { return done; },
        [&](const Message& m) {
            filtered += m.message == kMsgOne ? 1 : 0;
            return m.message == kMsgOne;
        });
    setModalHook(nullptr, nullptr);
    EXPECT_EQ(filtered, 1);
    EXPECT_FALSE(ownerLog.of(kMsgEnterIdle).empty());
    ownerBehaviour.log = nullptr;
    for (WindowHandle w : {probe.inner, probe.outer, probe.owner})
        (void)destroyWindow(w);
}
