#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/core/Thread.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Surface.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/DialogBuilder.h"

namespace plat::ui {

namespace {

constexpr int kIconId = 20;
constexpr int kTextId = 0xFFFF;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 8;
constexpr int kIconSize = 32;
constexpr int kMaxTextWidth = 420;

std::atomic<int> beeps{0};

bool okOnly(uint32_t style)
{
    return (style & 0xF) != kNoticeYesNo;
}

intptr_t messageBoxProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgInitDialog: {
        setWindowLongPtr(dialog, kDialogUser, lparam);
        auto style = static_cast<uint32_t>(lparam);
        if (const Surface* icon = detail::messageIcon(style & 0xF0))
            sendDlgItemMessage(dialog, kIconId, kMsgStaticSetImage, kImageBitmap,
                               reinterpret_cast<intptr_t>(icon));
        int focusId = okOnly(style) ? kIdOk : ((style & kNoticeDefaultButton2) != 0 ? kIdNo : kIdYes);
        setFocus(dialogItem(dialog, focusId));
        return 0;
    }
    case kMsgCommand: {
        int id = loWord(wparam);
        auto style = static_cast<uint32_t>(windowLongPtr(dialog, kDialogUser));
        if (id == kIdOk || id == kIdYes || id == kIdNo)
            (void)endDialog(dialog, id);
        else if (id == kIdCancel && okOnly(style))
            (void)endDialog(dialog, kIdOk);
        return 1;
    }
    case kMsgClose:
        if (okOnly(static_cast<uint32_t>(windowLongPtr(dialog, kDialogUser))))
            (void)endDialog(dialog, kIdOk);
        return 1;
    default:
        return 0;
    }
}

// The presenter of plat::showNotice.
int presentNotice(const char* text, const char* caption, uint32_t style)
{
    int answer = messageBox(nullptr, text, caption, style);
    if (answer != 0)
        return answer;
    std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
    std::fflush(stderr);
    if (!okOnly(style))
        return (style & kNoticeDefaultButton2) != 0 ? kIdNo : kIdYes;
    return kIdOk;
}

struct NoticeInstaller {
    NoticeInstaller() { plat::setNoticePresenter(&presentNotice); }
} noticeInstaller;

void paintIcon(Surface& icon, uint32_t kind)
{
    Painter p(icon);
    Argb fill = kind == kNoticeIconStop ? rgb(0xD0, 0x24, 0x24) : rgb(0x2A, 0x62, 0xC8);
    FontSpec spec;
    spec.face = "Arial";
    spec.height = -22;
    spec.weight = kWeightBold;
    const Font* bold = Font::get(spec);
    if (bold != nullptr)
        p.setFont(bold);
    p.setBackgroundMode(BackgroundMode::Transparent);
    if (kind == kNoticeIconExclamation) {
        // A yellow triangle with a black mark.
        for (int y = 1; y < 31; ++y) {
            int half = (y * 15) / 30;
            p.fillRect({16 - half - 1, y, 16 + half + 1, y + 1}, rgb(0x30, 0x30, 0x30));
            if (y > 2 && y < 30)
                p.fillRect({16 - half + 1, y, 16 + half - 1, y + 1}, rgb(0xF8, 0xD0, 0x20));
        }
        p.setTextColour(kBlack);
        p.drawText("!", Rect{0, 6, 32, 31}, kTextCentre | kTextVCentre | kTextSingleLine | kTextNoPrefix);
        return;
    }
    p.setPen(Pen::solid(fill));
    p.setBrush(Brush::solid(fill));
    p.ellipse({0, 0, 32, 32});
    p.setTextColour(kWhite);
    if (kind == kNoticeIconStop) {
        p.setPen(Pen::solid(kWhite, 3));
        p.line(10, 10, 22, 22);
        p.line(22, 10, 10, 22);
        return;
    }
    const char* mark = kind == kNoticeIconQuestion ? "?" : "i";
    p.drawText(mark, Rect{0, 0, 32, 32}, kTextCentre | kTextVCentre | kTextSingleLine | kTextNoPrefix);
}

} // namespace

