#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/core/Module.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Region.h"
#include "platform/ui/Surface.h"
#include "platform/ui/controls/Controls.h"
#include "zkr/EventObject.h"
#include "zkr/ThreadObject.h"
#include "zkr/WindowBase.h"

namespace zkr {

class BitmapObject;
class Control;

// What a user interface window is made from; copied into the object.
struct WindowDescription {
    static constexpr int kClassNameSize = 32;
    static constexpr int kTitleSize = 128;

    const plat::ui::Surface* icon = nullptr; // kept by the caller while the class is registered
    const plat::ui::Surface* smallIcon = nullptr;
    const plat::ui::Surface* cursor = nullptr; // the platform shows its own arrow over every window
    char className[kClassNameSize] = {};
    char title[kTitleSize] = {};
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0; // also the size of the back buffer
    int32_t height = 0;
    bool centre = false;
    // The window's shape in client coordinates; none for a rectangular window.
    std::optional<plat::ui::Region> region;
    // Above 0: an application window shown in the task bar; otherwise a tool window.
    int32_t inTaskBar = 0;
    // Placed beside the windows already shown (placeBesideShownWindows) when
    // it first shows, unless something (a saved place) moved it from x, y.
    bool besideShownWindows = false;
};

// A skinned top-level window with a window class of its own: it draws a
// background bitmap through a back buffer and routes the mouse and keys to
// windowless controls found through their regions. It runs on the thread
// that creates it (create) or on a thread of its own (runOnOwnThread).
class UserInterface : public WindowBase {
public:
    // Command of the "direct help" item of a control's context menu.
    static constexpr uint32_t kDirectHelpCommand = 1;
    // Class styles: double clicks and an own drawing context.
    static constexpr uint32_t kClassStyles = 40;
    // Window styles: pop-up with a system menu.
    static constexpr uint32_t kWindowStyles = 0x80080000;

    UserInterface();
    // Waits for a thread of its own to end (unless called on that thread).
    // Owners close the window and wait for closedEvent() before deleting the
    // object: the derived part is gone by the time this runs, so a window still
    // open here is destroyed only as a last resort and may no longer reach the
    // derived handlers.
    ~UserInterface() override;
    // Destroys the window if it is still open and waits for a thread of its
    // own to end (unless called on that thread). A derived interface whose
    // members the window's thread uses calls it first in its destructor.
    void endWindow();

    // ---- window handlers ----
    bool onCreate() override;
    int onDestroy() override;
    void onNotify(uintptr_t wparam, intptr_t lparam) override;
    void onPaint(plat::ui::Painter* dc, plat::ui::PaintInfo& paintInfo) override;
    void onMouseDown(intptr_t point, uintptr_t keys) override;
    void onMouseUp(intptr_t point, uintptr_t keys) override;
    void onDoubleClick(intptr_t point, uintptr_t keys) override;
    void onMouseMove(intptr_t point, uintptr_t keys) override;
    void onWheel(uintptr_t wparam, int wheelDelta, int x, int y) override;
    void onKey(int up, uintptr_t key, intptr_t keyData) override;
    bool onContextMenu(int x, int y) override;
    int onHelp(const plat::ui::HelpInfo* helpInfo) override;
    // Signals the closed event once the window is gone, so an owner can wait for it.
    void afterClose() override;

