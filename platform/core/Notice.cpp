#include "platform/core/Notice.h"

#include <atomic>
#include <cstdio>

namespace plat {

namespace {
std::atomic<NoticePresenter> presenter{nullptr};
}

void setNoticePresenter(NoticePresenter p)
{
    presenter.store(p);
}

int showNotice(const char* text, const char* caption, uint32_t style)
{
    if (NoticePresenter p = presenter.load())
        return p(text, caption, style);
    // No user interface yet: the text still reaches the person who started us.
    std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
    std::fflush(stderr);
    return (style & kNoticeYesNo) != 0
               ? ((style & kNoticeDefaultButton2) != 0 ? kNoticeAnswerNo : kNoticeAnswerYes)
               : kNoticeAnswerOk;
}

} // namespace plat
