#pragma once

// For the engine's dialogs on the headless backend: what the engine hands to
// the shell and shows in message boxes, and a driver that acts on modal
// dialogs whenever their loops are idle.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/Engine.h"
#include "platform/core/Notice.h"
#include "platform/core/Shell.h"
#include "platform/core/Thread.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"

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
//
// A modal loop still running once limit has passed (a step waiting for what
// never comes, or a dialog that stays open after the step) fails the test
// and is asked to close as by its close box; if it is still open a grace
// period later, it is ended. So a regression fails only its test instead of
// keeping the dialog open until the fixture's watchdog ends the program.
class IdleDriver {
public:
    using Step = std::function<bool(plat::ui::WindowHandle modal, int depth)>;
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kDefaultLimit{6000};

    explicit IdleDriver(Step step, std::chrono::milliseconds limit = kDefaultLimit)
        : step_(std::move(step)), limit_(limit), deadline_(Clock::now() + limit)
    {
        plat::ui::setModalHook(&IdleDriver::hook, this);
    }
    ~IdleDriver() { plat::ui::setModalHook(nullptr, nullptr); }
    IdleDriver(const IdleDriver&) = delete;
    IdleDriver& operator=(const IdleDriver&) = delete;

    // The step answered true.
    bool finished() const { return done_; }
    // The limit passed with a modal loop still running.
    bool timedOut() const { return timedOut_; }

private:
    // Time for a dialog asked to close to finish its own closing (the update
    // dialog waits up to one socket poll for its worker).
    static constexpr std::chrono::milliseconds kCloseGrace{3000};

    static void hook(plat::ui::WindowHandle modal, int depth, void* context)
    {
        auto* self = static_cast<IdleDriver*>(context);
        if (Clock::now() >= self->deadline_)
            self->giveUp(modal, depth);
        else if (!self->done_)
            self->done_ = self->step_(modal, depth);
        // Woken until the loop ends, so that a dialog that does not close
        // meets the deadline too.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        (void)plat::ui::postThreadMessage(plat::currentThreadId(), plat::ui::kMsgNull, 0, 0);
    }

    void giveUp(plat::ui::WindowHandle modal, int depth)
    {
        if (!timedOut_) {
            timedOut_ = true;
            ADD_FAILURE() << "modal dialog \"" << plat::ui::windowText(modal) << "\" (depth " << depth
                          << ") still open after " << limit_.count() << " ms"
                          << (done_ ? " although the test's step had finished"
                                    : " while the test's step waited")
                          << "; closing it";
        }
        if (modal != closing_) {
            closing_ = modal;
            closeAsked_ = Clock::now();
            (void)plat::ui::postMessage(modal, plat::ui::kMsgClose, 0, 0);
        } else if (Clock::now() - closeAsked_ >= kCloseGrace) {
            ADD_FAILURE() << "modal dialog \"" << plat::ui::windowText(modal)
                          << "\" ignored the close request; ending it";
            (void)plat::ui::endDialog(modal, -1);
            closeAsked_ = Clock::now();
        }
    }

    // All on the test's thread, which runs the modal loops and so the hook.
    Step step_;
    const std::chrono::milliseconds limit_;
    const Clock::time_point deadline_;
    bool done_ = false;
    bool timedOut_ = false;
    plat::ui::WindowHandle closing_ = nullptr;
    Clock::time_point closeAsked_{};
};

} // namespace velmora::test
