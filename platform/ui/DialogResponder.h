#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/Api.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Messages.h"

// Who answers a modal question. Every modal dialog and message box, file
// and folder dialog and tracked pop-up menu asks the process's responder
// first and waits for the user only when the responder leaves it to them.
// The standard responder leaves everything to the user, except while
// VELMORA_HEADLESS_ANSWER=default (see Dialog.h), when it answers as
// HeadlessResponder does. Tests and automation may install their own.
namespace plat::ui {

// What a file or folder dialog is about to ask.
struct PathQuestion {
    std::string title;  // the file dialog's caption, the text above the folder browser's list
    std::string folder; // where the dialog starts
    bool save = false;  // a file dialog that saves
};

struct PathAnswer {
    enum class Kind { AskUser, Cancel, Choose };
    Kind kind = Kind::AskUser;
    std::string path; // with Choose: the absolute path taken as the user's choice
};

// The base answers every question with "ask the user". Its answers are
// inline, so that programs and tests can derive responders of their own.
class DialogResponder {
public:
    virtual ~DialogResponder() = default;
    // A modal dialog or message box, made and shown: the id of the button to
    // press, or none to let the user answer.
    virtual std::optional<int> dialogButton(WindowHandle) { return std::nullopt; }
    virtual PathAnswer filePath(const PathQuestion&) { return {}; }
    virtual PathAnswer folderPath(const PathQuestion&) { return {}; }
    // A pop-up menu about to be tracked: the command chosen (0 dismisses the
    // menu), or none to let the user choose.
    virtual std::optional<uintptr_t> menuChoice(MenuHandle) { return std::nullopt; }
};

// Answers at once, writing each question to standard error: a dialog with
// its default button (or OK), file and folder dialogs with Cancel, menus by
// dismissing them.
class PLAT_API HeadlessResponder : public DialogResponder {
public:
    std::optional<int> dialogButton(WindowHandle dialog) override;
    PathAnswer filePath(const PathQuestion& question) override;
    PathAnswer folderPath(const PathQuestion& question) override;
    std::optional<uintptr_t> menuChoice(MenuHandle menu) override;
};

// The responder in place; the standard one until another is installed.
[[nodiscard]] PLAT_API std::shared_ptr<DialogResponder> dialogResponder();
// Puts responder in place (null: the standard one) and answers the one it replaces.
PLAT_API std::shared_ptr<DialogResponder> installDialogResponder(std::shared_ptr<DialogResponder> responder);

} // namespace plat::ui
