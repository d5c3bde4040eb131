#pragma once

// Internal to the platform library: the records behind window handles and the
// per-thread queues, shared by the window, queue, paint and input files.
//
// Locking: one process-wide lock, uiMutex, guards every field below unless
// a field says otherwise. It is never held while a window procedure, a timer
// procedure or the backend is called, and the kernel lock may be taken under
// it (never the other way round), so a queue can signal its waiters while the
// state that signals them is consistent. Functions named ...Locked need it
// held; the annotations let a clang build check that.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/core/KernelObject.h"
#include "platform/core/Thread.h"
#include "platform/core/ThreadSafety.h"
#include "platform/ui/Backend.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Region.h"
#include "platform/ui/ScreenText.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"

namespace plat::ui {

// F1 pressed: default handling turns it into kMsgHelp (the original
// platform's private message of the same number).
inline constexpr uint32_t kMsgKeyF1 = 0x004D;

class ThreadQueue;

// Never destroyed: threads may still end and post while the process exits.
extern plat::AnnotatedMutex uiMutex;

struct DropRecord {
    std::vector<std::string> paths;
    Point point;          // client coordinates of the window that gets the message
    bool inClient = true; // the drop was inside its client area
};
// A new drop record (freed by dragFinish).
DropHandle makeDropLocked(std::vector<std::string> paths, Point point, bool inClient) REQUIRES(uiMutex);

// The description and name do not change once registered.
struct ClassRecord {
    WindowClass description;
    std::string name; // kept copy
    int liveWindows GUARDED_BY(uiMutex) = 0;
};

struct WindowRecord {
    // Set before the window is published and never changed.
    ThreadQueue* queue = nullptr; // the owning thread's queue
    uint32_t threadId = 0;

    std::shared_ptr<ClassRecord> windowClass GUARDED_BY(uiMutex);
    WindowProc procedure GUARDED_BY(uiMutex) = nullptr;
    uint32_t style GUARDED_BY(uiMutex) = 0;
    uint32_t exStyle GUARDED_BY(uiMutex) = 0;
    uintptr_t id GUARDED_BY(uiMutex) = 0;
    ModuleHandle module GUARDED_BY(uiMutex) = nullptr;
    intptr_t userData GUARDED_BY(uiMutex) = 0;
    std::vector<intptr_t> extra GUARDED_BY(uiMutex);
    std::string text GUARDED_BY(uiMutex);

    WindowRecord* parent GUARDED_BY(uiMutex) = nullptr;      // children only
    WindowRecord* owner GUARDED_BY(uiMutex) = nullptr;       // top-level windows only
    std::vector<WindowRecord*> children GUARDED_BY(uiMutex); // creation order
    // Children: in the parent's client area; top-level windows: on the screen.
    Rect rect GUARDED_BY(uiMutex);
    bool topmost GUARDED_BY(uiMutex) = false;
    bool minimised GUARDED_BY(uiMutex) = false;
    bool destroying GUARDED_BY(uiMutex) = false;
    bool created GUARDED_BY(uiMutex) = false; // kMsgCreate answered and accepted

    // Painting: the invalid area (client coordinates), as its bounding rectangle.
    Rect invalid GUARDED_BY(uiMutex);
    bool erase GUARDED_BY(uiMutex) = false;
    std::unique_ptr<Painter> paintPainter GUARDED_BY(uiMutex);
    std::vector<std::unique_ptr<Painter>> dcPainters GUARDED_BY(uiMutex);

    // Top-level windows only. The pixels of the back buffer are touched by the
    // owning thread only (outside the lock); the pointer is guarded.
    NativeWindow native GUARDED_BY(uiMutex) = 0;
    BackBuffer backBuffer GUARDED_BY(uiMutex);
    std::vector<Rect> pendingPresent GUARDED_BY(uiMutex); // back buffer areas painted but not shown
    std::unique_ptr<Region> shape GUARDED_BY(uiMutex);
    WindowRecord* lastFocus GUARDED_BY(uiMutex) = nullptr; // where keys go inside this window

