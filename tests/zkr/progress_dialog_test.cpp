#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "support/ScopedEnv.h"
#include "support/Watchdog.h"
#include "zkr/ProgressDialog.h"

namespace {

using namespace std::chrono_literals;
using zkr::ProgressDialog;
namespace ui = plat::ui;

// What the dialog shows each time its loop is idle.
struct Seen {
    ui::WindowHandle dialog = nullptr;
    std::string caption;
    std::string action;
    std::atomic<int> bar{-1};
    bool closeTried = false;

    static void look(ui::WindowHandle modal, int, void* context)
    {
        auto* seen = static_cast<Seen*>(context);
        seen->dialog = modal;
        seen->caption = ui::windowTitle(modal);
        seen->action = ui::dlgItemText(modal, ProgressDialog::kIdAction);
        seen->bar = static_cast<int>(ui::sendDlgItemMessage(modal, ProgressDialog::kIdProgress,
                                                            ui::kMsgProgressGetPos, 0, 0));
        if (!seen->closeTried) {
            // The user cannot end it: only the work does.
            seen->closeTried = true;
            ui::headless::closeRequest(modal);
            ui::headless::pressKey(modal, ui::kVkEscape);
        }
    }
};

// False when the dialog never showed the position (it closed early).
bool shows(const std::atomic<int>& bar, int position)
{
    for (auto until = std::chrono::steady_clock::now() + 5s; bar != position;) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(ProgressDialogTest, WorkReportsIntoTheBarAndItsEndClosesTheDialog)
{
    velmora::test::Watchdog watchdog{20s, "progress dialog"};
    ASSERT_TRUE(ui::headless::active());
    for (std::optional<std::string> answer : {std::optional<std::string>{}, std::optional<std::string>{"default"}}) {
        velmora::test::ScopedEnv answers("VELMORA_HEADLESS_ANSWER", answer);
        Seen seen;
        ui::setModalHook(&Seen::look, &seen);
        ProgressDialog dialog(nullptr, "Creating image from take.wav...");
        const int result = dialog.run([&](const ProgressDialog::Report& report) {
            report(10);
            report(40);
            if (!shows(seen.bar, 40))
                return -40;
            report(25); // the bar follows the difference, backwards too
            return shows(seen.bar, 25) ? 7 : -25;
        });
        ui::setModalHook(nullptr, nullptr);
        EXPECT_EQ(result, 7);
        EXPECT_EQ(seen.caption, "Working, please wait...");
        EXPECT_EQ(seen.action, "Creating image from take.wav...");
        EXPECT_FALSE(ui::isWindow(seen.dialog)) << "the dialog is gone once run returns";

        // Work that is over before the dialog shows still ends it.
        EXPECT_EQ(ProgressDialog(nullptr, "quick").run([](auto report) {
            report(100);
            return 3;
        }),
                  3);
    }
}

} // namespace