    // ---- operations of a user interface, in order ----
    // Creates the window from the description (class, styles, rectangle).
    [[nodiscard]] virtual bool createWindow();
    // Last step of start-up; a status above 0 makes the creation fail.
    [[nodiscard]] virtual int finishCreate();
    [[nodiscard]] virtual bool createStageOne();
    // Before the controls and the back buffer go.
    virtual void beforeDestroy();
    [[nodiscard]] virtual bool createStageTwo();
    // First step of start-up; false makes the creation fail.
    [[nodiscard]] virtual bool preCreate();
    // A context menu over a control without direct help, or over no control (null).
    virtual void onControlContextMenu(Control* control, int x, int y);
    // Answers a tooltip's request for text (a plat::ui::TooltipTextRequest).
    virtual void tooltipText(plat::ui::TooltipTextRequest* tipRequest);
    // Just before the window is shown.
    virtual void beforeShow();
    // Files dropped on a control (or on no control: null); false refuses them.
    virtual bool onControlDrop(Control* control, const std::vector<std::string>& files);
    // After the back buffer was copied to the window.
    virtual void afterPaint(plat::ui::Painter* dc);
    // Makes the window on a thread of its own and returns once it exists (0)
    // or could not be made (CreateUserInterface).
    [[nodiscard]] virtual int runOnOwnThread(const WindowDescription& description, plat::ModuleHandle module,
                                             int showCommand);
    // Makes the window on the calling thread: 0, or CreateUserInterface on failure.
    [[nodiscard]] virtual int create(bool registerClass, const WindowDescription& description,
                                     plat::ModuleHandle module, int showCommand);
    // Unregisters the window class when this object registered it.
    virtual void unregisterClass();
    // showWindow, placing the window first on its first show when the
    // description asks for it. The window's thread.
    bool showPlaced(int command);

    // Appends the control, placed already (it belongs to this interface from
    // then on and is deleted by onDestroy), adds its tooltip and answers it.
    template <class ControlType> ControlType& addControl(std::unique_ptr<ControlType> control)
    {
        ControlType& added = *control;
        keepControl(std::move(control));
        return added;
    }
    // The same for a control that sends message with wparam id when it fires.
    template <class ControlType>
    ControlType& addControl(std::unique_ptr<ControlType> control, uint32_t message, uint32_t id)
    {
        control->message = message;
        control->messageWParam = id;
        return addControl(std::move(control));
    }
    // Adds a tool for rect to the tooltip window; its text is asked for later.
    void addTooltip(const plat::ui::Rect& rect, uintptr_t id);
    // The first enabled, visible control whose region holds the client point, or null.
    Control* controlAt(int x, int y) const;
    // A visible control at the point, enabled or not.
    Control* shownControlAt(int x, int y) const;
    // The closed event; set once the window has been closed (or could not be made).
    EventObject& closedEvent() { return closed_; }

    // The fields below belong to the window's thread. runOnOwnThread writes the
    // description, module and show command before it starts that thread, and
    // reads window only after the created or closed event.
    WindowDescription description;
    // As for plat::ui::showWindow.
    int showCommand = plat::ui::kShowNormal;
    bool classRegistered = false;
    std::vector<std::unique_ptr<Control>> controls;
    Control* pressedControl = nullptr;
    Control* hoveredControl = nullptr;
    bool dragging = false;
    int16_t dragOriginX = 0;
    int16_t dragOriginY = 0;
    bool mouseCaptured = false;
    // The back buffer: a bitmap of the description's size and its drawing context.
    plat::ui::Surface backBuffer;
    std::unique_ptr<plat::ui::Painter> backBufferDc;
    // Not owned; null for a white background.
    BitmapObject* background = nullptr;
    const plat::ui::Font* interfaceFont = nullptr;

protected:
    bool dispatchDrop(int x, int y, const std::vector<std::string>& files) override;
    // Registers the window class from the description; false on failure.
    [[nodiscard]] bool registerWindowClass();
    // Centres and shapes the window as the description asks.
    void placeAndShape();

private:
    static uint32_t threadMain(void* parameter);
    void runThread();
    void releaseResources();
    void keepControl(std::unique_ptr<Control> control);

    // The thread of a window made by runOnOwnThread; started and joined by
    // the owner's thread, run by the window's own thread.
    ThreadObject thread_;
    // created_ and failed_ hand the outcome of start-up from the window's
    // thread to runOnOwnThread (which owns them); closed_ tells any thread
    // that the window has closed. Events are safe from any thread.
    std::unique_ptr<EventObject> created_;
    std::unique_ptr<EventObject> failed_;
    EventObject closed_;
    bool threadStarted_ = false; // owner's thread only
    // Set at creation when the description asks for a place, cleared by the
    // first show. The window's thread.
    bool awaitingPlace_ = false;
};

} // namespace zkr
