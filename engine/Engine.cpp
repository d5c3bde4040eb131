#include "engine/Engine.h"

#include <memory>

#include "api/Protocol.h"
#include "engine/CheckedRelease.h"
#include "engine/EngineResources.h"
#include "platform/core/Module.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "zkr/SharedServices.h"

namespace engine {

namespace {

// Every lock wait is bounded; a wait that times out (the other side may be
// held up by a modal dialog or menu) simply waits again.
constexpr uint32_t kLockWaitMs = 50;

// A lock that was never made counts as taken: nothing else can take it either.
void take(zkr::MutexObject& lock) ACQUIRE(lock) NO_THREAD_SAFETY_ANALYSIS
{
    if (lock.handle == nullptr)
        return;
    while (!lock.wait(kLockWaitMs)) {
    }
}

// How many times this thread holds the main thread (see holdMainThread).
thread_local int mainThreadHolds = 0;

// Waits for the object while answering what other threads send to this
// thread's windows: the main thread may be waiting for one of them (closing a
// plug-in's window) while this thread waits for it.
uint32_t waitAnswering(plat::Handle handle, uint32_t timeoutMs)
{
    const uint32_t woken = plat::ui::msgWaitForMultipleObjects(1, &handle, false, timeoutMs, 0);
    return woken == plat::kWaitFailed ? plat::waitForSingleObject(handle, timeoutMs) : woken;
}

bool waits(const EngineEvent& event)
{
    return (event.wait & 0xFF) != 0;
}

} // namespace

Engine::Engine() = default;

Engine::~Engine()
{
    // The streaming thread calls the seams this class overrides.
    endStreamingThread();
    take(eventLock);
    releasePending();
    releaseHeld(eventLock);
}

bool Engine::onMainThread() const
{
    const uint32_t main = mainThread.load(std::memory_order_acquire);
    return main != 0 && main == plat::currentThreadId();
}

// ---------------------------------------------------------------------------
// Start-up

int Engine::initialise(const char* line, int32_t show)
{
    mainThread.store(plat::currentThreadId(), std::memory_order_release);
    const int bound = zkr::bindSharedServices();
    if (bound != toWire(Error::Ok))
        return bound;
    // Every window of the process keeps the scale of the first: the splash.
    readDisplayScale();
    zkr::sharedServices->showSplashWindow();
    showSplashString(kStringInitializing);

    setCommandLine(line, show);
    // Loads the section once; a file that cannot be read leaves the defaults.
    static_cast<void>(settings.selectSection(kSettingsSection, true));
    setFolder(plat::programFolder());

    shell().loadTrayMenu();

    showSplashString(kStringFindingPlugins);
    if (slots().discoverPlugins() != toWire(Error::Ok) || slots().loadUserInterface() != toWire(Error::Ok) ||
        applyAudioSetup(readAudioSetup()) != toWire(Error::Ok)) {
        showError(toWire(Error::BadInitialization), kCoreContext);
        return toWire(Error::BadInitialization);
    }
    return toWire(Error::Ok);
}

int Engine::run()
{
    mainThread.store(plat::currentThreadId(), std::memory_order_release);
    showSplashString(kStringCreatingInterface);
    UserInterfacePlugin* userInterface = slots().userInterface();
    if (userInterface == nullptr ||
        userInterface->createUserInterface(program().instance, program().showCommand) != toWire(Error::Ok))
        return 0;
    closeSplash();
    slots().offerCommand(program().commandLine.c_str());
    runLoop();
    writeSettings();
    return 1;
}

// ---------------------------------------------------------------------------
// The main loop

void Engine::runLoop()
{
    mainThread.store(plat::currentThreadId(), std::memory_order_release);
    const plat::Handle wake = wakeEvent.handle;
    take(eventLock);
    for (;;) {
        take(idleLock);
        releaseHeld(eventLock);
        for (;;) {
            const uint32_t woken = plat::ui::msgWaitForMultipleObjects(
                1, &wake, false, plat::kInfinite, plat::ui::kQsTimer | plat::ui::kQsPaint);
            if (woken != plat::kWaitObject0 + 1)
                break;
            // The quit message is dispatched like any other: only the quit event ends the loop.
            plat::ui::Message message;
            plat::ui::getMessage(message);
            plat::ui::dispatchMessage(message);
        }
        resetEvent(doneEvent);
        take(eventLock);
        releaseHeld(idleLock);

        bool quit = false;
        Posted next;
        if (takeNext(next)) {
            if (next.ticket != nullptr) {
                // A poster that does not wait returns once its event is
                // taken: its ticket is gone from then on.
                Ticket* ticket = next.ticket;
                if (!waits(next.event))
                    next.ticket = nullptr;
                ticket->taken.store(true, std::memory_order_release);
            }
            const int32_t answer = carryOut(next.event, quit);
            result = answer;
            if (next.ticket != nullptr) {
                next.ticket->result = answer;
                next.ticket->done.store(true, std::memory_order_release);
            }
            // One wake may stand for several events.
            if (slotFull || !ownEvents.empty() || hasDetachedEvents())
                setEvent(wakeEvent);
        }
        setEvent(doneEvent);
        if (quit)
            break;
    }
    releasePending();
    releaseHeld(eventLock);
}

bool Engine::takeNext(Posted& next)
{
    // The main thread's own events, the slot's and the detached ones are taken
    // in the order they were posted.
    plat::ScopedLock detached(detachedLock);
    const uint64_t none = UINT64_MAX;
    const uint64_t ownOrder = ownEvents.empty() ? none : ownEvents.front().order;
    const uint64_t slotOrder = slotFull ? slot.order : none;
    const uint64_t detachedOrder = detachedEvents.empty() ? none : detachedEvents.front().order;
    if (detachedOrder < ownOrder && detachedOrder < slotOrder) {
        next = detachedEvents.front();
        detachedEvents.pop_front();
    } else if (ownOrder < slotOrder) {
        next = ownEvents.front();
        ownEvents.pop_front();
    } else if (slotFull) {
        next = slot;
        slot = Posted{};
        slotFull = false;
        setEvent(slotFree);
    } else {
        return false;
    }
    if (next.event.code == toWire(Event::Crossfade))
        crossfadePending = false;
    return true;
}

void Engine::releasePending()
{
    loopEnded = true;
    if (slotFull && slot.ticket != nullptr) {
        Ticket* ticket = slot.ticket;
        ticket->result = 0;
        ticket->taken.store(true, std::memory_order_release);
        ticket->done.store(true, std::memory_order_release);
    }
    slot = Posted{};
    slotFull = false;
    ownEvents.clear();
    {
        plat::ScopedLock detached(detachedLock);
        detachedEvents.clear();
        detachedClosed = true;
    }
    setEvent(slotFree);
    setEvent(doneEvent);
}

int32_t Engine::carryOut(const EngineEvent& event, bool& quit)
{
    return carryOutEvent(event, quit);
}

// ---------------------------------------------------------------------------
// The event callback

int32_t Engine::postEvent(EngineEvent* event)
{
    if (event == nullptr)
        return 0;
    EngineEvent titleless{};
    event = withTitleKept(event, titleless);
    const bool crossfadeEvent = event->code == toWire(Event::Crossfade);

    if (onMainThread() || mainThreadHolds > 0) {
        // The main thread cannot wait for itself, nor can a thread that holds
        // it: the event is queued, carried out once the current event or
        // message is done (or the hold ends), and the caller gets the last
        // result at once.
        take(eventLock);
        if (loopEnded) {
            releaseHeld(eventLock);
            return 0;
        }
        if (crossfadeEvent) {
            if (crossfadePending ||
                !audio().acceptCrossfade(reinterpret_cast<const CrossfadeBlock*>(event->value))) {
                releaseHeld(eventLock);
                return 0;
            }
            crossfadePending = true;
        }
        ownEvents.push_back(Posted{*event, nullptr, ++postCount});
        setEvent(wakeEvent);
        const int32_t last = result;
        releaseHeld(eventLock);
        return waits(*event) ? last : 1;
    }

    Ticket ticket;
    for (;;) {
        take(eventLock);
        if (loopEnded) {
            releaseHeld(eventLock);
            return 0;
        }
        if (!slotFull)
            break;
        // Another poster's event is still in the slot.
        releaseHeld(eventLock);
        waitAnswering(slotFree.handle, kLockWaitMs);
    }
    if (crossfadeEvent) {
        // A second crossfade while one waits in the slot would overwrite the
        // first one's block before it starts.
        if (crossfadePending ||
            !audio().acceptCrossfade(reinterpret_cast<const CrossfadeBlock*>(event->value))) {
            releaseHeld(eventLock);
            return 0;
        }
        crossfadePending = true;
    }
    slot.event = *event;
    slot.ticket = &ticket;
    slot.order = ++postCount;
    slotFull = true;
    resetEvent(slotFree);
    setEvent(wakeEvent);
    releaseHeld(eventLock);

    // Returns only once the main thread has taken the event.
    while (!ticket.taken.load(std::memory_order_acquire))
        waitAnswering(slotFree.handle, kLockWaitMs);
    if (!waits(*event))
        return 1;
    while (!ticket.done.load(std::memory_order_acquire))
        waitAnswering(doneEvent.handle, kLockWaitMs);
    return ticket.result;
}

int32_t Engine::postDetachedEvent(EngineEvent* event)
{
    if (event == nullptr || event->code == toWire(Event::Crossfade))
        return 0;
    EngineEvent titleless{};
    event = withTitleKept(event, titleless);
    {
        plat::ScopedLock detached(detachedLock);
        if (detachedClosed)
            return 0;
        detachedEvents.push_back(Posted{*event, nullptr, ++postCount});
    }
    setEvent(wakeEvent);
    return 1;
}

bool Engine::hasDetachedEvents()
{
    plat::ScopedLock detached(detachedLock);
    return !detachedEvents.empty();
}

// ---------------------------------------------------------------------------
// The crossfade timer

void Engine::crossfadeTimerProc(plat::ui::WindowHandle, uint32_t, uintptr_t, uint32_t)
{
    auto* engine = dynamic_cast<Engine*>(EngineCore::current());
    if (engine == nullptr)
        return;
    // Ticks come while the loop waits, outside EventLock; taking it keeps a
    // tick from meeting a mixer that another thread is rebuilding.
    engine->holdMainThread();
    engine->audio().crossfadeTick();
    engine->releaseMainThread();
}

// Another thread takes the lock through its handle, answering its windows
// while it waits, which the analysis cannot follow.
void Engine::holdMainThread() NO_THREAD_SAFETY_ANALYSIS
{
    if (eventLock.handle == nullptr)
        return;
    if (onMainThread()) {
        take(eventLock);
        return;
    }
    uint32_t woken = plat::kWaitTimeout;
    do {
        woken = waitAnswering(eventLock.handle, kLockWaitMs);
    } while (woken == plat::kWaitTimeout);
    ++mainThreadHolds;
}

bool Engine::mayActAsMainThread() const
{
    const uint32_t main = mainThread.load(std::memory_order_acquire);
    return main == 0 || main == plat::currentThreadId() || mainThreadHolds > 0;
}

// The counterpart of holdMainThread, with the same lock that was never made.
void Engine::releaseMainThread() NO_THREAD_SAFETY_ANALYSIS
{
    if (eventLock.handle == nullptr)
        return;
    if (!onMainThread() && mainThreadHolds > 0)
        --mainThreadHolds;
    releaseHeld(eventLock);
}

intptr_t Engine::startCrossfadeTimer(int32_t intervalMs)
{
    const uintptr_t timer =
        plat::ui::setTimer(nullptr, 0, static_cast<uint32_t>(intervalMs), &Engine::crossfadeTimerProc);
    return static_cast<intptr_t>(timer);
}

void Engine::stopCrossfadeTimer(intptr_t timer)
{
    // A timer already gone has stopped anyway.
    static_cast<void>(plat::ui::killTimer(nullptr, static_cast<uintptr_t>(timer)));
}

} // namespace engine
