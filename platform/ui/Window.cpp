#include "platform/ui/Window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>

#include "platform/core/Thread.h"
#include "platform/core/Time.h"
#include "platform/ui/UiState.h"

namespace plat::ui {

namespace {

inline constexpr uint32_t kSysCommandClose = 0xF060;
inline constexpr int kDefaultWidth = 320;
inline constexpr int kDefaultHeight = 240;

bool sameName(const std::string& a, const char* b)
{
    return b != nullptr && strcasecmp(a.c_str(), b) == 0;
}

std::shared_ptr<ClassRecord> findClassLocked(const char* name, ModuleHandle module, bool exactModule)
{
    std::shared_ptr<ClassRecord> any;
    for (const auto& record : uiState().classes) {
        if (!sameName(record->name, name))
            continue;
        if (record->description.module == module)
            return record;
        if (!any)
            any = record;
    }
    return exactModule ? nullptr : any;
}

// Sends to a window of this thread, posts to one of another thread (so that
// a notice never blocks on a thread that is busy).
void notify(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    bool local = false;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        if (record == nullptr)
            return;
        local = record->threadId == currentThreadId();
    }
    if (local)
        sendMessage(window, message, wparam, lparam);
    else
        postMessage(window, message, wparam, lparam);
}

// Pre-order: the window, then its children's trees.
void collectTreeLocked(WindowRecord* window, std::vector<WindowRecord*>& out)
{
    out.push_back(window);
    for (WindowRecord* child : window->children)
        collectTreeLocked(child, out);
}

// The drop records handed out and not yet freed. Guarded by uiMutex.
std::unordered_set<const DropRecord*>& liveDrops()
{
    static auto* drops = new std::unordered_set<const DropRecord*>;
    return *drops;
}

void reportBackendFailure()
{
    static bool reported = false; // guarded by uiMutex
    std::lock_guard lock(uiMutex());
    if (reported)
        return;
    reported = true;
    std::fprintf(stderr, "Velmora: no user interface can be shown: %s\n", lastBackendError().c_str());
    std::fflush(stderr);
}

} // namespace

void forgetWindowLocked(UiState& state, WindowRecord* window)
{
    if (window->windowClass)
        --window->windowClass->liveWindows;
    if (state.active == window)
        state.active = nullptr;
    if (state.capture == window)
        state.capture = nullptr;
    if (state.lastClickWindow == window)
        state.lastClickWindow = nullptr;
    for (WindowRecord* top : state.topLevels) {
        if (top->owner == window)
            top->owner = nullptr;
        if (top->lastFocus == window)
            top->lastFocus = nullptr;
    }
}

namespace {

// Unlinks a window being destroyed from every list, under uiMutex. Its
// native window and pending drops are handed back for freeing outside the lock.
void unlinkLocked(WindowRecord* window, std::vector<NativeWindow>& natives, std::vector<DropHandle>& drops)
{
    UiState& state = uiState();
    state.live.erase(window);
    if (window->isTopLevel()) {
        std::erase(state.topLevels, window);
    } else if (window->parent != nullptr) {
        std::erase(window->parent->children, window);
    }
    ThreadQueue* queue = window->queue;
    std::erase(queue->windows, window);
    std::erase_if(queue->timers, [window](const Timer& t) { return t.window == window; });
    for (auto it = queue->posted.begin(); it != queue->posted.end();) {
        if (it->message.window == window) {
            if (it->message.message == kMsgDropFiles)
                drops.push_back(reinterpret_cast<DropHandle>(it->message.wparam));
            it = queue->posted.erase(it);
        } else {
            ++it;
        }
    }
    if (queue->focus == window)
        queue->focus = nullptr;
    forgetWindowLocked(state, window);
    if (window->native != 0)
        natives.push_back(window->native);
    releasePaintingLocked(window);
    queue->refresh();
}

// Frees a window and its children without messages (a creation that failed).
void discardWindow(WindowRecord* window)
{
    std::vector<NativeWindow> natives;
    std::vector<DropHandle> drops;
    std::vector<WindowRecord*> tree;
    {
        std::lock_guard lock(uiMutex());
        if (liveWindowLocked(window) == nullptr)
            return;
        collectTreeLocked(window, tree);
        for (auto it = tree.rbegin(); it != tree.rend(); ++it)
            unlinkLocked(*it, natives, drops);
    }
    for (DropHandle drop : drops)
        dragFinish(drop);
    if (Backend* backend = openedBackend()) {
        for (NativeWindow native : natives)
            backend->destroyWindow(native);
    }
    for (WindowRecord* record : tree)
        delete record;
}

// Moves and sizes a window on its own thread. fromBackend: the window
// manager did it, so the backend is not told again.
bool placeWindow(WindowHandle handle, int x, int y, int width, int height, uint32_t flags, bool fromBackend)
{
    NativeWindow native = 0;
    Rect screen;
    bool moved = false;
    bool sized = false;
    bool topLevel = false;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* window = liveWindowLocked(handle);
        if (window == nullptr)
            return false;
        Rect next = window->rect;
        if ((flags & kPosNoMove) == 0)
            next = Rect::fromSize(x, y, next.width(), next.height());
        if ((flags & kPosNoSize) == 0)
            next = Rect::fromSize(next.left, next.top, std::max(width, 0), std::max(height, 0));
        moved = next.topLeft() != window->rect.topLeft();
        sized = next.size() != window->rect.size();
        topLevel = window->isTopLevel();
        if (!moved && !sized) {
            // nothing to do but the show flags below
        } else if (topLevel) {
            window->rect = next;
            if (sized && window->backBuffer) {
                auto buffer =
                    std::make_unique<Surface>(std::max(next.width(), 1), std::max(next.height(), 1), kWhite);
                buffer->copyFrom(*window->backBuffer, window->backBuffer->bounds(), 0, 0);
                window->backBuffer = std::move(buffer);
                window->pendingPresent.clear();
                invalidateLocked(window, Rect{0, 0, next.width(), next.height()}, true);
            }
            native = window->native;
            screen = next;
        } else {
            const bool redraw = (flags & kPosNoRedraw) == 0;
            if (redraw && window->parent != nullptr)
                invalidateLocked(window->parent, window->rect, true);
            window->rect = next;
            if (redraw) {
                if (window->parent != nullptr)
                    invalidateLocked(window->parent, window->rect, true);
                else
                    invalidateLocked(window, Rect{0, 0, next.width(), next.height()}, true);
            }
        }
    }
    if (topLevel && native != 0 && !fromBackend && (moved || sized)) {
        if (Backend* backend = openedBackend())
            backend->setBounds(native, screen);
    }
    if (moved)
        sendMessage(handle, kMsgMove, 0, makePointParam(x, y));
    if (sized)
        sendMessage(handle, kMsgSize, 0, makePointParam(width, height));
    if ((flags & kPosShowWindow) != 0)
        showWindow(handle, (flags & kPosNoActivate) != 0 ? kShowNa : kShow);
    else if ((flags & kPosHideWindow) != 0)
        showWindow(handle, kShowHide);
    return true;
}

} // namespace