    bool isTopLevel() const REQUIRES(uiMutex) { return (style & kStyleChild) == 0; }
    bool visibleFlag() const REQUIRES(uiMutex) { return (style & kStyleVisible) != 0; }
    bool enabledFlag() const REQUIRES(uiMutex) { return (style & kStyleDisabled) == 0; }
    bool ownedByThisThread() const { return threadId == currentThreadId(); }
};

// A message queued by another thread with sendMessage, or work a thread does
// on behalf of another (destroying or changing its windows). The sender waits
// on its own queue until done unless the item is asynchronous.
struct SentItem {
    WindowRecord* window = nullptr;
    uint32_t message = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    std::function<intptr_t()> task; // instead of a message
    ThreadQueue* sender = nullptr;  // null: asynchronous, deleted by the receiver
    intptr_t result GUARDED_BY(uiMutex) = 0;
    bool done GUARDED_BY(uiMutex) = false;
};

struct QueuedMessage {
    Message message;
    uint32_t wakeClass = kQsPostMessage;
};

// One modal loop a thread runs (runModalLoop); set up before it is listed.
struct ModalLoop {
    // The modules that made its modal window, its owner and the windows owning
    // them, when it started: whose code the loop runs for.
    std::vector<ModuleHandle> modules;
    std::atomic<bool> cancelRequested{false};
};

struct Timer {
    WindowRecord* window = nullptr;
    uintptr_t id = 0;
    uint32_t elapse = 0;
    uint64_t due = 0;
    TimerProc procedure = nullptr;
};

// Internal wake class: a reply to a send of this thread has come.
inline constexpr uint32_t kQsReply = 0x80000000u;

class ThreadQueue final : public KernelObject {
public:
    explicit ThreadQueue(uint32_t threadId) : KernelObject("message queue"), threadId(threadId) {}

    bool isSignalledFor(uint32_t) const override;
    void acquire(uint32_t, bool&) override {}

    // Recomputes what the queue holds and wakes its waiters.
    void refresh() REQUIRES(uiMutex);
    uint32_t status() const { return bits_.load(); }
    void setWakeMask(uint32_t mask) { mask_.store(mask); }
    // When the earliest timer is due (tick count in ms); UINT64_MAX for none.
    uint64_t nextTimerDue() const { return nextDue_.load(); }

    const uint32_t threadId;
    bool alive GUARDED_BY(uiMutex) = true;
    std::deque<QueuedMessage> posted GUARDED_BY(uiMutex);
    std::deque<SentItem*> incoming GUARDED_BY(uiMutex);
    bool quitPosted GUARDED_BY(uiMutex) = false;
    bool replyPending GUARDED_BY(uiMutex) = false; // a send of this thread has its answer
    int quitCode GUARDED_BY(uiMutex) = 0;
    std::vector<Timer> timers GUARDED_BY(uiMutex);
    uintptr_t nextThreadTimerId GUARDED_BY(uiMutex) = 0x7F00;
    // Top-level and child windows of this thread, creation order.
    std::vector<WindowRecord*> windows GUARDED_BY(uiMutex);
    WindowRecord* focus GUARDED_BY(uiMutex) = nullptr;
    // The modal loops the thread runs, innermost last.
    std::vector<ModalLoop*> modalLoops GUARDED_BY(uiMutex);
    // This object's handle, owned by the thread; set before the queue is published.
    Handle handle = nullptr;

private:
    // Written under uiMutex and the kernel lock, read under the kernel lock.
    std::atomic<uint32_t> bits_{0};
    std::atomic<uint32_t> mask_{kQsAllInput | kQsReply};
    std::atomic<uint64_t> nextDue_{UINT64_MAX};
};

// What the process shares between its user interface threads: reachable only
// with uiMutex held: through locked(), or withLiveWindow, which takes it.
class UiState {
public:
    struct Fields {
        std::unordered_set<const WindowRecord*> live;
        std::vector<WindowRecord*> topLevels; // creation order
        std::unordered_map<uint32_t, ThreadQueue*> queues;
        std::vector<std::shared_ptr<ClassRecord>> classes;
        WindowRecord* active = nullptr; // the active (foreground) top-level window
        WindowRecord* capture = nullptr;
        // Double clicks: the last button press.
        WindowRecord* lastClickWindow = nullptr;
        MouseButton lastClickButton = MouseButton::Left;
        uint64_t lastClickTime = 0;
        Point lastClickPoint;                        // screen
        uint32_t buttonsDown = 0;                    // kKey...Button flags
        Point cursor;                                // last position the input reported (screen)
        std::unordered_set<const DropRecord*> drops; // handed out and not yet freed
    };

    Fields& locked() REQUIRES(uiMutex)
    {
        uiMutex.assertHeld();
        return fields_;
    }

    // The record behind a handle while the window lives, else null.
    WindowRecord* liveWindowLocked(WindowHandle handle) REQUIRES(uiMutex)
    {
        uiMutex.assertHeld();
        return handle != nullptr && fields_.live.contains(handle) ? handle : nullptr;
    }

