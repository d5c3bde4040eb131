#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"

namespace plat::ui::detail {

namespace {

// Private: answers whether a tip is shown and copies its text into a std::string*.
constexpr uint32_t kMsgTooltipShownText = 0x04F0;
constexpr uintptr_t kInitialTimer = 1;
constexpr uintptr_t kPopTimer = 2;

// Windows whose mouse messages tooltips watch (kTooltipSubclass): the
// procedure they had and the tooltips to tell. Guarded by its mutex; the
// windows themselves are used on their own threads only.
struct Watched {
    WindowProc original = nullptr;
    std::vector<WindowHandle> tooltips;
};
std::mutex watchedMutex;
std::map<WindowHandle, Watched>& watchedWindows()
{
    static std::map<WindowHandle, Watched> windows;
    return windows;
}

intptr_t watchedProcedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    Watched watched;
    {
        std::lock_guard lock(watchedMutex);
        auto found = watchedWindows().find(window);
        if (found == watchedWindows().end())
            return defWindowProc(window, message, wparam, lparam);
        watched = found->second;
        if (message == kMsgDestroy)
            watchedWindows().erase(found);
    }
    if (isMouseMessage(message)) {
        Message relayed;
        relayed.window = window;
        relayed.message = message;
        relayed.wparam = wparam;
        relayed.lparam = lparam;
        for (WindowHandle tooltip : watched.tooltips)
            if (isWindow(tooltip))
                sendMessage(tooltip, kMsgTooltipRelayEvent, 0, reinterpret_cast<intptr_t>(&relayed));
    }
    return callWindowProc(watched.original, window, message, wparam, lparam);
}

void watch(WindowHandle window, WindowHandle tooltip)
{
    std::lock_guard lock(watchedMutex);
    auto found = watchedWindows().find(window);
    if (found != watchedWindows().end()) {
        std::vector<WindowHandle>& tooltips = found->second.tooltips;
        if (std::find(tooltips.begin(), tooltips.end(), tooltip) == tooltips.end())
            tooltips.push_back(tooltip);
        return;
    }
    Watched watched;
    watched.tooltips.push_back(tooltip);
    watchedWindows()[window] = watched;
    auto original = reinterpret_cast<WindowProc>(
        setWindowLongPtr(window, kGwlProcedure, reinterpret_cast<intptr_t>(&watchedProcedure)));
    if (original == nullptr)
        watchedWindows().erase(window);
    else
        watchedWindows()[window].original = original;
}

void unwatch(WindowHandle tooltip)
{
    std::lock_guard lock(watchedMutex);
    for (auto& [window, watched] : watchedWindows())
        std::erase(watched.tooltips, tooltip);
}

// A tooltip control: a small top-level window that shows the text of the tool
// under the mouse after a moment, asking the tool's window for the text when
// the tool has none of its own.
class Tooltip : public Control {
public:
    Tooltip(WindowHandle window, const CreateInfo& info) : Control(window, info) {}
    ~Tooltip() override { unwatch(window()); }

    intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam) override
    {
        switch (message) {
        case kMsgTooltipAddTool:
            return addTool(reinterpret_cast<const ToolInfo*>(lparam)) ? 1 : 0;
        case kMsgTooltipDelTool:
            if (const auto* info = reinterpret_cast<const ToolInfo*>(lparam)) {
                int index = findTool(info->window, info->id);
                if (index >= 0) {
                    if (index == current_)
                        hide();
                    tools_.erase(tools_.begin() + index);
                    current_ = -1;
                }
            }
            return 0;
        case kMsgTooltipNewToolRect:
            if (const auto* info = reinterpret_cast<const ToolInfo*>(lparam)) {
                int index = findTool(info->window, info->id);
                if (index >= 0)
                    tools_[static_cast<size_t>(index)].rect = info->rect;
            }
            return 0;
        case kMsgTooltipGetToolCount:
            return static_cast<intptr_t>(tools_.size());
        case kMsgTooltipActivate:
            active_ = wparam != 0;
            if (!active_)
                hide();
            return 0;
        case kMsgTooltipSetDelayTime:
            setDelay(static_cast<uint32_t>(wparam), lparam);
            return 0;
        case kMsgTooltipPop:
            hide();
            return 0;
        case kMsgTooltipRelayEvent:
            if (const auto* relayed = reinterpret_cast<const Message*>(lparam))
                relay(*relayed);
            return 0;
        case kMsgTooltipShownText:
            if (lparam != 0)
                *reinterpret_cast<std::string*>(lparam) = shownText_;
            return shown_ ? 1 : 0;
        case kMsgTimer:
            if (wparam == kInitialTimer) {
                (void)killTimer(window(), kInitialTimer);
                if (active_ && current_ >= 0)
                    show();
            } else if (wparam == kPopTimer) {
                hide();
                suppressed_ = current_;
            }
            return 0;
        case kMsgDestroy:
            unwatch(window());
            return Control::handle(message, wparam, lparam);
        default:
            return Control::handle(message, wparam, lparam);
        }
    }

protected:
    void paint(Painter& p, const Rect&) override
    {
        Rect area = client();
        p.fillRect(area, look::tipBackground());
        p.frameRect(area, kBlack);
        p.setBackgroundMode(BackgroundMode::Transparent);
        p.setTextColour(sysColour(kColourInfoText));
        p.drawText(shownText_, area, kTextCentre | kTextVCentre | kTextSingleLine | kTextNoPrefix);
    }

private:
    struct Tool {
        uint32_t flags = 0;
        WindowHandle window = nullptr;
        uintptr_t id = 0;
        Rect rect;
        ModuleHandle module = nullptr;
        bool callback = false;
        std::string text;
        intptr_t param = 0;
    };

    bool addTool(const ToolInfo* info)
    {
        if (info == nullptr || info->window == nullptr)
            return false;
        Tool tool;
        tool.flags = info->flags;
        tool.window = info->window;
        tool.id = info->id;
        tool.rect = info->rect;
        tool.module = info->module;
        tool.param = info->param;
        tool.callback = info->text == kTooltipTextCallback;
        if (!tool.callback && info->text != nullptr) {
            auto asNumber = reinterpret_cast<uintptr_t>(info->text);
            if (asNumber < 0x10000)
                (void)loadString(info->module, static_cast<unsigned>(asNumber), tool.text);
            else
                tool.text = info->text;
        }
        int existing = findTool(info->window, info->id);
        if (existing >= 0)
            tools_[static_cast<size_t>(existing)] = tool;
        else
            tools_.push_back(tool);
        if ((info->flags & kTooltipSubclass) != 0) {
            WindowHandle watchedWindow = (info->flags & kTooltipIdIsWindow) != 0
                                             ? reinterpret_cast<WindowHandle>(info->id)
                                             : info->window;
            watch(watchedWindow, window());
        }
        return true;
    }

    int findTool(WindowHandle owner, uintptr_t toolId) const
    {
        for (size_t i = 0; i < tools_.size(); ++i)
            if (tools_[i].window == owner && tools_[i].id == toolId)
                return static_cast<int>(i);
        return -1;
    }