// ---- shared helpers ---------------------------------------------------------------------------

WindowRecord* liveWindowLocked(WindowHandle handle)
{
    if (handle == nullptr)
        return nullptr;
    return uiState().live.contains(handle) ? handle : nullptr;
}

WindowRecord* topLevelLocked(WindowRecord* window)
{
    while (window != nullptr && !window->isTopLevel())
        window = window->parent;
    return window;
}

Point offsetInTopLevelLocked(const WindowRecord* window)
{
    Point offset;
    while (window != nullptr && !window->isTopLevel()) {
        offset.x += window->rect.left;
        offset.y += window->rect.top;
        window = window->parent;
    }
    return offset;
}

Point screenOriginLocked(const WindowRecord* window)
{
    Point origin = offsetInTopLevelLocked(window);
    while (window != nullptr && !window->isTopLevel())
        window = window->parent;
    if (window != nullptr) {
        origin.x += window->rect.left;
        origin.y += window->rect.top;
    }
    return origin;
}

Rect visibleClientLocked(const WindowRecord* window)
{
    Rect visible{0, 0, window->rect.width(), window->rect.height()};
    // Walk up, keeping the part each parent's client area shows.
    Point offset;
    const WindowRecord* current = window;
    while (!current->isTopLevel() && current->parent != nullptr) {
        offset.x += current->rect.left;
        offset.y += current->rect.top;
        const WindowRecord* parent = current->parent;
        const Rect parentArea{-offset.x, -offset.y, parent->rect.width() - offset.x,
                              parent->rect.height() - offset.y};
        visible = visible.intersect(parentArea);
        current = parent;
    }
    return visible;
}

bool isVisibleLocked(const WindowRecord* window)
{
    for (; window != nullptr; window = window->parent) {
        if (!window->visibleFlag())
            return false;
        if (window->isTopLevel())
            return !window->minimised;
    }
    return true;
}

bool isEnabledForInputLocked(const WindowRecord* window)
{
    for (; window != nullptr; window = window->isTopLevel() ? nullptr : window->parent) {
        if (!window->enabledFlag())
            return false;
    }
    return true;
}

bool isDescendantLocked(const WindowRecord* ancestor, const WindowRecord* window)
{
    for (; window != nullptr; window = window->isTopLevel() ? nullptr : window->parent) {
        if (window == ancestor)
            return true;
    }
    return false;
}

WindowRecord* hitTestLocked(WindowRecord* parent, Point client)
{
    // Later children lie above earlier ones.
    for (auto it = parent->children.rbegin(); it != parent->children.rend(); ++it) {
        WindowRecord* child = *it;
        if (!child->visibleFlag() || (child->exStyle & kExStyleTransparent) != 0 ||
            !child->rect.contains(client))
            continue;
        if (!child->enabledFlag())
            return parent;
        return hitTestLocked(child, Point{client.x - child->rect.left, client.y - child->rect.top});
    }
    return parent;
}

