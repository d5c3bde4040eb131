#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/ui/Dialog.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"

namespace plat::ui::detail {

namespace {

constexpr int kMargin = 3;

// A single-line edit field: caret, selection by mouse and keys, read-only and
// numbers-only options, and masked for passwords. Text changes by the user are told with kEditChange.
class Edit : public Control {
public:
    Edit(WindowHandle window, const CreateInfo& info) : Control(window, info)
    {
        text_ = info.title != nullptr ? info.title : "";
        readOnly_ = (style() & kEditReadOnly) != 0;
        masked_ = (style() & kEditPassword) != 0;
    }

    intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam) override
    {
        switch (message) {
        case kMsgSetText: {
            const char* value = reinterpret_cast<const char*>(lparam);
            text_ = value != nullptr ? value : "";
            if (text_.size() > limit_)
                text_.resize(limit_);
            anchor_ = caret_ = 0;
            scroll_ = 0;
            defWindowProc(window(), message, 0, reinterpret_cast<intptr_t>(text_.c_str()));
            invalidate();
            notifyCommand(kEditChange);
            return 1;
        }
        case kMsgGetText: {
            if (wparam == 0 || lparam == 0)
                return 0;
            size_t length = std::min<size_t>(text_.size(), wparam - 1);
            std::memcpy(reinterpret_cast<char*>(lparam), text_.data(), length);
            reinterpret_cast<char*>(lparam)[length] = '\0';
            return static_cast<intptr_t>(length);
        }
        case kMsgGetTextLength:
            return static_cast<intptr_t>(text_.size());
        case kMsgEditGetSel: {
            auto start = static_cast<uint32_t>(std::min(anchor_, caret_));
            auto end = static_cast<uint32_t>(std::max(anchor_, caret_));
            if (wparam != 0)
                *reinterpret_cast<uint32_t*>(wparam) = start;
            if (lparam != 0)
                *reinterpret_cast<uint32_t*>(lparam) = end;
            return static_cast<intptr_t>(
                makeWParam(static_cast<uint16_t>(start), static_cast<uint16_t>(end)));
        }
        case kMsgEditSetSel: {
            auto start = static_cast<intptr_t>(wparam);
            intptr_t end = lparam;
            if (static_cast<int32_t>(start) == -1) {
                anchor_ = caret_;
            } else {
                if (end < 0 || static_cast<size_t>(end) > text_.size())
                    end = static_cast<intptr_t>(text_.size());
                start = std::clamp<intptr_t>(start, 0, static_cast<intptr_t>(text_.size()));
                anchor_ = static_cast<size_t>(start);
                caret_ = static_cast<size_t>(end);
            }
            invalidate();
            return 0;
        }
        case kMsgEditLimitText:
            limit_ = wparam == 0 ? 0x7FFFFFFE : static_cast<size_t>(wparam);
            return 0;
        case kMsgEditSetReadOnly:
            readOnly_ = wparam != 0;
            setWindowLongPtr(window(), kGwlStyle,
                             readOnly_ ? windowLongPtr(window(), kGwlStyle) | kEditReadOnly
                                       : windowLongPtr(window(), kGwlStyle) & ~intptr_t(kEditReadOnly));
            invalidate();
            return 1;
        case kMsgSetFocus:
            notifyCommand(kEditSetFocus);
            return Control::handle(message, wparam, lparam);
        case kMsgKillFocus:
            anchor_ = caret_;
            notifyCommand(kEditKillFocus);
            return Control::handle(message, wparam, lparam);
        case kMsgLButtonDown:
            noteMouseKeys(wparam);
            if (!focused())
                setFocus(window());
            caret_ = positionAt(pointX(lparam));
            if (!shiftDown())
                anchor_ = caret_;
            selecting_ = true;
            setCapture(window());
            invalidate();
            return 0;
        case kMsgLButtonDoubleClick:
            selectWordAt(positionAt(pointX(lparam)));
            return 0;
        case kMsgMouseMove:
            if (selecting_) {
                caret_ = positionAt(pointX(lparam));
                keepCaretVisible();
                invalidate();
            }
            return 0;
        case kMsgLButtonUp:
            if (selecting_) {
                selecting_ = false;
                releaseCapture();
            }
            return 0;
        case kMsgCaptureChanged:
            selecting_ = false;
            return 0;
        case kMsgChar:
            typeCharacter(static_cast<unsigned char>(wparam));
            return 0;
        default:
            return Control::handle(message, wparam, lparam);
        }
    }

protected:
    intptr_t dialogCode() const override
    {
        return kDialogCodeWantChars | kDialogCodeHasSetSel | kDialogCodeWantArrows;
    }

    bool onKey(uint32_t key) override
    {
        const bool extend = shiftDown();
        switch (key) {
        case kVkLeft:
            if (caret_ > 0)
                --caret_;
            else if (!extend && anchor_ != caret_)
                caret_ = std::min(anchor_, caret_);
            break;
        case kVkRight:
            if (caret_ < text_.size())
                ++caret_;
            break;
        case kVkHome:
            caret_ = 0;
            break;
        case kVkEnd:
            caret_ = text_.size();
            break;
        case kVkUp:
        case kVkDown:
            return true;
        case kVkDelete:
            if (!readOnly_ && !deleteSelection() && caret_ < text_.size()) {
                text_.erase(caret_, 1);
                changed();
            }
            anchor_ = caret_;
            keepCaretVisible();
            invalidate();
            return true;
        case kVkBack:
            if (!readOnly_ && !deleteSelection() && caret_ > 0) {
                text_.erase(--caret_, 1);
                changed();
            }
            anchor_ = caret_;
            keepCaretVisible();
            invalidate();
            return true;
        case 'A':
            if (!controlDown())
                return true;
            anchor_ = 0;
            caret_ = text_.size();
            invalidate();
            return true;
        default:
            // Letters and digits come as characters; other keys belong to the dialog.
            return key != kVkTab && key != kVkReturn && key != kVkEscape;
        }
        if (!extend)
            anchor_ = caret_;
        keepCaretVisible();
        invalidate();
        return true;
    }

