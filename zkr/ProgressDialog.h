#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "zkr/Dialog.h"
#include "zkr/ThreadObject.h"

namespace zkr {

// "Working, please wait...": a modal dialog with an action text and a
// progress bar from 0 to 100 while a piece of work runs on a thread of its
// own. The dialog starts the work when it opens and closes itself when the
// work ends; the user cannot close it meanwhile.
//
//     ProgressDialog dialog(owner, "Creating image from song.wav...");
//     int result = dialog.run([&](auto report) { return buildSomething(report); });
//
// The work may call report(percent) from its thread at any time; the bar
// advances by the difference between successive reported percentages.
class ProgressDialog : public Dialog {
public:
    static constexpr int kIdAction = 1001;
    static constexpr int kIdProgress = 1002;

    using Report = std::function<void(int percent)>;
    using Work = std::function<int(const Report& report)>;

    ProgressDialog(WindowHandle owner, std::string actionText);

    // Shows the dialog on the calling thread until work has ended, and
    // answers work's result. The work always runs to its end: when the
    // dialog cannot be shown it runs on the calling thread without one.
    [[nodiscard]] int run(Work work);

    void onInitDialog() override;
    bool onClose() override;
    int onDestroy() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;

    std::string actionText;

private:
    static uint32_t workerMain(void* parameter);
    // Posts to the dialog while it is open; dropped once it is gone.
    void postToDialog(uint32_t message, uintptr_t wparam);

    Work work_;
    Report report_;
    int result_ = 0;
    bool started_ = false;
    bool finished_ = false;
    int shownPercent_ = 0;
    ThreadObject worker_;
    std::mutex postLock_;
    WindowHandle postTarget_ = nullptr;
};

} // namespace zkr