DropHandle makeDropLocked(std::vector<std::string> paths, Point point, bool inClient)
{
    try {
        auto* drop = new DropRecord{std::move(paths), point, inClient};
        liveDrops().insert(drop);
        return drop;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void activateTopLevel(WindowRecord* window, bool raise)
{
    WindowRecord* previous = nullptr;
    NativeWindow native = 0;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = topLevelLocked(liveWindowLocked(window));
        if (record == nullptr)
            return;
        window = record;
        native = record->native;
        previous = liveWindowLocked(uiState().active);
        uiState().active = record;
    }
    if (raise && native != 0) {
        if (Backend* backend = openedBackend())
            backend->raiseAndFocus(native);
    }
    if (previous == window)
        return;
    if (previous != nullptr)
        notify(previous, kMsgActivate, makeWParam(kWaInactive, 0), reinterpret_cast<intptr_t>(window));
    notify(window, kMsgActivate, makeWParam(kWaActive, 0), reinterpret_cast<intptr_t>(previous));
}

// ---- classes ------------------------------------------------------------------------------------

bool registerClass(const WindowClass& windowClass)
{
    if (windowClass.name == nullptr || windowClass.name[0] == '\0' || windowClass.procedure == nullptr)
        return false;
    std::lock_guard lock(uiMutex());
    if (findClassLocked(windowClass.name, windowClass.module, true))
        return false;
    try {
        auto record = std::make_shared<ClassRecord>();
        record->description = windowClass;
        record->name = windowClass.name;
        record->description.name = nullptr; // the kept copy is the name
        uiState().classes.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool unregisterClass(const char* name, ModuleHandle module)
{
    std::lock_guard lock(uiMutex());
    auto record = findClassLocked(name, module, true);
    if (!record || record->liveWindows > 0)
        return false;
    std::erase(uiState().classes, record);
    return true;
}

bool isClassRegistered(const char* name)
{
    std::lock_guard lock(uiMutex());
    return findClassLocked(name, nullptr, false) != nullptr;
}

// ---- creation and destruction -----------------------------------------------------------------------

WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x,
                          int y, int width, int height, WindowHandle parent, uintptr_t id,
                          ModuleHandle module, void* parameter)
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return nullptr;
    const bool child = (style & kStyleChild) != 0;
    if (width == kUseDefault)
        width = kDefaultWidth;
    if (height == kUseDefault)
        height = kDefaultHeight;
    if (x == kUseDefault)
        x = 0;
    if (y == kUseDefault)
        y = 0;
    width = std::max(width, 0);
    height = std::max(height, 0);

    Backend* backendInUse = nullptr;
    if (!child) {
        backendInUse = backend();
        if (backendInUse == nullptr) {
            reportBackendFailure();
            return nullptr;
        }
    }

    auto* window = new (std::nothrow) WindowRecord;
    if (window == nullptr)
        return nullptr;
    NativeWindowSpec spec;
    {
        std::lock_guard lock(uiMutex());
        window->windowClass = findClassLocked(className, module, false);
        WindowRecord* parentRecord = liveWindowLocked(parent);
        if (!window->windowClass || (child && (parentRecord == nullptr || parentRecord->queue != queue))) {
            delete window;
            return nullptr;
        }
        window->procedure = window->windowClass->description.procedure;
        window->style = style & ~kStyleVisible; // shown after creation
        window->exStyle = exStyle;
        window->id = child ? id : 0;
        window->module = module;
        window->extra.assign(
            (std::max(window->windowClass->description.extraBytes, 0) + sizeof(intptr_t) - 1) /
                sizeof(intptr_t),
            0);
        window->text = title != nullptr ? title : "";
        window->queue = queue;
        window->threadId = queue->threadId;
        window->rect = Rect::fromSize(x, y, width, height);
        window->topmost = (exStyle & kExStyleTopmost) != 0;
        if (child) {
            window->parent = parentRecord;
            parentRecord->children.push_back(window);
        } else {
            window->owner = topLevelLocked(parentRecord);
            window->backBuffer = std::make_unique<Surface>(std::max(width, 1), std::max(height, 1), kWhite);
            uiState().topLevels.push_back(window);
            spec.window = window;
            spec.title = window->text;
            spec.bounds = window->rect;
            spec.owner = window->owner != nullptr ? window->owner->native : 0;
            spec.toolWindow = (exStyle & kExStyleToolWindow) != 0;
            spec.appWindow = (exStyle & kExStyleAppWindow) != 0;
            spec.decorated = (style & kStyleCaption) != 0;
            spec.topmost = window->topmost;
            spec.acceptFiles = (exStyle & kExStyleAcceptFiles) != 0;
            // The class stays registered while this window lives, and its icons with it.
            spec.icon = window->windowClass->description.icon;
            spec.smallIcon = window->windowClass->description.smallIcon;
        }
        ++window->windowClass->liveWindows;
        queue->windows.push_back(window);
        uiState().live.insert(window);
    }
    if (!child) {
        const NativeWindow native = backendInUse->createWindow(spec);
        if (native == 0) {
            discardWindow(window);
            return nullptr;
        }
        std::lock_guard lock(uiMutex());
        window->native = native;
    }

    CreateInfo info;
    info.parameter = parameter;
    info.module = module;
    info.id = id;
    info.parent = parent;
    info.height = height;
    info.width = width;
    info.y = y;
    info.x = x;
    info.style = style;
    info.title = title != nullptr ? title : "";
    info.className = className != nullptr ? className : "";
    info.exStyle = exStyle;
    // A refused creation leaves no trace: the window never existed for the
    // caller, so it gets no destroy message either.
    if (callProcedure(window, kMsgCreate, 0, reinterpret_cast<intptr_t>(&info)) == -1) {
        discardWindow(window);
        return nullptr;
    }
    {
        std::lock_guard lock(uiMutex());
        if (liveWindowLocked(window) == nullptr)
            return nullptr; // destroyed by its own creation handler
        window->created = true;
    }
    sendMessage(window, kMsgSize, 0, makePointParam(width, height));
    sendMessage(window, kMsgMove, 0, makePointParam(x, y));
    if ((style & kStyleVisible) != 0)
        showWindow(window, kShow);
    return isWindow(window) ? window : nullptr;
}

bool destroyWindow(WindowHandle handle)
{
    std::vector<WindowRecord*> tree;
    std::vector<WindowRecord*> owned;
    NativeWindow nativeToHide = 0;
    bool captureInside = false;
    bool wasActive = false;
    WindowRecord* owner = nullptr;
    {
        std::unique_lock lock(uiMutex());
        WindowRecord* window = liveWindowLocked(handle);
        if (window == nullptr)
            return false;
        if (window->threadId != currentThreadId()) {
            lock.unlock();
            return runOnWindowThread(handle, [handle] { return destroyWindow(handle) ? 1 : 0; }) != 0;
        }
        if (window->destroying)
            return true;
        collectTreeLocked(window, tree);
        for (WindowRecord* record : tree)
            record->destroying = true;
        for (WindowRecord* top : uiState().topLevels) {
            if (top->owner == window && !top->destroying)
                owned.push_back(top);
        }
        if (window->isTopLevel()) {
            if (window->visibleFlag())
                nativeToHide = window->native;
            wasActive = uiState().active == window;
            owner = window->owner;
        } else if (window->parent != nullptr && isVisibleLocked(window)) {
            invalidateLocked(window->parent, window->rect, true);
        }
        captureInside = uiState().capture != nullptr && isDescendantLocked(window, uiState().capture);
        if (window->queue->focus != nullptr && isDescendantLocked(window, window->queue->focus))
            window->queue->focus = nullptr;
    }
    for (WindowRecord* top : owned)
        destroyWindow(top);
    if (nativeToHide != 0) {
        if (Backend* backend = openedBackend())
            backend->setVisibility(nativeToHide, Visibility::Hidden, false);
    }
    if (captureInside)
        releaseCapture();
    for (WindowRecord* record : tree)
        callProcedure(record, kMsgDestroy, 0, 0);

    std::vector<NativeWindow> natives;
    std::vector<DropHandle> drops;
    std::vector<WindowRecord*> freed;
    {
        std::lock_guard lock(uiMutex());
        // Children created by destroy handlers go too.
        std::vector<WindowRecord*> now;
        if (liveWindowLocked(handle) != nullptr)
            collectTreeLocked(handle, now);
        for (auto it = now.rbegin(); it != now.rend(); ++it)
            unlinkLocked(*it, natives, drops);
        freed = std::move(now);
        owner = liveWindowLocked(owner);
    }
    for (DropHandle drop : drops)
        dragFinish(drop);
    if (Backend* backend = openedBackend()) {
        for (NativeWindow native : natives)
            backend->destroyWindow(native);
    }
    for (WindowRecord* record : freed)
        delete record;
    if (wasActive && owner != nullptr && isWindowVisible(owner) && isWindowEnabled(owner))
        activateTopLevel(owner, true);
    return true;
}

bool isWindow(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    return liveWindowLocked(window) != nullptr;
}

intptr_t callWindowProc(WindowProc procedure, WindowHandle window, uint32_t message, uintptr_t wparam,
                        intptr_t lparam)
{
    if (procedure == nullptr)
        return defWindowProc(window, message, wparam, lparam);
    return procedure(window, message, wparam, lparam);
}

uint32_t windowThreadId(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr ? record->threadId : 0;
}

std::string windowClassName(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr && record->windowClass ? record->windowClass->name : std::string();
}

ModuleHandle windowModule(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr ? record->module : nullptr;
}

// ---- stored values --------------------------------------------------------------------------------------

intptr_t windowLongPtr(WindowHandle window, int index)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return 0;
    switch (index) {
    case kGwlProcedure:
        return reinterpret_cast<intptr_t>(record->procedure);
    case kGwlId:
        return static_cast<intptr_t>(record->id);
    case kGwlStyle:
        return record->style;
    case kGwlExStyle:
        return record->exStyle;
    case kGwlUserData:
        return record->userData;
    default:
        break;
    }
    if (index < 0 || index % static_cast<int>(sizeof(intptr_t)) != 0 ||
        static_cast<size_t>(index) / sizeof(intptr_t) >= record->extra.size())
        return 0;
    return record->extra[static_cast<size_t>(index) / sizeof(intptr_t)];
}

