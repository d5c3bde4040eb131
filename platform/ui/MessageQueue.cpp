#include "platform/ui/MessageQueue.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "platform/core/Thread.h"
#include "platform/core/Time.h"
#include "platform/ui/UiState.h"

namespace plat::ui {

namespace {

inline constexpr uint32_t kMinimumTimerElapse = 10;

// Handling a message another thread sent: depth on this thread.
thread_local int tHandlingSent = 0;

// The modal hook: process-wide, guarded by its own lock (it is read on every idle turn).
constinit plat::AnnotatedMutex gHookMutex;
ModalHook gModalHook GUARDED_BY(gHookMutex) = nullptr;
void* gModalContext GUARDED_BY(gHookMutex) = nullptr;

void finishSentLocked(SentItem* item, intptr_t result) REQUIRES(uiMutex)
{
    if (item->sender == nullptr) {
        delete item;
        return;
    }
    item->result = result;
    item->done = true;
    item->sender->replyPending = true;
    item->sender->refresh();
}

// Handles the first message another thread sent to this one. Lets uiMutex
// go while the handler runs.
void handleOneIncoming(ThreadQueue* queue) REQUIRES(uiMutex)
{
    assert(queue->threadId == currentThreadId());
    SentItem* item = queue->incoming.front();
    queue->incoming.pop_front();
    queue->refresh();
    const bool windowGone = item->window != nullptr && liveWindowLocked(item->window) == nullptr;
    intptr_t result = 0;
    if (!windowGone) {
        plat::ScopedUnlock unlocked(uiMutex);
        ++tHandlingSent;
        if (item->task)
            result = item->task();
        else
            result = callProcedure(item->window, item->message, item->wparam, item->lparam);
        --tHandlingSent;
    }
    finishSentLocked(item, result);
}

// The modules that made window and the windows above it (parents, owners):
// a message box owned by a plug-in's dialog runs for the plug-in too.
void addModulesAlongLocked(WindowRecord* window, std::vector<ModuleHandle>& modules) REQUIRES(uiMutex)
{
    for (; window != nullptr; window = window->isTopLevel() ? window->owner : window->parent)
        if (window->module != nullptr)
            modules.push_back(window->module);
}

void handleAllIncoming(ThreadQueue* queue) REQUIRES(uiMutex)
{
    while (!queue->incoming.empty())
        handleOneIncoming(queue);
}

// Lets uiMutex go while the thread waits on its queue object.
void waitOnQueueLocked(ThreadQueue* queue, uint32_t timeoutMs) REQUIRES(uiMutex)
{
    plat::ScopedUnlock unlocked(uiMutex);
    (void)waitForSingleObject(queue->handle, timeoutMs); // the caller looks at the queue again either way
}

bool inRange(uint32_t message, uint32_t first, uint32_t last)
{
    if (first == 0 && last == 0)
        return true;
    return message >= first && message <= last;
}

bool matchesWindow(WindowHandle filter, WindowHandle window)
{
    return filter == nullptr || filter == window;
}

void erasePosted(ThreadQueue* queue, std::deque<QueuedMessage>::iterator it) REQUIRES(uiMutex)
{
    queue->posted.erase(it);
    queue->refresh();
}

bool anyPendingPresentLocked(const ThreadQueue* queue) REQUIRES(uiMutex)
{
    for (const WindowRecord* window : queue->windows) {
        if (window->isTopLevel() && !window->pendingPresent.empty())
            return true;
    }
    return false;
}

enum class Retrieved { None, Message, Quit };

// The common part of getMessage and peekMessage.
Retrieved retrieve(Message& out, WindowHandle filter, uint32_t first, uint32_t last, bool remove, bool wait)
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return Retrieved::None;
    plat::ScopedLock lock(uiMutex);
    for (;;) {
        handleAllIncoming(queue);
        WindowRecord* filterRecord = nullptr;
        if (filter != nullptr) {
            filterRecord = liveWindowLocked(filter);
            if (filterRecord == nullptr || filterRecord->queue != queue) {
                out = Message{};
                return Retrieved::None;
            }
        }
        for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
            if (matchesWindow(filter, it->message.window) && inRange(it->message.message, first, last)) {
                out = it->message;
                if (remove)
                    erasePosted(queue, it);
                return Retrieved::Message;
            }
        }
        if (queue->quitPosted && filter == nullptr && inRange(kMsgQuit, first, last)) {
            out = Message{};
            out.message = kMsgQuit;
            out.wparam = static_cast<uintptr_t>(queue->quitCode);
            out.time = tickCount();
            if (remove) {
                queue->quitPosted = false;
                queue->refresh();
            }
            return Retrieved::Quit;
        }
        WindowRecord* toPaint = nextToPaintLocked(queue, nullptr);
        if (toPaint != nullptr && inRange(kMsgPaint, first, last)) {
            WindowRecord* matching = filter == nullptr ? toPaint : nextToPaintLocked(queue, filterRecord);
            if (matching != nullptr) {
                out = Message{};
                out.window = matching;
                out.message = kMsgPaint;
                out.time = tickCount();
                return Retrieved::Message;
            }
        }
        // Everything painted is shown before lower-priority work or sleep.
        if (toPaint == nullptr && anyPendingPresentLocked(queue)) {
            plat::ScopedUnlock unlocked(uiMutex);
            presentPending(queue);
            continue;
        }
        const uint64_t now = tickCount64();
        if (inRange(kMsgTimer, first, last)) {
            Timer* due = nullptr;
            for (Timer& timer : queue->timers) {
                if (timer.due <= now && matchesWindow(filter, timer.window) &&
                    (due == nullptr || timer.due < due->due))
                    due = &timer;
            }
            if (due != nullptr) {
                out = Message{};
                out.window = due->window;
                out.message = kMsgTimer;
                out.wparam = due->id;
                out.lparam = reinterpret_cast<intptr_t>(due->procedure);
                out.time = static_cast<uint32_t>(now);
                if (remove) {
                    due->due = now + due->elapse;
                    queue->refresh();
                }
                return Retrieved::Message;
            }
        }
        if (!wait)
            return Retrieved::None;

