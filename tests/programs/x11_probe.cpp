// Runs one window scene of the platform on the backend that VELMORA_UI names
// and reports in lines on standard output what the window receives, so that
// a test in another process can look at it (through X) and drive it. Ends
// when its standard input closes.
//
//   x11_probe scene [--save file.png]   a painted window with its class's icons;
//                                       echoes mouse and keys, M minimises it,
//                                       R restores it
//   x11_probe shaped                    a T-shaped window
//   x11_probe dialog                    a dialog with one button (id 1001)
//   x11_probe tray                      a tray icon; echoes its mouse messages
//   x11_probe drop                      a window that takes dropped files
//   x11_probe capture TITLE FILE.png    saves the X window of that title (waits
//                                       for it up to ten seconds) as a picture

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

#include "platform/core/Module.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Png.h"
#include "platform/ui/Region.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"

using namespace plat::ui;

namespace {

constexpr uint32_t kTrayMessage = kMsgApp + 10;
constexpr uint32_t kTrayId = 7;
constexpr int kButtonId = 1001;

std::atomic<WindowHandle> mainWindow{nullptr}; // the window the input watcher closes

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::putchar('\n');
    std::fflush(stdout);
}

// The scene both backends paint: a blue face, a yellow box with a black
// frame, a white bar and a diagonal line.
void paintScene(Painter& painter, const Rect& client)
{
    painter.fillRect(client, rgb(40, 90, 160));
    painter.setPen(Pen::solid(kBlack));
    painter.setBrush(Brush::solid(rgb(250, 210, 40)));
    painter.rectangle({20, 20, 120, 70});
    painter.fillRect({140, 30, 220, 50}, kWhite);
    painter.setPen(Pen::solid(rgb(200, 30, 30), 3));
    painter.line(20, 120, 220, 90);
}

intptr_t windowProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgPaint: {
        PaintInfo info;
        if (Painter* painter = beginPaint(window, info)) {
            Rect client;
            (void)clientRect(window, client);
            if (windowTitle(window) == "x11-probe shaped")
                painter->fillRect(client, rgb(220, 0, 0));
            else
                paintScene(*painter, client);
            (void)endPaint(window, info);
        }
        return 0;
    }
    case kMsgLButtonDown:
        say("lbuttondown %d %d", pointX(lparam), pointY(lparam));
        return 0;
    case kMsgLButtonUp:
        say("lbuttonup %d %d", pointX(lparam), pointY(lparam));
        return 0;
    case kMsgRButtonDown:
        say("rbuttondown %d %d", pointX(lparam), pointY(lparam));
        return 0;
    case kMsgMouseWheel:
        say("wheel %d", wheelDeltaOf(wparam));
        return 0;
    case kMsgKeyDown:
        say("keydown 0x%02X", static_cast<unsigned>(wparam));
        if (wparam == 'M') {
            showWindow(window, kShowMinimize);
            say("minimised");
        } else if (wparam == 'R') {
            showWindow(window, kShowRestore);
            say("restored");
        }
        return 0;
    case kMsgChar:
        say("char 0x%02X", static_cast<unsigned>(wparam));
        return 0;
    case kMsgDropFiles: {
        const auto drop = reinterpret_cast<DropHandle>(wparam);
        Point at;
        dragQueryPoint(drop, at);
        const uint32_t count = dragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
        say("drop %d %d %u", at.x, at.y, count);
        for (uint32_t i = 0; i < count; ++i) {
            char path[512] = {};
            dragQueryFile(drop, i, path, sizeof path);
            say("path %s", path);
        }
        dragFinish(drop);
        return 0;
    }
    case kTrayMessage:
        say("tray %u 0x%04X", static_cast<unsigned>(wparam), static_cast<unsigned>(lparam));
        return 0;
    case kMsgDestroy:
        postQuitMessage(0);
        return 0;
    default:
        return defWindowProc(window, message, wparam, lparam);
    }
}

// Closes the main window when the test closes our input.
void watchInput(WindowHandle window)
{
    mainWindow.store(window);
    std::thread([] {
        char buffer[64];
        while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
        }
        if (WindowHandle target = mainWindow.load())
            (void)postMessage(target, kMsgClose, 0, 0);
    }).detach();
}

void runLoop()
{
    Message message;
    while (getMessage(message)) {
        translateMessage(message);
        dispatchMessage(message);
    }
}

WindowHandle makeWindow(const char* title, int x, int y, int width, int height, uint32_t exStyle,
                        bool visible)
{
    static bool registered = false;
    if (!registered) {
        // Icons the tests can recognise: a 32 x 32 one with one translucent
        // pixel at (5, 3), a 16 x 16 green one with a blue last pixel.
        static Surface icon(32, 32, argb(0xFF, 0x20, 0x40, 0x60));
        static Surface smallIcon(16, 16, rgb(0, 0xA0, 0));
        icon.setPixel(5, 3, argb(0x80, 0x11, 0x22, 0x33));
        smallIcon.setPixel(15, 15, rgb(0, 0, 0xFF));
        WindowClass windowClass;
        windowClass.procedure = windowProcedure;
        windowClass.module = plat::programModule();
        windowClass.icon = &icon;
        windowClass.smallIcon = &smallIcon;
        windowClass.name = "X11Probe";
        registered = registerClass(windowClass);
    }
    WindowHandle window =
        createWindow(exStyle, "X11Probe", title, kStylePopup | (visible ? kStyleVisible : 0), x, y, width,
                     height, nullptr, 0, plat::programModule(), nullptr);
    if (window == nullptr) {
        say("failed %s", lastBackendError().c_str());
        return nullptr;
    }
    watchInput(window);
    if (visible)
        (void)updateWindow(window);
    return window;
}