intptr_t setWindowLongPtr(WindowHandle window, int index, intptr_t value)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return 0;
    intptr_t previous = 0;
    switch (index) {
    case kGwlProcedure:
        previous = reinterpret_cast<intptr_t>(record->procedure);
        record->procedure = reinterpret_cast<WindowProc>(value);
        return previous;
    case kGwlId:
        previous = static_cast<intptr_t>(record->id);
        record->id = static_cast<uintptr_t>(value);
        return previous;
    case kGwlStyle:
        previous = record->style;
        record->style = static_cast<uint32_t>(value);
        record->queue->refresh();
        return previous;
    case kGwlExStyle:
        previous = record->exStyle;
        record->exStyle = static_cast<uint32_t>(value);
        return previous;
    case kGwlUserData:
        previous = record->userData;
        record->userData = value;
        return previous;
    default:
        break;
    }
    if (index < 0 || index % static_cast<int>(sizeof(intptr_t)) != 0 ||
        static_cast<size_t>(index) / sizeof(intptr_t) >= record->extra.size())
        return 0;
    intptr_t& slot = record->extra[static_cast<size_t>(index) / sizeof(intptr_t)];
    previous = slot;
    slot = value;
    return previous;
}

// ---- text
// --------------------------------------------------------------------------------------------------

