#include "shared/ErrorDialog.h"

#include <cstdio>
#include <new>

#include "platform/core/Notice.h"
#include "platform/core/ThreadSafety.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "shared/Services.h"
#include "shared/SharedModule.h"
#include "zkr/Product.h"
#include "zkr/Text.h"

namespace shared {

using namespace plat::ui;

namespace {

constexpr uint32_t kDialogStyleSetForeground = 0x200; // DS_SETFOREGROUND
constexpr uint32_t kButtonCentreText = 0x300;         // BS_CENTER

// Later errors, posted to the open dialog's own thread.
constexpr uint32_t kMsgShowPendingErrors = kMsgApp + 1;

const DialogItemTemplate kErrorDialogItems[] = {
    {"BUTTON", "OK", kIdOk, 115, 35, 50, 14,
     kStyleVisible | kStyleTabStop | kButtonDefPush | kButtonCentreText},
    {"STATIC", "Errorcontext", ErrorDialog::kContextControl, 45, 5, 220, 8, kStyleVisible | kStaticLeft},
    {"STATIC", "Errortext", ErrorDialog::kErrorTextControl, 45, 15, 220, 17, kStyleVisible | kStaticLeft},
    {"STATIC", "#104", -1, 5, 5, 36, 32,
     kStyleVisible | kStaticBitmap | kStaticSunken | kStaticRealSizeImage},
};

const DialogTemplate kErrorDialogTemplate{ErrorDialog::kTemplateId,
                                          "",
                                          kStylePopup | kStyleCaption | kStyleSysMenu |
                                              kDialogStyleModalFrame | kDialogStyleCentre |
                                              kDialogStyleSetForeground | kDialogStyleSetFont,
                                          kExStyleToolWindow,
                                          0,
                                          0,
                                          277,
                                          52,
                                          "Tahoma",
                                          8,
                                          kErrorDialogItems};

DialogRegistrar errorDialogRegistrar(kErrorDialogTemplate);

// The open dialog. Errors come from any thread at once (audio threads,
// plug-in windows), so the reference and the pending texts behind it are
// read and written only under its lock; the object is deleted only after
// the reference has been cleared under it.
plat::MutexProtected<ErrorDialog*> openDialog;

void informationBeep()
{
    (void)messageBeep(plat::kNoticeIconInformation);
}

} // namespace

ErrorDialog::ErrorDialog(int code, const char* context, const char* errorText)
    : zkr::Dialog(kTemplateId, sharedModule(), nullptr), code_(code)
{
    zkr::copyText(context_, context);
    zkr::copyText(errorText_, errorText);
}

void ErrorDialog::onInitDialog()
{
    FontSpec bold;
    bold.face = "Tahoma";
    bold.height = heightForPoints(8);
    bold.weight = kWeightBold;
    boldFont_ = Font::get(bold);
    if (boldFont_ != nullptr)
        sendDlgItemMessage(window, kContextControl, kMsgSetFont, reinterpret_cast<uintptr_t>(boldFont_), 0);
    refresh(1);
    openDialog.withLocked([this](ErrorDialog*) { postTarget_ = window; });
    // Errors that came while the window was being made have not been posted.
    applyPendingUpdates();
    (void)setTopmost(window, true);
}

int ErrorDialog::onDestroy()
{
    openDialog.withLocked([this](ErrorDialog*) { postTarget_ = nullptr; });
    // Fonts belong to the platform's cache; the dialog only lets go of it.
    boldFont_ = nullptr;
    return zkr::Dialog::onDestroy();
}

intptr_t ErrorDialog::onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam)
{
    if (message != kMsgShowPendingErrors)
        return zkr::Dialog::onUserMessage(message, lparam, wparam);
    applyPendingUpdates();
    return 1;
}

void ErrorDialog::applyPendingUpdates()
{
    const int newErrors = openDialog.withLocked([this](ErrorDialog*) {
        const int taken = pendingErrors_;
        if (taken > 0) {
            pendingErrors_ = 0;
            code_ = pendingCode_;
            zkr::copyText(context_, pendingContext_);
            zkr::copyText(errorText_, pendingErrorText_);
        }
        return taken;
    });
    if (newErrors > 0)
        refresh(newErrors);
}

void ErrorDialog::refresh(int newErrors)
{
    counter_ += newErrors;
    char caption[kTextSize + 64];
    std::snprintf(caption, sizeof caption, "%s - Code %i (%i)", zkr::kProductTitle, code_, counter_);
    (void)setWindowText(window, caption);
    (void)setDlgItemText(window, kContextControl, context_);
    (void)setDlgItemText(window, kErrorTextControl, errorText_);
}

int showZKRError(int code, const char* context, const char* errorText)
{
    ErrorDialog* dialog = nullptr;
    const bool updatedOpenDialog = openDialog.withLocked([&](ErrorDialog*& open) {
        if (open == nullptr) {
            dialog = open = new (std::nothrow) ErrorDialog(code, context, errorText);
            return false;
        }
        // The open dialog shows the newest error on its own thread; this
        // caller does not wait for it.
        open->pendingCode_ = code;
        zkr::copyText(open->pendingContext_, context);
        zkr::copyText(open->pendingErrorText_, errorText);
        ++open->pendingErrors_;
        if (open->postTarget_ != nullptr)
            (void)postMessage(open->postTarget_, kMsgShowPendingErrors, 0, 0);
        return true;
    });
    informationBeep();
    if (updatedOpenDialog)
        return 1;

    int result = -1;
    while (dialog != nullptr) {
        result = dialog->runModal();
        dialog = openDialog.withLocked([&](ErrorDialog*& open) {
            ErrorDialog* next = nullptr;
            // Errors that arrived while the user was closing the dialog were
            // never shown: they get a dialog of their own.
            if (open->pendingErrors_ > 0 && result != -1)
                next = new (std::nothrow)
                    ErrorDialog(open->pendingCode_, open->pendingContext_, open->pendingErrorText_);
            delete open;
            return open = next;
        });
    }
    if (result == -1) {
        // No window could be made (no display, no memory): the error must not vanish.
        std::fprintf(stderr, "%s - Code %i: %s: %s\n", zkr::kProductTitle, code,
                     context != nullptr ? context : "", errorText != nullptr ? errorText : "");
        std::fflush(stderr);
    }
    return result;
}

} // namespace shared
