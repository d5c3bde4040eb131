// The event mailbox: events posted from other threads and from the main
// thread itself, carried out one at a time by the real main loop running on a
// thread of the test.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "engine/Engine.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/WindowTestKit.h"
#include "support/EngineTestSeam.h"
#include "support/Eventually.h"
#include "support/Watchdog.h"

using velmora::test::EngineSeam;

namespace {

using engine::EngineEvent;
using velmora::test::eventually;
using velmora::test::staysFalse;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

constexpr int32_t kQuit = toWire(engine::Event::Quit);

EngineEvent event(intptr_t code, bool wait, intptr_t value = 0)
{
    EngineEvent made{};
    made.code = code;
    made.wait = wait ? 1 : 0;
    made.value = value;
    return made;
}

// The engine with its event table replaced by a script: every event is
// recorded; a hook per code may answer it; codes without a hook go to the
// engine's own table (quit, crossfade, ...).
class ScriptedEngine : public engine::Engine {
public:
    using Hook = std::function<int32_t(const EngineEvent&)>;

    std::map<intptr_t, Hook> hooks;

    using Engine::holdMainThread;
    using Engine::releaseMainThread;

    std::vector<EngineEvent> carried()
    {
        std::lock_guard lock(mutex);
        return done;
    }
    size_t countOf(intptr_t code)
    {
        size_t count = 0;
        for (const EngineEvent& e : carried())
            count += e.code == code ? 1 : 0;
        return count;
    }

protected:
    int32_t carryOut(const EngineEvent& e, bool& quit) override
    {
        {
            std::lock_guard lock(mutex);
            done.push_back(e);
        }
        auto hook = hooks.find(e.code);
        if (hook != hooks.end())
            return hook->second(e);
        return Engine::carryOut(e, quit);
    }

private:
    std::mutex mutex;
    std::vector<EngineEvent> done;
};

class EventMailboxTest : public ::testing::Test {
protected:
    void startLoop()
    {
        loop = std::thread([this] {
            engine.runLoop();
            loopEnded = true;
        });
    }
    // Quits with a waiting post and joins the loop's thread.
    void stopLoop()
    {
        if (!loop.joinable())
            return;
        EngineSeam::streaming(engine).store(false);
        EngineEvent quit = event(kQuit, true);
        EXPECT_EQ(engine.postEvent(&quit), 1);
        loop.join();
    }
    void TearDown() override { stopLoop(); }

