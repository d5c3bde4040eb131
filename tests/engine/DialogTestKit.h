#pragma once

// For the engine's dialogs on the headless backend: what the engine hands to
// the shell and shows in message boxes, and a driver that acts on modal
// dialogs whenever their loops are idle.

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/Engine.h"
#include "platform/core/Notice.h"
#include "platform/core/Shell.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"

namespace velmora::test {

struct RecordedNotice {
    std::string text;
    std::string caption;
    uint32_t style = 0;
};

// While alive, shell opens and notices are recorded instead of made; the
// shell answers answer().
class ShellAndNotices {
public:
    ShellAndNotices()
    {
        targets().clear();
        notices().clear();
        answer() = plat::kShellOpenDone;
        engine::setShellOpener(&ShellAndNotices::open);
        plat::setNoticePresenter(&ShellAndNotices::present);
    }
    ~ShellAndNotices()
    {
        engine::setShellOpener(nullptr);
        plat::setNoticePresenter(nullptr);
    }
    ShellAndNotices(const ShellAndNotices&) = delete;
    ShellAndNotices& operator=(const ShellAndNotices&) = delete;

    static std::vector<std::string>& targets()
    {
        static std::vector<std::string> made;
        return made;
    }
    static std::vector<RecordedNotice>& notices()
    {
        static std::vector<RecordedNotice> shown;
        return shown;
    }
    static int& answer()
    {
        static int value = plat::kShellOpenDone;
        return value;
    }

private:
    static int open(const std::string& target, const std::string&)
    {
        targets().push_back(target);
        return answer();
    }
    static int present(const char* text, const char* caption, uint32_t style)
    {
        notices().push_back({text, caption, style});
        return plat::kNoticeAnswerOk;
    }
};

// Calls step at each idle moment of any modal loop (its window and depth)
// until step answers true; between calls the loop is woken again after a
// short sleep, so a step may wait for another thread's doing.
class IdleDriver {
public:
    using Step = std::function<bool(plat::ui::WindowHandle modal, int depth)>;

    explicit IdleDriver(Step step) : step_(std::move(step))
    {
        plat::ui::setModalHook(&IdleDriver::hook, this);
    }
    ~IdleDriver() { plat::ui::setModalHook(nullptr, nullptr); }
    IdleDriver(const IdleDriver&) = delete;
    IdleDriver& operator=(const IdleDriver&) = delete;

    bool finished() const { return done_; }

private:
    static void hook(plat::ui::WindowHandle modal, int depth, void* context)
    {
        auto* self = static_cast<IdleDriver*>(context);
        if (self->done_)
            return;
        self->done_ = self->step_(modal, depth);
        if (self->done_)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        plat::ui::postThreadMessage(plat::currentThreadId(), plat::ui::kMsgNull, 0, 0);
    }

    Step step_;
    bool done_ = false;
};

} // namespace velmora::test
