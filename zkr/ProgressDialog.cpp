#include "zkr/ProgressDialog.h"

#include <utility>

#include "platform/core/Handle.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"

namespace zkr {

namespace {

using namespace plat::ui;
using Self = ProgressDialog;

// Posted by the worker's thread to the dialog.
constexpr uint32_t kMsgProgressReport = WindowBase::kLastSystemMessage + 1; // wparam: percent
constexpr uint32_t kMsgWorkEnded = WindowBase::kLastSystemMessage + 2;

const DialogItemTemplate kItems[] = {
    {"STATIC", "", Self::kIdAction, 7, 7, 206, 9, kItemStyleChild | kStaticLeftNoWrap | kStaticNoPrefix},
    {kProgressClass, "", Self::kIdProgress, 7, 20, 206, 11, kItemStyleChild | kStyleBorder},
};

// No system menu: the dialog ends with its work, not at the user's wish.
constexpr uint32_t kDialogStyle = kStylePopup | kStyleCaption | kDialogStyleModalFrame | kDialogStyleCentre;

const DialogTemplate kTemplate{
    .caption = "Working, please wait...", .style = kDialogStyle, .width = 220, .height = 38, .items = kItems};

} // namespace

ProgressDialog::ProgressDialog(WindowHandle owner, std::string action)
    : Dialog(kTemplate, owner), actionText(std::move(action))
{
    report_ = [this](int percent) { postToDialog(kMsgProgressReport, static_cast<uintptr_t>(percent)); };
}

int ProgressDialog::run(Work work)
{
    work_ = std::move(work);
    result_ = 0;
    started_ = false;
    finished_ = false;
    shownPercent_ = 0;
    (void)runModal(); // the outcome is in started_ and result_
    if (started_) {
        // The dialog may have been ended from outside (a quit message); the
        // work still owns what the caller gave it, so it is waited for.
        (void)worker_.wait(plat::kInfinite); // answers only once the work ended
    } else {
        result_ = work_(report_);
    }
    work_ = nullptr;
    return result_;
}

uint32_t ProgressDialog::workerMain(void* parameter)
{
    auto* self = static_cast<ProgressDialog*>(parameter);
    self->result_ = self->work_(self->report_);
    self->postToDialog(kMsgWorkEnded, 0);
    return 0;
}

void ProgressDialog::postToDialog(uint32_t message, uintptr_t wparam)
{
    std::lock_guard lock(postLock_);
    if (postTarget_ != nullptr)
        (void)postMessage(postTarget_, message, wparam, 0);
}

void ProgressDialog::onInitDialog()
{
    (void)setDlgItemText(window, kIdAction, actionText.c_str());
    sendDlgItemMessage(window, kIdProgress, kMsgProgressSetRange32, 0, 100);
    {
        std::lock_guard lock(postLock_);
        postTarget_ = window;
    }
    // Whatever the work posts before the dialog's loop runs waits in its
    // queue, so a work that ends at once still closes the dialog.
    started_ = worker_.start(&ProgressDialog::workerMain, this);
    if (!started_) {
        // run does the work itself once the dialog is gone.
        finished_ = true;
        (void)endDialog(window, kIdCancel);
    }
}

bool ProgressDialog::onClose()
{
    return finished_;
}

int ProgressDialog::onDestroy()
{
    std::lock_guard lock(postLock_);
    postTarget_ = nullptr;
    return Dialog::onDestroy();
}

intptr_t ProgressDialog::onUserMessage(uint32_t message, intptr_t, uintptr_t wparam)
{
    if (message == kMsgProgressReport) {
        const int percent = static_cast<int>(wparam);
        const intptr_t delta = percent - shownPercent_;
        shownPercent_ = percent;
        sendDlgItemMessage(window, kIdProgress, kMsgProgressDeltaPos, static_cast<uintptr_t>(delta), 0);
        return 1;
    }
    if (message == kMsgWorkEnded) {
        finished_ = true;
        (void)endDialog(window, kIdOk);
        return 1;
    }
    return 0;
}

} // namespace zkr
