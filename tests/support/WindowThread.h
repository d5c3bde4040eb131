#pragma once

// A thread with a message loop of its own, standing in for the user
// interface's window thread: the plug-in windows made from it belong to it.
// Free of the test framework, so the benches use it too.

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"

namespace velmora::test {

class WindowThread {
public:
    WindowThread() = default;
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;
    ~WindowThread() { stop(); }

    // Starts the loop; true once it takes messages.
    bool start()
    {
        std::promise<uint32_t> started;
        std::future<uint32_t> id = started.get_future();
        thread_ = std::thread([&started] {
            plat::ui::Message message;
            // The queue exists from here on: posts to the thread are kept.
            plat::ui::peekMessage(message, nullptr, 0, 0, plat::ui::kPeekNoRemove);
            started.set_value(plat::currentThreadId());
            while (plat::ui::getMessage(message)) {
                if (message.window == nullptr && message.message == kRunMessage)
                    (*std::unique_ptr<Task>(reinterpret_cast<Task*>(message.lparam)))();
                else
                    plat::ui::dispatchMessage(message);
            }
        });
        id_ = id.get();
        return id_ != 0;
    }

    // Ends the loop (its windows go with the thread) and waits for it.
    void stop()
    {
        if (!thread_.joinable())
            return;
        (void)plat::ui::postThreadMessage(id_, plat::ui::kMsgQuit, 0, 0);
        thread_.join();
    }

    // Runs body on the thread (outside any modal loop there) and answers its
    // result; nothing when the thread does not answer within limit.
    std::optional<int> run(const std::function<int()>& body,
                           std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        // The message owns the task and the task its promise: an answer that
        // comes after the limit goes nowhere.
        auto done = std::make_shared<std::promise<int>>();
        std::future<int> answer = done->get_future();
        auto task = std::make_unique<Task>([done, body] { done->set_value(body()); });
        if (!plat::ui::postThreadMessage(id_, kRunMessage, 0, reinterpret_cast<intptr_t>(task.get())))
            return std::nullopt;
        static_cast<void>(task.release());
        if (answer.wait_for(limit) != std::future_status::ready)
            return std::nullopt;
        return answer.get();
    }

    uint32_t id() const { return id_; }

private:
    using Task = std::function<void()>;
    static constexpr uint32_t kRunMessage = plat::ui::kMsgApp + 0x7F0;

    std::thread thread_;
    uint32_t id_ = 0;
};

} // namespace velmora::test
