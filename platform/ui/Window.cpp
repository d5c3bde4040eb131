#include "platform/ui/Window.h"

#include <algorithm>
#include <cassert>
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
    REQUIRES(uiMutex)
{
    std::shared_ptr<ClassRecord> any;
    for (const auto& record : uiState().locked().classes) {
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
    switch (windowOwner(window)) {
    case WindowOwner::ThisThread:
        sendMessage(window, message, wparam, lparam);
        break;
    case WindowOwner::OtherThread:
        (void)postMessage(window, message, wparam, lparam); // a notice to a window that went is moot
        break;
    case WindowOwner::Gone:
        break;
    }
}

// Pre-order: the window, then its children's trees.
void collectTreeLocked(WindowRecord* window, std::vector<WindowRecord*>& out) REQUIRES(uiMutex)
{
    out.push_back(window);
    for (WindowRecord* child : window->children)
        collectTreeLocked(child, out);
}

bool gBackendFailureReported GUARDED_BY(uiMutex) = false;

void reportBackendFailure() EXCLUDES(uiMutex)
{
    plat::ScopedLock lock(uiMutex);
    if (gBackendFailureReported)
        return;
    gBackendFailureReported = true;
    std::fprintf(stderr, "Velmora: no user interface can be shown: %s\n", lastBackendError().c_str());
    std::fflush(stderr);
}

// What the rectangle of a window is in its own client coordinates.
Rect clientAreaLocked(const WindowRecord* window) REQUIRES(uiMutex)
{
    return Rect{0, 0, window->rect.width(), window->rect.height()};
}

} // namespace

void forgetWindowLocked(UiState::Fields& state, WindowRecord* window)
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

void Teardown::finish()
{
    for (DropHandle drop : drops)
        dragFinish(drop);
    if (Backend* backend = openedBackend()) {
        for (NativeWindow native : natives)
            backend->destroyWindow(native);
    }
    for (WindowRecord* record : records)
        delete record;
    drops.clear();
    natives.clear();
    records.clear();
}

namespace {

// Unlinks a window being destroyed from every list. Its native window and
// pending drops are handed back for freeing outside the lock.
void unlinkLocked(WindowRecord* window, Teardown& teardown) REQUIRES(uiMutex)
{
    assert(window->ownedByThisThread());
    UiState::Fields& state = uiState().locked();
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
                teardown.drops.push_back(reinterpret_cast<DropHandle>(it->message.wparam));
            it = queue->posted.erase(it);
        } else {
            ++it;
        }
    }
    if (queue->focus == window)
        queue->focus = nullptr;
    forgetWindowLocked(state, window);
    if (window->native != 0)
        teardown.natives.push_back(window->native);
    releasePaintingLocked(window);
    queue->refresh();
}

// Takes a window and its whole tree out of the state, children first; the
// records go to teardown, parents first.
void unlinkTreeLocked(WindowRecord* window, Teardown& teardown) REQUIRES(uiMutex)
{
    std::vector<WindowRecord*> tree;
    collectTreeLocked(window, tree);
    for (auto it = tree.rbegin(); it != tree.rend(); ++it)
        unlinkLocked(*it, teardown);
    teardown.records.insert(teardown.records.end(), tree.begin(), tree.end());
}

