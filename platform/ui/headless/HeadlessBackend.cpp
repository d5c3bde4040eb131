#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/ui/Png.h"
#include "platform/ui/Scale.h"
#include "platform/ui/ScreenText.h"
#include "platform/ui/UiState.h"
#include "platform/ui/headless/Headless.h"

namespace plat::ui {

namespace {

// Presented rectangles kept per window for tests, at most.
inline constexpr size_t kPresentHistory = 4096;

class HeadlessBackend final : public Backend {
public:
    const char* name() const override { return "headless"; }
    bool open(std::string&) override { return true; }
    void setScale(Scale scale)
    {
        std::lock_guard lock(mutex_);
        scale_ = scale;
        scaleChosen_ = true;
        setDisplayScale(scale);
    }

    NativeWindow createWindow(const NativeWindowSpec& spec) override
    {
        std::lock_guard lock(mutex_);
        // Chosen with the first window, as on X11, once the program's preference is known.
        if (!scaleChosen_) {
            scale_ = chooseScale(0);
            scaleChosen_ = true;
            setDisplayScale(scale_);
        }
        const NativeWindow native = next_++;
        Entry& entry = windows_[native];
        entry.window = spec.window;
        entry.state.exists = true;
        entry.state.title = spec.title;
        entry.state.bounds = spec.bounds;
        entry.state.topmost = spec.topmost;
        entry.state.decorated = spec.decorated;
        entry.state.toolWindow = spec.toolWindow;
        entry.state.acceptFiles = spec.acceptFiles;
        entry.ownerNative = spec.owner;
        return native;
    }
    void destroyWindow(NativeWindow window) override
    {
        std::lock_guard lock(mutex_);
        windows_.erase(window);
        if (foreground_ == window)
            foreground_ = 0;
        if (capture_ == window)
            capture_ = 0;
    }
    void setTitle(NativeWindow window, const std::string& title) override
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window))
            entry->state.title = title;
    }
    void setBounds(NativeWindow window, const Rect& screenBounds) override
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window))
            entry->state.bounds = screenBounds;
    }
    void setVisibility(NativeWindow window, Visibility visibility, bool activate) override
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window)) {
            entry->state.visibility = visibility;
            if (activate && visibility == Visibility::Shown)
                foreground_ = window;
            else if (visibility != Visibility::Shown && foreground_ == window)
                foreground_ = 0;
        }
    }
    void setTopmost(NativeWindow window, bool topmost) override
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window))
            entry->state.topmost = topmost;
    }
    void setOwner(NativeWindow window, NativeWindow owner) override
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window))
            entry->ownerNative = owner;
    }
    void setShape(NativeWindow window, const Region* shape) override
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window)) {
            entry->state.shape = shape != nullptr ? shape->rects() : std::vector<Rect>{};
            entry->state.screenShape.clear();
            for (const Rect& rect : entry->state.shape)
                entry->state.screenShape.push_back(scale_.toScreen(rect));
        }
    }
    void setAcceptFiles(NativeWindow window, bool accept) override
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window))
            entry->state.acceptFiles = accept;
    }
    void raiseAndFocus(NativeWindow window) override
    {
        std::lock_guard lock(mutex_);
        if (find(window) != nullptr)
            foreground_ = window;
    }
    void flash(NativeWindow window, bool on) override
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window); entry != nullptr && on)
            ++entry->state.flashCount;
    }
    void present(NativeWindow window, const Surface&, const std::vector<Rect>& rects) override
    {
        std::lock_guard lock(mutex_);
        Entry* entry = find(window);
        if (entry == nullptr)
            return;
        ++entry->state.presentCount;
        entry->state.lastPresented = rects;
        for (const Rect& rect : rects) {
            if (entry->state.allPresented.size() < kPresentHistory)
                entry->state.allPresented.push_back(rect);
        }
    }
    void setCapture(NativeWindow window) override
    {
        std::lock_guard lock(mutex_);
        capture_ = window;
    }
    Point cursorPosition() override
    {
        std::lock_guard lock(mutex_);
        return cursor_;
    }
    Size screenSize() override { return Size{headless::kScreenWidth, headless::kScreenHeight}; }
    Rect workArea() override
    {
        return Rect::fromSize(0, 0, headless::kScreenWidth, headless::kScreenHeight - headless::kPanelHeight);
    }

    bool showTrayIcon(const TrayIconSpec& icon) override
    {
        std::lock_guard lock(mutex_);
        TrayIconSpec copy = icon;
        copy.icon = nullptr;
        for (TrayIconSpec& existing : trays_) {
            if (existing.owner == icon.owner && existing.id == icon.id) {
                existing = copy;
                return true;
            }
        }
        trays_.push_back(copy);
        return true;
    }
    bool removeTrayIcon(WindowHandle owner, uint32_t id) override
    {
        std::lock_guard lock(mutex_);
        return std::erase_if(trays_, [&](const TrayIconSpec& t) { return t.owner == owner && t.id == id; }) >
               0;
    }

    // For the test functions.
    headless::NativeState state(NativeWindow window)
    {
        std::lock_guard lock(mutex_);
        Entry* entry = find(window);
        if (entry == nullptr)
            return {};
        headless::NativeState copy = entry->state;
        if (Entry* owner = find(entry->ownerNative))
            copy.owner = owner->window;
        return copy;
    }
    void clearPresented(NativeWindow window)
    {
        std::lock_guard lock(mutex_);
        if (Entry* entry = find(window)) {
            entry->state.presentCount = 0;
            entry->state.lastPresented.clear();
            entry->state.allPresented.clear();
        }
    }
    WindowHandle windowOf(NativeWindow native)
    {
        std::lock_guard lock(mutex_);
        Entry* entry = find(native);
        return entry != nullptr ? entry->window : nullptr;
    }
    NativeWindow foreground()
    {
        std::lock_guard lock(mutex_);
        return foreground_;
    }
    NativeWindow capture()
    {
        std::lock_guard lock(mutex_);
        return capture_;
    }
    void setCursor(Point screen)
    {
        std::lock_guard lock(mutex_);
        cursor_ = screen;
    }
    std::vector<TrayIconSpec> trays()
    {
        std::lock_guard lock(mutex_);
        return trays_;
    }

