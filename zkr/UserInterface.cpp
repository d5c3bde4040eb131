#include "zkr/UserInterface.h"

#include <new>

#include "api/Protocol.h"
#include "platform/core/Thread.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageQueue.h"
#include "zkr/Application.h"
#include "zkr/BitmapObject.h"
#include "zkr/ClassKinds.h"
#include "zkr/Control.h"
#include "zkr/WindowHelpers.h"

namespace zkr {

using namespace plat::ui;

namespace {

constexpr int kInterfaceFontPoints = 7;
constexpr const char* kInterfaceFontFace = "Small Fonts";
constexpr const char* kDirectHelpText = "direct help";

} // namespace

UserInterface::UserInterface() : closed_(true, false, "closed")
{
    kind = kKindUserInterface;
}

UserInterface::~UserInterface()
{
    endWindow();
    releaseResources();
    unregisterClass();
}

void UserInterface::endWindow()
{
    bool onOwnThread = threadStarted_ && plat::currentThreadId() == thread_.threadId;
    // A window still open would call into this object after it is gone; from
    // another thread the window's own thread destroys it (and ends its loop).
    if (window != nullptr && isWindow(window))
        (void)destroyWindow(window);
    if (threadStarted_ && !onOwnThread)
        (void)thread_.wait(plat::kInfinite);
}

// ---- creation -------------------------------------------------------------------------------

bool UserInterface::registerWindowClass()
{
    WindowClass windowClass;
    windowClass.style = kClassStyles;
    windowClass.procedure = windowProcedure;
    windowClass.extraBytes = 0;
    windowClass.module = module;
    windowClass.icon = description.icon;
    windowClass.smallIcon = description.smallIcon;
    windowClass.name = description.className;
    if (!registerClass(windowClass))
        return false;
    classRegistered = true;
    return true;
}

void UserInterface::unregisterClass()
{
    if (!classRegistered)
        return;
    if (plat::ui::unregisterClass(description.className, module))
        classRegistered = false;
}

bool UserInterface::createWindow()
{
    uint32_t exStyle =
        kExStyleAcceptFiles | (description.inTaskBar > 0 ? kExStyleAppWindow : kExStyleToolWindow);
    WindowHandle made = plat::ui::createWindow(exStyle, description.className, description.title,
                                               kWindowStyles, description.x, description.y, description.width,
                                               description.height, parent, 0, module, this);
    if (made == nullptr)
        window = nullptr;
    return made != nullptr;
}

bool UserInterface::showPlaced(int command)
{
    if (awaitingPlace_ && command != kShowHide) {
        awaitingPlace_ = false;
        Rect place;
        if (windowRect(window, place) && place.left == description.x && place.top == description.y)
            (void)placeBesideShownWindows(window); // else it shows where it was made
    }
    return showWindow(window, command);
}

void UserInterface::placeAndShape()
{
    if (description.centre)
        (void)centreOnScreen(window); // left where it was made
    if (description.region)
        (void)setWindowRegion(window, &*description.region, false);
}

int UserInterface::create(bool registerClass, const WindowDescription& from, plat::ModuleHandle fromModule,
                          int show)
{
    description = from;
    module = fromModule;
    showCommand = show;
    classRegistered = false;
    if (registerClass && !registerWindowClass()) {
        setError(toWire(engine::Error::CreateUserInterface));
        return lastError;
    }
    if (!createWindow()) {
        unregisterClass();
        setError(toWire(engine::Error::CreateUserInterface));
        return lastError;
    }
    awaitingPlace_ = description.besideShownWindows;
    placeAndShape();
    beforeShow();
    showPlaced(showCommand);
    (void)updateWindow(window);
    clearError();
    return 0;
}

int UserInterface::runOnOwnThread(const WindowDescription& from, plat::ModuleHandle fromModule, int show)
{
    description = from;
    module = fromModule;
    showCommand = show;
    classRegistered = false;
    created_ = std::make_unique<EventObject>(false, false, "created");
    failed_ = std::make_unique<EventObject>(false, false, "failed");
    (void)closed_.reset();
    if (!thread_.create(threadMain, this)) {
        (void)closed_.set();
        setError(toWire(engine::Error::CreateUserInterface));
        return lastError;
    }
    // Written before the thread runs, so the thread may read it.
    threadStarted_ = true;
    if (!thread_.resume()) {
        // Never run, the thread has nothing to be waited for.
        threadStarted_ = false;
        (void)closed_.set();
        setError(toWire(engine::Error::CreateUserInterface));
        return lastError;
    }
    // The events stay until this object goes: the thread may still be inside set().
    int which = waitForEither(failed_->handle, created_->handle, false, plat::kInfinite);
    if (which == 1)
        return 0;
    (void)thread_.wait(plat::kInfinite);
    (void)closed_.set();
    setError(toWire(engine::Error::CreateUserInterface));
    return lastError;
}

uint32_t UserInterface::threadMain(void* parameter)
{
    static_cast<UserInterface*>(parameter)->runThread();
    return 0;
}

void UserInterface::runThread()
{
    if (!registerWindowClass() || !createWindow()) {
        unregisterClass();
        (void)failed_->set();
        return;
    }
    awaitingPlace_ = description.besideShownWindows;
    placeAndShape();
    // Cleared here, before the owner is told: from then on only this thread
    // records errors of the window.
    clearError();
    (void)created_->set();
    beforeShow();
    showPlaced(showCommand);
    (void)updateWindow(window);
    Message message;
    while (getMessage(message)) {
        translateMessage(message);
        dispatchMessage(message);
    }
    description.region.reset();
}

bool UserInterface::onCreate()
{
    if (!preCreate())
        return false;
    initControls();
    tooltipWindow = plat::ui::createWindow(kExStyleTopmost, kTooltipClass, "", 0, kUseDefault, kUseDefault,
                                           kUseDefault, kUseDefault, window, 0, module, nullptr);
    FontSpec spec;
    spec.face = kInterfaceFontFace;
    spec.height = heightForPoints(kInterfaceFontPoints);
    spec.weight = kWeightNormal;
    interfaceFont = Font::get(spec);
    if (!createStageOne() || !createStageTwo()) {
        releaseResources();
        return false;
    }
    backBuffer.reset(description.width, description.height, kWhite);
    backBufferDc = std::make_unique<Painter>(backBuffer);
    if (background != nullptr && !background->isEmpty()) {
        background->blitAll(*backBufferDc, 0, 0);
    } else {
        // The default pen and brush: a white rectangle with a black frame.
        backBufferDc->rectangle(Rect{0, 0, description.width, description.height});
    }
    backBufferDc->setFont(interfaceFont);
    if (finishCreate() > 0) {
        releaseResources();
        return false;
    }
    return true;
}

int UserInterface::onDestroy()
{
    beforeDestroy();
    releaseResources();
    // Only a window on a thread of its own ends its thread's loop: other
    // windows share the loop of a thread that goes on serving other windows.
    return threadStarted_ && plat::currentThreadId() == thread_.threadId ? 2 : 1;
}

void UserInterface::releaseResources()
{
    controls.clear();
    controls.shrink_to_fit();
    pressedControl = nullptr;
    hoveredControl = nullptr;
    backBufferDc.reset();
    backBuffer = Surface();
    interfaceFont = nullptr;
    if (tooltipWindow != nullptr && isWindow(tooltipWindow))
        (void)destroyWindow(tooltipWindow);
    tooltipWindow = nullptr;
    if (mouseCaptured) {
        releaseCapture();
        mouseCaptured = false;
    }
    dragging = false;
}

void UserInterface::afterClose()
{
    // A refused close leaves the window open: nothing to tell the owner yet.
    if (window == nullptr || !isWindow(window))
        (void)closed_.set();
}

int UserInterface::finishCreate()
{
    return 0;
}

bool UserInterface::createStageOne()
{
    return true;
}

void UserInterface::beforeDestroy() {}

bool UserInterface::createStageTwo()
{
    return true;
}

bool UserInterface::preCreate()
{
    return true;
}

void UserInterface::onControlContextMenu(Control*, int, int) {}

void UserInterface::beforeShow() {}

bool UserInterface::onControlDrop(Control*, const std::vector<std::string>&)
{
    return true;
}

void UserInterface::afterPaint(Painter*) {}

// ---- controls and tooltips -------------------------------------------------------------------

void UserInterface::keepControl(std::unique_ptr<Control> control)
{
    Control& kept = *controls.emplace_back(std::move(control));
    kept.attachTo(this);
    if (kept.hasTooltip)
        addTooltip(kept.rect, controls.size() - 1);
}

void UserInterface::addTooltip(const Rect& rect, uintptr_t id)
{
    if (tooltipWindow == nullptr)
        return;
    ToolInfo tool;
    tool.flags = kTooltipSubclass;
    tool.window = window;
    tool.id = id;
    tool.rect = rect;
    tool.module = module;
    tool.text = kTooltipTextCallback;
    sendMessage(tooltipWindow, kMsgTooltipAddTool, 0, reinterpret_cast<intptr_t>(&tool));
}

Control* UserInterface::shownControlAt(int x, int y) const
{
    for (const auto& control : controls) {
        if (control->visible && control->region.contains(x, y))
            return control.get();
    }
    return nullptr;
}

Control* UserInterface::controlAt(int x, int y) const
{
    for (const auto& control : controls) {
        if (control->enabled && control->visible && control->region.contains(x, y))
            return control.get();
    }
    return nullptr;
}

void UserInterface::onNotify(uintptr_t, intptr_t lparam)
{
    const auto* header = reinterpret_cast<const NotifyHeader*>(lparam);
    if (header != nullptr && header->code == kTooltipNeedText)
        tooltipText(reinterpret_cast<TooltipTextRequest*>(lparam));
}

void UserInterface::tooltipText(TooltipTextRequest* tipRequest)
{
    if (tipRequest == nullptr)
        return;
    Point cursor;
    cursorPosition(cursor);
    (void)screenToClient(window, cursor);
    for (const auto& control : controls) {
        if (control->visible && control->region.contains(cursor)) {
            control->onTooltip();
            tipRequest->text = control->tooltip;
            return;
        }
    }
}

// ---- painting ----------------------------------------------------------------------------------

void UserInterface::onPaint(Painter* dc, PaintInfo& paintInfo)
{
    if (backBufferDc == nullptr)
        return;
    const Rect invalid = paintInfo.paint;
    if (background != nullptr && !background->isEmpty())
        background->blit(*backBufferDc, invalid.left, invalid.top, invalid.left, invalid.top, invalid.right,
                         invalid.bottom);
    for (const auto& control : controls) {
        if (control->visible && control->rect.intersects(invalid))
            control->paint(backBufferDc.get());
    }
    dc->blit(invalid.left, invalid.top, backBuffer, invalid);
    afterPaint(dc);
}

// ---- mouse and keys ---------------------------------------------------------------------------

void UserInterface::onMouseDown(intptr_t point, uintptr_t keys)
{
    int x = pointX(point);
    int y = pointY(point);
    Control* control = controlAt(x, y);
    // A press on a disabled control is no press on the background: it moves nothing.
    if (control == nullptr && shownControlAt(x, y) != nullptr)
        return;
    // The drag that follows, inside the window or out of it, belongs to the
    // control or, on the background, to the window.
    if (!mouseCaptured && (control == nullptr || !control->firesOnPress)) {
        setCapture(window);
        mouseCaptured = true;
    }
    if (control != nullptr) {
        pressedControl = control;
        control->onMouseDown(controlPoint(*control, x, y), keys);
        return;
    }
    dragging = true;
    dragOriginX = static_cast<int16_t>(x);
    dragOriginY = static_cast<int16_t>(y);
}

void UserInterface::onMouseMove(intptr_t point, uintptr_t keys)
{
    int x = pointX(point);
    int y = pointY(point);
    if (dragging) {
        Rect bounds;
        if (windowRect(window, bounds))
            (void)setWindowPos(window, bounds.left + x - dragOriginX, bounds.top + y - dragOriginY, 0, 0,
                               kPosNoSize | kPosNoZOrder | kPosNoActivate);
        return;
    }
    Control* control = controlAt(x, y);
    if (Control* mover = pressedControl != nullptr ? pressedControl : control)
        mover->onMouseMove(controlPoint(*mover, x, y), keys);
    if (pressedControl != nullptr)
        pressedControl->setState(control == pressedControl ? Control::kStatePressed : Control::kStateNormal);
    if (hoveredControl != control && hoveredControl != nullptr && hoveredControl != pressedControl)
        hoveredControl->setState(Control::kStateNormal);
    hoveredControl = control;
    if (control != nullptr && control != pressedControl)
        control->setState(Control::kStateHot);
}

void UserInterface::onMouseUp(intptr_t point, uintptr_t keys)
{
    int x = pointX(point);
    int y = pointY(point);
    // A pressed control hears its release wherever it happens; it fires only
    // when the pointer is still over it.
    Control* control = pressedControl != nullptr ? pressedControl : controlAt(x, y);
    pressedControl = nullptr;
    dragging = false;
    // Released first: what the control opens when it fires (a menu) takes the mouse itself.
    if (mouseCaptured) {
        mouseCaptured = false;
        releaseCapture();
    }
    if (control != nullptr)
        control->onMouseUp(controlPoint(*control, x, y), keys);
}

void UserInterface::onDoubleClick(intptr_t point, uintptr_t keys)
{
    int x = pointX(point);
    int y = pointY(point);
    if (Control* control = controlAt(x, y))
        control->onDoubleClick(controlPoint(*control, x, y), keys);
}

void UserInterface::onWheel(uintptr_t wparam, int wheelDelta, int x, int y)
{
    Point client{x, y};
    (void)screenToClient(window, client);
    if (Control* control = controlAt(client.x, client.y))
        control->onWheel(wheelDelta, loWord(wparam));
}

void UserInterface::onKey(int up, uintptr_t key, intptr_t)
{
    Point cursor;
    cursorPosition(cursor);
    (void)screenToClient(window, cursor);
    for (const auto& control : controls) {
        if (control->enabled && control->visible && control->takesKeys)
            control->onKey(up, key, control->region.contains(cursor));
    }
}

// ---- menus, help, drops -----------------------------------------------------------------------

bool UserInterface::onContextMenu(int x, int y)
{
    Point client{x, y};
    (void)screenToClient(window, client);
    Control* control = controlAt(client.x, client.y);
    if (control == nullptr || !control->hasDirectHelp) {
        onControlContextMenu(control, x, y);
        return true;
    }
    PopupMenu menu;
    menu.add(kDirectHelpCommand, kDirectHelpText, helpTopic != -1);
    if (menu.track(x, y, window) == kDirectHelpCommand) {
        HelpInfo request;
        request.contextType = kHelpInfoWindow;
        request.item = window;
        request.mousePosition = Point{x, y};
        onHelp(&request);
    }
    return true;
}

int UserInterface::onHelp(const HelpInfo* helpInfo)
{
    Application* application = theApplication;
    if (helpTopic == -1 || application == nullptr || helpInfo == nullptr)
        return 0;
    Point client = helpInfo->mousePosition;
    (void)screenToClient(window, client);
    for (const auto& control : controls) {
        if (control->visible && control->region.contains(client)) {
            application->showHelp(helpTopic, control->helpNumber);
            return 1;
        }
    }
    application->showHelp(helpTopic, -1);
    return 0;
}

bool UserInterface::dispatchDrop(int x, int y, const std::vector<std::string>& files)
{
    return onControlDrop(controlAt(x, y), files);
}

} // namespace zkr