bool setWindowText(WindowHandle window, const char* text)
{
    if (!isWindow(window))
        return false;
    return sendMessage(window, kMsgSetText, 0, reinterpret_cast<intptr_t>(text != nullptr ? text : "")) != 0;
}

int windowText(WindowHandle window, char* buffer, int size)
{
    if (buffer == nullptr || size <= 0)
        return 0;
    buffer[0] = '\0';
    return static_cast<int>(
        sendMessage(window, kMsgGetText, static_cast<uintptr_t>(size), reinterpret_cast<intptr_t>(buffer)));
}

std::string windowText(WindowHandle window)
{
    const intptr_t length = sendMessage(window, kMsgGetTextLength, 0, 0);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = windowText(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

std::string windowTitle(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr ? record->text : std::string();
}

// ---- visibility, place and size
// ------------------------------------------------------------------------------

bool showWindow(WindowHandle handle, int command)
{
    bool wasVisible = false;
    bool nowVisible = false;
    bool minimised = false;
    bool topLevel = false;
    bool wasActive = false;
    NativeWindow native = 0;
    WindowRecord* owner = nullptr;
    {
        std::unique_lock lock(uiMutex());
        WindowRecord* window = liveWindowLocked(handle);
        if (window == nullptr)
            return false;
        if (window->threadId != currentThreadId()) {
            lock.unlock();
            const intptr_t before =
                runOnWindowThread(handle, [handle, command] { return showWindow(handle, command) ? 1 : 0; });
            return before != 0;
        }
        wasVisible = window->visibleFlag();
        const bool wasMinimised = window->minimised;
        switch (command) {
        case kShowHide:
            window->style &= ~kStyleVisible;
            break;
        case kShowMinimized:
        case kShowMinimize:
        case kShowMinNoActive:
            window->style |= kStyleVisible;
            window->minimised = window->isTopLevel();
            break;
        case kShowNormal:
        case kShowRestore:
        case kShowDefault:
        case kShowMaximized:
            window->style |= kStyleVisible;
            window->minimised = false;
            break;
        default: // kShow, kShowNoActivate, kShowNa
            window->style |= kStyleVisible;
            break;
        }
        nowVisible = window->visibleFlag();
        minimised = window->minimised;
        topLevel = window->isTopLevel();
        native = window->native;
        owner = window->owner;
        wasActive = uiState().active == window;
        if (topLevel) {
            if (nowVisible && (!wasVisible || wasMinimised) && !minimised)
                invalidateLocked(window, Rect{0, 0, window->rect.width(), window->rect.height()}, true);
        } else if (wasVisible != nowVisible && window->parent != nullptr) {
            if (nowVisible)
                invalidateLocked(window, Rect{0, 0, window->rect.width(), window->rect.height()}, true);
            else
                invalidateLocked(window->parent, window->rect, true);
        }
        window->queue->refresh();
    }
    const bool activate = command == kShowNormal || command == kShow || command == kShowRestore ||
                          command == kShowDefault || command == kShowMaximized;
    if (topLevel && native != 0) {
        if (Backend* backend = openedBackend()) {
            backend->setVisibility(native,
                                   !nowVisible ? Visibility::Hidden
                                   : minimised ? Visibility::Minimised
                                               : Visibility::Shown,
                                   activate && nowVisible);
        }
    }
    if (wasVisible != nowVisible)
        sendMessage(handle, kMsgShowWindow, nowVisible ? 1 : 0, 0);
    if (topLevel) {
        if (nowVisible && !minimised && activate && isWindowEnabled(handle)) {
            activateTopLevel(handle, false);
        } else if ((!nowVisible || minimised) && wasActive) {
            {
                std::lock_guard lock(uiMutex());
                if (uiState().active == handle)
                    uiState().active = nullptr;
                owner = liveWindowLocked(owner);
            }
            notify(handle, kMsgActivate, makeWParam(kWaInactive, minimised ? 1 : 0), 0);
            if (owner != nullptr && isWindowVisible(owner) && isWindowEnabled(owner))
                activateTopLevel(owner, true);
        }
    }
    return wasVisible;
}

bool isWindowVisible(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return false;
    for (; record != nullptr; record = record->isTopLevel() ? nullptr : record->parent) {
        if (!record->visibleFlag())
            return false;
    }
    return true;
}

bool isIconic(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr && record->minimised;
}

bool setWindowPos(WindowHandle window, int x, int y, int width, int height, uint32_t flags)
{
    if (!isWindow(window))
        return false;
    return runOnWindowThread(
               window, [=] { return placeWindow(window, x, y, width, height, flags, false) ? 1 : 0; }) != 0;
}

bool moveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint)
{
    return setWindowPos(window, x, y, width, height,
                        kPosNoZOrder | kPosNoActivate | (repaint ? 0 : kPosNoRedraw));
}

void applyBoundsFromBackend(WindowHandle window, const Rect& screenBounds)
{
    placeWindow(window, screenBounds.left, screenBounds.top, screenBounds.width(), screenBounds.height(),
                kPosNoZOrder | kPosNoActivate, true);
}

bool windowRect(WindowHandle window, Rect& rect)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return false;
    const Point origin = screenOriginLocked(record);
    rect = Rect::fromSize(origin.x, origin.y, record->rect.width(), record->rect.height());
    return true;
}

bool clientRect(WindowHandle window, Rect& rect)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return false;
    rect = Rect{0, 0, record->rect.width(), record->rect.height()};
    return true;
}