    int toolAt(WindowHandle where, Point point) const
    {
        for (size_t i = 0; i < tools_.size(); ++i) {
            const Tool& tool = tools_[i];
            if ((tool.flags & kTooltipIdIsWindow) != 0) {
                if (reinterpret_cast<WindowHandle>(tool.id) == where)
                    return static_cast<int>(i);
            } else if (tool.window == where && tool.rect.contains(point)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void setDelay(uint32_t which, intptr_t value)
    {
        int ms = static_cast<int>(loWord(static_cast<uintptr_t>(value)));
        bool reset = static_cast<int32_t>(value) == -1;
        switch (which) {
        case kTooltipDelayInitial:
            initialMs_ = reset ? 500 : ms;
            break;
        case kTooltipDelayAutoPop:
            popMs_ = reset ? 5000 : ms;
            break;
        case kTooltipDelayAutomatic:
            initialMs_ = reset ? 500 : ms;
            popMs_ = reset ? 5000 : ms * 10;
            break;
        default:
            break;
        }
    }

    void relay(const Message& relayed)
    {
        Point point = pointFromParam(relayed.lparam);
        if (relayed.message != kMsgMouseMove) {
            // A click puts the tip away until the mouse goes to another tool.
            hide();
            (void)killTimer(window(), kInitialTimer);
            suppressed_ = current_;
            return;
        }
        anchor_ = point;
        (void)clientToScreen(relayed.window, anchor_);
        int tool = toolAt(relayed.window, point);
        if (tool == current_)
            return;
        bool wasShown = shown_;
        hide();
        current_ = tool;
        (void)killTimer(window(), kInitialTimer);
        if (tool != suppressed_)
            suppressed_ = -1;
        if (tool < 0 || !active_ || tool == suppressed_)
            return;
        // Moving from one tip to the next shows the next at once.
        if (wasShown)
            show();
        else
            (void)setTimer(window(), kInitialTimer, static_cast<uint32_t>(std::max(1, initialMs_)), nullptr);
    }

    void show()
    {
        if (current_ < 0 || static_cast<size_t>(current_) >= tools_.size())
            return;
        const Tool tool = tools_[static_cast<size_t>(current_)];
        if (!isWindow(tool.window))
            return;
        std::string text = tool.text;
        if (tool.callback) {
            TooltipTextRequest request;
            request.header = {window(), tool.id, kTooltipNeedText};
            request.module = tool.module;
            request.flags = tool.flags;
            request.param = tool.param;
            sendMessage(tool.window, kMsgNotify, tool.id, reinterpret_cast<intptr_t>(&request));
            if (request.text != nullptr && request.text != kTooltipTextCallback) {
                auto asNumber = reinterpret_cast<uintptr_t>(request.text);
                if (asNumber < 0x10000)
                    (void)loadString(request.module, static_cast<unsigned>(asNumber), text);
                else
                    text = request.text;
            } else {
                request.buffer[sizeof request.buffer - 1] = '\0';
                text = request.buffer;
            }
        }
        if (text.empty())
            return;
        shownText_ = text;
        const Font& f = font();
        Size extent = f.textExtent(text);
        int width = extent.width + 10;
        int height = extent.height + 4;
        Size screen = screenSize();
        int x = std::clamp(anchor_.x, 0, std::max(0, screen.width - width));
        int y = anchor_.y + 20;
        if (y + height > screen.height)
            y = std::max(0, anchor_.y - height - 4);
        (void)setWindowPos(window(), x, y, width, height, kPosNoActivate | kPosNoZOrder);
        showWindow(window(), kShowNoActivate);
        invalidate();
        shown_ = true;
        (void)setTimer(window(), kPopTimer, static_cast<uint32_t>(std::max(1, popMs_)), nullptr);
    }

    void hide()
    {
        (void)killTimer(window(), kPopTimer);
        if (!shown_)
            return;
        shown_ = false;
        showWindow(window(), kShowHide);
    }

    std::vector<Tool> tools_;
    bool active_ = true;
    bool shown_ = false;
    int current_ = -1;    // the tool under the mouse
    int suppressed_ = -1; // the tool whose tip was put away
    Point anchor_;        // the mouse on the screen
    std::string shownText_;
    int initialMs_ = 500;
    int popMs_ = 5000;
};

} // namespace

void registerTooltipClass()
{
    (void)registerControlClass(kTooltipClass, &controlProcedure<Tooltip>, 0);
}

} // namespace plat::ui::detail

namespace plat::ui {

bool tooltipShownText(WindowHandle tooltip, std::string& text)
{
    if (tooltip == nullptr || windowClassName(tooltip) != kTooltipClass)
        return false;
    return sendMessage(tooltip, detail::kMsgTooltipShownText, 0, reinterpret_cast<intptr_t>(&text)) != 0;
}

} // namespace plat::ui
