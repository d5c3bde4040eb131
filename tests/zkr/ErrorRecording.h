#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "platform/core/Notice.h"
#include "zkr/Application.h"

namespace velmora::test {

struct ShownError {
    int code;
    std::string text;
    bool operator==(const ShownError&) const = default;
};

// An application object that records what it is asked to show instead of
// showing it.
class RecordingApplication : public zkr::Application {
public:
    void showError(int code, const char* text) override
    {
        shown.push_back({code, text != nullptr ? text : "(null)"});
    }

    std::vector<ShownError> shown;
};

struct Notice {
    std::string text;
    std::string caption;
    uint32_t style;
    bool operator==(const Notice&) const = default;
};

// Catches every platform notice raised during its lifetime.
class NoticeRecorder {
public:
    NoticeRecorder()
    {
        notices().clear();
        plat::setNoticePresenter(&present);
    }
    NoticeRecorder(const NoticeRecorder&) = delete;
    NoticeRecorder& operator=(const NoticeRecorder&) = delete;
    ~NoticeRecorder() { plat::setNoticePresenter(nullptr); }

    // The presenter is a plain function, so what it records lives here.
    static std::vector<Notice>& notices()
    {
        static std::vector<Notice> recorded;
        return recorded;
    }

private:
    static int present(const char* text, const char* caption, uint32_t style)
    {
        notices().push_back(
            {text != nullptr ? text : "(null)", caption != nullptr ? caption : "(null)", style});
        return plat::kNoticeAnswerOk;
    }
};

// Stop icon, OK button, brought to the foreground and kept on top.
inline constexpr uint32_t kErrorNoticeStyle =
    plat::kNoticeOk | plat::kNoticeIconStop | plat::kNoticeForeground | plat::kNoticeTopmost;

} // namespace velmora::test