        uint32_t timeout = kInfinite;
        const uint64_t nextDue = queue->nextTimerDue();
        if (nextDue != UINT64_MAX)
            timeout =
                nextDue > now ? static_cast<uint32_t>(std::min<uint64_t>(nextDue - now, 0x7FFFFFFF)) : 0;
        const bool filtered = filter != nullptr || first != 0 || last != 0;
        if (filtered) {
            // Other messages may sit in the queue: look again now and then.
            queue->setWakeMask(kQsSendMessage);
            timeout = std::min<uint32_t>(timeout, 10);
        } else {
            queue->setWakeMask(kQsAllInput);
        }
        waitOnQueueLocked(queue, timeout);
    }
}

} // namespace

// ---- the queue object ----------------------------------------------------------------

bool ThreadQueue::isSignalledFor(uint32_t) const
{
    const uint32_t mask = mask_.load();
    if ((bits_.load() & mask) != 0)
        return true;
    return (mask & kQsTimer) != 0 && nextDue_.load() <= tickCount64();
}

void ThreadQueue::refresh()
{
    uiMutex.assertHeld();
    uint32_t bits = 0;
    for (const QueuedMessage& queued : posted)
        bits |= queued.wakeClass;
    if (quitPosted)
        bits |= kQsPostMessage;
    if (!incoming.empty())
        bits |= kQsSendMessage;
    if (replyPending)
        bits |= kQsReply;
    for (const WindowRecord* window : windows) {
        if (!window->invalid.isEmpty() && isVisibleLocked(window)) {
            bits |= kQsPaint;
            break;
        }
    }
    uint64_t due = UINT64_MAX;
    for (const Timer& timer : timers)
        due = std::min(due, timer.due);
    std::lock_guard kernel(kernelMutex());
    bits_.store(bits);
    nextDue_.store(due);
    signalChanged();
}

constinit plat::AnnotatedMutex uiMutex;

UiState& uiState()
{
    static auto* state = new UiState;
    return *state;
}