// Frees a window and its children without messages (a creation that failed).
void discardWindow(WindowRecord* window)
{
    Teardown teardown;
    (void)uiState().withLiveWindow(window, [&](WindowRecord& record)
                                               REQUIRES(uiMutex) { unlinkTreeLocked(&record, teardown); });
    teardown.finish();
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
    const bool alive = uiState().withLiveWindow(handle, [&](WindowRecord& window) REQUIRES(uiMutex) {
        assert(window.ownedByThisThread());
        Rect next = window.rect;
        if ((flags & kPosNoMove) == 0)
            next = Rect::fromSize(x, y, next.width(), next.height());
        if ((flags & kPosNoSize) == 0)
            next = Rect::fromSize(next.left, next.top, std::max(width, 0), std::max(height, 0));
        moved = next.topLeft() != window.rect.topLeft();
        sized = next.size() != window.rect.size();
        topLevel = window.isTopLevel();
        if (!moved && !sized) {
            // nothing to do but the show flags below
        } else if (topLevel) {
            window.rect = next;
            if (sized && window.backBuffer) {
                BackBuffer buffer(new Surface(std::max(next.width(), 1), std::max(next.height(), 1), kWhite));
                buffer->copyFrom(*window.backBuffer, window.backBuffer->bounds(), 0, 0);
                window.backBuffer = std::move(buffer);
                window.pendingPresent.clear();
                invalidateLocked(&window, clientAreaLocked(&window), true);
            }
            native = window.native;
            screen = next;
        } else {
            const bool redraw = (flags & kPosNoRedraw) == 0;
            if (redraw && window.parent != nullptr)
                invalidateLocked(window.parent, window.rect, true);
            window.rect = next;
            if (redraw) {
                if (window.parent != nullptr)
                    invalidateLocked(window.parent, window.rect, true);
                else
                    invalidateLocked(&window, clientAreaLocked(&window), true);
            }
        }
    });
    if (!alive)
        return false;
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
    Rect visible = clientAreaLocked(window);
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
        uiState().locked().drops.insert(drop);
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
        plat::ScopedLock lock(uiMutex);
        WindowRecord* record = topLevelLocked(liveWindowLocked(window));
        if (record == nullptr)
            return;
        window = record;
        native = record->native;
        UiState::Fields& state = uiState().locked();
        previous = liveWindowLocked(state.active);
        state.active = record;
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
    plat::ScopedLock lock(uiMutex);
    if (findClassLocked(windowClass.name, windowClass.module, true))
        return false;
    try {
        auto record = std::make_shared<ClassRecord>();
        record->description = windowClass;
        record->name = windowClass.name;
        record->description.name = nullptr; // the kept copy is the name
        uiState().locked().classes.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool unregisterClass(const char* name, ModuleHandle module)
{
    plat::ScopedLock lock(uiMutex);
    auto record = findClassLocked(name, module, true);
    if (!record || record->liveWindows > 0)
        return false;
    std::erase(uiState().locked().classes, record);
    return true;
}

bool isClassRegistered(const char* name)
{
    plat::ScopedLock lock(uiMutex);
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
    window->queue = queue;
    window->threadId = queue->threadId;
    NativeWindowSpec spec;
    {
        plat::ScopedLock lock(uiMutex);
        UiState::Fields& state = uiState().locked();
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
        window->rect = Rect::fromSize(x, y, width, height);
        window->topmost = (exStyle & kExStyleTopmost) != 0;
        if (child) {
            window->parent = parentRecord;
            parentRecord->children.push_back(window);
        } else {
            window->owner = topLevelLocked(parentRecord);
            window->backBuffer.reset(new Surface(std::max(width, 1), std::max(height, 1), kWhite));
            state.topLevels.push_back(window);
            spec.window = window;
            spec.title = window->text;
            spec.bounds = window->rect;
            spec.owner = window->owner != nullptr ? window->owner->native : 0;
            spec.toolWindow = (exStyle & kExStyleToolWindow) != 0;
            spec.appWindow = (exStyle & kExStyleAppWindow) != 0;
            spec.noActivate = (exStyle & kExStyleNoActivate) != 0;
            spec.decorated = (style & kStyleCaption) != 0;
            spec.topmost = window->topmost;
            spec.acceptFiles = (exStyle & kExStyleAcceptFiles) != 0;
            // The class stays registered while this window lives, and its icons with it.
            spec.icon = window->windowClass->description.icon;
            spec.smallIcon = window->windowClass->description.smallIcon;
        }
        ++window->windowClass->liveWindows;
        queue->windows.push_back(window);
        state.live.insert(window);
    }
    if (!child) {
        const NativeWindow native = backendInUse->createWindow(spec);
        if (native == 0) {
            discardWindow(window);
            return nullptr;
        }
        plat::ScopedLock lock(uiMutex);
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
    if (!uiState().withLiveWindow(window,
                                  [](WindowRecord& record) REQUIRES(uiMutex) { record.created = true; }))
        return nullptr; // destroyed by its own creation handler
    sendMessage(window, kMsgSize, 0, makePointParam(width, height));
    sendMessage(window, kMsgMove, 0, makePointParam(x, y));
    if ((style & kStyleVisible) != 0)
        showWindow(window, kShow);
    return isWindow(window) ? window : nullptr;
}

bool destroyWindow(WindowHandle handle)
{
    if (const auto answer = forwardToOwnerThread(handle, [handle] { return destroyWindow(handle); }))
        return *answer;
    std::vector<WindowRecord*> tree;
    std::vector<WindowRecord*> owned;
    NativeWindow nativeToHide = 0;
    bool captureInside = false;
    bool wasActive = false;
    bool alreadyGoing = false;
    WindowRecord* owner = nullptr;
    const bool alive = uiState().withLiveWindow(handle, [&](WindowRecord& window) REQUIRES(uiMutex) {
        if (window.destroying) {
            alreadyGoing = true;
            return;
        }
        UiState::Fields& state = uiState().locked();
        collectTreeLocked(&window, tree);
        for (WindowRecord* record : tree)
            record->destroying = true;
        for (WindowRecord* top : state.topLevels) {
            if (top->owner == &window && !top->destroying)
                owned.push_back(top);
        }
        if (window.isTopLevel()) {
            if (window.visibleFlag())
                nativeToHide = window.native;
            wasActive = state.active == &window;
            owner = window.owner;
        } else if (window.parent != nullptr && isVisibleLocked(&window)) {
            invalidateLocked(window.parent, window.rect, true);
        }
        captureInside = state.capture != nullptr && isDescendantLocked(&window, state.capture);
        if (window.queue->focus != nullptr && isDescendantLocked(&window, window.queue->focus))
            window.queue->focus = nullptr;
    });
    if (!alive)
        return false;
    if (alreadyGoing)
        return true;
    for (WindowRecord* top : owned)
        (void)destroyWindow(top); // an owned window its own handlers destroyed already is fine
    if (nativeToHide != 0) {
        if (Backend* backend = openedBackend())
            backend->setVisibility(nativeToHide, Visibility::Hidden, false);
    }
    if (captureInside)
        (void)releaseCapture(); // cannot fail
    for (WindowRecord* record : tree)
        callProcedure(record, kMsgDestroy, 0, 0);

    Teardown teardown;
    {
        plat::ScopedLock lock(uiMutex);
        // Children created by destroy handlers go too.
        if (WindowRecord* window = liveWindowLocked(handle))
            unlinkTreeLocked(window, teardown);
        owner = liveWindowLocked(owner);
    }
    teardown.finish();
    if (wasActive && owner != nullptr && isWindowVisible(owner) && isWindowEnabled(owner))
        activateTopLevel(owner, true);
    return true;
}

bool isWindow(WindowHandle window)
{
    return uiState().withLiveWindow(window, [](WindowRecord&) {});
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
    return uiState().withLiveWindow(window, [](WindowRecord& record) { return record.threadId; });
}

std::string windowClassName(WindowHandle window)
{
    return uiState().withLiveWindow(window, [](WindowRecord& record) REQUIRES(uiMutex) {
        return record.windowClass ? record.windowClass->name : std::string();
    });
}

ModuleHandle windowModule(WindowHandle window)
{
    return uiState().withLiveWindow(window,
                                    [](WindowRecord& record) REQUIRES(uiMutex) { return record.module; });
}

// ---- stored values --------------------------------------------------------------------------------------

namespace {

// The slot of the class's extra bytes at a byte offset, or null.
intptr_t* extraSlotLocked(WindowRecord& record, int index) REQUIRES(uiMutex)
{
    if (index < 0 || index % static_cast<int>(sizeof(intptr_t)) != 0 ||
        static_cast<size_t>(index) / sizeof(intptr_t) >= record.extra.size())
        return nullptr;
    return &record.extra[static_cast<size_t>(index) / sizeof(intptr_t)];
}

} // namespace

intptr_t windowLongPtr(WindowHandle window, int index)
{
    return uiState().withLiveWindow(window, [index](WindowRecord& record) REQUIRES(uiMutex) {
        switch (index) {
        case kGwlProcedure:
            return reinterpret_cast<intptr_t>(record.procedure);
        case kGwlId:
            return static_cast<intptr_t>(record.id);
        case kGwlStyle:
            return static_cast<intptr_t>(record.style);
        case kGwlExStyle:
            return static_cast<intptr_t>(record.exStyle);
        case kGwlUserData:
            return record.userData;
        default: {
            const intptr_t* slot = extraSlotLocked(record, index);
            return slot != nullptr ? *slot : 0;
        }
        }
    });
}

intptr_t setWindowLongPtr(WindowHandle window, int index, intptr_t value)
{
    return uiState().withLiveWindow(window, [index, value](WindowRecord& record) REQUIRES(uiMutex) {
        intptr_t previous = 0;
        switch (index) {
        case kGwlProcedure:
            previous = reinterpret_cast<intptr_t>(record.procedure);
            record.procedure = reinterpret_cast<WindowProc>(value);
            return previous;
        case kGwlId:
            previous = static_cast<intptr_t>(record.id);
            record.id = static_cast<uintptr_t>(value);
            return previous;
        case kGwlStyle:
            previous = record.style;
            record.style = static_cast<uint32_t>(value);
            record.queue->refresh();
            return previous;
        case kGwlExStyle:
            previous = record.exStyle;
            record.exStyle = static_cast<uint32_t>(value);
            return previous;
        case kGwlUserData:
            previous = record.userData;
            record.userData = value;
            return previous;
        default: {
            intptr_t* slot = extraSlotLocked(record, index);
            if (slot == nullptr)
                return intptr_t{0};
            previous = *slot;
            *slot = value;
            return previous;
        }
        }
    });
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
    return uiState().withLiveWindow(window,
                                    [](WindowRecord& record) REQUIRES(uiMutex) { return record.text; });
}

// ---- visibility, place and size
// ------------------------------------------------------------------------------

bool showWindow(WindowHandle handle, int command)
{
    if (const auto answer = forwardToOwnerThread(handle, [=] { return showWindow(handle, command); }))
        return *answer;
    bool wasVisible = false;
    bool nowVisible = false;
    bool minimised = false;
    bool topLevel = false;
    bool wasActive = false;
    NativeWindow native = 0;
    WindowRecord* owner = nullptr;
    const bool alive = uiState().withLiveWindow(handle, [&](WindowRecord& window) REQUIRES(uiMutex) {
        wasVisible = window.visibleFlag();
        const bool wasMinimised = window.minimised;
        switch (command) {
        case kShowHide:
            window.style &= ~kStyleVisible;
            break;
        case kShowMinimized:
        case kShowMinimize:
        case kShowMinNoActive:
            window.style |= kStyleVisible;
            window.minimised = window.isTopLevel();
            break;
        case kShowNormal:
        case kShowRestore:
        case kShowDefault:
        case kShowMaximized:
            window.style |= kStyleVisible;
            window.minimised = false;
            break;
        default: // kShow, kShowNoActivate, kShowNa
            window.style |= kStyleVisible;
            break;
        }
        nowVisible = window.visibleFlag();
        minimised = window.minimised;
        topLevel = window.isTopLevel();
        native = window.native;
        owner = window.owner;
        wasActive = uiState().locked().active == &window;
        if (topLevel) {
            if (nowVisible && (!wasVisible || wasMinimised) && !minimised)
                invalidateLocked(&window, clientAreaLocked(&window), true);
        } else if (wasVisible != nowVisible && window.parent != nullptr) {
            if (nowVisible)
                invalidateLocked(&window, clientAreaLocked(&window), true);
            else
                invalidateLocked(window.parent, window.rect, true);
        }
        window.queue->refresh();
    });
    if (!alive)
        return false;
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
                plat::ScopedLock lock(uiMutex);
                UiState::Fields& state = uiState().locked();
                if (state.active == handle)
                    state.active = nullptr;
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
    return uiState().withLiveWindow(window, [](WindowRecord& self) REQUIRES(uiMutex) {
        for (const WindowRecord* record = &self; record != nullptr;
             record = record->isTopLevel() ? nullptr : record->parent) {
            if (!record->visibleFlag())
                return false;
        }
        return true;
    });
}

bool isIconic(WindowHandle window)
{
    return uiState().withLiveWindow(window,
                                    [](WindowRecord& record) REQUIRES(uiMutex) { return record.minimised; });
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
    // The window may have gone since the backend reported: nothing to place then.
    (void)placeWindow(window, screenBounds.left, screenBounds.top, screenBounds.width(),
                      screenBounds.height(), kPosNoZOrder | kPosNoActivate, true);
}

bool windowRect(WindowHandle window, Rect& rect)
{
    return uiState().withLiveWindow(window, [&rect](WindowRecord& record) REQUIRES(uiMutex) {
        const Point origin = screenOriginLocked(&record);
        rect = Rect::fromSize(origin.x, origin.y, record.rect.width(), record.rect.height());
    });
}

bool clientRect(WindowHandle window, Rect& rect)
{
    return uiState().withLiveWindow(window, [&rect](WindowRecord& record)
                                                REQUIRES(uiMutex) { rect = clientAreaLocked(&record); });
}

namespace {

// Moves point by the window's origin on the screen: sign 1 from client to screen, -1 back.
bool moveByScreenOrigin(WindowHandle window, Point& point, int sign)
{
    return uiState().withLiveWindow(window, [&point, sign](WindowRecord& record) REQUIRES(uiMutex) {
        const Point origin = screenOriginLocked(&record);
        point.x += sign * origin.x;
        point.y += sign * origin.y;
    });
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
    const bool changed = uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
        if (!record.isTopLevel())
            return false;
        record.topmost = topmost;
        if (topmost)
            record.exStyle |= kExStyleTopmost;
        else
            record.exStyle &= ~kExStyleTopmost;
        native = record.native;
        return true;
    });
    if (!changed)
        return false;
    if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
        backend->setTopmost(native, topmost);
    return true;
}

bool isTopmost(WindowHandle window)
{
    return uiState().withLiveWindow(window,
                                    [](WindowRecord& record) REQUIRES(uiMutex) { return record.topmost; });
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
               std::unique_ptr<Region> shape;
               const bool shaped =
                   uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
                       if (!record.isTopLevel())
                           return false;
                       record.shape = std::move(copy);
                       native = record.native;
                       if (redraw)
                           invalidateLocked(&record, clientAreaLocked(&record), true);
                       // The backend gets its own copy, read outside the lock.
                       if (native != 0 && record.shape)
                           shape = std::make_unique<Region>(*record.shape);
                       return true;
                   });
               if (!shaped)
                   return 0;
               if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
                   backend->setShape(native, shape.get());
               return 1;
           }) != 0;
}