namespace detail {

const Surface* messageIcon(uint32_t iconStyle)
{
    static Surface icons[4];
    static std::once_flag once;
    std::call_once(once, [] {
        const uint32_t kinds[4] = {kNoticeIconStop, kNoticeIconQuestion, kNoticeIconExclamation,
                                   kNoticeIconInformation};
        for (int i = 0; i < 4; ++i) {
            icons[i].reset(kIconSize, kIconSize, 0);
            paintIcon(icons[i], kinds[i]);
        }
    });
    if (iconStyle < kNoticeIconStop || iconStyle > kNoticeIconInformation)
        return nullptr;
    return &icons[iconStyle / 0x10 - 1];
}

} // namespace detail

int messageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style)
{
    initControls();
    const Font* font = Font::defaultGui();
    std::string message = text != nullptr ? text : "";
    const bool hasIcon = detail::messageIcon(style & 0xF0) != nullptr;

    // The text's size when wrapped at the widest a box may be.
    Rect textArea{0, 0, kMaxTextWidth, 0};
    if (font != nullptr && !message.empty()) {
        Surface scratch(1, 1);
        Painter measure(scratch);
        measure.setFont(font);
        measure.drawText(message, textArea, kTextCalcRect | kTextWordBreak | kTextNoPrefix);
    }
    const int textLeft = kMargin + (hasIcon ? kIconSize + kMargin : 0);
    const int buttons = okOnly(style) ? 1 : 2;
    const int buttonsWidth = buttons * kButtonWidth + (buttons - 1) * kButtonGap;
    const int width = std::max({textLeft + textArea.width() + kMargin + 4, buttonsWidth + 2 * kMargin, 180});
    const int bodyHeight = std::max(hasIcon ? kIconSize : 0, textArea.height());
    const int height = kMargin + bodyHeight + kMargin + kButtonHeight + kMargin;

    detail::DialogSpec spec;
    spec.caption = caption != nullptr ? caption : "Error";
    spec.style = kStylePopup | kStyleCaption | kStyleSysMenu;
    spec.exStyle = kExStyleDialogModalFrame | ((style & kNoticeTopmost) != 0 ? kExStyleTopmost : 0);
    spec.rect = Rect::fromSize(0, 0, width, height);
    spec.centre = true;
    spec.font = font;
    if (hasIcon)
        spec.items.push_back({kStaticClass, "", kIconId,
                              Rect::fromSize(kMargin, kMargin, kIconSize, kIconSize),
                              kStyleVisible | kStaticBitmap | kStaticRealSizeImage, 0});
    int textTop = kMargin + std::max(0, (bodyHeight - textArea.height()) / 2);
    spec.items.push_back(
        {kStaticClass, message, kTextId,
         Rect::fromSize(textLeft, textTop, width - textLeft - kMargin, textArea.height() + 2),
         kStyleVisible | kStaticLeft | kStaticNoPrefix, 0});
    int x = (width - buttonsWidth) / 2;
    const int y = height - kMargin - kButtonHeight;
    auto addButton = [&](const char* label, int id, bool isDefault, bool first) {
        spec.items.push_back({kButtonClass, label, id, Rect::fromSize(x, y, kButtonWidth, kButtonHeight),
                              kStyleVisible | kStyleTabStop | (first ? kStyleGroup : 0u) |
                                  (isDefault ? kButtonDefPush : kButtonPush),
                              0});
        x += kButtonWidth + kButtonGap;
    };
    if (okOnly(style)) {
        addButton("OK", kIdOk, true, true);
    } else {
        bool secondDefault = (style & kNoticeDefaultButton2) != 0;
        addButton("&Yes", kIdYes, !secondDefault, true);
        addButton("&No", kIdNo, secondDefault, false);
    }

    // Task-modal without an owner: every window of this thread waits for the answer.
    std::vector<WindowHandle> disabled;
    if (owner == nullptr && (style & kNoticeTaskModal) != 0) {
        const uint32_t me = plat::currentThreadId();
        for (const WindowListEntry& entry : topLevelWindows())
            if (entry.threadId == me && isWindowEnabled(entry.window) && !enableWindow(entry.window, false))
                disabled.push_back(entry.window);
    }
    intptr_t answer = detail::runDialog(nullptr, spec, owner, &messageBoxProc, static_cast<intptr_t>(style));
    for (WindowHandle window : disabled)
        enableWindow(window, true);
    return answer < 0 ? 0 : static_cast<int>(answer);
}

bool messageBeep(uint32_t)
{
    beeps.fetch_add(1);
    if (Backend* current = backend())
        current->bell();
    return true;
}

int messageBeepCount()
{
    return beeps.load();
}

} // namespace plat::ui
