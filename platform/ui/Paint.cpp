// Invalid areas, painting into the top-level back buffer, and presentation of
// what was painted.

#include <algorithm>
#include <unordered_set>

#include "platform/core/Thread.h"
#include "platform/ui/Scale.h"
#include "platform/ui/ScreenText.h"
#include "platform/ui/UiState.h"

namespace plat::ui {

namespace {

// More pieces than this are shown as their bounding rectangle.
inline constexpr size_t kMaximumPresentRects = 16;

void invalidateTreeLocked(WindowRecord* window, const Rect& rect, bool erase) REQUIRES(uiMutex)
{
    const Rect area = rect.intersect(Rect{0, 0, window->rect.width(), window->rect.height()});
    if (area.isEmpty())
        return;
    window->invalid = window->invalid.unite(area);
    window->erase = window->erase || erase;
    // Painting the window paints over its children, so they paint again after it.
    for (WindowRecord* child : window->children) {
        if (!child->visibleFlag())
            continue;
        const Rect overlap = area.intersect(child->rect);
        if (!overlap.isEmpty())
            invalidateTreeLocked(child, overlap.offsetBy(-child->rect.left, -child->rect.top), erase);
    }
}

WindowRecord* firstToPaintLocked(WindowRecord* window, WindowRecord* filter) REQUIRES(uiMutex)
{
    if (!window->visibleFlag())
        return nullptr;
    if (!window->invalid.isEmpty() && (filter == nullptr || filter == window))
        return window;
    for (WindowRecord* child : window->children) {
        if (WindowRecord* found = firstToPaintLocked(child, filter))
            return found;
    }
    return nullptr;
}

void addPresentLocked(WindowRecord* top, const Rect& area) REQUIRES(uiMutex)
{
    if (top->backBuffer == nullptr)
        return;
    const Rect cut = area.intersect(top->backBuffer->bounds());
    if (cut.isEmpty())
        return;
    for (Rect& pending : top->pendingPresent) {
        if (pending.unite(cut) == pending)
            return; // already covered
    }
    top->pendingPresent.push_back(cut);
    if (top->pendingPresent.size() > kMaximumPresentRects) {
        Rect all;
        for (const Rect& pending : top->pendingPresent)
            all = all.unite(pending);
        top->pendingPresent.assign(1, all);
    }
}

struct PresentJob {
    NativeWindow native = 0;
    Surface* buffer = nullptr;
    std::vector<Rect> rects;
};

// Takes what the window has to show.
void takePresentLocked(WindowRecord* top, std::vector<PresentJob>& jobs) REQUIRES(uiMutex)
{
    if (top->pendingPresent.empty())
        return;
    if (top->native == 0 || !top->visibleFlag() || top->minimised || top->backBuffer == nullptr) {
        // Shown again in whole when it is shown again.
        top->pendingPresent.clear();
        return;
    }
    jobs.push_back(PresentJob{top->native, top->backBuffer.get(), std::move(top->pendingPresent)});
    top->pendingPresent.clear();
}

void runPresentJobs(const std::vector<PresentJob>& jobs)
{
    if (jobs.empty())
        return;
    Backend* backend = openedBackend();
    if (backend == nullptr)
        return;
    // The buffers belong to this thread's windows and change only on this thread.
    for (const PresentJob& job : jobs)
        backend->present(job.native, *job.buffer, job.rects);
}

// The live window when it is the calling thread's (painting happens on the owning thread only).
WindowRecord* ownWindowLocked(WindowHandle window) REQUIRES(uiMutex)
{
    WindowRecord* record = liveWindowLocked(window);
    if (record == nullptr || !record->ownedByThisThread())
        return nullptr;
    return record;
}

std::unique_ptr<Painter> makePainterLocked(WindowRecord* window, const Rect& clip) REQUIRES(uiMutex)
{
    WindowRecord* top = topLevelLocked(window);
    if (top == nullptr || top->backBuffer == nullptr)
        return nullptr;
    Surface& buffer = *top->backBuffer;
    if (const Scale scale = displayScale(); !scale.isOne())
        attachScreenText(buffer, scale);
    auto painter = std::make_unique<Painter>(buffer);
    painter->setOrigin(offsetInTopLevelLocked(window));
    painter->setClip(clip);
    return painter;
}

} // namespace

void invalidateLocked(WindowRecord* window, const Rect& rect, bool erase)
{
    uiMutex.assertHeld();
    invalidateTreeLocked(window, rect, erase);
    window->queue->refresh();
}

WindowRecord* nextToPaintLocked(ThreadQueue* queue, WindowRecord* filter)
{
    for (WindowRecord* window : queue->windows) {
        if (!window->isTopLevel() || window->minimised)
            continue;
        if (WindowRecord* found = firstToPaintLocked(window, filter))
            return found;
    }
    return nullptr;
}

void presentPending(ThreadQueue* queue)
{
    std::vector<PresentJob> jobs;
    {
        plat::ScopedLock lock(uiMutex);
        for (WindowRecord* window : queue->windows) {
            if (window->isTopLevel())
                takePresentLocked(window, jobs);
        }
    }
    runPresentJobs(jobs);
}

void presentPendingOf(WindowHandle topLevel)
{
    std::vector<PresentJob> jobs;
    {
        plat::ScopedLock lock(uiMutex);
        WindowRecord* record = topLevelLocked(ownWindowLocked(topLevel));
        if (record == nullptr)
            return;
        takePresentLocked(record, jobs);
    }
    runPresentJobs(jobs);
}

void releasePaintingLocked(WindowRecord* window)
{
    window->paintPainter.reset();
    window->dcPainters.clear();
}

bool invalidateRect(WindowHandle window, const Rect* rect, bool erase)
{
    return uiState().withLiveWindow(window, [rect, erase](WindowRecord& record) REQUIRES(uiMutex) {
        invalidateLocked(
            &record, rect != nullptr ? *rect : Rect{0, 0, record.rect.width(), record.rect.height()}, erase);
    });
}

namespace {

void validateLocked(WindowRecord* record, const Rect* rect) REQUIRES(uiMutex)
{
    if (rect == nullptr) {
        record->invalid = Rect{};
        record->erase = false;
    } else {
        // The invalid area is kept as a rectangle: validating a part of it
        // takes away only what leaves a rectangle.
        const Rect& inv = record->invalid;
        const Rect& v = *rect;
        if (v.left <= inv.left && v.right >= inv.right && v.top <= inv.top && v.bottom >= inv.bottom)
            record->invalid = Rect{};
        else if (v.left <= inv.left && v.right >= inv.right && v.top <= inv.top && v.bottom > inv.top)
            record->invalid.top = v.bottom;
        else if (v.left <= inv.left && v.right >= inv.right && v.bottom >= inv.bottom && v.top < inv.bottom)
            record->invalid.bottom = v.top;
        else if (v.top <= inv.top && v.bottom >= inv.bottom && v.left <= inv.left && v.right > inv.left)
            record->invalid.left = v.right;
        else if (v.top <= inv.top && v.bottom >= inv.bottom && v.right >= inv.right && v.left < inv.right)
            record->invalid.right = v.left;
        if (record->invalid.isEmpty())
            record->invalid = Rect{};
    }
    record->queue->refresh();
}

} // namespace

bool validateRect(WindowHandle window, const Rect* rect)
{
    return uiState().withLiveWindow(window, [rect](WindowRecord& record)
                                                REQUIRES(uiMutex) { validateLocked(&record, rect); });
}

bool updateRect(WindowHandle window, Rect& rect)
{
    rect = Rect{};
    return uiState().withLiveWindow(window, [&rect](WindowRecord& record) REQUIRES(uiMutex) {
        rect = record.invalid.isEmpty() ? Rect{} : record.invalid;
        return !record.invalid.isEmpty();
    });
}

bool updateWindow(WindowHandle window)
{
    if (const auto answer = forwardToOwnerThread(window, [window] { return updateWindow(window); }))
        return *answer;
    // Each window once: a procedure that does not validate is not asked again here.
    std::unordered_set<const WindowRecord*> painted;
    for (;;) {
        WindowHandle next = nullptr;
        {
            plat::ScopedLock lock(uiMutex);
            WindowRecord* record = liveWindowLocked(window);
            if (record == nullptr)
                return false;
            std::vector<WindowRecord*> pending{record};
            while (!pending.empty() && next == nullptr) {
                WindowRecord* each = pending.front();
                pending.erase(pending.begin());
                if (!each->visibleFlag())
                    continue;
                if (!each->invalid.isEmpty() && !painted.contains(each) && isVisibleLocked(each)) {
                    next = each;
                    break;
                }
                pending.insert(pending.begin(), each->children.begin(), each->children.end());
            }
        }
        if (next == nullptr)
            break;
        painted.insert(next);
        callProcedure(next, kMsgPaint, 0, 0);
    }
    presentPendingOf(topLevelOf(window));
    return true;
}

Painter* beginPaint(WindowHandle window, PaintInfo& info)
{
    info = PaintInfo{};
    Painter* painter = nullptr;
    bool erase = false;
    {
        plat::ScopedLock lock(uiMutex);
        WindowRecord* record = ownWindowLocked(window);
        if (record == nullptr)
            return nullptr;
        const Rect area = record->invalid.intersect(visibleClientLocked(record));
        erase = record->erase;
        record->invalid = Rect{};
        record->erase = false;
        record->queue->refresh();
        std::unique_ptr<Painter> made = makePainterLocked(record, area);
        if (!made)
            return nullptr;
        painter = made.get();
        if (!record->paintPainter)
            record->paintPainter = std::move(made);
        else
            record->dcPainters.push_back(std::move(made));
        info.paint = area;
    }
    info.painter = painter;
    info.erase = erase;
    if (erase && !info.paint.isEmpty())
        info.erase = sendMessage(window, kMsgEraseBackground, reinterpret_cast<uintptr_t>(painter), 0) == 0;
    return painter;
}

bool endPaint(WindowHandle window, const PaintInfo& info)
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* record = ownWindowLocked(window);
    if (record == nullptr)
        return false;
    if (record->paintPainter.get() == info.painter)
        record->paintPainter.reset();
    else
        std::erase_if(record->dcPainters,
                      [&](const std::unique_ptr<Painter>& p) { return p.get() == info.painter; });
    const Point offset = offsetInTopLevelLocked(record);
    addPresentLocked(topLevelLocked(record), info.paint.offsetBy(offset.x, offset.y));
    return true;
}

Painter* getDc(WindowHandle window)
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* record = ownWindowLocked(window);
    if (record == nullptr)
        return nullptr;
    std::unique_ptr<Painter> made = makePainterLocked(record, visibleClientLocked(record));
    if (!made)
        return nullptr;
    Painter* painter = made.get();
    record->dcPainters.push_back(std::move(made));
    return painter;
}

bool releaseDc(WindowHandle window, Painter* painter)
{
    WindowHandle top = nullptr;
    {
        plat::ScopedLock lock(uiMutex);
        WindowRecord* record = ownWindowLocked(window);
        if (record == nullptr || painter == nullptr)
            return false;
        const auto removed = std::erase_if(
            record->dcPainters, [&](const std::unique_ptr<Painter>& p) { return p.get() == painter; });
        if (removed == 0)
            return false;
        const Point offset = offsetInTopLevelLocked(record);
        top = topLevelLocked(record);
        addPresentLocked(top, visibleClientLocked(record).offsetBy(offset.x, offset.y));
    }
    presentPendingOf(top);
    return true;
}

Surface* backBuffer(WindowHandle window)
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* top = topLevelLocked(liveWindowLocked(window));
    return top != nullptr ? top->backBuffer.get() : nullptr;
}

} // namespace plat::ui
