#include "platform/ui/Dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/ui/DialogResponder.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/DialogBuilder.h"

namespace plat::ui {

namespace {

// Extra slots of a dialog window: message result, the dialog's state, the owner's value.
constexpr int kStateSlot = static_cast<int>(sizeof(void*));
constexpr int kDialogExtraBytes = 3 * static_cast<int>(sizeof(void*));

// One dialog, on its window's thread only.
struct DialogState {
    DialogProc procedure = nullptr;
    bool modal = false;
    bool ended = false;
    intptr_t result = 0;
    const Font* font = nullptr;
    int baseX = 4; // dialog base units of the font
    int baseY = 8;
    intptr_t defaultId = -1; // -1: the button with the default style
    WindowHandle lastFocus = nullptr;
    bool constructing = true; // a modeless dialog's maker frees the state when the making fails
};

DialogState* stateOf(WindowHandle dialog)
{
    if (dialog == nullptr || windowClassName(dialog) != kDialogClass)
        return nullptr;
    return reinterpret_cast<DialogState*>(windowLongPtr(dialog, kStateSlot));
}

uint32_t styleOf(WindowHandle window)
{
    return static_cast<uint32_t>(windowLongPtr(window, kGwlStyle));
}

bool usable(WindowHandle control)
{
    uint32_t style = styleOf(control);
    return (style & kStyleVisible) != 0 && (style & kStyleDisabled) == 0;
}

intptr_t dialogCodeOf(WindowHandle control, uint32_t key)
{
    return control != nullptr ? sendMessage(control, kMsgGetDialogCode, key, 0) : 0;
}

bool isAutoRadio(WindowHandle control)
{
    return windowClassName(control) == kButtonClass &&
           (styleOf(control) & kButtonTypeMask) == kButtonAutoRadio;
}

// Within a group of radio buttons, Tab goes to the checked one.
WindowHandle checkedRadioOfGroup(WindowHandle dialog, WindowHandle radio)
{
    WindowHandle at = radio;
    for (;;) {
        if ((dialogCodeOf(at, 0) & kDialogCodeRadioButton) != 0 &&
            sendMessage(at, kMsgButtonGetCheck, 0, 0) == kButtonChecked && usable(at))
            return at;
        at = nextDlgGroupItem(dialog, at, false);
        if (at == nullptr || at == radio)
            return radio;
    }
}

void focusControl(WindowHandle control)
{
    setFocus(control);
    if ((dialogCodeOf(control, 0) & kDialogCodeHasSetSel) != 0)
        sendMessage(control, kMsgEditSetSel, 0, -1);
}

const Brush& faceBrush()
{
    static const Brush brush = Brush::solid(look::face());
    return brush;
}

const Brush& fieldBrush()
{
    static const Brush brush = Brush::solid(look::fieldBackground());
    return brush;
}

intptr_t dialogWindowProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    auto* state = reinterpret_cast<DialogState*>(windowLongPtr(dialog, kStateSlot));
    if (message == kMsgCreate) {
        const auto* info = reinterpret_cast<const CreateInfo*>(lparam);
        setWindowLongPtr(dialog, kStateSlot, reinterpret_cast<intptr_t>(info->parameter));
        return 0;
    }
    if (state == nullptr)
        return defWindowProc(dialog, message, wparam, lparam);
    intptr_t answer = 0;
    bool handled = false;
    if (state->procedure != nullptr) {
        setWindowLongPtr(dialog, kDialogMsgResult, 0);
        answer = state->procedure(dialog, message, wparam, lparam);
        handled = answer != 0;
        bool direct =
            message == kMsgInitDialog || (message >= kMsgCtlColorEdit && message <= kMsgCtlColorStatic);
        if (handled && !direct)
            answer = windowLongPtr(dialog, kDialogMsgResult);
    }
    if (!handled)
        answer = defDialogProc(dialog, message, wparam, lparam);
    if (message == kMsgDestroy) {
        setWindowLongPtr(dialog, kStateSlot, 0);
        if (!state->modal && !state->constructing)
            delete state;
    }
    return answer;
}

void registerDialogClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        initControls();
        WindowClass windowClass;
        windowClass.style = kClassDoubleClicks;
        windowClass.procedure = &dialogWindowProc;
        windowClass.extraBytes = kDialogExtraBytes;
        windowClass.name = kDialogClass;
        (void)registerClass(windowClass); // without it making the window fails, and says so
    });
}