namespace {

void shutDownQueue(ThreadQueue* queue);

// Owns the calling thread's queue; when the thread ends its windows, timers
// and queue go (no messages are sent: nothing is left to handle them).
struct QueueHolder {
    ThreadQueue* queue = nullptr;
    QueueHolder() = default;
    QueueHolder(const QueueHolder&) = delete;
    QueueHolder& operator=(const QueueHolder&) = delete;
    ~QueueHolder()
    {
        if (queue != nullptr)
            shutDownQueue(queue);
    }
};
thread_local QueueHolder tQueue;

void shutDownQueue(ThreadQueue* queue)
{
    Teardown teardown;
    {
        plat::ScopedLock lock(uiMutex);
        UiState::Fields& state = uiState().locked();
        queue->alive = false;
        auto found = state.queues.find(queue->threadId);
        if (found != state.queues.end() && found->second == queue)
            state.queues.erase(found);
        const std::vector<WindowRecord*>& doomed = queue->windows;
        for (WindowRecord* window : doomed) {
            state.live.erase(window);
            std::erase(state.topLevels, window);
        }
        for (WindowRecord* window : doomed) {
            forgetWindowLocked(state, window);
            if (window->native != 0)
                teardown.natives.push_back(window->native);
        }
        for (QueuedMessage& queued : queue->posted) {
            if (queued.message.message == kMsgDropFiles)
                teardown.drops.push_back(reinterpret_cast<DropHandle>(queued.message.wparam));
        }
        queue->posted.clear();
        queue->timers.clear();
        while (!queue->incoming.empty()) {
            SentItem* item = queue->incoming.front();
            queue->incoming.pop_front();
            finishSentLocked(item, 0);
        }
        for (WindowRecord* window : doomed)
            releasePaintingLocked(window);
        teardown.records = std::move(queue->windows);
        queue->windows.clear();
    }
    teardown.finish();
    closeHandle(queue->handle);
}

} // namespace

ThreadQueue* currentQueue()
{
    if (tQueue.queue != nullptr)
        return tQueue.queue;
    ThreadQueue* raw = nullptr;
    try {
        auto queue = std::make_unique<ThreadQueue>(currentThreadId());
        raw = queue.get();
        raw->handle = publishObject(std::move(queue));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (raw->handle == nullptr)
        return nullptr;
    {
        plat::ScopedLock lock(uiMutex);
        uiState().locked().queues[raw->threadId] = raw;
    }
    tQueue.queue = raw;
    return raw;
}

void postLocked(ThreadQueue* queue, const Message& message, uint32_t wakeClass)
{
    uiMutex.assertHeld();
    queue->posted.push_back(QueuedMessage{message, wakeClass});
    queue->refresh();
}

void postTaskLocked(ThreadQueue* queue, std::function<intptr_t()> task)
{
    auto* item = new SentItem;
    item->task = std::move(task);
    queue->incoming.push_back(item);
    queue->refresh();
}

namespace {

// Queues item to the window's thread and waits for it, handling what is sent to this thread meanwhile.
intptr_t sendAcrossAndWait(WindowHandle window, SentItem& item)
{
    ThreadQueue* self = currentQueue();
    if (self == nullptr)
        return 0;
    plat::ScopedLock lock(uiMutex);
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr || !record->queue->alive)
        return 0;
    item.window = window;
    item.sender = self;
    record->queue->incoming.push_back(&item);
    record->queue->refresh();
    for (;;) {
        if (item.done)
            return item.result;
        if (!self->incoming.empty()) {
            handleOneIncoming(self);
            continue;
        }
        self->replyPending = false;
        self->setWakeMask(kQsSendMessage | kQsReply);
        self->refresh();
        waitOnQueueLocked(self, kInfinite);
    }
}

} // namespace

WindowOwner windowOwner(WindowHandle window)
{
    return uiState().withLiveWindow(
        window,
        [](WindowRecord& record) {
            return record.ownedByThisThread() ? WindowOwner::ThisThread : WindowOwner::OtherThread;
        },
        WindowOwner::Gone);
}

intptr_t runOnWindowThread(WindowHandle window, const std::function<intptr_t()>& task)
{
    switch (windowOwner(window)) {
    case WindowOwner::Gone:
        return 0;
    case WindowOwner::ThisThread:
        return task();
    case WindowOwner::OtherThread:
        break;
    }
    SentItem item;
    item.task = task;
    return sendAcrossAndWait(window, item);
}

std::optional<bool> forwardToOwnerThread(WindowHandle window, const std::function<bool()>& call)
{
    switch (windowOwner(window)) {
    case WindowOwner::Gone:
        return false;
    case WindowOwner::OtherThread:
        return runOnWindowThread(window, [&call] { return call() ? 1 : 0; }) != 0;
    case WindowOwner::ThisThread:
        break;
    }
    return std::nullopt;
}