namespace {

// Moves point by the window's origin on the screen: sign 1 from client to screen, -1 back.
bool moveByScreenOrigin(WindowHandle window, Point& point, int sign)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return false;
    const Point origin = screenOriginLocked(record);
    point.x += sign * origin.x;
    point.y += sign * origin.y;
    return true;
}

} // namespace

bool clientToScreen(WindowHandle window, Point& point)
{
    return moveByScreenOrigin(window, point, 1);
}

bool screenToClient(WindowHandle window, Point& point)
{
    return moveByScreenOrigin(window, point, -1);
}

bool setTopmost(WindowHandle window, bool topmost)
{
    NativeWindow native = 0;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        if (record == nullptr || !record->isTopLevel())
            return false;
        record->topmost = topmost;
        if (topmost)
            record->exStyle |= kExStyleTopmost;
        else
            record->exStyle &= ~kExStyleTopmost;
        native = record->native;
    }
    if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
        backend->setTopmost(native, topmost);
    return true;
}

bool isTopmost(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr && record->topmost;
}

bool setWindowRegion(WindowHandle window, const Region* region, bool redraw)
{
    std::unique_ptr<Region> copy;
    if (region != nullptr) {
        try {
            copy = std::make_unique<Region>(*region);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return runOnWindowThread(window, [&]() -> intptr_t {
               NativeWindow native = 0;
               {
                   std::lock_guard lock(uiMutex());
                   WindowRecord* record = liveWindowLocked(window);
                   if (record == nullptr || !record->isTopLevel())
                       return 0;
                   record->shape = std::move(copy);
                   native = record->native;
                   if (redraw)
                       invalidateLocked(record, Rect{0, 0, record->rect.width(), record->rect.height()},
                                        true);
               }
               if (Backend* backend = openedBackend(); backend != nullptr && native != 0) {
                   std::unique_ptr<Region> shape;
                   {
                       std::lock_guard lock(uiMutex());
                       WindowRecord* record = liveWindowLocked(window);
                       if (record != nullptr && record->shape)
                           shape = std::make_unique<Region>(*record->shape);
                   }
                   backend->setShape(native, shape.get());
               }
               return 1;
           }) != 0;
}

bool windowRegion(WindowHandle window, Region& region)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr || !record->shape)
        return false;
    region = *record->shape;
    return true;
}

// ---- relations
// ---------------------------------------------------------------------------------------------------

WindowHandle parentWindow(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return nullptr;
    return record->isTopLevel() ? record->owner : record->parent;
}

WindowHandle ownerWindow(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr && record->isTopLevel() ? record->owner : nullptr;
}

bool setOwnerWindow(WindowHandle window, WindowHandle owner)
{
    NativeWindow native = 0;
    NativeWindow ownerNative = 0;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        if (record == nullptr || !record->isTopLevel())
            return false;
        WindowRecord* ownerRecord = topLevelLocked(liveWindowLocked(owner));
        if (ownerRecord == record)
            return false;
        record->owner = ownerRecord;
        native = record->native;
        ownerNative = ownerRecord != nullptr ? ownerRecord->native : 0;
    }
    if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
        backend->setOwner(native, ownerNative);
    return true;
}

WindowHandle topLevelOf(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    return topLevelLocked(liveWindowLocked(window));
}

bool isChild(WindowHandle parent, WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    WindowRecord* parentRecord = liveWindowLocked(parent);
    if (record == nullptr || parentRecord == nullptr || record == parentRecord)
        return false;
    return isDescendantLocked(parentRecord, record);
}

WindowHandle relatedWindow(WindowHandle window, uint32_t relation)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr)
        return nullptr;
    if (relation == kGwOwner)
        return record->isTopLevel() ? record->owner : nullptr;
    if (relation == kGwChild)
        return record->children.empty() ? nullptr : record->children.front();
    const std::vector<WindowRecord*>& siblings =
        record->isTopLevel() ? uiState().topLevels : record->parent->children;
    if (siblings.empty())
        return nullptr;
    auto at = std::find(siblings.begin(), siblings.end(), record);
    switch (relation) {
    case kGwFirst:
        return siblings.front();
    case kGwLast:
        return siblings.back();
    case kGwNext:
        return at == siblings.end() || at + 1 == siblings.end() ? nullptr : *(at + 1);
    case kGwPrevious:
        return at == siblings.begin() || at == siblings.end() ? nullptr : *(at - 1);
    default:
        return nullptr;
    }
}

std::vector<WindowHandle> childWindows(WindowHandle parent)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(parent);
    if (record == nullptr)
        return {};
    return std::vector<WindowHandle>(record->children.begin(), record->children.end());
}

WindowHandle dialogItem(WindowHandle parent, int id)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(parent);
    if (record == nullptr)
        return nullptr;
    for (WindowRecord* child : record->children) {
        if (child->id == static_cast<uintptr_t>(id))
            return child;
    }
    return nullptr;
}

int dialogControlId(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr ? static_cast<int>(record->id) : 0;
}

WindowHandle childWindowFromPoint(WindowHandle parent, Point point)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(parent);
    if (record == nullptr || !Rect{0, 0, record->rect.width(), record->rect.height()}.contains(point))
        return nullptr;
    return hitTestLocked(record, point);
}

std::vector<WindowListEntry> topLevelWindows()
{
    std::lock_guard lock(uiMutex());
    std::vector<WindowListEntry> list;
    for (const WindowRecord* window : uiState().topLevels)
        list.push_back(WindowListEntry{const_cast<WindowRecord*>(window), window->text, window->threadId});
    return list;
}