int scaled(int units, int base, int divisor)
{
    return (units * base + divisor / 2) / divisor;
}

WindowHandle makeDialog(ModuleHandle module, const detail::DialogSpec& spec, WindowHandle owner,
                        DialogProc procedure, intptr_t parameter, DialogState* state,
                        WindowHandle& initialFocus)
{
    registerDialogClass();
    state->procedure = procedure;
    state->font = spec.font != nullptr ? spec.font : Font::defaultGui();
    if (state->font != nullptr) {
        state->baseX = state->font->metrics().aveCharWidth;
        state->baseY = state->font->metrics().height;
    }
    Rect place = spec.rect;
    if (spec.centre) {
        Size screen = screenSize();
        place = Rect::fromSize((screen.width - place.width()) / 2, (screen.height - place.height()) / 2,
                               place.width(), place.height());
    } else if (!spec.absolute && owner != nullptr) {
        Rect ownerPlace;
        if (windowRect(topLevelOf(owner), ownerPlace))
            place = place.offsetBy(ownerPlace.left, ownerPlace.top);
    }
    uint32_t style = (spec.style & ~kStyleVisible & ~kStyleChild) | kStylePopup;
    WindowHandle dialog = createWindow(spec.exStyle, kDialogClass, spec.caption.c_str(), style, place.left,
                                       place.top, place.width(), place.height(), owner, 0, module, state);
    if (dialog == nullptr)
        return nullptr;
    for (const detail::DialogItemSpec& item : spec.items) {
        uint32_t itemStyle = item.style | kStyleChild;
        WindowHandle control =
            createWindow(item.exStyle, item.controlClass.c_str(), item.text.c_str(), itemStyle,
                         item.rect.left, item.rect.top, item.rect.width(), item.rect.height(), dialog,
                         static_cast<uintptr_t>(item.id), module, nullptr);
        if (control == nullptr) {
            std::fprintf(stderr, "dialog \"%s\": control %d of class \"%s\" could not be made\n",
                         spec.caption.c_str(), item.id, item.controlClass.c_str());
            (void)destroyWindow(dialog);
            return nullptr;
        }
        sendMessage(control, kMsgSetFont, reinterpret_cast<uintptr_t>(state->font), 0);
    }
    initialFocus = nextDlgTabItem(dialog, nullptr, false);
    intptr_t focusAsked =
        sendMessage(dialog, kMsgInitDialog, reinterpret_cast<uintptr_t>(initialFocus), parameter);
    if (!isWindow(dialog))
        return nullptr;
    if (focusAsked != 0 && initialFocus != nullptr)
        focusControl(initialFocus);
    else
        initialFocus = nullptr;
    return dialog;
}

void showDialog(WindowHandle dialog, WindowHandle initialFocus)
{
    showWindow(dialog, kShowNormal);
    (void)setForegroundWindow(dialog);
    WindowHandle focus = focusWindow();
    if (initialFocus != nullptr && isWindow(initialFocus) && focus != initialFocus && !isChild(dialog, focus))
        focusControl(initialFocus);
}

// What the dialog's procedure gets when the button with id is clicked.
void sendButtonClicked(WindowHandle dialog, int id, WindowHandle button)
{
    sendMessage(dialog, kMsgCommand, makeWParam(static_cast<uint16_t>(id), kButtonClicked),
                reinterpret_cast<intptr_t>(button));
}

} // namespace

