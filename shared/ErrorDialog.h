#pragma once

#include <cstdint>

#include "platform/ui/Font.h"
#include "zkr/Dialog.h"

namespace shared {

// The error dialog: the code and a counter in its caption, the context in
// bold above the error text. One is open per process at most; errors that
// arrive while it is open, from any thread, update it (see showZKRError).
class ErrorDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 101;
    static constexpr int kContextControl = 1000;
    static constexpr int kErrorTextControl = 1001;
    static constexpr int kTextSize = 256;

    ErrorDialog(int code, const char* context, const char* errorText);

    void onInitDialog() override;
    int onDestroy() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;

private:
    friend int showZKRError(int code, const char* context, const char* errorText);

    // Takes the newest texts of later errors and shows them (the dialog's thread).
    void applyPendingUpdates();
    // Counts one more error and shows the texts.
    void refresh(int newErrors);

    // Shown state: the dialog's thread only.
    int32_t code_ = 0;
    int32_t counter_ = 0;
    char context_[kTextSize] = {};
    char errorText_[kTextSize] = {};
    const plat::ui::Font* boldFont_ = nullptr;

    // Later errors waiting to be shown, and where to post them: guarded by
    // the lock of the global reference (ErrorDialog.cpp).
    int pendingErrors_ = 0;
    int32_t pendingCode_ = 0;
    char pendingContext_[kTextSize] = {};
    char pendingErrorText_[kTextSize] = {};
    plat::ui::WindowHandle postTarget_ = nullptr;
};

} // namespace shared
