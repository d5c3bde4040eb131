#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Module.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"
#include "zkr/ObjectBase.h"

namespace zkr {

// Handles of the platform's windows, as the framework passes them around.
using WindowHandle = plat::ui::WindowHandle;

// The base of every window, dialog and control of the library. One window
// procedure (windowProcedure) serves every window class and every dialog: it
// finds the object in the window's user data and turns each message into a
// call of one of the virtual handlers below, so a concrete window overrides
// only what it needs. Used on the window's own thread only.
class WindowBase : public ObjectBase {
public:
    // Messages numbered above this one go to onUserMessage.
    static constexpr uint32_t kLastSystemMessage = 32768;
    // The most characters getName copies from a caption, terminator included.
    static constexpr int kCaptionSize = 256;

    WindowBase();

    // With a window, its caption; without one, the kind name.
    int getName(char* buffer) override;

    // ---- handlers, in the order of the class's operations ----
    // Window creation; false makes it fail.
    virtual bool onCreate();
    virtual void onInitDialog();
    // A close request; false refuses it.
    virtual bool onClose();
    // While onClose runs for a dialog's OK or Cancel: that button's id; 0 for any other close.
    int closingWith = 0;
    // Window destruction; 2 ends the message loop of the window's thread.
    virtual int onDestroy();
    // Commands other than OK and Cancel; false leaves them to the default handling.
    virtual bool onCommand(uintptr_t wparam, intptr_t lparam);
    virtual void onNotify(uintptr_t wparam, intptr_t lparam);
    // Called between the platform's begin and end of painting.
    virtual void onPaint(plat::ui::Painter* dc, plat::ui::PaintInfo& paintInfo);
    // point: the client position packed as in the message (plat::ui::pointX / pointY).
    virtual void onMouseDown(intptr_t point, uintptr_t keys);
    virtual void onMouseUp(intptr_t point, uintptr_t keys);
    virtual void onDoubleClick(intptr_t point, uintptr_t keys);
    virtual void onMouseMove(intptr_t point, uintptr_t keys);
    // x, y: the screen position.
    virtual void onWheel(uintptr_t wparam, int wheelDelta, int x, int y);
    // up: 0 for key down, 1 for key up.
    virtual void onKey(int up, uintptr_t key, intptr_t keyData);
    // Only when the window loses activation.
    virtual void onDeactivate(int minimized, WindowHandle otherWindow);
    // x, y: the screen position; false leaves the request to the default handling.
    virtual bool onContextMenu(int x, int y);
    virtual void onTimer(uintptr_t timerId, intptr_t callback);
    // The help request (F1); see the default in the source.
    virtual int onHelp(const plat::ui::HelpInfo* helpInfo);
    // Colours of a static control: the brush to paint it with, or null.
    virtual plat::ui::Brush* onControlColor(WindowHandle control, plat::ui::Painter* dc);
    // Every message above kLastSystemMessage. Note the order of the parameters.
    virtual intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam);
    virtual intptr_t onCopyData(uintptr_t wparam, intptr_t lparam);
    // Files dropped at x, y (client position), by their full paths, each
    // whole. False refuses them (Error::DropRefused).
    virtual bool onDropFiles(int x, int y, const std::vector<std::string>& files);
    // After a close request was carried out or refused.
    virtual void afterClose();

    // The shared procedure, for window classes and (as a dialog procedure) for dialogs.
    static intptr_t windowProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);
    // The object a window of the framework belongs to, or null.
    static WindowBase* fromWindow(WindowHandle window);

    // Where templates, bitmaps and icons come from; the program by default.
    plat::ModuleHandle module = nullptr;
    // The owner; null (the desktop) by default.
    WindowHandle parent = nullptr;
    bool isDialog = false;
    // A dialog that is destroyed instead of ended.
    bool modeless = false;
    // Set when the platform creates the window, cleared when it is destroyed.
    WindowHandle window = nullptr;
    WindowHandle tooltipWindow = nullptr;
    // Topic handed to showHelp; -1: the window has no help.
    int32_t helpTopic = 0;
    // Dialog template identifier, for dialogs.
    uint16_t templateId = 0;

protected:
    // Drop handling: reads the dropped files into a list, hands them to
    // dispatchDrop, and records Error::DropRefused when they are refused.
    void handleDrop(plat::ui::DropHandle drop);
    // Where dropped files go; the base calls onDropFiles.
    virtual bool dispatchDrop(int x, int y, const std::vector<std::string>& files);

private:
    intptr_t handleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, bool& handled);
    intptr_t handleClose();
    intptr_t handleOkCancel(int id);
};

} // namespace zkr