bool windowRegion(WindowHandle window, Region& region)
{
    return uiState().withLiveWindow(window, [&region](WindowRecord& record) REQUIRES(uiMutex) {
        if (!record.shape)
            return false;
        region = *record.shape;
        return true;
    });
}

// ---- relations
// ---------------------------------------------------------------------------------------------------

WindowHandle parentWindow(WindowHandle window)
{
    return uiState().withLiveWindow(window, [](WindowRecord& record) REQUIRES(uiMutex) {
        return record.isTopLevel() ? record.owner : record.parent;
    });
}

WindowHandle ownerWindow(WindowHandle window)
{
    return uiState().withLiveWindow(window, [](WindowRecord& record) REQUIRES(uiMutex) {
        return record.isTopLevel() ? record.owner : nullptr;
    });
}

bool setOwnerWindow(WindowHandle window, WindowHandle owner)
{
    NativeWindow native = 0;
    NativeWindow ownerNative = 0;
    const bool changed = uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
        if (!record.isTopLevel())
            return false;
        WindowRecord* ownerRecord = topLevelLocked(liveWindowLocked(owner));
        if (ownerRecord == &record)
            return false;
        record.owner = ownerRecord;
        native = record.native;
        ownerNative = ownerRecord != nullptr ? ownerRecord->native : 0;
        return true;
    });
    if (!changed)
        return false;
    if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
        backend->setOwner(native, ownerNative);
    return true;
}