    Watchdog watchdog{20s, "event mailbox test"};
    ScriptedEngine engine;
    std::thread loop;
    std::atomic<bool> loopEnded{false};
};

// ---------------------------------------------------------------------------
// Results a poster gets back

TEST_F(EventMailboxTest, APostWithoutWaitingAnswersOneEvenWhenTheEventIsRefused)
{
    std::atomic<bool> finished{false};
    std::atomic<bool> firstAnswered{false};
    std::atomic<bool> answeredBeforeCarriedOut{false};
    engine.hooks[50] = [&](const EngineEvent& e) {
        if (e.wait == 0)
            answeredBeforeCarriedOut = eventually([&] { return firstAnswered.load(); });
        finished = true;
        return 0;
    };
    startLoop();
    EngineEvent refused = event(50, false);
    EXPECT_EQ(engine.postEvent(&refused), 1);
    firstAnswered = true;
    // A waiting post of the same event gets the refusal, once it was carried out.
    EngineEvent waited = event(50, true);
    EXPECT_EQ(engine.postEvent(&waited), 0);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(answeredBeforeCarriedOut);
    EXPECT_EQ(engine.countOf(50), 2u);
    EXPECT_EQ(engine.postEvent(nullptr), 0);
}

TEST_F(EventMailboxTest, AnotherThreadHoldingTheMainThreadDelaysEventsUntilItLetsGo)
{
    startLoop();
    engine.holdMainThread();
    std::atomic<bool> answered{false};
    std::thread poster([&] {
        EngineEvent waited = event(60, true);
        EXPECT_EQ(engine.postEvent(&waited), 1);
        answered = true;
    });
    EXPECT_TRUE(staysFalse([&] { return answered || engine.countOf(60) != 0; }, 50ms));
    // The holder's own post cannot wait for the main thread: it is queued
    // and answered at once with the last result.
    EngineEvent own = event(61, true);
    EXPECT_EQ(engine.postEvent(&own), 1);
    // A detached post (a plug-in asking for its own unload) never waits, from any thread.
    std::thread([&] {
        EngineEvent detached = event(62, true);
        EXPECT_EQ(engine.postDetachedEvent(&detached), 1);
    }).join();
    engine.releaseMainThread();
    poster.join();
    EXPECT_EQ(engine.countOf(60), 1u);
    ASSERT_TRUE(eventually([&] { return engine.countOf(62) != 0; }));
    // Carried out in the order they were posted (60 got its place only once the hold ended).
    std::vector<intptr_t> order;
    for (const EngineEvent& e : engine.carried())
        order.push_back(e.code);
    EXPECT_EQ(order, (std::vector<intptr_t>{61, 62, 60}));
}

// ---------------------------------------------------------------------------
// Posts from the main thread itself

TEST_F(EventMailboxTest, APostFromTheMainThreadAnswersAtOnceWithOneBeforeTheFirstResult)
{
    std::atomic<int32_t> answered{-1};
    std::atomic<size_t> innerSeenWhilePosting{99};
    // The very first event posts another one, waiting, from the main thread.
    engine.hooks[60] = [&](const EngineEvent&) {
        EngineEvent inner = event(61, true);
        answered = engine.postEvent(&inner);
        innerSeenWhilePosting = engine.countOf(61);
        return 9;
    };
    engine.hooks[61] = [](const EngineEvent&) { return 4; };
    engine.hooks[62] = [](const EngineEvent&) { return 6; };
    startLoop();
    EngineEvent outer = event(60, true);
    EXPECT_EQ(engine.postEvent(&outer), 9);
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(innerSeenWhilePosting, 0u);
    // The inner event comes after the outer one; a later waiting post finds it done.
    EngineEvent after = event(62, true);
    engine.postEvent(&after);
    const auto carried = engine.carried();
    ASSERT_EQ(carried.size(), 3u);
    EXPECT_EQ(carried[0].code, 60);
    EXPECT_EQ(carried[1].code, 61);
    EXPECT_EQ(carried[2].code, 62);
    // Later, the answer is the previous event's result.
    EXPECT_EQ(engine.postEvent(&outer), 9);
    EXPECT_EQ(answered, 6);
}

// A timer message dispatched by the loop posts an event: the post returns at
// once and the event follows the message.
std::atomic<engine::Engine*> timerEngine{nullptr};
std::atomic<int32_t> timerAnswer{-1};
std::atomic<uintptr_t> timerId{0};

void postFromTimer(plat::ui::WindowHandle, uint32_t, uintptr_t id, uint32_t)
{
    (void)plat::ui::killTimer(nullptr, id);
    EngineEvent posted = event(71, true);
    timerAnswer = timerEngine.load()->postEvent(&posted);
}

TEST_F(EventMailboxTest, APostFromAMessageTheLoopDispatchesIsCarriedOutAfterIt)
{
    timerEngine = &engine;
    timerAnswer = -1;
    engine.hooks[70] = [](const EngineEvent&) {
        timerId = plat::ui::setTimer(nullptr, 0, 10, &postFromTimer);
        return 3;
    };
    std::atomic<bool> carried{false};
    engine.hooks[71] = [&](const EngineEvent&) {
        carried = true;
        return 1;
    };
    startLoop();
    EngineEvent arm = event(70, true);
    EXPECT_EQ(engine.postEvent(&arm), 3);
    ASSERT_NE(timerId.load(), 0u);
    ASSERT_TRUE(eventually([&] { return carried.load(); }));
    EXPECT_EQ(timerAnswer, 3);
}

// ---------------------------------------------------------------------------
// Several posters at once

TEST_F(EventMailboxTest, ManyPostersFromSeveralThreadsLoseAndDoubleNothing)
{
    constexpr int kThreads = 4;
    constexpr int kEach = 150;
    // Each event answers a result of its own, so a waiter that got another
    // event's result shows.
    engine.hooks[80] = [](const EngineEvent& e) { return static_cast<int32_t>(e.value % 1000 + 2); };
    startLoop();
    std::atomic<int> wrongAnswers{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                const intptr_t value = t * 1000 + i;
                const bool wait = (i % 2) == 0;
                EngineEvent posted = event(80, wait, value);
                const int32_t answer = engine.postEvent(&posted);
                const int32_t expected = wait ? static_cast<int32_t>(value % 1000 + 2) : 1;
                if (answer != expected)
                    ++wrongAnswers;
            }
        });
    }
    for (auto& poster : posters)
        poster.join();
    // Every poster has returned, so every event was taken; a waiting post
    // after them is carried out after all of them.
    EngineEvent last = event(81, true);
    engine.postEvent(&last);

    std::map<intptr_t, int> seen;
    for (const EngineEvent& e : engine.carried())
        if (e.code == 80)
            ++seen[e.value];
    EXPECT_EQ(wrongAnswers, 0);
    ASSERT_EQ(seen.size(), static_cast<size_t>(kThreads * kEach));
    for (const auto& [value, count] : seen)
        EXPECT_EQ(count, 1) << "event " << value;
    EXPECT_EQ(engine.carried().back().code, 81);
}

