#pragma once

// Internal to the platform library: the records behind window handles and the
// per-thread queues, shared by the window, queue, paint and input files.
//
// Locking: one process-wide lock, uiMutex(), guards every field below unless
// a field says otherwise. It is never held while a window procedure, a timer
// procedure or the backend is called, and the kernel lock may be taken under
// it (never the other way round), so a queue can signal its waiters while the
// state that signals them is consistent.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/core/KernelObject.h"
#include "platform/ui/Backend.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Region.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"

namespace plat::ui {

// F1 pressed: default handling turns it into kMsgHelp (the original
// platform's private message of the same number).
inline constexpr uint32_t kMsgKeyF1 = 0x004D;

class ThreadQueue;

struct DropRecord {
    std::vector<std::string> paths;
    Point point;          // client coordinates of the window that gets the message
    bool inClient = true; // the drop was inside its client area
};
// Under uiMutex: a new drop record (freed by dragFinish).
DropHandle makeDropLocked(std::vector<std::string> paths, Point point, bool inClient);

struct ClassRecord {
    WindowClass description;
    std::string name; // kept copy
    int liveWindows = 0;
};

struct WindowRecord {
    std::shared_ptr<ClassRecord> windowClass;
    WindowProc procedure = nullptr;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    uintptr_t id = 0;
    ModuleHandle module = nullptr;
    intptr_t userData = 0;
    std::vector<intptr_t> extra;
    std::string text;
    ThreadQueue* queue = nullptr; // the owning thread's queue
    uint32_t threadId = 0;

    WindowRecord* parent = nullptr;      // children only
    WindowRecord* owner = nullptr;       // top-level windows only
    std::vector<WindowRecord*> children; // creation order
    // Children: in the parent's client area; top-level windows: on the screen.
    Rect rect;
    bool topmost = false;
    bool minimised = false;
    bool destroying = false;
    bool created = false; // kMsgCreate answered and accepted

    // Painting: the invalid area (client coordinates), as its bounding rectangle.
    Rect invalid;
    bool erase = false;
    std::unique_ptr<Painter> paintPainter;
    std::vector<std::unique_ptr<Painter>> dcPainters;

    // Top-level windows only. The back buffer is touched by the owning thread only.
    NativeWindow native = 0;
    std::unique_ptr<Surface> backBuffer;
    std::vector<Rect> pendingPresent; // back buffer areas painted but not shown
    std::unique_ptr<Region> shape;
    WindowRecord* lastFocus = nullptr; // where keys go inside this window

    bool isTopLevel() const { return (style & kStyleChild) == 0; }
    bool visibleFlag() const { return (style & kStyleVisible) != 0; }
    bool enabledFlag() const { return (style & kStyleDisabled) == 0; }
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
    intptr_t result = 0;
    bool done = false;
};

struct QueuedMessage {
    Message message;
    uint32_t wakeClass = kQsPostMessage;
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

    // Under uiMutex: recomputes what the queue holds and wakes its waiters.
    void refresh();
    uint32_t status() const { return bits_.load(); }
    void setWakeMask(uint32_t mask) { mask_.store(mask); }
    // When the earliest timer is due (tick count in ms); UINT64_MAX for none.
    uint64_t nextTimerDue() const { return nextDue_.load(); }

    const uint32_t threadId;
    bool alive = true;
    std::deque<QueuedMessage> posted;
    std::deque<SentItem*> incoming;
    bool quitPosted = false;
    bool replyPending = false; // a send of this thread has its answer
    int quitCode = 0;
    std::vector<Timer> timers;
    uintptr_t nextThreadTimerId = 0x7F00;
    std::vector<WindowRecord*> windows; // top-level and child windows of this thread, creation order
    WindowRecord* focus = nullptr;
    int modalDepth = 0;
    Handle handle = nullptr; // this object's handle, owned by the thread

private:
    // Written under uiMutex and the kernel lock, read under the kernel lock.
    std::atomic<uint32_t> bits_{0};
    std::atomic<uint32_t> mask_{kQsAllInput | kQsReply};
    std::atomic<uint64_t> nextDue_{UINT64_MAX};
};

struct UiState {
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
    Point lastClickPoint;     // screen
    uint32_t buttonsDown = 0; // kKey...Button flags
    Point cursor;             // last position the input reported (screen)
};

std::mutex& uiMutex();
UiState& uiState();

// The calling thread's queue, made on first use (null only when out of memory).
ThreadQueue* currentQueue();
// Under uiMutex.
WindowRecord* liveWindowLocked(WindowHandle handle);
WindowRecord* topLevelLocked(WindowRecord* window);
// The window's client origin inside its top-level window's back buffer.
Point offsetInTopLevelLocked(const WindowRecord* window);
// The window's client origin on the screen.
Point screenOriginLocked(const WindowRecord* window);
// The part of the window's client area that its parents let show (client coordinates).
Rect visibleClientLocked(const WindowRecord* window);
bool isVisibleLocked(const WindowRecord* window);
bool isEnabledForInputLocked(const WindowRecord* window);
bool isDescendantLocked(const WindowRecord* ancestor, const WindowRecord* window);
WindowRecord* hitTestLocked(WindowRecord* parent, Point client);

// Posting under uiMutex (the queue refreshes).
void postLocked(ThreadQueue* queue, const Message& message, uint32_t wakeClass);
// Runs task on the window's thread: at once on it, otherwise queued there
// and waited for (answers 0 when the window or its thread goes first).
intptr_t runOnWindowThread(WindowHandle window, const std::function<intptr_t()>& task);
// Queues task to the window's thread without waiting.
void postTaskLocked(ThreadQueue* queue, std::function<intptr_t()> task);
// Calls the window procedure on this thread (the window must be this thread's).
intptr_t callProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Paint helpers (Paint.cpp).
// Under uiMutex: invalidates rect of window (client coordinates) and the children under it.
void invalidateLocked(WindowRecord* window, const Rect& rect, bool erase);
// Under uiMutex: the first window of the thread that needs painting (parents first), or null.
WindowRecord* nextToPaintLocked(ThreadQueue* queue, WindowRecord* filter);
// Shows what was painted in the thread's top-level windows (not under uiMutex).
void presentPending(ThreadQueue* queue);
void presentPendingOf(WindowHandle topLevel);
// Under uiMutex, on the owning thread: frees what painting holds.
void releasePaintingLocked(WindowRecord* window);

// Under uiMutex (Window.cpp): drops every reference the state and the other
// top-level windows keep to a window that is going away, and its class's count.
void forgetWindowLocked(UiState& state, WindowRecord* window);

// The window manager moved or sized a top-level window (on its thread).
void applyBoundsFromBackend(WindowHandle window, const Rect& screenBounds);

// Activation (Window.cpp): makes the top-level window active, sending the
// activation messages; raise also raises and focuses the native window.
void activateTopLevel(WindowRecord* window, bool raise);
// The backend when it was opened (null before or on failure); does not choose one.
Backend* openedBackend();

} // namespace plat::ui