WindowHandle topLevelOf(WindowHandle window)
{
    return uiState().withLiveWindow(window, [](WindowRecord& record)
                                                REQUIRES(uiMutex) { return topLevelLocked(&record); });
}

bool isChild(WindowHandle parent, WindowHandle window)
{
    return uiState().withLiveWindow(window, [parent](WindowRecord& record) REQUIRES(uiMutex) {
        const WindowRecord* parentRecord = liveWindowLocked(parent);
        return parentRecord != nullptr && parentRecord != &record &&
               isDescendantLocked(parentRecord, &record);
    });
}

WindowHandle relatedWindow(WindowHandle window, uint32_t relation)
{
    return uiState().withLiveWindow(
        window, [relation](WindowRecord& record) REQUIRES(uiMutex) -> WindowHandle {
            if (relation == kGwOwner)
                return record.isTopLevel() ? record.owner : nullptr;
            if (relation == kGwChild)
                return record.children.empty() ? nullptr : record.children.front();
            const std::vector<WindowRecord*>& siblings =
                record.isTopLevel() ? uiState().locked().topLevels : record.parent->children;
            if (siblings.empty())
                return nullptr;
            auto at = std::find(siblings.begin(), siblings.end(), &record);
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
        });
}

std::vector<WindowHandle> childWindows(WindowHandle parent)
{
    return uiState().withLiveWindow(parent, [](WindowRecord& record) REQUIRES(uiMutex) {
        return std::vector<WindowHandle>(record.children.begin(), record.children.end());
    });
}