intptr_t callProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    WindowProc procedure = nullptr;
    const bool alive = uiState().withLiveWindow(window, [&procedure](WindowRecord& record) REQUIRES(uiMutex) {
        assert(record.ownedByThisThread());
        procedure = record.procedure;
    });
    if (!alive)
        return 0;
    return callWindowProc(procedure, window, message, wparam, lparam);
}

// ---- public API ------------------------------------------------------------------------------

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (window == nullptr)
        return postThreadMessage(currentThreadId(), message, wparam, lparam);
    return uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
        if (!record.queue->alive)
            return false;
        postLocked(record.queue,
                   Message{window, message, wparam, lparam, tickCount(), uiState().locked().cursor},
                   kQsPostMessage);
        return true;
    });
}

bool postThreadMessage(uint32_t threadId, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (threadId == currentThreadId() && currentQueue() == nullptr)
        return false;
    plat::ScopedLock lock(uiMutex);
    UiState::Fields& state = uiState().locked();
    auto found = state.queues.find(threadId);
    if (found == state.queues.end() || !found->second->alive)
        return false;
    postLocked(found->second, Message{nullptr, message, wparam, lparam, tickCount(), state.cursor},
               kQsPostMessage);
    return true;
}

void postQuitMessage(int exitCode)
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return;
    plat::ScopedLock lock(uiMutex);
    queue->quitPosted = true;
    queue->quitCode = exitCode;
    queue->refresh();
}

intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (windowOwner(window)) {
    case WindowOwner::Gone:
        return 0;
    case WindowOwner::ThisThread:
        return callProcedure(window, message, wparam, lparam);
    case WindowOwner::OtherThread:
        break;
    }
    SentItem item;
    item.message = message;
    item.wparam = wparam;
    item.lparam = lparam;
    return sendAcrossAndWait(window, item);
}

bool inSendMessage()
{
    return tHandlingSent > 0;
}

bool getMessage(Message& message, WindowHandle window, uint32_t first, uint32_t last)
{
    const Retrieved got = retrieve(message, window, first, last, true, true);
    // A quit posted as an ordinary message ends the loop too.
    return got == Retrieved::Message && message.message != kMsgQuit;
}

bool peekMessage(Message& message, WindowHandle window, uint32_t first, uint32_t last, uint32_t remove)
{
    return retrieve(message, window, first, last, (remove & kPeekRemove) != 0, false) != Retrieved::None;
}

intptr_t dispatchMessage(const Message& message)
{
    if (message.message == kMsgTimer && message.lparam != 0) {
        auto procedure = reinterpret_cast<TimerProc>(message.lparam);
        procedure(message.window, kMsgTimer, message.wparam, tickCount());
        return 0;
    }
    if (message.window == nullptr)
        return 0;
    if (windowOwner(message.window) != WindowOwner::ThisThread) {
        if (message.message == kMsgDropFiles)
            dragFinish(reinterpret_cast<DropHandle>(message.wparam));
        return 0;
    }
    const intptr_t result = callProcedure(message.window, message.message, message.wparam, message.lparam);
    if (message.message == kMsgDropFiles)
        dragFinish(reinterpret_cast<DropHandle>(message.wparam));
    return result;
}

bool translateMessage(const Message& message)
{
    return message.message == kMsgKeyDown;
}

bool waitMessage()
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return false;
    plat::ScopedLock lock(uiMutex);
    for (;;) {
        handleAllIncoming(queue);
        const uint64_t now = tickCount64();
        const uint64_t nextDue = queue->nextTimerDue();
        if ((queue->status() & kQsAllEvents) != 0 || nextDue <= now)
            return true;
        queue->setWakeMask(kQsAllInput);
        const uint32_t timeout = nextDue == UINT64_MAX
                                     ? kInfinite
                                     : static_cast<uint32_t>(std::min<uint64_t>(nextDue - now, 0x7FFFFFFF));
        waitOnQueueLocked(queue, timeout);
    }
}

uint32_t queueStatus()
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return 0;
    uint32_t status = queue->status() & ~kQsReply;
    if (queue->nextTimerDue() <= tickCount64())
        status |= kQsTimer;
    return status;
}

namespace {

uint32_t waitForObjectsOrMessages(ThreadQueue* queue, uint32_t count, const plat::Handle* handles,
                                  bool waitAll, uint32_t timeoutMs, uint32_t wakeMask);

} // namespace