namespace detail {

DialogSpec specFromTemplate(const DialogTemplate& dialogTemplate)
{
    DialogSpec spec;
    spec.caption = dialogTemplate.caption != nullptr ? dialogTemplate.caption : "";
    spec.style = dialogTemplate.style;
    spec.exStyle = dialogTemplate.exStyle;
    if ((dialogTemplate.style & kDialogStyleModalFrame) != 0)
        spec.exStyle |= kExStyleDialogModalFrame;
    spec.centre = (dialogTemplate.style & (kDialogStyleCentre | kDialogStyleCentreMouse)) != 0;
    spec.absolute = (dialogTemplate.style & kDialogStyleAbsAlign) != 0;
    if (dialogTemplate.fontName != nullptr) {
        FontSpec fontSpec;
        fontSpec.face = dialogTemplate.fontName;
        fontSpec.height = heightForPoints(dialogTemplate.fontPoints);
        spec.font = Font::get(fontSpec);
    }
    if (spec.font == nullptr)
        spec.font = Font::defaultGui();
    int baseX = spec.font != nullptr ? spec.font->metrics().aveCharWidth : 4;
    int baseY = spec.font != nullptr ? spec.font->metrics().height : 8;
    auto toPixels = [&](int x, int y, int width, int height) {
        return Rect::fromSize(scaled(x, baseX, 4), scaled(y, baseY, 8), scaled(width, baseX, 4),
                              scaled(height, baseY, 8));
    };
    spec.rect = toPixels(dialogTemplate.x, dialogTemplate.y, dialogTemplate.width, dialogTemplate.height);
    for (const DialogItemTemplate& item : dialogTemplate.items) {
        DialogItemSpec itemSpec;
        itemSpec.controlClass = item.controlClass != nullptr ? item.controlClass : "";
        itemSpec.text = item.text != nullptr ? item.text : "";
        itemSpec.id = item.id;
        itemSpec.rect = toPixels(item.x, item.y, item.width, item.height);
        itemSpec.style = item.style;
        itemSpec.exStyle = item.exStyle;
        spec.items.push_back(std::move(itemSpec));
    }
    return spec;
}

intptr_t runDialog(ModuleHandle module, const DialogSpec& spec, WindowHandle owner, DialogProc procedure,
                   intptr_t parameter)
{
    DialogState state;
    state.modal = true;
    WindowHandle initialFocus = nullptr;
    WindowHandle dialog = makeDialog(module, spec, owner, procedure, parameter, &state, initialFocus);
    if (dialog == nullptr)
        return -1;
    if (!state.ended)
        showDialog(dialog, initialFocus);
    if (!state.ended) {
        if (std::optional<int> button = dialogResponder()->dialogButton(dialog); button && *button != 0)
            sendButtonClicked(dialog, *button, dialogItem(dialog, *button));
    }
    // Ended from outside as Cancel: the dialog's own Cancel first, as the
    // user's, then the end itself should the dialog refuse it.
    const auto cancel = [&] {
        sendButtonClicked(dialog, kIdCancel, dialogItem(dialog, kIdCancel));
        if (!state.ended && isWindow(dialog))
            (void)endDialog(dialog, kIdCancel);
    };
    if (!state.ended && isWindow(dialog))
        runModalLoop(
            owner, dialog, [&] { return state.ended || !isWindow(dialog); },
            [&](const Message& message) { return isDialogMessage(dialog, message); }, cancel);
    if (isWindow(dialog))
        (void)destroyWindow(dialog);
    return state.ended ? state.result : 0;
}

WindowHandle createDialog(ModuleHandle module, const DialogSpec& spec, WindowHandle owner,
                          DialogProc procedure, intptr_t parameter)
{
    auto* state = new DialogState;
    WindowHandle initialFocus = nullptr;
    WindowHandle dialog = makeDialog(module, spec, owner, procedure, parameter, state, initialFocus);
    if (dialog == nullptr) {
        delete state;
        return nullptr;
    }
    state->constructing = false;
    if ((spec.style & kStyleVisible) != 0)
        showDialog(dialog, initialFocus);
    return dialog;
}

std::string dialogTexts(WindowHandle dialog)
{
    std::string texts;
    for (WindowHandle child : childWindows(dialog)) {
        std::string className = windowClassName(child);
        bool isText = className == kStaticClass && (styleOf(child) & kStaticTypeMask) != kStaticBitmap &&
                      (styleOf(child) & kStaticTypeMask) != kStaticIcon;
        if (!isText && className != kEditClass)
            continue;
        std::string text = windowText(child);
        if (text.empty())
            continue;
        if (!texts.empty())
            texts += " / ";
        texts += text;
    }
    return texts;
}

bool dialogKey(WindowHandle dialog, uint32_t key)
{
    WindowHandle focus = focusWindow();
    WindowHandle control = (focus != nullptr && isChild(dialog, focus)) ? focus : nullptr;
    intptr_t code = dialogCodeOf(control, key);
    if ((code & kDialogCodeWantAllKeys) != 0)
        return false;
    switch (key) {
    case kVkTab: {
        if ((code & kDialogCodeWantTab) != 0)
            return false;
        WindowHandle next = nextDlgTabItem(dialog, control, shiftDown());
        if (next != nullptr)
            focusControl(next);
        return true;
    }
    case kVkLeft:
    case kVkUp:
    case kVkRight:
    case kVkDown: {
        if ((code & kDialogCodeWantArrows) != 0 || control == nullptr)
            return false;
        WindowHandle next = nextDlgGroupItem(dialog, control, key == kVkLeft || key == kVkUp);
        if (next == nullptr || next == control)
            return true;
        focusControl(next);
        if (isAutoRadio(next))
            sendMessage(next, kMsgButtonClick, 0, 0);
        return true;
    }
    case kVkReturn: {
        int id = 0;
        WindowHandle button = nullptr;
        if ((code & (kDialogCodeDefPushButton | kDialogCodeUndefPushButton)) != 0) {
            button = control;
            id = dialogControlId(control);
        } else {
            auto defId = static_cast<uintptr_t>(sendMessage(dialog, kMsgDialogGetDefId, 0, 0));
            id = hiWord(defId) == kDialogHasDefId ? loWord(defId) : kIdOk;
            button = dialogItem(dialog, id);
        }
        if (button != nullptr && !isWindowEnabled(button))
            return true;
        sendButtonClicked(dialog, id, button);
        return true;
    }
    case kVkEscape: {
        WindowHandle cancel = dialogItem(dialog, kIdCancel);
        if (cancel != nullptr && !isWindowEnabled(cancel))
            return true;
        sendButtonClicked(dialog, kIdCancel, cancel);
        return true;
    }
    default:
        return false;
    }
}

bool forwardKeyToDialog(WindowHandle control, uint32_t key)
{
    WindowHandle dialog = parentWindow(control);
    if (dialog == nullptr || stateOf(dialog) == nullptr)
        return false;
    return dialogKey(dialog, key);
}

} // namespace detail