WindowHandle dialogItem(WindowHandle parent, int id)
{
    return uiState().withLiveWindow(parent, [id](WindowRecord& record) REQUIRES(uiMutex) -> WindowHandle {
        for (WindowRecord* child : record.children) {
            if (child->id == static_cast<uintptr_t>(id))
                return child;
        }
        return nullptr;
    });
}

int dialogControlId(WindowHandle window)
{
    return uiState().withLiveWindow(window, [](WindowRecord& record)
                                                REQUIRES(uiMutex) { return static_cast<int>(record.id); });
}

WindowHandle childWindowFromPoint(WindowHandle parent, Point point)
{
    return uiState().withLiveWindow(parent, [point](WindowRecord& record) REQUIRES(uiMutex) -> WindowHandle {
        if (!clientAreaLocked(&record).contains(point))
            return nullptr;
        return hitTestLocked(&record, point);
    });
}

std::vector<WindowListEntry> topLevelWindows()
{
    plat::ScopedLock lock(uiMutex);
    std::vector<WindowListEntry> list;
    for (WindowRecord* window : uiState().locked().topLevels)
        list.push_back(WindowListEntry{window, window->text, window->threadId});
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
    plat::ScopedLock lock(uiMutex);
    for (WindowRecord* window : uiState().locked().topLevels) {
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
    const bool alive = uiState().withLiveWindow(window, [&native](WindowRecord& record) REQUIRES(uiMutex) {
        const WindowRecord* top = &record;
        while (top->parent != nullptr)
            top = top->parent;
        native = top->native;
    });
    if (!alive)
        return false;
    if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
        backend->flash(native, invert);
    return true;
}

WindowHandle foregroundWindow()
{
    plat::ScopedLock lock(uiMutex);
    return liveWindowLocked(uiState().locked().active);
}

WindowHandle activeWindow()
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* active = liveWindowLocked(uiState().locked().active);
    return active != nullptr && active->ownedByThisThread() ? active : nullptr;
}