    void paint(Painter& p, const Rect&) override
    {
        Rect area = client();
        const bool asStatic = readOnly_ || !enabled();
        Brush brush = askColours(p, asStatic ? kMsgCtlColorStatic : kMsgCtlColorEdit);
        Argb textColour = p.state().textColour;
        p.fillRect(area, brush);
        Rect inner = p.drawEdge(area, kEdgeSunken, kSidesRect);
        p.intersectClip(inner);
        const Font& f = font();
        int y = inner.top + (inner.height() - f.metrics().height) / 2;
        int x = textLeft(inner);
        size_t from = std::min(anchor_, caret_);
        size_t to = std::max(anchor_, caret_);
        p.setBackgroundMode(BackgroundMode::Transparent);
        p.setTextColour(textColour);
        p.textOut(x, y, shown());
        if (focused() && from != to) {
            int left = x + f.textWidth(std::string_view(shown()).substr(0, from));
            int right = x + f.textWidth(std::string_view(shown()).substr(0, to));
            p.fillRect({left, y, right, y + f.metrics().height}, look::selection());
            p.setTextColour(look::selectionText());
            p.textOut(left, y, std::string_view(shown()).substr(from, to - from));
        }
        if (focused()) {
            int caretX = x + f.textWidth(std::string_view(shown()).substr(0, caret_));
            p.fillRect({caretX, y, caretX + 1, y + f.metrics().height}, textColour);
        }
    }

private:
    int textLeft(const Rect& inner) const
    {
        int width = font().textWidth(shown());
        int room = inner.width() - 2 * kMargin;
        switch (style() & 0x3) {
        case kEditCentre:
            if (width <= room)
                return inner.left + kMargin + (room - width) / 2;
            break;
        case kEditRight:
            if (width <= room)
                return inner.right - kMargin - width;
            break;
        default:
            break;
        }
        return inner.left + kMargin - scroll_;
    }

    Rect inner() const { return client().inflatedBy(-2, -2); }

    size_t positionAt(int x) const
    {
        int at = textLeft(inner());
        for (size_t i = 0; i < shown().size(); ++i) {
            int advance = font().advance(static_cast<unsigned char>(shown()[i]));
            if (x < at + advance / 2)
                return i;
            at += advance;
        }
        return shown().size();
    }

    void keepCaretVisible()
    {
        Rect area = inner();
        int room = area.width() - 2 * kMargin;
        int caretAt = font().textWidth(std::string_view(shown()).substr(0, caret_));
        if (caretAt - scroll_ > room)
            scroll_ = caretAt - room;
        if (caretAt < scroll_)
            scroll_ = caretAt;
        scroll_ = std::max(0, scroll_);
    }

    void selectWordAt(size_t at)
    {
        // A masked text shows no words: all of it is selected.
        if (masked_) {
            anchor_ = 0;
            caret_ = text_.size();
            invalidate();
            return;
        }
        auto isWord = [&](size_t i) { return std::isalnum(static_cast<unsigned char>(text_[i])) != 0; };
        size_t from = at;
        size_t to = at;
        while (from > 0 && isWord(from - 1))
            --from;
        while (to < text_.size() && isWord(to))
            ++to;
        anchor_ = from;
        caret_ = to;
        invalidate();
    }

    bool deleteSelection()
    {
        if (anchor_ == caret_)
            return false;
        size_t from = std::min(anchor_, caret_);
        text_.erase(from, std::max(anchor_, caret_) - from);
        anchor_ = caret_ = from;
        changed();
        return true;
    }

    void typeCharacter(unsigned char c)
    {
        if (c < 0x20 || c == 0x7F || readOnly_)
            return;
        if ((style() & kEditNumber) != 0 && !std::isdigit(c))
            return;
        size_t selected = std::max(anchor_, caret_) - std::min(anchor_, caret_);
        if (text_.size() - selected >= limit_)
            return;
        deleteSelection();
        text_.insert(caret_, 1, static_cast<char>(c));
        anchor_ = ++caret_;
        changed();
        keepCaretVisible();
        invalidate();
    }

    void changed()
    {
        defWindowProc(window(), kMsgSetText, 0, reinterpret_cast<intptr_t>(text_.c_str()));
        invalidate();
        notifyCommand(kEditChange);
    }

    // What is drawn and measured: the text, or as many '*' when masked.
    const std::string& shown() const
    {
        if (!masked_)
            return text_;
        mask_.assign(text_.size(), '*');
        return mask_;
    }

    std::string text_;
    mutable std::string mask_;
    bool masked_ = false;
    size_t caret_ = 0;  // where typing goes, 0..size
    size_t anchor_ = 0; // the other end of the selection
    int scroll_ = 0;    // pixels of text scrolled out at the left
    size_t limit_ = 30000;
    bool readOnly_ = false;
    bool selecting_ = false;
};

} // namespace

void registerEditClass()
{
    (void)registerControlClass(kEditClass, &controlProcedure<Edit>);
}

} // namespace plat::ui::detail