intptr_t defDialogProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    DialogState* state = stateOf(dialog);
    switch (message) {
    case kMsgEraseBackground:
        if (wparam != 0) {
            auto* painter = reinterpret_cast<Painter*>(wparam);
            painter->fillRect(painter->clip(), look::face());
        }
        return 1;
    case kMsgPaint: {
        PaintInfo info;
        if (Painter* painter = beginPaint(dialog, info)) {
            if (info.erase)
                painter->fillRect(info.paint, look::face());
            (void)endPaint(dialog, info);
        }
        return 0;
    }
    case kMsgCtlColorEdit:
    case kMsgCtlColorListBox: {
        auto* painter = reinterpret_cast<Painter*>(wparam);
        painter->setTextColour(look::text());
        painter->setBackgroundColour(look::fieldBackground());
        return reinterpret_cast<intptr_t>(&fieldBrush());
    }
    case kMsgCtlColorButton:
    case kMsgCtlColorDialog:
    case kMsgCtlColorStatic: {
        auto* painter = reinterpret_cast<Painter*>(wparam);
        painter->setTextColour(look::text());
        painter->setBackgroundColour(look::face());
        return reinterpret_cast<intptr_t>(&faceBrush());
    }
    case kMsgClose: {
        WindowHandle cancel = dialogItem(dialog, kIdCancel);
        if (cancel == nullptr || isWindowEnabled(cancel))
            sendButtonClicked(dialog, kIdCancel, cancel);
        return 0;
    }
    case kMsgDialogGetDefId: {
        if (state == nullptr)
            return 0;
        if (state->defaultId >= 0)
            return static_cast<intptr_t>(
                makeWParam(static_cast<uint16_t>(state->defaultId), kDialogHasDefId));
        for (WindowHandle child : childWindows(dialog)) {
            if ((dialogCodeOf(child, 0) & kDialogCodeDefPushButton) != 0 &&
                (styleOf(child) & kButtonTypeMask) == kButtonDefPush)
                return static_cast<intptr_t>(
                    makeWParam(static_cast<uint16_t>(dialogControlId(child)), kDialogHasDefId));
        }
        return 0;
    }
    case kMsgDialogSetDefId: {
        if (state == nullptr)
            return 0;
        for (WindowHandle child : childWindows(dialog)) {
            if (windowClassName(child) != kButtonClass)
                continue;
            uint32_t type = styleOf(child) & kButtonTypeMask;
            bool isNew = dialogControlId(child) == static_cast<int>(wparam);
            if (type == kButtonDefPush && !isNew)
                sendMessage(child, kMsgButtonSetStyle, kButtonPush, 1);
            else if (type == kButtonPush && isNew)
                sendMessage(child, kMsgButtonSetStyle, kButtonDefPush, 1);
        }
        state->defaultId = static_cast<intptr_t>(wparam);
        return 1;
    }
    case kMsgNextDialogControl: {
        WindowHandle target = lparam != 0 ? reinterpret_cast<WindowHandle>(wparam)
                                          : nextDlgTabItem(dialog, focusWindow(), wparam != 0);
        if (target != nullptr)
            focusControl(target);
        return 0;
    }
    case kMsgSetFocus: {
        WindowHandle target = state != nullptr && isWindow(state->lastFocus)
                                  ? state->lastFocus
                                  : nextDlgTabItem(dialog, nullptr, false);
        if (target != nullptr)
            focusControl(target);
        return 0;
    }
    case kMsgActivate:
        if (state != nullptr && loWord(wparam) == kWaInactive) {
            WindowHandle focus = focusWindow();
            if (focus != nullptr && isChild(dialog, focus))
                state->lastFocus = focus;
        }
        return defWindowProc(dialog, message, wparam, lparam);
    case kMsgKeyDown:
        detail::noteKeyMessage(message, wparam);
        detail::dialogKey(dialog, static_cast<uint32_t>(wparam));
        return 0;
    case kMsgKeyUp:
        detail::noteKeyMessage(message, wparam);
        return 0;
    case kMsgGetDialogCode:
    case kMsgCommand:
        return 0;
    default:
        return defWindowProc(dialog, message, wparam, lparam);
    }
}