bool enableWindow(WindowHandle window, bool enable)
{
    bool wasDisabled = false;
    bool loseFocus = false;
    bool loseCapture = false;
    const bool alive = uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
        wasDisabled = !record.enabledFlag();
        if (enable) {
            record.style &= ~kStyleDisabled;
            return;
        }
        record.style |= kStyleDisabled;
        WindowRecord* focus = record.queue->focus;
        const bool focusInside = focus != nullptr && isDescendantLocked(&record, focus);
        // The focus thread takes its focus away itself, with the messages.
        loseFocus = focusInside && record.ownedByThisThread();
        if (focusInside && !loseFocus)
            record.queue->focus = nullptr;
        WindowRecord* capture = uiState().locked().capture;
        loseCapture = capture != nullptr && isDescendantLocked(&record, capture);
    });
    if (!alive)
        return false;
    if (loseFocus)
        setFocus(nullptr);
    if (loseCapture)
        (void)releaseCapture(); // cannot fail
    if (wasDisabled == enable)
        notify(window, kMsgEnable, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool isWindowEnabled(WindowHandle window)
{
    return uiState().withLiveWindow(window, [](WindowRecord& record)
                                                REQUIRES(uiMutex) { return record.enabledFlag(); });
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
        plat::ScopedLock lock(uiMutex);
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
            activate = uiState().locked().active != top && isVisibleLocked(top);
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
    plat::ScopedLock lock(uiMutex);
    return liveWindowLocked(queue->focus);
}

WindowHandle setCapture(WindowHandle window)
{
    WindowRecord* previous = nullptr;
    NativeWindow native = 0;
    const bool alive = uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
        UiState::Fields& state = uiState().locked();
        previous = liveWindowLocked(state.capture);
        state.capture = &record;
        native = topLevelLocked(&record)->native;
    });
    if (!alive)
        return nullptr;
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
        plat::ScopedLock lock(uiMutex);
        UiState::Fields& state = uiState().locked();
        previous = liveWindowLocked(state.capture);
        state.capture = nullptr;
    }
    if (Backend* backend = openedBackend(); backend != nullptr)
        backend->setCapture(0);
    if (previous != nullptr)
        notify(previous, kMsgCaptureChanged, 0, 0);
    return true;
}

