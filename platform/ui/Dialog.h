#pragma once

#include <cstdint>
#include <string>

#include "platform/core/Api.h"
#include "platform/core/Module.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"

// Dialogs made from templates, modal (on the calling thread, with a loop of
// their own, the owner disabled meanwhile) or modeless, as the original
// platform's dialog manager ran them. A dialog procedure is called first with
// every message after creation and answers non-zero when it handled it; what
// it leaves to the dialog (answer 0) gets the default handling. Its answers
// to kMsgCtlColor... (a Brush*) and kMsgInitDialog are used as they are.
//
// Keyboard in a dialog: Tab and Shift+Tab move the focus along the controls
// with kStyleTabStop, arrows within a group (kStyleGroup starts one), Enter
// presses the focused push button or else the default button (kIdOk when
// there is none), Escape is kIdCancel. This works in any message loop; in
// the loop of a modal dialog isDialogMessage sees the keys first.
//
// VELMORA_HEADLESS_ANSWER=default: every modal dialog and message box is
// answered at once with its default button, and its texts are written to
// standard error (file and folder dialogs answer Cancel). The answers come
// from the dialog responder (DialogResponder.h), which may be replaced.
namespace plat::ui {

using DialogProc = intptr_t (*)(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);

// The dialog window class.
inline constexpr const char* kDialogClass = "#32770";

// Messages to a dialog.
inline constexpr uint32_t kMsgDialogGetDefId = 0x0400; // answer: low id, high kDialogHasDefId; 0 for none
inline constexpr uint32_t kMsgDialogSetDefId = 0x0401; // wparam: id
inline constexpr uint16_t kDialogHasDefId = 0x534B;

// What a control wants of the keyboard (answers to kMsgGetDialogCode).
inline constexpr intptr_t kDialogCodeWantArrows = 0x1;
inline constexpr intptr_t kDialogCodeWantTab = 0x2;
inline constexpr intptr_t kDialogCodeWantAllKeys = 0x4;
inline constexpr intptr_t kDialogCodeHasSetSel = 0x8;
inline constexpr intptr_t kDialogCodeDefPushButton = 0x10;
inline constexpr intptr_t kDialogCodeUndefPushButton = 0x20;
inline constexpr intptr_t kDialogCodeRadioButton = 0x40;
inline constexpr intptr_t kDialogCodeWantChars = 0x80;
inline constexpr intptr_t kDialogCodeStatic = 0x100;
inline constexpr intptr_t kDialogCodeButton = 0x2000;

// Extra slots of a dialog window (windowLongPtr offsets): the answer of the
// last message a dialog procedure handled (kMsgNotify answers go there) and
// a free value for the dialog's owner.
inline constexpr int kDialogMsgResult = 0;
inline constexpr int kDialogUser = 2 * static_cast<int>(sizeof(void*));

// Modal: runs the template of the module and answers the value given to
// endDialog, or -1 when the dialog could not be made (no template, a control
// that could not be created, no backend).
[[nodiscard]] PLAT_API intptr_t dialogBoxParam(ModuleHandle module, unsigned templateId, WindowHandle owner,
                                               DialogProc procedure, intptr_t parameter);
[[nodiscard]] PLAT_API intptr_t dialogBoxIndirectParam(ModuleHandle module,
                                                       const DialogTemplate& dialogTemplate,
                                                       WindowHandle owner, DialogProc procedure,
                                                       intptr_t parameter);
// Modeless: answers the dialog window (shown when the template has
// kStyleVisible), null on failure. It ends with destroyWindow.
[[nodiscard]] PLAT_API WindowHandle createDialogParam(ModuleHandle module, unsigned templateId,
                                                      WindowHandle owner, DialogProc procedure,
                                                      intptr_t parameter);
[[nodiscard]] PLAT_API WindowHandle createDialogIndirectParam(ModuleHandle module,
                                                              const DialogTemplate& dialogTemplate,
                                                              WindowHandle owner, DialogProc procedure,
                                                              intptr_t parameter);
// Ends a modal dialog with result (it is hidden at once and destroyed when
// its loop returns). False for a window that is not a modal dialog.
[[nodiscard]] PLAT_API bool endDialog(WindowHandle dialog, intptr_t result);
// Handles the message when it is a dialog key for dialog (or a control in it).
PLAT_API bool isDialogMessage(WindowHandle dialog, const Message& message);
// The default handling of a dialog window.
PLAT_API intptr_t defDialogProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Dialog units to pixels for the dialog's font.
[[nodiscard]] PLAT_API bool mapDialogRect(WindowHandle dialog, Rect& rect);

// Controls of a dialog by id.
PLAT_API intptr_t sendDlgItemMessage(WindowHandle dialog, int id, uint32_t message, uintptr_t wparam,
                                     intptr_t lparam);
[[nodiscard]] PLAT_API bool setDlgItemText(WindowHandle dialog, int id, const char* text);
PLAT_API std::string dlgItemText(WindowHandle dialog, int id);
[[nodiscard]] PLAT_API bool setDlgItemInt(WindowHandle dialog, int id, int value);
// The number the text starts with; ok false when it does not start with one.
PLAT_API int dlgItemInt(WindowHandle dialog, int id, bool* ok);
[[nodiscard]] PLAT_API bool checkDlgButton(WindowHandle dialog, int id, uint32_t check);
PLAT_API uint32_t isDlgButtonChecked(WindowHandle dialog, int id);
// Checks last..first's button id and clears the others of the range.
[[nodiscard]] PLAT_API bool checkRadioButton(WindowHandle dialog, int first, int last, int id);
// The next (or previous) control that takes Tab, after control (null: from the start).
PLAT_API WindowHandle nextDlgTabItem(WindowHandle dialog, WindowHandle control, bool previous);
// The next (or previous) enabled, visible control of control's group.
PLAT_API WindowHandle nextDlgGroupItem(WindowHandle dialog, WindowHandle control, bool previous);

// For tests and automatic answers: presses the dialog's button id as a user
// would (it must exist and be enabled). False otherwise.
[[nodiscard]] PLAT_API bool pressDialogButton(WindowHandle dialog, int id);
// Whether VELMORA_HEADLESS_ANSWER asks for default answers.
PLAT_API bool headlessDefaultAnswers();

} // namespace plat::ui