private:
    struct Entry {
        WindowHandle window = nullptr;
        NativeWindow ownerNative = 0;
        headless::NativeState state;
    };
    Entry* find(NativeWindow window)
    {
        auto it = windows_.find(window);
        return it != windows_.end() ? &it->second : nullptr;
    }

    std::mutex mutex_; // guards everything below
    Scale scale_;
    bool scaleChosen_ = false;
    std::map<NativeWindow, Entry> windows_;
    NativeWindow next_ = 1;
    NativeWindow foreground_ = 0;
    NativeWindow capture_ = 0;
    Point cursor_{headless::kScreenWidth / 2, headless::kScreenHeight / 2};
    std::vector<TrayIconSpec> trays_;
};

HeadlessBackend* instance()
{
    return dynamic_cast<HeadlessBackend*>(backend());
}

NativeWindow nativeOf(WindowHandle window)
{
    plat::ScopedLock lock(uiMutex);
    WindowRecord* top = topLevelLocked(liveWindowLocked(window));
    return top != nullptr ? top->native : 0;
}

// The top-level window of window, and the screen position of a point in its client area.
WindowHandle topAndScreen(WindowHandle window, int x, int y, Point& screen)
{
    WindowHandle top = topLevelOf(window);
    Rect bounds;
    if (top == nullptr || !windowRect(top, bounds))
        return nullptr;
    screen = Point{bounds.left + x, bounds.top + y};
    return top;
}

char typedCharacter(uint32_t virtualKey)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return static_cast<char>(virtualKey - 'A' + 'a');
    if (virtualKey >= '0' && virtualKey <= '9')
        return static_cast<char>(virtualKey);
    switch (virtualKey) {
    case kVkSpace:
        return ' ';
    case kVkReturn:
        return '\r';
    case kVkTab:
        return '\t';
    case kVkBack:
        return '\b';
    case kVkEscape:
        return 0x1B;
    default:
        return 0;
    }
}

} // namespace

std::unique_ptr<Backend> makeHeadlessBackend()
{
    return std::make_unique<HeadlessBackend>();
}

namespace headless {

bool active()
{
    return instance() != nullptr;
}

void mouseMove(WindowHandle window, int x, int y, uint32_t keys)
{
    Point screen;
    WindowHandle top = topAndScreen(window, x, y, screen);
    if (top == nullptr)
        return;
    if (HeadlessBackend* backend = instance())
        backend->setCursor(screen);
    deliverMouseMove(window, Point{x, y}, keys);
}

void mouseDown(WindowHandle window, int x, int y, MouseButton button)
{
    Point screen;
    if (topAndScreen(window, x, y, screen) == nullptr)
        return;
    if (HeadlessBackend* backend = instance())
        backend->setCursor(screen);
    deliverMouseButton(window, button, true, Point{x, y}, 0);
}

void mouseUp(WindowHandle window, int x, int y, MouseButton button)
{
    Point screen;
    if (topAndScreen(window, x, y, screen) == nullptr)
        return;
    if (HeadlessBackend* backend = instance())
        backend->setCursor(screen);
    deliverMouseButton(window, button, false, Point{x, y}, 0);
}

void click(WindowHandle window, int x, int y, MouseButton button)
{
    mouseMove(window, x, y);
    mouseDown(window, x, y, button);
    mouseUp(window, x, y, button);
}

void doubleClick(WindowHandle window, int x, int y)
{
    click(window, x, y);
    mouseDown(window, x, y);
    mouseUp(window, x, y);
}

void clickScreenPixel(WindowHandle window, Point pixel, MouseButton button)
{
    const NativeState state = windowState(window);
    // The screen's window has no pixel outside its shape: the click goes past it.
    if (!state.screenShape.empty() &&
        std::none_of(state.screenShape.begin(), state.screenShape.end(),
                     [&](const Rect& rect) { return rect.contains(pixel.x, pixel.y); }))
        return;
    const Point client = displayScale().toLogical(pixel);
    click(window, client.x, client.y, button);
}

void wheel(WindowHandle window, int x, int y, int delta)
{
    Point screen;
    if (topAndScreen(window, x, y, screen) == nullptr)
        return;
    if (HeadlessBackend* backend = instance())
        backend->setCursor(screen);
    deliverMouseWheel(window, Point{x, y}, delta, 0);
}

void keyDown(WindowHandle window, uint32_t virtualKey, char character)
{
    deliverKey(window, virtualKey, true, character);
}

void keyUp(WindowHandle window, uint32_t virtualKey)
{
    deliverKey(window, virtualKey, false, 0);
}

void pressKey(WindowHandle window, uint32_t virtualKey)
{
    keyDown(window, virtualKey, typedCharacter(virtualKey));
    keyUp(window, virtualKey);
}

void typeText(WindowHandle window, const std::string& text)
{
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        uint32_t key = 0;
        if (std::isalnum(u))
            key = static_cast<uint32_t>(std::toupper(u));
        else if (c == ' ')
            key = kVkSpace;
        keyDown(window, key, c);
        keyUp(window, key);
    }
}