WindowHandle captureWindow()
{
    plat::ScopedLock lock(uiMutex);
    return liveWindowLocked(uiState().locked().capture);
}

bool cursorPosition(Point& screen)
{
    if (Backend* backend = openedBackend()) {
        screen = backend->cursorPosition();
        return true;
    }
    plat::ScopedLock lock(uiMutex);
    screen = uiState().locked().cursor;
    return true;
}

Size screenSize()
{
    Backend* backendInUse = backend();
    return backendInUse != nullptr ? backendInUse->screenSize() : Size{};
}

Rect workArea()
{
    Backend* backendInUse = backend();
    return backendInUse != nullptr ? backendInUse->workArea() : Rect{};
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
        const bool alive = uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
            record.text = lparam != 0 ? reinterpret_cast<const char*>(lparam) : "";
            native = record.native;
            title = record.text;
        });
        if (!alive)
            return 0;
        if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
            backend->setTitle(native, title);
        return 1;
    }
    case kMsgGetText: {
        char* buffer = reinterpret_cast<char*>(lparam);
        if (buffer == nullptr || wparam == 0)
            return 0;
        buffer[0] = '\0';
        return uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
            const size_t length = std::min(record.text.size(), static_cast<size_t>(wparam) - 1);
            std::memcpy(buffer, record.text.data(), length);
            buffer[length] = '\0';
            return static_cast<intptr_t>(length);
        });
    }
    case kMsgGetTextLength:
        return uiState().withLiveWindow(window, [](WindowRecord& record) REQUIRES(uiMutex) {
            return static_cast<intptr_t>(record.text.size());
        });
    case kMsgClose:
        (void)destroyWindow(window); // a window that is gone is closed already
        return 0;
    case kMsgSysCommand:
        if ((wparam & 0xFFF0) == kSysCommandClose)
            sendMessage(window, kMsgClose, 0, 0);
        return 0;
    case kMsgPaint: {
        PaintInfo info;
        if (beginPaint(window, info) != nullptr)
            (void)endPaint(window, info); // fails only for a window that went meanwhile
        return 0;
    }
    case kMsgRButtonUp: {
        Point point = pointFromParam(lparam);
        (void)clientToScreen(window, point); // the window is alive: it got the message
        sendMessage(window, kMsgContextMenu, reinterpret_cast<uintptr_t>(window), pointParam(point));
        return 0;
    }
    case kMsgContextMenu:
    case kMsgHelp:
    case kMsgMouseWheel: {
        // A child passes these to its parent.
        const WindowHandle parent =
            uiState().withLiveWindow(window, [](WindowRecord& record) REQUIRES(uiMutex) {
                return record.isTopLevel() ? nullptr : record.parent;
            });
        return parent != nullptr ? sendMessage(parent, message, wparam, lparam) : 0;
    }
    case kMsgKeyF1: {
        HelpInfo info;
        info.contextType = kHelpInfoWindow;
        info.controlId = dialogControlId(window);
        info.item = window;
        (void)cursorPosition(info.mousePosition); // cannot fail
        return sendMessage(window, kMsgHelp, 0, reinterpret_cast<intptr_t>(&info));
    }
    case kMsgActivate: {
        if (loWord(wparam) == kWaInactive)
            return 0;
        // Keys go back to where they went when the window was last active.
        const WindowHandle target =
            uiState().withLiveWindow(window, [](WindowRecord& record) REQUIRES(uiMutex) -> WindowHandle {
                if (!record.isTopLevel() || record.minimised || !record.ownedByThisThread())
                    return nullptr;
                WindowRecord* focus = liveWindowLocked(record.queue->focus);
                if (focus != nullptr && isDescendantLocked(&record, focus))
                    return nullptr;
                WindowRecord* last = liveWindowLocked(record.lastFocus);
                return last != nullptr && isDescendantLocked(&record, last) ? last : &record;
            });
        if (target != nullptr)
            setFocus(target);
        return 0;
    }
    default:
        return 0;
    }
}