uint32_t msgWaitForMultipleObjects(uint32_t count, const plat::Handle* handles, bool waitAll,
                                   uint32_t timeoutMs, uint32_t wakeMask)
{
    if (count >= kMaximumWaitObjects || (count > 0 && handles == nullptr))
        return kWaitFailed;
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return kWaitFailed;
    const uint32_t result = waitForObjectsOrMessages(queue, count, handles, waitAll, timeoutMs, wakeMask);
    // Outside such a wait the queue object stands for any message.
    queue->setWakeMask(kQsAllInput);
    return result;
}

namespace {

uint32_t waitForObjectsOrMessages(ThreadQueue* queue, uint32_t count, const plat::Handle* handles,
                                  bool waitAll, uint32_t timeoutMs, uint32_t wakeMask)
{
    Handle all[kMaximumWaitObjects];
    for (uint32_t i = 0; i < count; ++i)
        all[i] = handles[i];
    all[count] = queue->handle;
    const uint64_t start = tickCount64();
    // With waitAll the queue is one of the objects, so sent messages must not satisfy it.
    const uint32_t mask = waitAll ? wakeMask : (wakeMask | kQsSendMessage);
    for (;;) {
        {
            plat::ScopedLock lock(uiMutex);
            if (!waitAll)
                handleAllIncoming(queue);
            queue->setWakeMask(mask);
        }
        const uint64_t now = tickCount64();
        uint32_t wait = kInfinite;
        bool timeLeft = true;
        if (timeoutMs != kInfinite) {
            const uint64_t elapsed = now - start;
            wait = elapsed >= timeoutMs ? 0 : static_cast<uint32_t>(timeoutMs - elapsed);
            timeLeft = wait > 0;
        }
        const uint64_t nextDue = queue->nextTimerDue();
        bool boundedByTimer = false;
        if ((wakeMask & kQsTimer) != 0 && nextDue != UINT64_MAX) {
            const uint32_t untilDue =
                nextDue > now ? static_cast<uint32_t>(std::min<uint64_t>(nextDue - now, 0x7FFFFFFF)) : 0;
            if (untilDue < wait) {
                wait = untilDue;
                boundedByTimer = true;
            }
        }
        const uint32_t result = waitForMultipleObjects(count + 1, all, waitAll, wait);
        if (result == kWaitTimeout) {
            if (boundedByTimer || (timeLeft && timeoutMs != kInfinite && tickCount64() - start < timeoutMs))
                continue;
            return kWaitTimeout;
        }
        if (!waitAll && result == kWaitObject0 + count) {
            plat::ScopedLock lock(uiMutex);
            const bool wanted = (queue->status() & wakeMask) != 0 ||
                                ((wakeMask & kQsTimer) != 0 && queue->nextTimerDue() <= tickCount64());
            if (wanted)
                return result;
            continue; // only a sent message: handled at the top
        }
        return result;
    }
}

} // namespace

plat::Handle queueHandle()
{
    ThreadQueue* queue = currentQueue();
    return queue != nullptr ? queue->handle : nullptr;
}

namespace {

// The queue whose timers a call names: the window's, or for thread timers the
// calling thread's (own, made before the lock); null when the window is gone.
ThreadQueue* timerQueueLocked(WindowHandle window, ThreadQueue* own, WindowRecord*& record) REQUIRES(uiMutex)
{
    record = nullptr;
    if (window == nullptr)
        return own;
    record = liveWindowLocked(window);
    return record != nullptr ? record->queue : nullptr;
}

} // namespace

