#pragma once

#include <cstdint>
#include <functional>

#include "platform/core/Api.h"
#include "platform/core/Handle.h"
#include "platform/core/Module.h"
#include "platform/ui/Messages.h"

// Per-thread message queues (created on first use). Order of what a thread
// gets: messages sent to it by other threads are handled inside the calls
// below before anything else; then posted and input messages in the order
// they came (moves of the mouse coalesced); then the quit message; then
// paint messages (parents before children), generated from invalid areas;
// then timer messages, generated when due. See docs/ui-messages.md.
namespace plat::ui {

// Wake classes: which kinds of message a wait is for.
inline constexpr uint32_t kQsKey = 0x0001;
inline constexpr uint32_t kQsMouseMove = 0x0002;
inline constexpr uint32_t kQsMouseButton = 0x0004;
inline constexpr uint32_t kQsPostMessage = 0x0008;
inline constexpr uint32_t kQsTimer = 0x0010;
inline constexpr uint32_t kQsPaint = 0x0020;
inline constexpr uint32_t kQsSendMessage = 0x0040;
inline constexpr uint32_t kQsMouse = kQsMouseMove | kQsMouseButton;
inline constexpr uint32_t kQsInput = kQsMouse | kQsKey;
inline constexpr uint32_t kQsAllEvents = kQsInput | kQsPostMessage | kQsTimer | kQsPaint;
inline constexpr uint32_t kQsAllInput = kQsAllEvents | kQsSendMessage;

using TimerProc = void (*)(WindowHandle window, uint32_t message, uintptr_t timerId, uint32_t tickCount);

// ---- posting and sending -------------------------------------------------------------------
// Queues the message to the window's thread and returns at once. False for a
// window that does not exist.
[[nodiscard]] PLAT_API bool postMessage(WindowHandle window, uint32_t message, uintptr_t wparam,
                                        intptr_t lparam);
// A message to a thread rather than a window; false when the thread has no queue.
[[nodiscard]] PLAT_API bool postThreadMessage(uint32_t threadId, uint32_t message, uintptr_t wparam,
                                              intptr_t lparam);
// Posts the quit message to the calling thread.
PLAT_API void postQuitMessage(int exitCode);
// Calls the window procedure and answers its result. To a window of another
// thread, the message is queued to that thread and the caller waits, handling
// the messages other threads send to its own windows meanwhile (so two threads
// sending to each other do not deadlock). 0 when the window does not exist or
// is destroyed (or its thread ends) before handling it.
PLAT_API intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);
// Whether the calling thread is handling a message another thread sent (and waits for).
PLAT_API bool inSendMessage();

// ---- getting and dispatching ----------------------------------------------------------------
// Waits for the next message of the window (null: any window and the thread's
// own messages) with a number in first..last (0, 0: all). False for the quit
// message (its exit code in wparam).
PLAT_API bool getMessage(Message& message, WindowHandle window = nullptr, uint32_t first = 0,
                         uint32_t last = 0);
inline constexpr uint32_t kPeekNoRemove = 0x0;
inline constexpr uint32_t kPeekRemove = 0x1;
// As getMessage without waiting: false when there is none.
PLAT_API bool peekMessage(Message& message, WindowHandle window, uint32_t first, uint32_t last,
                          uint32_t remove);
// Calls the window procedure (or the timer's procedure) and answers its result.
PLAT_API intptr_t dispatchMessage(const Message& message);
// Characters come with their keys already; kept so loops read as on the original platform.
PLAT_API bool translateMessage(const Message& message);
// Waits until the queue has something new (any class).
[[nodiscard]] PLAT_API bool waitMessage();
// The wake classes of what the calling thread's queue holds now.
PLAT_API uint32_t queueStatus();

// ---- waiting for objects or messages ---------------------------------------------------------
// Waits for any (or with waitAll, all) of the objects, or for a message of
// the wake classes to be in the calling thread's queue. Answers kWaitObject0 +
// index (kWaitAbandoned0 + index) for an object, kWaitObject0 + count when a
// message of those classes is there, kWaitTimeout, or kWaitFailed. Messages
// other threads send are handled while waiting whatever the mask says.
[[nodiscard]] PLAT_API uint32_t msgWaitForMultipleObjects(uint32_t count, const plat::Handle* handles,
                                                          bool waitAll, uint32_t timeoutMs,
                                                          uint32_t wakeMask);
// The calling thread's queue as a kernel object, signalled while it holds a
// message (any class; the thread's own message waits narrow it to the classes
// they ask for). Only its thread should wait for it; the thread keeps it.
[[nodiscard]] PLAT_API plat::Handle queueHandle();

// ---- timers --------------------------------------------------------------------------------------
// Starts (or restarts) a timer. With a window, id names the timer and is
// answered; without one, a thread timer is made and its new id answered (0 on
// failure). kMsgTimer is generated when the timer is due and nothing else is
// waiting: never more than one per timer at a time; the next is due
// elapse after the last was taken. Elapse below 10 ms counts as 10 ms.
[[nodiscard]] PLAT_API uintptr_t setTimer(WindowHandle window, uintptr_t id, uint32_t elapseMs,
                                          TimerProc procedure);
[[nodiscard]] PLAT_API bool killTimer(WindowHandle window, uintptr_t id);

// ---- modal loops -----------------------------------------------------------------------------------
// Runs a message loop on the calling thread until finished() answers true
// (it is asked after each message) or a quit message comes (it is posted
// again for the outer loop, and the answer is false). With an owner, the
// owner (its top-level window) is disabled meanwhile and enabled again after
// if it was enabled before. Modal loops nest. Each time the queue is empty the
// owner is sent kMsgEnterIdle and the modal hook below runs.
// filter sees each message first and answers true when it handled it (dialog
// keys: Tab, Enter, Escape), so it is not dispatched. cancel is what the loop
// does, once, when endModalLoopsOfModule asks it to end as Cancel; without
// one the loop simply ends.
PLAT_API bool runModalLoop(WindowHandle owner, WindowHandle modalWindow,
                           const std::function<bool()>& finished,
                           const std::function<bool(const Message&)>& filter = {},
                           const std::function<void()>& cancel = {});
// How many modal loops run on the calling thread.
PLAT_API int modalDepth();
// Any thread: asks every modal loop run for the module's windows (its modal
// window or owner, or a window owning either, was made by the module when the
// loop started) to end as Cancel. Each loop's own thread carries that out when
// it is back in the loop, so nested loops end innermost first. Answers how
// many such loops run now: while one does, its thread is inside the module's
// code, and the module must stay loaded.
PLAT_API int endModalLoopsOfModule(ModuleHandle module);
// Called on the modal loop's thread each time its queue is empty (first
// right after the loop starts), with the loop's modal window and depth
// (1 = outermost): lets a test (or an automatic answerer) act on a dialog.
// Process-wide; null removes it.
using ModalHook = void (*)(WindowHandle modalWindow, int depth, void* context);
PLAT_API void setModalHook(ModalHook hook, void* context);

} // namespace plat::ui