// ---- dropped files
// ---------------------------------------------------------------------------------------------

namespace {

const DropRecord* liveDropLocked(DropHandle drop) REQUIRES(uiMutex)
{
    return drop != nullptr && uiState().locked().drops.contains(drop) ? drop : nullptr;
}

} // namespace

uint32_t dragQueryFile(DropHandle handle, uint32_t index, char* buffer, uint32_t size)
{
    plat::ScopedLock lock(uiMutex);
    const DropRecord* drop = liveDropLocked(handle);
    if (drop == nullptr)
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

bool dragQueryPoint(DropHandle handle, Point& point)
{
    plat::ScopedLock lock(uiMutex);
    const DropRecord* drop = liveDropLocked(handle);
    if (drop == nullptr)
        return false;
    point = drop->point;
    return drop->inClient;
}

void dragFinish(DropHandle drop)
{
    plat::ScopedLock lock(uiMutex);
    if (drop != nullptr && uiState().locked().drops.erase(drop) > 0)
        delete drop;
}

void dragAcceptFiles(WindowHandle window, bool accept)
{
    NativeWindow native = 0;
    bool anyAccepts = false;
    const bool alive = uiState().withLiveWindow(window, [&](WindowRecord& record) REQUIRES(uiMutex) {
        if (accept)
            record.exStyle |= kExStyleAcceptFiles;
        else
            record.exStyle &= ~kExStyleAcceptFiles;
        WindowRecord* top = topLevelLocked(&record);
        std::vector<WindowRecord*> tree;
        collectTreeLocked(top, tree);
        for (const WindowRecord* each : tree)
            anyAccepts = anyAccepts || (each->exStyle & kExStyleAcceptFiles) != 0;
        native = top->native;
    });
    if (!alive)
        return;
    if (Backend* backend = openedBackend(); backend != nullptr && native != 0)
        backend->setAcceptFiles(native, anyAccepts);
}

} // namespace plat::ui
