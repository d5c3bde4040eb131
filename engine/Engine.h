#pragma once

#include <atomic>
#include <cstdint>
#include <deque>

#include "engine/EngineCore.h"
#include "platform/core/ThreadSafety.h"
#include "zkr/EventObject.h"
#include "zkr/MutexObject.h"

namespace engine {

// The engine program: the audio core with the event mailbox, the crossfade
// timer on the main thread, start-up and the main loop.
//
// The mailbox: other threads hand one event at a time through the slot
// below; the main thread's own events (posted while it carries out an event
// or dispatches a message) go to a queue of their own, so they never
// overwrite an event another thread left in the slot.
class Engine : public EngineCore {
public:
    Engine();
    ~Engine() override;

    // Start-up up to the main loop: 0 or an error (BadInitialization after a shown cause).
    int initialise(const char* commandLine, int32_t showCommand);
    // Creates the user interface's window and runs the main loop: 1 after a
    // normal end, 0 when the user interface could not create its window.
    int run();
    // The main loop alone, on the calling thread (which becomes the main
    // thread): returns after an accepted quit event.
    void runLoop();

    int32_t postEvent(EngineEvent* event) override;
    int32_t postDetachedEvent(EngineEvent* event) override;

protected:
    intptr_t startCrossfadeTimer(int32_t intervalMs) override;
    void stopCrossfadeTimer(intptr_t timer) override;
    // Holding EventLock keeps the main thread out of events and crossfade ticks.
    void holdMainThread() override ACQUIRE(eventLock);
    void releaseMainThread() override RELEASE(eventLock);
    bool mayActAsMainThread() const override;

    // One event on the main thread; the event table by default.
    virtual int32_t carryOut(const EngineEvent& event, bool& quit);

private:
    // A poster's view of its event: set by the main thread when the event is
    // taken and when it is done, read by the poster (atomics; the result is
    // written before done is set).
    struct Ticket {
        std::atomic<bool> taken{false};
        std::atomic<bool> done{false};
        int32_t result = 1;
    };
    struct Posted {
        EngineEvent event{};
        Ticket* ticket = nullptr; // null for the main thread's own events
        uint64_t order = 0;       // when it was posted: events are carried out in this order
    };

    bool onMainThread() const;
    // Takes the next event, if any.
    bool takeNext(Posted& next) REQUIRES(eventLock) EXCLUDES(detachedLock);
    // After the loop: every waiting poster is let go with 0.
    void releasePending() REQUIRES(eventLock) EXCLUDES(detachedLock);
    bool hasDetachedEvents() EXCLUDES(detachedLock);
    static void crossfadeTimerProc(plat::ui::WindowHandle, uint32_t, uintptr_t timerId, uint32_t);

    zkr::MutexObject eventLock{false, "EventLock"};
    zkr::MutexObject idleLock{false, "IdleLock"};
    zkr::EventObject wakeEvent{false, false, "WakeEvent"};
    zkr::EventObject doneEvent{true, true, "DoneEvent"};
    // Set while the slot is empty, so that a poster finding it full can wait.
    zkr::EventObject slotFree{true, true, "SlotFree"};

    Posted slot GUARDED_BY(eventLock);
    bool slotFull GUARDED_BY(eventLock) = false;
    std::deque<Posted> ownEvents GUARDED_BY(eventLock);
    // Detached posts, guarded by detachedLock alone so that posting one never
    // waits for the main thread; closed once the loop has ended.
    plat::AnnotatedMutex detachedLock;
    std::deque<Posted> detachedEvents GUARDED_BY(detachedLock);
    bool detachedClosed GUARDED_BY(detachedLock) = false;
    // Numbers the posts of every kind in the order they were made (atomic:
    // posters under either lock count on it).
    std::atomic<uint64_t> postCount{0};
    bool crossfadePending GUARDED_BY(eventLock) = false;
    // Set once the loop has ended: later events are refused.
    bool loopEnded GUARDED_BY(eventLock) = false;

    // The result of the last event carried out (1 before the first). Written
    // by the main thread; read by the main thread's own posts.
    int32_t result GUARDED_BY(eventLock) = 1;
    // The thread running the loop; written before the loop starts.
    std::atomic<uint32_t> mainThread{0};
};

} // namespace engine