int scene(int argc, char** argv)
{
    WindowHandle window = makeWindow("x11-probe scene", 100, 80, 240, 140, 0, true);
    if (window == nullptr)
        return 1;
    if (argc >= 4 && std::strcmp(argv[2], "--save") == 0) {
        say(headless::savePng(window, argv[3]) ? "saved" : "not saved");
        (void)destroyWindow(window);
        return 0;
    }
    say("shown");
    runLoop();
    say("bye");
    return 0;
}

int shaped()
{
    WindowHandle window = makeWindow("x11-probe shaped", 300, 200, 200, 100, 0, false);
    if (window == nullptr)
        return 1;
    const plat::ui::Region shape = plat::ui::Region({0, 0, 200, 40}).unite(Rect{50, 40, 150, 100});
    (void)setWindowRegion(window, &shape, false);
    showWindow(window, kShow);
    (void)updateWindow(window);
    say("shown");
    runLoop();
    return 0;
}

intptr_t dialogProcedure(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t)
{
    switch (message) {
    case kMsgInitDialog: {
        watchInput(dialog);
        // The dialog and its button exist while it is being initialised.
        Rect button;
        (void)windowRect(dialogItem(dialog, kButtonId), button);
        Point topLeft = button.topLeft();
        (void)screenToClient(dialog, topLeft);
        say("button %d %d %d %d", topLeft.x, topLeft.y, button.width(), button.height());
        return 1;
    }
    case kMsgCommand:
        if (loWord(wparam) == kButtonId || loWord(wparam) == kIdCancel || loWord(wparam) == kIdOk) {
            (void)endDialog(dialog, loWord(wparam));
            return 1;
        }
        return 0;
    case kMsgClose:
        (void)endDialog(dialog, kIdCancel);
        return 1;
    default:
        return 0;
    }
}

int dialog()
{
    static const DialogItemTemplate items[] = {
        {kButtonClass, "Press me", kButtonId, 40, 30, 60, 16, kStyleChild | kStyleVisible | kStyleTabStop, 0},
    };
    DialogTemplate dialogTemplate;
    dialogTemplate.caption = "x11-probe dialog";
    dialogTemplate.style =
        kStylePopup | kStyleCaption | kStyleSysMenu | kStyleVisible | kDialogStyleModalFrame;
    dialogTemplate.x = 20;
    dialogTemplate.y = 20;
    dialogTemplate.width = 140;
    dialogTemplate.height = 80;
    dialogTemplate.items = items;
    const intptr_t result =
        dialogBoxIndirectParam(plat::programModule(), dialogTemplate, nullptr, dialogProcedure, 0);
    say("ended %ld", static_cast<long>(result));
    return 0;
}

int tray()
{
    WindowHandle owner = makeWindow("x11-probe tray owner", 0, 0, 50, 50, kExStyleToolWindow, false);
    if (owner == nullptr)
        return 1;
    Surface icon(16, 16, rgb(0, 160, 0));
    TrayIconSpec trayIcon;
    trayIcon.owner = owner;
    trayIcon.id = kTrayId;
    trayIcon.callbackMessage = kTrayMessage;
    trayIcon.icon = &icon;
    trayIcon.tip = "x11-probe tray";
    say(backend()->showTrayIcon(trayIcon) ? "tray" : "no tray");
    runLoop();
    (void)backend()->removeTrayIcon(owner, kTrayId); // the probe ends either way
    return 0;
}

int drop()
{
    WindowHandle window = makeWindow("x11-probe drop", 50, 50, 200, 150, kExStyleAcceptFiles, true);
    if (window == nullptr)
        return 1;
    say("shown");
    runLoop();
    return 0;
}

// The top-level window (a child of the root, or a window manager's frame's
// client) named title.
::Window findByTitle(::Display* display, ::Window parent, const std::string& title, int depth)
{
    ::Window rootReturn = None;
    ::Window parentReturn = None;
    ::Window* children = nullptr;
    unsigned count = 0;
    ::Window found = None;
    if (XQueryTree(display, parent, &rootReturn, &parentReturn, &children, &count) == 0)
        return None;
    for (unsigned i = 0; i < count && found == None; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
            if (title == name)
                found = children[i];
            XFree(name);
        }
        if (found == None && depth > 0)
            found = findByTitle(display, children[i], title, depth - 1);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

int capture(const std::string& title, const std::string& path)
{
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        say("no display");
        return 1;
    }
    ::Window window = None;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((window = findByTitle(display, DefaultRootWindow(display), title, 2)) == None &&
           std::chrono::steady_clock::now() < deadline)
        usleep(50000);
    XWindowAttributes attributes{};
    if (window == None || XGetWindowAttributes(display, window, &attributes) == 0) {
        say("no window %s", title.c_str());
        XCloseDisplay(display);
        return 1;
    }
    // Give the window a moment to finish its first paint after it was mapped.
    usleep(300000);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    bool saved = false;
    if (image != nullptr) {
        Surface picture(attributes.width, attributes.height);
        for (int y = 0; y < attributes.height; ++y)
            for (int x = 0; x < attributes.width; ++x)
                picture.setPixel(x, y, opaque(static_cast<Argb>(XGetPixel(image, x, y))));
        XDestroyImage(image);
        saved = savePng(picture, path);
    }
    XCloseDisplay(display);
    say(saved ? "saved" : "not saved");
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    if (mode == "capture" && argc == 4)
        return capture(argv[2], argv[3]);
    if (mode == "scene")
        return scene(argc, argv);
    if (mode == "shaped")
        return shaped();
    if (mode == "dialog")
        return dialog();
    if (mode == "tray")
        return tray();
    if (mode == "drop")
        return drop();
    return 2;
}