void closeRequest(WindowHandle window)
{
    deliverCloseRequest(window);
}

void activate(WindowHandle window, bool active)
{
    deliverActivation(window, active);
}

void dropFiles(WindowHandle window, int x, int y, const std::vector<std::string>& paths)
{
    deliverDrop(window, Point{x, y}, paths);
}

void trayMouse(WindowHandle owner, uint32_t id, uint32_t mouseMessage)
{
    HeadlessBackend* backend = instance();
    if (backend == nullptr)
        return;
    for (const TrayIconSpec& icon : backend->trays()) {
        if (icon.owner == owner && icon.id == id) {
            deliverTrayMouse(icon, mouseMessage);
            return;
        }
    }
}

void setScale(Scale scale)
{
    if (HeadlessBackend* backend = instance())
        backend->setScale(scale);
}

void setCursorPosition(Point screen)
{
    if (HeadlessBackend* backend = instance())
        backend->setCursor(screen);
}

NativeState windowState(WindowHandle window)
{
    HeadlessBackend* backend = instance();
    const NativeWindow native = nativeOf(window);
    if (backend == nullptr || native == 0)
        return {};
    return backend->state(native);
}

void clearPresented(WindowHandle window)
{
    HeadlessBackend* backend = instance();
    const NativeWindow native = nativeOf(window);
    if (backend != nullptr && native != 0)
        backend->clearPresented(native);
}

WindowHandle foreground()
{
    HeadlessBackend* backend = instance();
    return backend != nullptr ? backend->windowOf(backend->foreground()) : nullptr;
}

WindowHandle capture()
{
    HeadlessBackend* backend = instance();
    return backend != nullptr ? backend->windowOf(backend->capture()) : nullptr;
}

std::vector<TrayIconSpec> trayIcons()
{
    HeadlessBackend* backend = instance();
    return backend != nullptr ? backend->trays() : std::vector<TrayIconSpec>{};
}

bool snapshot(WindowHandle window, Surface& image)
{
    // Painted and copied on the window's own thread, where the back buffer lives.
    return runOnWindowThread(window, [&]() -> intptr_t {
               WindowHandle top = topLevelOf(window);
               if (top == nullptr)
                   return 0;
               (void)updateWindow(top); // a window gone meanwhile fails below
               Rect area;
               Rect topArea;
               Surface* buffer = backBuffer(top);
               if (buffer == nullptr || !windowRect(window, area) || !windowRect(top, topArea))
                   return 0;
               area = area.offsetBy(-topArea.left, -topArea.top).intersect(buffer->bounds());
               image.reset(std::max(area.width(), 1), std::max(area.height(), 1));
               image.copyFrom(*buffer, area, 0, 0);
               return 1;
           }) != 0;
}

bool screenPicture(WindowHandle window, Surface& image)
{
    return runOnWindowThread(window, [&]() -> intptr_t {
               WindowHandle top = topLevelOf(window);
               if (top == nullptr || top != window)
                   return 0;
               (void)updateWindow(top);
               const Surface* buffer = backBuffer(top);
               if (buffer == nullptr)
                   return 0;
               const Scale scale = displayScale();
               const Size size = scale.toScreen(buffer->size());
               image.reset(size.width, size.height);
               renderScaled(*buffer, buffer->bounds(), scale, image);
               return 1;
           }) != 0;
}

bool savePng(WindowHandle window, const std::string& path)
{
    Surface image;
    return snapshot(window, image) && plat::ui::savePng(image, path);
}

} // namespace headless

} // namespace plat::ui