    // Runs action on the live window behind handle with the lock held and
    // answers what it answers, or fallback when the window is gone. An action
    // that answers nothing makes this answer whether the window was alive.
    // The action must not call out (window procedures, the backend).
    template <typename Action, typename Result = std::invoke_result_t<Action, WindowRecord&>,
              typename Answer = std::conditional_t<std::is_void_v<Result>, bool, Result>>
    [[nodiscard]] Answer withLiveWindow(WindowHandle handle, Action&& action,
                                        std::type_identity_t<Answer> fallback = Answer{}) EXCLUDES(uiMutex)
    {
        plat::ScopedLock lock(uiMutex);
        WindowRecord* window = liveWindowLocked(handle);
        if (window == nullptr)
            return fallback;
        if constexpr (std::is_void_v<Result>) {
            action(*window);
            return true;
        } else {
            return action(*window);
        }
    }

private:
    Fields fields_ GUARDED_BY(uiMutex);
};

UiState& uiState();

// The calling thread's queue, made on first use (null only when out of memory).
[[nodiscard]] ThreadQueue* currentQueue();
inline WindowRecord* liveWindowLocked(WindowHandle handle) REQUIRES(uiMutex)
{
    return uiState().liveWindowLocked(handle);
}
WindowRecord* topLevelLocked(WindowRecord* window) REQUIRES(uiMutex);
// The window's client origin inside its top-level window's back buffer.
Point offsetInTopLevelLocked(const WindowRecord* window) REQUIRES(uiMutex);
// The window's client origin on the screen.
Point screenOriginLocked(const WindowRecord* window) REQUIRES(uiMutex);
// The part of the window's client area that its parents let show (client coordinates).
Rect visibleClientLocked(const WindowRecord* window) REQUIRES(uiMutex);
bool isVisibleLocked(const WindowRecord* window) REQUIRES(uiMutex);
bool isEnabledForInputLocked(const WindowRecord* window) REQUIRES(uiMutex);
bool isDescendantLocked(const WindowRecord* ancestor, const WindowRecord* window) REQUIRES(uiMutex);
WindowRecord* hitTestLocked(WindowRecord* parent, Point client) REQUIRES(uiMutex);

// Which thread serves a window, as seen from the calling thread.
enum class WindowOwner { Gone, ThisThread, OtherThread };
WindowOwner windowOwner(WindowHandle window) EXCLUDES(uiMutex);

// Posting (the queue refreshes).
void postLocked(ThreadQueue* queue, const Message& message, uint32_t wakeClass) REQUIRES(uiMutex);
// Runs task on the window's thread: at once on it, otherwise queued there
// and waited for (answers 0 when the window or its thread goes first).
intptr_t runOnWindowThread(WindowHandle window, const std::function<intptr_t()>& task) EXCLUDES(uiMutex);
// For calls the window's own thread carries out: runs call there when that is
// another thread and answers its result (false for a window that is gone);
// nothing when the calling thread owns the window and carries on itself.
std::optional<bool> forwardToOwnerThread(WindowHandle window, const std::function<bool()>& call)
    EXCLUDES(uiMutex);
// Queues task to the window's thread without waiting.
void postTaskLocked(ThreadQueue* queue, std::function<intptr_t()> task) REQUIRES(uiMutex);
// Calls the window procedure on this thread (the window must be this thread's).
intptr_t callProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
    EXCLUDES(uiMutex);

// Paint helpers (Paint.cpp).
// Invalidates rect of window (client coordinates) and the children under it.
void invalidateLocked(WindowRecord* window, const Rect& rect, bool erase) REQUIRES(uiMutex);
// The first window of the thread that needs painting (parents first), or null.
WindowRecord* nextToPaintLocked(ThreadQueue* queue, WindowRecord* filter) REQUIRES(uiMutex);
// Shows what was painted in the thread's top-level windows.
void presentPending(ThreadQueue* queue) EXCLUDES(uiMutex);
void presentPendingOf(WindowHandle topLevel) EXCLUDES(uiMutex);
// Frees what painting holds.
void releasePaintingLocked(WindowRecord* window) REQUIRES(uiMutex);

// (Window.cpp) Drops every reference the state and the other top-level
// windows keep to a window that is going away, and its class's count.
void forgetWindowLocked(UiState::Fields& state, WindowRecord* window) REQUIRES(uiMutex);

// Frees what the freeing of windows handed back from under the lock: their
// pending drops, native windows and records (in that order).
struct Teardown {
    std::vector<DropHandle> drops;
    std::vector<NativeWindow> natives;
    std::vector<WindowRecord*> records;
    void finish() EXCLUDES(uiMutex);
};

// The window manager moved or sized a top-level window (on its thread).
void applyBoundsFromBackend(WindowHandle window, const Rect& screenBounds) EXCLUDES(uiMutex);

// Activation (Window.cpp): makes the top-level window active, sending the
// activation messages; raise also raises and focuses the native window.
void activateTopLevel(WindowRecord* window, bool raise) EXCLUDES(uiMutex);
// The backend when it was opened (null before or on failure); does not choose one.
Backend* openedBackend();

} // namespace plat::ui