bool enumWindows(EnumWindowsProc callback, intptr_t context)
{
    if (callback == nullptr)
        return false;
    for (const WindowListEntry& entry : topLevelWindows()) {
        if (isWindow(entry.window) && !callback(entry.window, context))
            return false;
    }
    return true;
}

WindowHandle findWindow(const char* className, const char* title)
{
    std::lock_guard lock(uiMutex());
    for (WindowRecord* window : uiState().topLevels) {
        if (className != nullptr && !(window->windowClass && sameName(window->windowClass->name, className)))
            continue;
        if (title != nullptr && window->text != title)
            continue;
        return window;
    }
    return nullptr;
}

// ---- activation, focus, input state
// ----------------------------------------------------------------------------

bool setForegroundWindow(WindowHandle window)
{
    if (!isWindow(window))
        return false;
    activateTopLevel(window, true);
    return true;
}

bool flashWindow(WindowHandle window, bool invert)
{
    NativeWindow native = 0;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        if (record == nullptr)
            return false;
        while (record->parent != nullptr)
            record = record->parent;
        native = record->native;
    }
    if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
        backend->flash(native, invert);
    return true;
}

WindowHandle foregroundWindow()
{
    std::lock_guard lock(uiMutex());
    return liveWindowLocked(uiState().active);
}

WindowHandle activeWindow()
{
    std::lock_guard lock(uiMutex());
    WindowRecord* active = liveWindowLocked(uiState().active);
    return active != nullptr && active->threadId == currentThreadId() ? active : nullptr;
}

bool enableWindow(WindowHandle window, bool enable)
{
    bool wasDisabled = false;
    bool loseFocus = false;
    bool loseCapture = false;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        if (record == nullptr)
            return false;
        wasDisabled = !record->enabledFlag();
        if (enable)
            record->style &= ~kStyleDisabled;
        else
            record->style |= kStyleDisabled;
        if (!enable) {
            WindowRecord* focus = record->queue->focus;
            loseFocus = focus != nullptr && isDescendantLocked(record, focus) &&
                        record->threadId == currentThreadId();
            if (focus != nullptr && isDescendantLocked(record, focus) && !loseFocus)
                record->queue->focus = nullptr;
            loseCapture = uiState().capture != nullptr && isDescendantLocked(record, uiState().capture);
        }
    }
    if (loseFocus)
        setFocus(nullptr);
    if (loseCapture)
        releaseCapture();
    if (wasDisabled == enable)
        notify(window, kMsgEnable, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool isWindowEnabled(WindowHandle window)
{
    std::lock_guard lock(uiMutex());
    WindowRecord* record = liveWindowLocked(window);
    return record != nullptr && record->enabledFlag();
}

WindowHandle setFocus(WindowHandle window)
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return nullptr;
    WindowRecord* previous = nullptr;
    WindowRecord* top = nullptr;
    bool activate = false;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = nullptr;
        if (window != nullptr) {
            record = liveWindowLocked(window);
            if (record == nullptr || record->queue != queue)
                return nullptr;
        }
        previous = liveWindowLocked(queue->focus);
        if (previous == record)
            return previous;
        queue->focus = record;
        if (record != nullptr) {
            top = topLevelLocked(record);
            top->lastFocus = record;
            activate = uiState().active != top && isVisibleLocked(top);
        }
    }
    if (activate)
        activateTopLevel(top, false);
    if (previous != nullptr)
        sendMessage(previous, kMsgKillFocus, reinterpret_cast<uintptr_t>(window), 0);
    if (window != nullptr)
        sendMessage(window, kMsgSetFocus, reinterpret_cast<uintptr_t>(previous), 0);
    return previous;
}

WindowHandle focusWindow()
{
    ThreadQueue* queue = currentQueue();
    if (queue == nullptr)
        return nullptr;
    std::lock_guard lock(uiMutex());
    return liveWindowLocked(queue->focus);
}

WindowHandle setCapture(WindowHandle window)
{
    WindowRecord* previous = nullptr;
    NativeWindow native = 0;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        if (record == nullptr)
            return nullptr;
        previous = liveWindowLocked(uiState().capture);
        uiState().capture = record;
        native = topLevelLocked(record)->native;
    }
    if (Backend* backend = openedBackend(); backend != nullptr)
        backend->setCapture(native);
    if (previous != nullptr && previous != window)
        notify(previous, kMsgCaptureChanged, 0, reinterpret_cast<intptr_t>(window));
    return previous;
}

bool releaseCapture()
{
    WindowRecord* previous = nullptr;
    {
        std::lock_guard lock(uiMutex());
        previous = liveWindowLocked(uiState().capture);
        uiState().capture = nullptr;
    }
    if (Backend* backend = openedBackend(); backend != nullptr)
        backend->setCapture(0);
    if (previous != nullptr)
        notify(previous, kMsgCaptureChanged, 0, 0);
    return true;
}

WindowHandle captureWindow()
{
    std::lock_guard lock(uiMutex());
    return liveWindowLocked(uiState().capture);
}

bool cursorPosition(Point& screen)
{
    if (Backend* backend = openedBackend()) {
        screen = backend->cursorPosition();
        return true;
    }
    std::lock_guard lock(uiMutex());
    screen = uiState().cursor;
    return true;
}

