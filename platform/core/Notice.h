#pragma once

#include <cstdint>

#include "platform/core/Api.h"

// A message box that any layer may raise before or without a user interface.
// The user-interface layer installs its message box as the presenter; without
// one the text goes to standard error.
namespace plat {

enum NoticeStyle : uint32_t {
    kNoticeOk = 0x0,
    kNoticeYesNo = 0x4,
    kNoticeIconStop = 0x10,
    kNoticeIconQuestion = 0x20,
    kNoticeIconExclamation = 0x30,
    kNoticeIconInformation = 0x40,
    kNoticeDefaultButton2 = 0x100,
    kNoticeTaskModal = 0x2000,
    kNoticeForeground = 0x10000,
    kNoticeTopmost = 0x40000,
};

// How the system reports a failure in a message box: OK, stop icon, topmost,
// brought to the foreground.
inline constexpr uint32_t kNoticeFailure = kNoticeOk | kNoticeIconStop | kNoticeTopmost | kNoticeForeground;

inline constexpr int kNoticeAnswerOk = 1;
inline constexpr int kNoticeAnswerYes = 6;
inline constexpr int kNoticeAnswerNo = 7;

using NoticePresenter = int (*)(const char* text, const char* caption, uint32_t style);

PLAT_API void setNoticePresenter(NoticePresenter presenter);
// Shows the notice and returns the button pressed (kNoticeAnswer...).
PLAT_API int showNotice(const char* text, const char* caption, uint32_t style);

} // namespace plat
