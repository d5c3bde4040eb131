#include "platform/ui/ScreenText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/ui/Font.h"

namespace plat::ui {

namespace {

// Runs left over when text is drawn again and again in different places
// (a scrolling list); the oldest go first, falling back to enlarged pixels.
constexpr std::size_t kMaxRuns = 4096;

// Fills the screen pixels of the back buffer's area by nearest neighbour;
// out's pixel 0, 0 is screen pixel origin.
void enlarge(const Surface& backBuffer, const Rect& area, Scale scale, Surface& out, Point origin)
{
    const Rect target = scale.toScreen(area).intersect(out.bounds().offsetBy(origin.x, origin.y));
    if (target.isEmpty())
        return;
    std::vector<int> columns(static_cast<std::size_t>(target.width()));
    for (int x = target.left; x < target.right; ++x)
        columns[static_cast<std::size_t>(x - target.left)] = scale.toLogical(x);
    int sourceRow = -1;
    for (int y = target.top; y < target.bottom; ++y) {
        Argb* row = out.row(y - origin.y) + (target.left - origin.x);
        const int logicalRow = scale.toLogical(y);
        if (logicalRow == sourceRow) {
            // A doubled row: the same pixels as the row above.
            std::memcpy(row, out.row(y - origin.y - 1) + (target.left - origin.x),
                        std::size_t(target.width()) * sizeof(Argb));
            continue;
        }
        sourceRow = logicalRow;
        const Argb* in = backBuffer.row(logicalRow);
        for (std::size_t i = 0; i < columns.size(); ++i)
            row[i] = in[columns[i]];
    }
}

std::mutex& attachedMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}
// Back buffers of windows of every thread; each text is used by its buffer's thread only.
std::unordered_map<const Surface*, std::shared_ptr<ScreenText>> gAttached; // guarded by attachedMutex

} // namespace

void attachScreenText(const Surface& backBuffer, Scale scale)
{
    std::lock_guard lock(attachedMutex());
    std::shared_ptr<ScreenText>& text = gAttached[&backBuffer];
    if (!text || text->scale() != scale)
        text = std::make_shared<ScreenText>(scale);
}

void detachScreenText(const Surface& backBuffer)
{
    std::lock_guard lock(attachedMutex());
    gAttached.erase(&backBuffer);
}

std::shared_ptr<ScreenText> screenTextOf(const Surface& surface)
{
    std::lock_guard lock(attachedMutex());
    const auto found = gAttached.find(&surface);
    return found != gAttached.end() ? found->second : nullptr;
}

void BackBufferDeleter::operator()(Surface* backBuffer) const
{
    if (backBuffer == nullptr)
        return;
    detachScreenText(*backBuffer);
    delete backBuffer;
}

Surface& ScreenText::beginRun(const Surface& backBuffer, const Rect& area)
{
    const Rect screenArea = scale_.toScreen(area);
    pending_.area = area;
    pending_.screen = Surface(screenArea.width(), screenArea.height());
    if (!pending_.screen.isEmpty())
        enlarge(backBuffer, area, scale_, pending_.screen, screenArea.topLeft());
    return pending_.screen;
}

void ScreenText::endRun(const Surface& backBuffer)
{
    if (pending_.screen.isEmpty())
        return;
    pending_.drawn = backBuffer.view(pending_.area).clone();
    // Runs this one covers whole can never show again.
    std::erase_if(runs_, [&](const Run& run) { return pending_.area.intersect(run.area) == run.area; });
    if (runs_.size() >= kMaxRuns)
        runs_.erase(runs_.begin());
    runs_.push_back(std::move(pending_));
    pending_ = Run{};
}

bool ScreenText::holds(const Run& run, const Surface& backBuffer)
{
    return backBuffer.bounds().intersect(run.area) == run.area &&
           backBuffer.view(run.area).samePixels(run.drawn);
}

void ScreenText::overlay(const Surface& backBuffer, const Rect& area, Surface& screen)
{
    std::erase_if(runs_, [&](const Run& run) { return !holds(run, backBuffer); });
    const Rect target = scale_.toScreen(area);
    for (const Run& run : runs_) {
        if (!run.area.intersects(area))
            continue;
        const Rect runScreen = scale_.toScreen(run.area);
        const Rect cut = runScreen.intersect(target);
        screen.copyFrom(run.screen, cut.offsetBy(-runScreen.left, -runScreen.top), cut.left, cut.top);
    }
}

void renderScaled(const Surface& backBuffer, const Rect& area, Scale scale, Surface& screen)
{
    const Rect cut = area.intersect(backBuffer.bounds());
    if (cut.isEmpty())
        return;
    enlarge(backBuffer, cut, scale, screen, Point{});
    if (const std::shared_ptr<ScreenText> text = screenTextOf(backBuffer); text && text->scale() == scale)
        text->overlay(backBuffer, cut, screen);
}

const Font& screenFont(const Font& font, Scale scale)
{
    FontSpec spec = font.spec();
    const TextMetrics& metrics = font.metrics();
    const int height = spec.height != 0 ? spec.height : -(metrics.height - metrics.internalLeading);
    spec.height = static_cast<int>(std::lround(height * scale.factor()));
    const Font* found = Font::get(spec);
    return found != nullptr ? *found : font;
}

} // namespace plat::ui