// ---------------------------------------------------------------------------
// Quit

TEST_F(EventMailboxTest, QuitIsRefusedWhileStreamingAndTheLoopGoesOn)
{
    startLoop();
    EngineSeam::streaming(engine).store(true);
    EngineEvent quit = event(kQuit, true);
    EXPECT_EQ(engine.postEvent(&quit), 0);
    // Carried out after the refused quit, so the loop went on.
    EngineEvent still = event(55, true);
    EXPECT_EQ(engine.postEvent(&still), 1);
    EXPECT_FALSE(loopEnded);

    EngineSeam::streaming(engine).store(false);
    EXPECT_EQ(engine.postEvent(&quit), 1);
    loop.join();
    EXPECT_TRUE(loopEnded);
}

TEST_F(EventMailboxTest, PostsAfterTheLoopEndedAreRefusedInsteadOfHanging)
{
    startLoop();
    stopLoop();
    EngineEvent late = event(56, true);
    EXPECT_EQ(engine.postEvent(&late), 0);
    EngineEvent lateNoWait = event(56, false);
    EXPECT_EQ(engine.postEvent(&lateNoWait), 0);
    EXPECT_EQ(engine.postDetachedEvent(&lateNoWait), 0);
    EXPECT_EQ(engine.countOf(56), 0u);
}

// ---------------------------------------------------------------------------
// Crossfade

class CrossfadeMailboxTest : public EventMailboxTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(engine.applyAudioSetup({3, 4096, 12, 65536, 1, 0}), 0);
        startLoop();
    }
    // Channel 0 fades out, channel 1 in, 10 steps of 10 every 10 ms.
    engine::CrossfadeBlock block{0, 0, 0, 0, 1, 10, 10, 100};
};

TEST_F(CrossfadeMailboxTest, ANullBlockIsRefusedAndNotPosted)
{
    EngineEvent none = event(toWire(engine::Event::Crossfade), true, 0);
    EXPECT_EQ(engine.postEvent(&none), 0);
    none.wait = 0;
    EXPECT_EQ(engine.postEvent(&none), 0);
    EngineEvent last = event(57, true);
    engine.postEvent(&last);
    EXPECT_EQ(engine.countOf(toWire(engine::Event::Crossfade)), 0u);
}