intptr_t dialogBoxParam(ModuleHandle module, unsigned templateId, WindowHandle owner, DialogProc procedure,
                        intptr_t parameter)
{
    const DialogTemplate* found = findDialog(module, templateId);
    if (found == nullptr) {
        std::fprintf(stderr, "dialog template %u not found\n", templateId);
        return -1;
    }
    return dialogBoxIndirectParam(module, *found, owner, procedure, parameter);
}

intptr_t dialogBoxIndirectParam(ModuleHandle module, const DialogTemplate& dialogTemplate, WindowHandle owner,
                                DialogProc procedure, intptr_t parameter)
{
    return detail::runDialog(module, detail::specFromTemplate(dialogTemplate), owner, procedure, parameter);
}

WindowHandle createDialogParam(ModuleHandle module, unsigned templateId, WindowHandle owner,
                               DialogProc procedure, intptr_t parameter)
{
    const DialogTemplate* found = findDialog(module, templateId);
    if (found == nullptr) {
        std::fprintf(stderr, "dialog template %u not found\n", templateId);
        return nullptr;
    }
    return createDialogIndirectParam(module, *found, owner, procedure, parameter);
}

WindowHandle createDialogIndirectParam(ModuleHandle module, const DialogTemplate& dialogTemplate,
                                       WindowHandle owner, DialogProc procedure, intptr_t parameter)
{
    return detail::createDialog(module, detail::specFromTemplate(dialogTemplate), owner, procedure,
                                parameter);
}

bool endDialog(WindowHandle dialog, intptr_t result)
{
    DialogState* state = stateOf(dialog);
    if (state == nullptr || !state->modal)
        return false;
    state->ended = true;
    state->result = result;
    showWindow(dialog, kShowHide);
    // Wakes the dialog's loop when it waits for a posted message: the end may
    // come from a message sent by another thread, which the wait handles in
    // passing without returning.
    (void)postMessage(dialog, kMsgNull, 0, 0);
    return true;
}

bool isDialogMessage(WindowHandle dialog, const Message& message)
{
    if (message.window == nullptr || (message.window != dialog && !isChild(dialog, message.window)))
        return false;
    detail::noteKeyMessage(message.message, message.wparam);
    if (message.message != kMsgKeyDown)
        return false;
    uint32_t key = static_cast<uint32_t>(message.wparam);
    switch (key) {
    case kVkTab:
    case kVkReturn:
    case kVkEscape:
    case kVkLeft:
    case kVkUp:
    case kVkRight:
    case kVkDown:
        break;
    default:
        return false;
    }
    if (message.window != dialog) {
        intptr_t code = dialogCodeOf(message.window, key);
        if ((code & kDialogCodeWantAllKeys) != 0)
            return false;
        if (key == kVkTab && (code & kDialogCodeWantTab) != 0)
            return false;
        if (key != kVkTab && key != kVkReturn && key != kVkEscape && (code & kDialogCodeWantArrows) != 0)
            return false;
    }
    return detail::dialogKey(dialog, key);
}

