#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "support/Eventually.h"
#include "support/Watchdog.h"
#include "zkr/ProgressDialog.h"

namespace {

using namespace std::chrono_literals;
using zkr::ProgressDialog;
namespace ui = plat::ui;

std::atomic<int> shownBar{-1};
std::string shownTexts;

// Whenever the dialog's loop is idle: what it shows. The first time, the user tries to close it.
void look(ui::WindowHandle modal, int, void*)
{
    if (shownBar < 0) {
        ui::headless::closeRequest(modal);
        ui::headless::pressKey(modal, ui::kVkEscape);
    }
    shownTexts = ui::windowTitle(modal) + " / " + ui::dlgItemText(modal, ProgressDialog::kIdAction);
    shownBar = int(ui::sendDlgItemMessage(modal, ProgressDialog::kIdProgress, ui::kMsgProgressGetPos, 0, 0));
}

// False when the bar never gets there (the dialog closed early).
bool barShows(int position)
{
    return velmora::test::eventually([position] { return shownBar == position; });
}

TEST(ProgressDialogTest, WorkReportsIntoTheBarAndItsEndClosesTheDialog)
{
    velmora::test::Watchdog watchdog{20s, "progress dialog"};
    ui::setModalHook(&look, nullptr);
    const int result = ProgressDialog(nullptr, "Creating image from take.wav...").run([](auto report) {
        report(10);
        report(40);
        if (!barShows(40))
            return -40;
        report(25); // the bar follows the differences, backwards too
        return barShows(25) ? 7 : -25;
    });
    ui::setModalHook(nullptr, nullptr);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(shownTexts, "Working, please wait... / Creating image from take.wav...");
    // Work that is over before the dialog is up still closes it.
    EXPECT_EQ(ProgressDialog(nullptr, "quick").run([](auto) { return 3; }), 3);
}

} // namespace
