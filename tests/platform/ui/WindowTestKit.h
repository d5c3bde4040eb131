#pragma once

// Windows for tests on the headless backend: a class whose procedure hands
// every message to a std::function of the test, and a log of what arrived.

#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"

namespace velmora::test {

// The whole program runs on the headless backend (chosen with the first window).
inline const bool kHeadlessChosen = [] {
    setenv("VELMORA_UI", "headless", 1);
    return true;
}();

struct LoggedMessage {
    plat::ui::WindowHandle window = nullptr;
    uint32_t message = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    uint32_t threadId = 0;
};

// What a test window does with a message; answer with handled = false to get the default.
using TestHandler =
    std::function<intptr_t(plat::ui::WindowHandle, uint32_t, uintptr_t, intptr_t, bool& handled)>;

class MessageLog {
public:
    void add(const LoggedMessage& entry)
    {
        std::lock_guard lock(mutex_);
        entries_.push_back(entry);
    }
    std::vector<LoggedMessage> all() const
    {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    // The entries with the message number, in order.
    std::vector<LoggedMessage> of(uint32_t message) const
    {
        std::lock_guard lock(mutex_);
        std::vector<LoggedMessage> found;
        for (const LoggedMessage& entry : entries_) {
            if (entry.message == message)
                found.push_back(entry);
        }
        return found;
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        entries_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<LoggedMessage> entries_;
};

// One test window's behaviour, handed to createWindow as the creation parameter.
struct TestWindowBehaviour {
    MessageLog* log = nullptr;
    TestHandler handler;
};

inline intptr_t testWindowProcedure(plat::ui::WindowHandle window, uint32_t message, uintptr_t wparam,
                                    intptr_t lparam)
{
    using namespace plat::ui;
    if (message == kMsgCreate) {
        auto* info = reinterpret_cast<const CreateInfo*>(lparam);
        setWindowUserData(window, reinterpret_cast<intptr_t>(info->parameter));
    }
    auto* behaviour = reinterpret_cast<TestWindowBehaviour*>(windowUserData(window));
    if (behaviour != nullptr) {
        if (behaviour->log != nullptr)
            behaviour->log->add(LoggedMessage{window, message, wparam, lparam, plat::currentThreadId()});
        if (behaviour->handler) {
            bool handled = true;
            const intptr_t result = behaviour->handler(window, message, wparam, lparam, handled);
            if (handled)
                return result;
        }
    }
    return defWindowProc(window, message, wparam, lparam);
}

inline constexpr const char* kTestClass = "VelmoraTestWindow";
inline constexpr const char* kTestClassDoubleClicks = "VelmoraTestWindowDbl";

inline void registerTestClasses()
{
    using namespace plat::ui;
    static const bool done = [] {
        WindowClass plain;
        plain.procedure = testWindowProcedure;
        plain.name = kTestClass;
        (void)registerClass(plain);
        WindowClass doubles = plain;
        doubles.name = kTestClassDoubleClicks;
        doubles.style = kClassDoubleClicks;
        (void)registerClass(doubles);
        return true;
    }();
    (void)done;
}

inline plat::ui::WindowHandle makeTopLevel(TestWindowBehaviour& behaviour, const char* title = "test",
                                           plat::ui::Rect rect = {100, 100, 300, 250}, bool visible = true,
                                           const char* className = kTestClass)
{
    using namespace plat::ui;
    registerTestClasses();
    return createWindow(0, className, title, kStylePopup | (visible ? kStyleVisible : 0), rect.left, rect.top,
                        rect.width(), rect.height(), nullptr, 0, nullptr, &behaviour);
}

inline plat::ui::WindowHandle makeChild(plat::ui::WindowHandle parent, int id, plat::ui::Rect rect,
                                        TestWindowBehaviour& behaviour, const char* className = kTestClass)
{
    using namespace plat::ui;
    registerTestClasses();
    return createWindow(0, className, "", kStyleChild | kStyleVisible, rect.left, rect.top, rect.width(),
                        rect.height(), parent, static_cast<uintptr_t>(id), nullptr, &behaviour);
}

// Dispatches everything the calling thread's queue holds now (paint and due timers included).
inline int pumpPending()
{
    using namespace plat::ui;
    Message message;
    int count = 0;
    while (peekMessage(message, nullptr, 0, 0, kPeekRemove)) {
        if (message.message == kMsgQuit) {
            postQuitMessage(static_cast<int>(message.wparam));
            break;
        }
        dispatchMessage(message);
        ++count;
    }
    return count;
}

} // namespace velmora::test
