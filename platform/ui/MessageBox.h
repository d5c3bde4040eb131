#pragma once

#include <cstdint>

#include "platform/core/Api.h"
#include "platform/core/Notice.h"
#include "platform/ui/Messages.h"

// Message boxes: a text, a caption, an icon and OK or Yes/No buttons, run
// modally on the calling thread. The styles are plat::NoticeStyle's (the
// original platform's MB_... values); the answer is kIdOk, kIdYes or kIdNo,
// or 0 when no box could be shown. Escape answers OK in a box with only OK
// and does nothing in a Yes/No box; closing the window does the same. With
// kNoticeTaskModal and no owner every top-level window of the thread is
// disabled while the box is up. The platform library makes the message box
// the presenter of plat::showNotice when it is loaded; where no window can
// be made, the notice goes to standard error as before.
namespace plat::ui {

[[nodiscard]] PLAT_API int messageBox(WindowHandle owner, const char* text, const char* caption,
                                      uint32_t style);

// The information beep of the original platform (kNoticeIcon... values, 0
// for the simple beep): counted, and given to the backend where it has a bell.
[[nodiscard]] PLAT_API bool messageBeep(uint32_t type);
// How many beeps were asked for in this process (tests).
PLAT_API int messageBeepCount();

} // namespace plat::ui