bool mapDialogRect(WindowHandle dialog, Rect& rect)
{
    DialogState* state = stateOf(dialog);
    if (state == nullptr)
        return false;
    rect = {scaled(rect.left, state->baseX, 4), scaled(rect.top, state->baseY, 8),
            scaled(rect.right, state->baseX, 4), scaled(rect.bottom, state->baseY, 8)};
    return true;
}

intptr_t sendDlgItemMessage(WindowHandle dialog, int id, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    WindowHandle item = dialogItem(dialog, id);
    return item != nullptr ? sendMessage(item, message, wparam, lparam) : 0;
}

bool setDlgItemText(WindowHandle dialog, int id, const char* text)
{
    WindowHandle item = dialogItem(dialog, id);
    return item != nullptr && setWindowText(item, text);
}

std::string dlgItemText(WindowHandle dialog, int id)
{
    WindowHandle item = dialogItem(dialog, id);
    return item != nullptr ? windowText(item) : std::string();
}

bool setDlgItemInt(WindowHandle dialog, int id, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return setDlgItemText(dialog, id, text);
}

int dlgItemInt(WindowHandle dialog, int id, bool* ok)
{
    std::string text = dlgItemText(dialog, id);
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    bool good = end != text.c_str() && dialogItem(dialog, id) != nullptr;
    if (ok != nullptr)
        *ok = good;
    return good ? static_cast<int>(value) : 0;
}

bool checkDlgButton(WindowHandle dialog, int id, uint32_t check)
{
    WindowHandle item = dialogItem(dialog, id);
    if (item == nullptr)
        return false;
    sendMessage(item, kMsgButtonSetCheck, check, 0);
    return true;
}

uint32_t isDlgButtonChecked(WindowHandle dialog, int id)
{
    return static_cast<uint32_t>(sendDlgItemMessage(dialog, id, kMsgButtonGetCheck, 0, 0));
}

bool checkRadioButton(WindowHandle dialog, int first, int last, int id)
{
    bool found = false;
    for (int at = first; at <= last; ++at) {
        WindowHandle item = dialogItem(dialog, at);
        if (item == nullptr)
            continue;
        sendMessage(item, kMsgButtonSetCheck, at == id ? kButtonChecked : kButtonUnchecked, 0);
        found = found || at == id;
    }
    return found;
}

WindowHandle nextDlgTabItem(WindowHandle dialog, WindowHandle control, bool previous)
{
    std::vector<WindowHandle> children = childWindows(dialog);
    const int count = static_cast<int>(children.size());
    if (count == 0)
        return nullptr;
    int start = -1;
    for (int i = 0; i < count; ++i)
        if (children[i] == control)
            start = i;
    if (start < 0)
        start = previous ? 0 : count - 1;
    for (int step = 1; step <= count; ++step) {
        int index = previous ? (start - step + count * 2) % count : (start + step) % count;
        WindowHandle candidate = children[index];
        if (!usable(candidate) || (styleOf(candidate) & kStyleTabStop) == 0)
            continue;
        if ((dialogCodeOf(candidate, 0) & kDialogCodeRadioButton) != 0)
            return checkedRadioOfGroup(dialog, candidate);
        return candidate;
    }
    return control;
}

WindowHandle nextDlgGroupItem(WindowHandle dialog, WindowHandle control, bool previous)
{
    std::vector<WindowHandle> children = childWindows(dialog);
    const int count = static_cast<int>(children.size());
    int at = -1;
    for (int i = 0; i < count; ++i)
        if (children[i] == control)
            at = i;
    if (at < 0)
        return nullptr;
    int first = at;
    while (first > 0 && (styleOf(children[first]) & kStyleGroup) == 0)
        --first;
    int end = at + 1;
    while (end < count && (styleOf(children[end]) & kStyleGroup) == 0)
        ++end;
    int size = end - first;
    for (int step = 1; step < size; ++step) {
        int index = first + (previous ? (at - first - step + size * 2) % size : (at - first + step) % size);
        if (usable(children[index]))
            return children[index];
    }
    return control;
}

bool pressDialogButton(WindowHandle dialog, int id)
{
    WindowHandle button = dialogItem(dialog, id);
    if (button == nullptr || !isWindowEnabled(button))
        return false;
    sendMessage(button, kMsgButtonClick, 0, 0);
    return true;
}

bool headlessDefaultAnswers()
{
    const char* answer = std::getenv("VELMORA_HEADLESS_ANSWER");
    return answer != nullptr && std::strcmp(answer, "default") == 0;
}

} // namespace plat::ui