uintptr_t setTimer(WindowHandle window, uintptr_t id, uint32_t elapseMs, TimerProc procedure)
{
    ThreadQueue* own = window == nullptr ? currentQueue() : nullptr;
    plat::ScopedLock lock(uiMutex);
    WindowRecord* record = nullptr;
    ThreadQueue* queue = timerQueueLocked(window, own, record);
    if (queue == nullptr || !queue->alive)
        return 0;
    const uint32_t elapse = std::max(elapseMs, kMinimumTimerElapse);
    const uint64_t due = tickCount64() + elapse;
    for (Timer& timer : queue->timers) {
        if (timer.window == record && timer.id == id && (record != nullptr || id != 0)) {
            timer.elapse = elapse;
            timer.due = due;
            timer.procedure = procedure;
            queue->refresh();
            return record != nullptr && id == 0 ? 1 : id;
        }
    }
    uintptr_t timerId = id;
    if (record == nullptr) {
        // A new id no thread timer of this thread has.
        do {
            timerId = ++queue->nextThreadTimerId;
        } while (timerId == 0 || std::any_of(queue->timers.begin(), queue->timers.end(), [&](const Timer& t) {
                     return t.window == nullptr && t.id == timerId;
                 }));
    }
    try {
        queue->timers.push_back(Timer{record, timerId, elapse, due, procedure});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    queue->refresh();
    return record != nullptr && timerId == 0 ? 1 : timerId;
}

bool killTimer(WindowHandle window, uintptr_t id)
{
    ThreadQueue* own = window == nullptr ? currentQueue() : nullptr;
    plat::ScopedLock lock(uiMutex);
    WindowRecord* record = nullptr;
    ThreadQueue* queue = timerQueueLocked(window, own, record);
    if (queue == nullptr)
        return false;
    const auto removed =
        std::erase_if(queue->timers, [&](const Timer& t) { return t.window == record && t.id == id; });
    queue->refresh();
    return removed > 0;
}

bool runModalLoop(WindowHandle owner, WindowHandle modalWindow, const std::function<bool()>& finished,
                  const std::function<bool(const Message&)>& filter, const std::function<void()>& cancel)
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return false;
    WindowHandle ownerTop = nullptr;
    int depth = 0;
    ModalLoop loop;
    {
        plat::ScopedLock lock(uiMutex);
        ownerTop = topLevelLocked(liveWindowLocked(owner));
        addModulesAlongLocked(liveWindowLocked(modalWindow), loop.modules);
        addModulesAlongLocked(liveWindowLocked(owner), loop.modules);
        queue->modalLoops.push_back(&loop);
        depth = static_cast<int>(queue->modalLoops.size());
    }
    const bool ownerWasEnabled = ownerTop != nullptr && isWindowEnabled(ownerTop);
    if (ownerWasEnabled)
        enableWindow(ownerTop, false);

    bool ended = true;
    bool cancelled = false;
    Message message;
    for (;;) {
        if (!cancelled && loop.cancelRequested.load()) {
            cancelled = true;
            if (!cancel)
                break;
            cancel();
        }
        if (finished && finished())
            break;
        if (!peekMessage(message, nullptr, 0, 0, kPeekRemove)) {
            if (owner != nullptr)
                sendMessage(owner, kMsgEnterIdle, 0, reinterpret_cast<intptr_t>(modalWindow));
            ModalHook hook = nullptr;
            void* context = nullptr;
            {
                plat::ScopedLock lock(gHookMutex);
                hook = gModalHook;
                context = gModalContext;
            }
            if (hook != nullptr)
                hook(modalWindow, depth, context);
            if (finished && finished())
                break;
            if (!getMessage(message, nullptr, 0, 0)) {
                postQuitMessage(static_cast<int>(message.wparam));
                ended = false;
                break;
            }
        } else if (message.message == kMsgQuit) {
            postQuitMessage(static_cast<int>(message.wparam));
            ended = false;
            break;
        }
        if (filter && filter(message))
            continue;
        translateMessage(message);
        dispatchMessage(message);
    }

    if (ownerWasEnabled)
        enableWindow(ownerTop, true);
    {
        plat::ScopedLock lock(uiMutex);
        std::erase(queue->modalLoops, &loop);
    }
    return ended;
}

int modalDepth()
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return 0;
    plat::ScopedLock lock(uiMutex);
    return static_cast<int>(queue->modalLoops.size());
}

int endModalLoopsOfModule(ModuleHandle module)
{
    if (module == nullptr)
        return 0;
    plat::ScopedLock lock(uiMutex);
    UiState::Fields& state = uiState().locked();
    int running = 0;
    for (const auto& [threadId, queue] : state.queues) {
        bool asked = false;
        for (ModalLoop* loop : queue->modalLoops) {
            if (std::find(loop->modules.begin(), loop->modules.end(), module) == loop->modules.end())
                continue;
            loop->cancelRequested.store(true);
            asked = true;
            ++running;
        }
        // The loop may be asleep until its next message.
        if (asked && queue->alive)
            postLocked(queue, Message{nullptr, kMsgNull, 0, 0, tickCount(), state.cursor}, kQsPostMessage);
    }
    return running;
}

void setModalHook(ModalHook hook, void* context)
{
    plat::ScopedLock lock(gHookMutex);
    gModalHook = hook;
    gModalContext = context;
}

} // namespace plat::ui