Size screenSize()
{
    Backend* backendInUse = backend();
    return backendInUse != nullptr ? backendInUse->screenSize() : Size{};
}

uint32_t doubleClickTime()
{
    return 500;
}

Size doubleClickSize()
{
    return Size{4, 4};
}

// ---- default handling
// -------------------------------------------------------------------------------------------

intptr_t defWindowProc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgSetText: {
        NativeWindow native = 0;
        std::string title;
        {
            std::lock_guard lock(uiMutex());
            WindowRecord* record = liveWindowLocked(window);
            if (record == nullptr)
                return 0;
            record->text = lparam != 0 ? reinterpret_cast<const char*>(lparam) : "";
            native = record->native;
            title = record->text;
        }
        if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
            backend->setTitle(native, title);
        return 1;
    }
    case kMsgGetText: {
        char* buffer = reinterpret_cast<char*>(lparam);
        if (buffer == nullptr || wparam == 0)
            return 0;
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        if (record == nullptr) {
            buffer[0] = '\0';
            return 0;
        }
        const size_t length = std::min(record->text.size(), static_cast<size_t>(wparam) - 1);
        std::memcpy(buffer, record->text.data(), length);
        buffer[length] = '\0';
        return static_cast<intptr_t>(length);
    }
    case kMsgGetTextLength: {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        return record != nullptr ? static_cast<intptr_t>(record->text.size()) : 0;
    }
    case kMsgClose:
        destroyWindow(window);
        return 0;
    case kMsgSysCommand:
        if ((wparam & 0xFFF0) == kSysCommandClose)
            sendMessage(window, kMsgClose, 0, 0);
        return 0;
    case kMsgPaint: {
        PaintInfo info;
        if (beginPaint(window, info) != nullptr)
            endPaint(window, info);
        return 0;
    }
    case kMsgRButtonUp: {
        Point point = pointFromParam(lparam);
        clientToScreen(window, point);
        sendMessage(window, kMsgContextMenu, reinterpret_cast<uintptr_t>(window), pointParam(point));
        return 0;
    }
    case kMsgContextMenu:
    case kMsgHelp:
    case kMsgMouseWheel: {
        // A child passes these to its parent.
        WindowHandle parent = nullptr;
        {
            std::lock_guard lock(uiMutex());
            WindowRecord* record = liveWindowLocked(window);
            if (record != nullptr && !record->isTopLevel())
                parent = record->parent;
        }
        return parent != nullptr ? sendMessage(parent, message, wparam, lparam) : 0;
    }
    case kMsgKeyF1: {
        HelpInfo info;
        info.contextType = kHelpInfoWindow;
        info.controlId = dialogControlId(window);
        info.item = window;
        cursorPosition(info.mousePosition);
        return sendMessage(window, kMsgHelp, 0, reinterpret_cast<intptr_t>(&info));
    }
    case kMsgActivate: {
        if (loWord(wparam) == kWaInactive)
            return 0;
        WindowHandle target = nullptr;
        {
            std::lock_guard lock(uiMutex());
            WindowRecord* record = liveWindowLocked(window);
            if (record == nullptr || !record->isTopLevel() || record->minimised ||
                record->threadId != currentThreadId())
                return 0;
            WindowRecord* focus = liveWindowLocked(record->queue->focus);
            if (focus != nullptr && isDescendantLocked(record, focus))
                return 0;
            WindowRecord* last = liveWindowLocked(record->lastFocus);
            target = last != nullptr && isDescendantLocked(record, last) ? last : record;
        }
        setFocus(target);
        return 0;
    }
    default:
        return 0;
    }
}

// ---- dropped files
// ---------------------------------------------------------------------------------------------

uint32_t dragQueryFile(DropHandle drop, uint32_t index, char* buffer, uint32_t size)
{
    std::lock_guard lock(uiMutex());
    if (drop == nullptr || !liveDrops().contains(drop))
        return 0;
    if (index == 0xFFFFFFFFu)
        return static_cast<uint32_t>(drop->paths.size());
    if (index >= drop->paths.size())
        return 0;
    const std::string& path = drop->paths[index];
    if (buffer == nullptr || size == 0)
        return static_cast<uint32_t>(path.size());
    const size_t length = std::min(path.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, path.data(), length);
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
}

bool dragQueryPoint(DropHandle drop, Point& point)
{
    std::lock_guard lock(uiMutex());
    if (drop == nullptr || !liveDrops().contains(drop))
        return false;
    point = drop->point;
    return drop->inClient;
}

void dragFinish(DropHandle drop)
{
    std::lock_guard lock(uiMutex());
    if (drop != nullptr && liveDrops().erase(drop) > 0)
        delete drop;
}

void dragAcceptFiles(WindowHandle window, bool accept)
{
    NativeWindow native = 0;
    bool anyAccepts = false;
    {
        std::lock_guard lock(uiMutex());
        WindowRecord* record = liveWindowLocked(window);
        if (record == nullptr)
            return;
        if (accept)
            record->exStyle |= kExStyleAcceptFiles;
        else
            record->exStyle &= ~kExStyleAcceptFiles;
        WindowRecord* top = topLevelLocked(record);
        std::vector<WindowRecord*> tree;
        collectTreeLocked(top, tree);
        for (const WindowRecord* each : tree)
            anyAccepts = anyAccepts || (each->exStyle & kExStyleAcceptFiles) != 0;
        native = top->native;
    }
    if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
        backend->setAcceptFiles(native, anyAccepts);
}

} // namespace plat::ui