TEST_F(CrossfadeMailboxTest, ACrossfadeWhileOneRunsIsRefusedAndNotPosted)
{
    EngineEvent start = event(toWire(engine::Event::Crossfade), true, reinterpret_cast<intptr_t>(&block));
    EXPECT_EQ(engine.postEvent(&start), 1);
    EXPECT_TRUE(engine.audio().crossfadeRunning());

    engine::CrossfadeBlock other{0, 0, 0, 2, 3, 10, 10, 100};
    EngineEvent second = event(toWire(engine::Event::Crossfade), false, reinterpret_cast<intptr_t>(&other));
    EXPECT_EQ(engine.postEvent(&second), 0);
    EXPECT_EQ(engine.countOf(toWire(engine::Event::Crossfade)), 1u);

    // The timer runs on the loop's thread until the volumes arrive.
    ASSERT_TRUE(eventually([&] { return !engine.audio().crossfadeRunning(); }));
    EXPECT_EQ(EngineSeam::mixer(engine).getVolume(0), 0);
    EXPECT_EQ(EngineSeam::mixer(engine).getVolume(1), 100);
    EXPECT_EQ(EngineSeam::mixer(engine).getVolume(2), 100) << "the refused block was not applied";

    // Once it has ended, a crossfade is accepted again.
    EngineEvent again = event(toWire(engine::Event::Crossfade), true, reinterpret_cast<intptr_t>(&other));
    EXPECT_EQ(engine.postEvent(&again), 1);
}

TEST_F(CrossfadeMailboxTest, ASecondCrossfadeWaitingBehindTheFirstIsRefused)
{
    // Both are posted by the main thread while it carries out another event,
    // so the first has not started when the second comes.
    std::atomic<int32_t> firstAnswer{-1};
    std::atomic<int32_t> secondAnswer{-1};
    engine::CrossfadeBlock other{0, 0, 0, 2, 3, 10, 10, 100};
    engine.hooks[58] = [&](const EngineEvent&) {
        EngineEvent first =
            event(toWire(engine::Event::Crossfade), false, reinterpret_cast<intptr_t>(&block));
        EngineEvent second =
            event(toWire(engine::Event::Crossfade), false, reinterpret_cast<intptr_t>(&other));
        firstAnswer = engine.postEvent(&first);
        secondAnswer = engine.postEvent(&second);
        return 1;
    };
    EngineEvent trigger = event(58, true);
    engine.postEvent(&trigger);
    EXPECT_EQ(firstAnswer, 1);
    EXPECT_EQ(secondAnswer, 0);
    ASSERT_TRUE(eventually([&] {
        return !engine.audio().crossfadeRunning() && engine.countOf(toWire(engine::Event::Crossfade)) != 0;
    }));
    EXPECT_EQ(engine.countOf(toWire(engine::Event::Crossfade)), 1u);
    EXPECT_EQ(EngineSeam::mixer(engine).getVolume(1), 100);
    EXPECT_EQ(EngineSeam::mixer(engine).getVolume(2), 100);
}

} // namespace

// ---------------------------------------------------------------------------
// Plug-ins the main thread would release under another thread

TEST_F(EventMailboxTest, AnInputTakingACommandStaysLoadedUntilItIsDone)
{
    EngineSeam::inputs(engine)[0] = velmora::test::loadTestPlugin<engine::InputPlugin>("good_input.vin");
    velmora::test::TestControls input{"good_input.vin"};
    input.get<void (*)()>("testClearJournal")();
    std::atomic<int32_t>& hold = *input.get<std::atomic<int32_t>* (*)()>("testCommandHold")();
    startLoop();

    hold = 1;
    std::thread commander([&] { engine.slots().offerCommand("song.wav"); });
    EXPECT_TRUE(eventually([&] { return hold == 2; }));
    // An unload posted meanwhile is carried out once the command is done.
    std::thread unloader([&] {
        EngineEvent unload = event(toWire(engine::Event::UnloadPlugin), true);
        unload.target = toWire(engine::EventKind::Input);
        EXPECT_EQ(engine.postEvent(&unload), 1);
    });
    // The unload waits for the command: meanwhile the input stays loaded.
    EXPECT_TRUE(staysFalse([&] { return EngineSeam::inputs(engine)[0] == nullptr; }, 50ms));
    hold = 0;
    commander.join();
    unloader.join();

    EXPECT_EQ(EngineSeam::inputs(engine)[0], nullptr);
    const std::string journal = input.get<const char* (*)()>("testJournal")();
    EXPECT_LT(journal.find("released"), journal.find("destroyUserInterface")) << journal;
}
