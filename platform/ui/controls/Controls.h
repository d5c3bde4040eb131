#pragma once

#include <cstdint>
#include <string>

#include "platform/core/Api.h"
#include "platform/core/Module.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Window.h"

// The standard controls: their class names, styles, messages, notification
// codes and records. Numbers are those of the system's original platform, so
// code written against it keeps its arithmetic.
namespace plat::ui {

// Class names a dialog template item or createWindow names (without regard to case).
inline constexpr const char* kButtonClass = "Button";
inline constexpr const char* kStaticClass = "Static";
inline constexpr const char* kEditClass = "Edit";
inline constexpr const char* kComboBoxClass = "ComboBox";
inline constexpr const char* kListBoxClass = "ListBox";
inline constexpr const char* kTreeViewClass = "SysTreeView32";
inline constexpr const char* kProgressClass = "msctls_progress32";
inline constexpr const char* kTooltipClass = "tooltips_class32";

// Buttons.
inline constexpr uint32_t kButtonPush = 0x0;
inline constexpr uint32_t kButtonDefPush = 0x1;
inline constexpr uint32_t kButtonCheckBox = 0x2;
inline constexpr uint32_t kButtonAutoCheckBox = 0x3;
inline constexpr uint32_t kButtonRadio = 0x4;
inline constexpr uint32_t kButtonGroupBox = 0x7;
inline constexpr uint32_t kButtonAutoRadio = 0x9;
inline constexpr uint32_t kButtonTypeMask = 0xF;
inline constexpr uint32_t kButtonLeftText = 0x20;
inline constexpr uint32_t kButtonFlat = 0x8000;

inline constexpr uint32_t kMsgButtonGetCheck = 0x00F0;
inline constexpr uint32_t kMsgButtonSetCheck = 0x00F1;
inline constexpr uint32_t kMsgButtonGetState = 0x00F2;
inline constexpr uint32_t kMsgButtonSetState = 0x00F3;
inline constexpr uint32_t kMsgButtonSetStyle = 0x00F4;
inline constexpr uint32_t kMsgButtonClick = 0x00F5;
inline constexpr uint32_t kButtonUnchecked = 0;
inline constexpr uint32_t kButtonChecked = 1;
inline constexpr uint32_t kButtonStatePushed = 0x4;
inline constexpr uint32_t kButtonStateFocus = 0x8;
inline constexpr uint16_t kButtonClicked = 0; // notification code

// Static controls.
inline constexpr uint32_t kStaticLeft = 0x0;
inline constexpr uint32_t kStaticCentre = 0x1;
inline constexpr uint32_t kStaticRight = 0x2;
inline constexpr uint32_t kStaticIcon = 0x3;
inline constexpr uint32_t kStaticLeftNoWrap = 0xC;
inline constexpr uint32_t kStaticBitmap = 0xE;
inline constexpr uint32_t kStaticTypeMask = 0x1F;
inline constexpr uint32_t kStaticNoPrefix = 0x80;
inline constexpr uint32_t kStaticNotify = 0x100;
inline constexpr uint32_t kStaticCentreImage = 0x200;
inline constexpr uint32_t kStaticRealSizeImage = 0x800;
inline constexpr uint32_t kStaticSunken = 0x1000;
// Images a static bitmap shows: lparam of kMsgStaticSetImage is a Surface*
// the caller keeps alive; wparam kImageBitmap.
inline constexpr uint32_t kMsgStaticSetImage = 0x0172;
inline constexpr uint32_t kMsgStaticGetImage = 0x0173;
inline constexpr uintptr_t kImageBitmap = 0;

// Single-line edit fields.
inline constexpr uint32_t kEditLeft = 0x0;
inline constexpr uint32_t kEditCentre = 0x1;
inline constexpr uint32_t kEditRight = 0x2;
// Shows a '*' for each character: for passwords, never shown once typed.
inline constexpr uint32_t kEditPassword = 0x20;
inline constexpr uint32_t kEditAutoHScroll = 0x80;
inline constexpr uint32_t kEditReadOnly = 0x800;
inline constexpr uint32_t kEditNumber = 0x2000;

inline constexpr uint32_t kMsgEditGetSel = 0x00B0; // wparam/lparam: uint32_t* start/end or 0
inline constexpr uint32_t kMsgEditSetSel = 0x00B1; // start, end (-1 end: to the end)
inline constexpr uint32_t kMsgEditLimitText = 0x00C5;
inline constexpr uint32_t kMsgEditSetReadOnly = 0x00CF;
inline constexpr uint16_t kEditSetFocus = 0x0100;
inline constexpr uint16_t kEditKillFocus = 0x0200;
inline constexpr uint16_t kEditChange = 0x0300;

// Drop-down lists (combo boxes).
inline constexpr uint32_t kComboDropDownList = 0x3;
inline constexpr uint32_t kComboSort = 0x100;
inline constexpr uint32_t kMsgComboAddString = 0x0143;
inline constexpr uint32_t kMsgComboDeleteString = 0x0144;
inline constexpr uint32_t kMsgComboGetCount = 0x0146;
inline constexpr uint32_t kMsgComboGetCurSel = 0x0147;
inline constexpr uint32_t kMsgComboGetLbText = 0x0148;
inline constexpr uint32_t kMsgComboGetLbTextLen = 0x0149;
inline constexpr uint32_t kMsgComboInsertString = 0x014A;
inline constexpr uint32_t kMsgComboResetContent = 0x014B;
inline constexpr uint32_t kMsgComboFindString = 0x014C;
inline constexpr uint32_t kMsgComboSetCurSel = 0x014E;
inline constexpr uint32_t kMsgComboShowDropDown = 0x014F;
inline constexpr uint32_t kMsgComboGetItemData = 0x0150;
inline constexpr uint32_t kMsgComboSetItemData = 0x0151;
inline constexpr uint32_t kMsgComboGetDroppedState = 0x0157;
inline constexpr uint32_t kMsgComboFindStringExact = 0x0158;
inline constexpr intptr_t kComboError = -1;
inline constexpr uint16_t kComboSelChange = 1;
inline constexpr uint16_t kComboDropDown = 7;
inline constexpr uint16_t kComboCloseUp = 8;
inline constexpr uint16_t kComboSelEndOk = 9;
inline constexpr uint16_t kComboSelEndCancel = 10;

// List boxes.
inline constexpr uint32_t kListNotify = 0x1;
inline constexpr uint32_t kListSort = 0x2;
inline constexpr uint32_t kMsgListAddString = 0x0180;
inline constexpr uint32_t kMsgListInsertString = 0x0181;
inline constexpr uint32_t kMsgListDeleteString = 0x0182;
inline constexpr uint32_t kMsgListResetContent = 0x0184;
inline constexpr uint32_t kMsgListSetCurSel = 0x0186;
inline constexpr uint32_t kMsgListGetCurSel = 0x0188;
inline constexpr uint32_t kMsgListGetText = 0x0189;
inline constexpr uint32_t kMsgListGetTextLen = 0x018A;
inline constexpr uint32_t kMsgListGetCount = 0x018B;
inline constexpr uint32_t kMsgListGetTopIndex = 0x018E;
inline constexpr uint32_t kMsgListFindString = 0x018F;
inline constexpr uint32_t kMsgListSetTopIndex = 0x0197;
inline constexpr uint32_t kMsgListGetItemData = 0x0199;
inline constexpr uint32_t kMsgListSetItemData = 0x019A;
inline constexpr uint32_t kMsgListFindStringExact = 0x01A2;
inline constexpr intptr_t kListError = -1;
inline constexpr uint16_t kListSelChange = 1;
inline constexpr uint16_t kListDoubleClick = 2;

// Tree views.
inline constexpr uint32_t kTreeHasButtons = 0x1;
inline constexpr uint32_t kTreeHasLines = 0x2;
inline constexpr uint32_t kTreeLinesAtRoot = 0x4;
inline constexpr uint32_t kTreeShowSelAlways = 0x20;

using TreeItem = intptr_t; // 0 is none
inline constexpr TreeItem kTreeRoot = -0x10000;
inline constexpr TreeItem kTreeFirst = -0x0FFFF;
inline constexpr TreeItem kTreeLast = -0x0FFFE;

inline constexpr uint32_t kMsgTreeInsertItem = 0x1100;
inline constexpr uint32_t kMsgTreeDeleteItem = 0x1101;
inline constexpr uint32_t kMsgTreeExpand = 0x1102;
inline constexpr uint32_t kMsgTreeGetCount = 0x1105;
inline constexpr uint32_t kMsgTreeGetNextItem = 0x110A;
inline constexpr uint32_t kMsgTreeSelectItem = 0x110B;
inline constexpr uint32_t kMsgTreeGetItem = 0x110C;
inline constexpr uint32_t kMsgTreeSetItem = 0x110D;

inline constexpr uint32_t kTreeNextRoot = 0x0;
inline constexpr uint32_t kTreeNext = 0x1;
inline constexpr uint32_t kTreePrevious = 0x2;
inline constexpr uint32_t kTreeParent = 0x3;
inline constexpr uint32_t kTreeChild = 0x4;
inline constexpr uint32_t kTreeFirstVisible = 0x5;
inline constexpr uint32_t kTreeNextVisible = 0x6;
inline constexpr uint32_t kTreePreviousVisible = 0x7;
inline constexpr uint32_t kTreeCaret = 0x9;

inline constexpr uint32_t kTreeCollapse = 0x1;
inline constexpr uint32_t kTreeExpandIt = 0x2;
inline constexpr uint32_t kTreeToggle = 0x3;

inline constexpr uint32_t kTreeItemText = 0x1;
inline constexpr uint32_t kTreeItemParam = 0x4;
inline constexpr uint32_t kTreeItemState = 0x8;
inline constexpr uint32_t kTreeItemChildren = 0x40;
inline constexpr uint32_t kTreeStateSelected = 0x2;
inline constexpr uint32_t kTreeStateExpanded = 0x20;

// Why the selection changed.
inline constexpr uint32_t kTreeByUnknown = 0;
inline constexpr uint32_t kTreeByMouse = 1;
inline constexpr uint32_t kTreeByKeyboard = 2;

inline constexpr int32_t kTreeSelChanging = -401;
inline constexpr int32_t kTreeSelChanged = -402;
inline constexpr int32_t kTreeItemExpanding = -405;
inline constexpr int32_t kTreeItemExpanded = -406;

struct TreeItemRecord {
    uint32_t mask = 0;
    TreeItem item = 0;
    uint32_t state = 0;
    uint32_t stateMask = 0;
    char* text = nullptr; // on insert/set: the text; on get: a buffer of textMax
    int32_t textMax = 0;
    int32_t image = 0;
    int32_t selectedImage = 0;
    int32_t children = 0;
    intptr_t param = 0;
};

struct TreeInsertRecord {
    TreeItem parent = kTreeRoot;
    TreeItem insertAfter = kTreeLast;
    TreeItemRecord item;
};

// Progress bars.
inline constexpr uint32_t kMsgProgressSetRange = 0x0401; // lparam: low 16 bits min, high 16 bits max
inline constexpr uint32_t kMsgProgressSetPos = 0x0402;
inline constexpr uint32_t kMsgProgressDeltaPos = 0x0403;
inline constexpr uint32_t kMsgProgressSetStep = 0x0404;
inline constexpr uint32_t kMsgProgressStepIt = 0x0405;
inline constexpr uint32_t kMsgProgressSetRange32 = 0x0406;
inline constexpr uint32_t kMsgProgressGetRange = 0x0407; // wparam: true for the low end
inline constexpr uint32_t kMsgProgressGetPos = 0x0408;

// Tooltips. A tool with the text kTooltipTextCallback asks its window for the
// text each time the tip is shown (kTooltipNeedText through the notify message).
inline constexpr uint32_t kMsgTooltipActivate = 0x0401;
inline constexpr uint32_t kMsgTooltipSetDelayTime = 0x0403;
inline constexpr uint32_t kMsgTooltipAddTool = 0x0404;
inline constexpr uint32_t kMsgTooltipDelTool = 0x0405;
inline constexpr uint32_t kMsgTooltipNewToolRect = 0x0406;
inline constexpr uint32_t kMsgTooltipRelayEvent = 0x0407;
inline constexpr uint32_t kMsgTooltipGetToolCount = 0x040D;
inline constexpr uint32_t kMsgTooltipPop = 0x041C;
inline constexpr uint32_t kTooltipIdIsWindow = 0x1;
inline constexpr uint32_t kTooltipSubclass = 0x10;
inline constexpr int32_t kTooltipNeedText = -520;
inline constexpr int32_t kTooltipShow = -521;
inline constexpr int32_t kTooltipPop = -522;
inline char* const kTooltipTextCallback = reinterpret_cast<char*>(static_cast<intptr_t>(-1));
// kMsgTooltipSetDelayTime's wparam.
inline constexpr uint32_t kTooltipDelayAutomatic = 0;
inline constexpr uint32_t kTooltipDelayAutoPop = 2;
inline constexpr uint32_t kTooltipDelayInitial = 3;

// Notifications of a tree view (kMsgNotify's lparam).
struct TreeNotify {
    NotifyHeader header;
    uint32_t action = kTreeByUnknown; // kTreeBy... for selection; kTreeCollapse/kTreeExpandIt for expansion
    TreeItemRecord itemOld;
    TreeItemRecord itemNew;
    Point dragPoint;
};

// A tool of a tooltip control (kMsgTooltipAddTool's lparam).
struct ToolInfo {
    uint32_t size = sizeof(ToolInfo);
    uint32_t flags = 0;            // kTooltipIdIsWindow, kTooltipSubclass
    WindowHandle window = nullptr; // the window the tool is in, which also gets kTooltipNeedText
    uintptr_t id = 0;              // with kTooltipIdIsWindow: the tool's own window
    Rect rect;                     // client coordinates of window
    ModuleHandle module = nullptr;
    char* text = nullptr; // the text, or kTooltipTextCallback
    intptr_t param = 0;
};

// kTooltipNeedText: the window answers by pointing text at its text, or by filling buffer.
struct TooltipTextRequest {
    NotifyHeader header;
    char* text = nullptr;
    char buffer[80] = {};
    ModuleHandle module = nullptr;
    uint32_t flags = 0;
    intptr_t param = 0;
};

// The standard control classes; the dialog, message box, menu and tooltip
// functions register them themselves, so this is needed only before creating
// a control with createWindow first. Safe to call often and from any thread.
PLAT_API void initControls();

// The pop-up list of a drop-down list while it is shown (null otherwise).
PLAT_API WindowHandle comboListWindow(WindowHandle combo);
// The tooltip window currently showing a tip: whether it shows one and its text.
[[nodiscard]] PLAT_API bool tooltipShownText(WindowHandle tooltip, std::string& text);

} // namespace plat::ui
