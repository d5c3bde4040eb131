#pragma once

#include <cstdint>

#include "platform/ui/Geometry.h"

// Message numbers, command identifiers, key codes and the records that travel
// in messages. The numbers are those of the system's original platform, so
// arithmetic on them (every message above 32768 is a user message, ...) holds.
namespace plat::ui {

struct WindowRecord;
// A window: an opaque pointer-sized value; null is none. A handle of a
// destroyed window is refused by every call, never followed.
using WindowHandle = WindowRecord*;

// ---- messages ------------------------------------------------------------
inline constexpr uint32_t kMsgNull = 0x0000;
inline constexpr uint32_t kMsgCreate = 0x0001; // lparam: const CreateInfo*; answer -1 fails creation
inline constexpr uint32_t kMsgDestroy = 0x0002;
inline constexpr uint32_t kMsgMove = 0x0003; // lparam: client origin packed as a point
inline constexpr uint32_t kMsgSize = 0x0005; // lparam: width, height packed as a point
inline constexpr uint32_t kMsgActivate =
    0x0006; // wparam: low kWaInactive/kWaActive, high minimised; lparam: other window
inline constexpr uint32_t kMsgSetFocus = 0x0007;  // wparam: window that lost the focus
inline constexpr uint32_t kMsgKillFocus = 0x0008; // wparam: window that gets the focus
inline constexpr uint32_t kMsgEnable = 0x000A;    // wparam: enabled
inline constexpr uint32_t kMsgSetText = 0x000C;   // lparam: const char*
inline constexpr uint32_t kMsgGetText = 0x000D;   // wparam: buffer size, lparam: char*; answer: length copied
inline constexpr uint32_t kMsgGetTextLength = 0x000E;
inline constexpr uint32_t kMsgPaint = 0x000F;
inline constexpr uint32_t kMsgClose = 0x0010;
inline constexpr uint32_t kMsgQuit = 0x0012; // wparam: exit code
inline constexpr uint32_t kMsgEraseBackground = 0x0014;
inline constexpr uint32_t kMsgShowWindow = 0x0018; // wparam: shown
inline constexpr uint32_t kMsgSetCursor = 0x0020;
inline constexpr uint32_t kMsgNextDialogControl = 0x0028;
inline constexpr uint32_t kMsgSetFont = 0x0030;
inline constexpr uint32_t kMsgGetFont = 0x0031;
inline constexpr uint32_t kMsgCopyData = 0x004A;    // wparam: sender window, lparam: const CopyData*
inline constexpr uint32_t kMsgNotify = 0x004E;      // wparam: control id, lparam: NotifyHeader*
inline constexpr uint32_t kMsgHelp = 0x0053;        // lparam: const HelpInfo*
inline constexpr uint32_t kMsgContextMenu = 0x007B; // wparam: window clicked, lparam: screen point
inline constexpr uint32_t kMsgGetDialogCode = 0x0087;
inline constexpr uint32_t kMsgKeyDown = 0x0100; // wparam: virtual key, lparam: key data
inline constexpr uint32_t kMsgKeyUp = 0x0101;
inline constexpr uint32_t kMsgChar = 0x0102;       // wparam: character
inline constexpr uint32_t kMsgInitDialog = 0x0110; // wparam: focus control, lparam: dialog parameter
inline constexpr uint32_t kMsgCommand = 0x0111;    // wparam: low id, high code; lparam: control window
inline constexpr uint32_t kMsgSysCommand = 0x0112;
inline constexpr uint32_t kMsgTimer = 0x0113;        // wparam: timer id, lparam: TimerProc or 0
inline constexpr uint32_t kMsgEnterIdle = 0x0121;    // sent to a modal loop's owner when its queue is empty
inline constexpr uint32_t kMsgCtlColorEdit = 0x0133; // wparam: Painter*, lparam: control; answer: Brush*
inline constexpr uint32_t kMsgCtlColorListBox = 0x0134;
inline constexpr uint32_t kMsgCtlColorButton = 0x0135;
inline constexpr uint32_t kMsgCtlColorDialog = 0x0136;
inline constexpr uint32_t kMsgCtlColorStatic = 0x0138;
inline constexpr uint32_t kMsgMouseMove = 0x0200; // wparam: kKey... flags, lparam: client point
inline constexpr uint32_t kMsgLButtonDown = 0x0201;
inline constexpr uint32_t kMsgLButtonUp = 0x0202;
inline constexpr uint32_t kMsgLButtonDoubleClick = 0x0203;
inline constexpr uint32_t kMsgRButtonDown = 0x0204;
inline constexpr uint32_t kMsgRButtonUp = 0x0205;
inline constexpr uint32_t kMsgRButtonDoubleClick = 0x0206;
inline constexpr uint32_t kMsgMButtonDown = 0x0207;
inline constexpr uint32_t kMsgMButtonUp = 0x0208;
inline constexpr uint32_t kMsgMButtonDoubleClick = 0x0209;
inline constexpr uint32_t kMsgMouseWheel = 0x020A;     // wparam: high delta, low keys; lparam: screen point
inline constexpr uint32_t kMsgCaptureChanged = 0x0215; // lparam: window that gets the capture
inline constexpr uint32_t kMsgDropFiles = 0x0233;      // wparam: DropHandle
inline constexpr uint32_t kMsgUser = 0x0400;
inline constexpr uint32_t kMsgApp = 0x8000;

inline constexpr bool isMouseMessage(uint32_t message)
{
    return message >= kMsgMouseMove && message <= kMsgMouseWheel;
}
inline constexpr bool isKeyMessage(uint32_t message)
{
    return message >= kMsgKeyDown && message <= kMsgChar;
}

// ---- command identifiers ---------------------------------------------------
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Activation states (low half of kMsgActivate's wparam).
inline constexpr uint32_t kWaInactive = 0;
inline constexpr uint32_t kWaActive = 1;
inline constexpr uint32_t kWaClickActive = 2;

// Mouse message wparam flags.
inline constexpr uint32_t kKeyLButton = 0x0001;
inline constexpr uint32_t kKeyRButton = 0x0002;
inline constexpr uint32_t kKeyShift = 0x0004;
inline constexpr uint32_t kKeyControl = 0x0008;
inline constexpr uint32_t kKeyMButton = 0x0010;

inline constexpr int kWheelDelta = 120; // one notch

// ---- virtual keys ------------------------------------------------------------
// Letters and digits are their upper-case ASCII codes ('A', '0').
inline constexpr uint32_t kVkBack = 0x08;
inline constexpr uint32_t kVkTab = 0x09;
inline constexpr uint32_t kVkReturn = 0x0D;
inline constexpr uint32_t kVkShift = 0x10;
inline constexpr uint32_t kVkControl = 0x11;
inline constexpr uint32_t kVkMenu = 0x12; // Alt
inline constexpr uint32_t kVkEscape = 0x1B;
inline constexpr uint32_t kVkSpace = 0x20;
inline constexpr uint32_t kVkPrior = 0x21; // Page Up
inline constexpr uint32_t kVkNext = 0x22;  // Page Down
inline constexpr uint32_t kVkEnd = 0x23;
inline constexpr uint32_t kVkHome = 0x24;
inline constexpr uint32_t kVkLeft = 0x25;
inline constexpr uint32_t kVkUp = 0x26;
inline constexpr uint32_t kVkRight = 0x27;
inline constexpr uint32_t kVkDown = 0x28;
inline constexpr uint32_t kVkInsert = 0x2D;
inline constexpr uint32_t kVkDelete = 0x2E;
inline constexpr uint32_t kVkF1 = 0x70; // kVkF1 + n - 1 for Fn up to F12
inline constexpr uint32_t kVkF12 = 0x7B;

// ---- packing -------------------------------------------------------------------
inline constexpr uint16_t loWord(uintptr_t value)
{
    return static_cast<uint16_t>(value & 0xFFFF);
}
inline constexpr uint16_t hiWord(uintptr_t value)
{
    return static_cast<uint16_t>((value >> 16) & 0xFFFF);
}
inline constexpr uintptr_t makeWParam(uint16_t low, uint16_t high)
{
    return uintptr_t(low) | (uintptr_t(high) << 16);
}
// A point in an lparam: low 16 bits x, high 16 bits y, each signed.
inline constexpr intptr_t makePointParam(int x, int y)
{
    return static_cast<intptr_t>(static_cast<uint32_t>(static_cast<uint16_t>(x)) |
                                 (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16));
}
inline constexpr int pointX(intptr_t lparam)
{
    return static_cast<int16_t>(lparam & 0xFFFF);
}
inline constexpr int pointY(intptr_t lparam)
{
    return static_cast<int16_t>((lparam >> 16) & 0xFFFF);
}
inline constexpr Point pointFromParam(intptr_t lparam)
{
    return {pointX(lparam), pointY(lparam)};
}
inline constexpr intptr_t pointParam(Point p)
{
    return makePointParam(p.x, p.y);
}
// The signed wheel delta in the high half of kMsgMouseWheel's wparam.
inline constexpr int wheelDeltaOf(uintptr_t wparam)
{
    return static_cast<int16_t>(hiWord(wparam));
}

// ---- records ----------------------------------------------------------------------
// One message as the queue hands it out.
struct Message {
    WindowHandle window = nullptr; // null for a thread message
    uint32_t message = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    uint32_t time = 0; // tick count when posted
    Point cursor;      // cursor position (screen) when posted
};

// The header of every kMsgNotify record.
struct NotifyHeader {
    WindowHandle from = nullptr;
    uintptr_t id = 0;
    int32_t code = 0;
};

// Data handed from one program to another with kMsgCopyData.
struct CopyData {
    uintptr_t data = 0; // free value, not interpreted
    uint32_t size = 0;  // bytes at bytes
    const void* bytes = nullptr;
};

inline constexpr int32_t kHelpInfoWindow = 1;
inline constexpr int32_t kHelpInfoMenuItem = 2;

// The help request (F1) of kMsgHelp.
struct HelpInfo {
    uint32_t size = sizeof(HelpInfo);
    int32_t contextType = kHelpInfoWindow; // kHelpInfoWindow: about a window
    int32_t controlId = 0;                 // id of the window (control) the request is about
    WindowHandle item = nullptr;           // that window
    uintptr_t contextId = 0;               // the window's help context number
    Point mousePosition;                   // screen position
};

// Dropped files of kMsgDropFiles: see dragQueryFile and friends in Window.h.
struct DropRecord;
using DropHandle = DropRecord*;

} // namespace plat::ui
