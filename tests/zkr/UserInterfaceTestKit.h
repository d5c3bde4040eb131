#pragma once

// Skinned windows of the framework for tests on the headless backend: an
// interface that records what reaches it, a control that records its calls
// and paints one colour per state, and an application that records help.

#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowTestKit.h"
#include "zkr/Control.h"
#include "zkr/ErrorRecording.h"
#include "zkr/List.h"
#include "zkr/Text.h"
#include "zkr/UserInterface.h"

namespace velmora::test {

class HelpRecordingApplication : public RecordingApplication {
public:
    void showHelp(int topic, int context) override { help.emplace_back(topic, context); }
    std::vector<std::pair<int, int>> help;
};

// Pictures of a recording control by state.
inline constexpr plat::ui::Argb kPressedColour = 0xFF0000FF;
inline constexpr plat::ui::Argb kNormalColour = 0xFFFF0000;
inline constexpr plat::ui::Argb kHotColour = 0xFF00FF00;

class RecordingControl : public zkr::Control {
public:
    RecordingControl(zkr::UserInterface* ui, plat::ui::Rect place) : zkr::Control(ui)
    {
        rect = place;
        region = plat::ui::Region(place);
        width = place.width();
        height = place.height();
    }
    void onMouseDown(intptr_t point, uintptr_t keys) override
    {
        downs.push_back(plat::ui::pointFromParam(point));
        zkr::Control::onMouseDown(point, keys);
    }
    void onMouseUp(intptr_t point, uintptr_t keys) override
    {
        ups.push_back(plat::ui::pointFromParam(point));
        zkr::Control::onMouseUp(point, keys);
    }
    void onMouseMove(intptr_t point, uintptr_t) override { moves.push_back(plat::ui::pointFromParam(point)); }
    void onWheel(int delta, uintptr_t) override { wheels.push_back(delta); }
    void onTooltip() override { ++tooltipCalls; }
    void paint(plat::ui::Painter* dc) override
    {
        plat::ui::Argb colour = state == kStatePressed ? kPressedColour
                                : state == kStateHot   ? kHotColour
                                                       : kNormalColour;
        dc->fillRect(rect, colour);
    }

    std::vector<plat::ui::Point> downs, ups, moves;
    std::vector<int> wheels;
    int tooltipCalls = 0;
};

// An interface whose controls the test adds in its first stage.
class RecordingInterface : public zkr::UserInterface {
public:
    using ControlMaker = std::function<void(RecordingInterface&)>;

    bool preCreate() override
    {
        stages.push_back("preCreate");
        return preCreateAnswer;
    }
    bool createStageOne() override
    {
        stages.push_back("stageOne");
        if (makeControls)
            makeControls(*this);
        return true;
    }
    bool createStageTwo() override
    {
        stages.push_back("stageTwo");
        return true;
    }
    int finishCreate() override
    {
        stages.push_back("finish");
        return finishStatus;
    }
    void beforeShow() override { stages.push_back("beforeShow"); }
    void beforeDestroy() override { stages.push_back("beforeDestroy"); }
    bool onClose() override { return closeAnswer; }
    void onControlContextMenu(zkr::Control* control, int x, int y) override
    {
        contextMenus.push_back({control, {x, y}});
    }
    bool onControlDrop(zkr::Control* control, const std::vector<std::string>& files) override
    {
        dropControl = control;
        dropCount = static_cast<int>(files.size());
        return dropAnswer;
    }
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override
    {
        fired.push_back({message, wparam, lparam});
        ++firedCount;
        return 0;
    }

    RecordingControl* add(plat::ui::Rect place)
    {
        return &addControl(std::make_unique<RecordingControl>(this, place));
    }

    struct Fired {
        uint32_t message;
        uintptr_t wparam;
        intptr_t lparam;
        bool operator==(const Fired&) const = default;
    };
    ControlMaker makeControls;
    bool preCreateAnswer = true;
    int finishStatus = 0;
    std::vector<std::string> stages;
    std::vector<std::pair<zkr::Control*, plat::ui::Point>> contextMenus;
    zkr::Control* dropControl = reinterpret_cast<zkr::Control*>(1);
    int dropCount = -1;
    bool dropAnswer = true;
    bool closeAnswer = true;
    std::vector<Fired> fired;
    std::atomic<int> firedCount{0};
};

// A description of a fresh class name each time (classes stay registered while a window lives).
inline zkr::WindowDescription testDescription(int width = 200, int height = 100)
{
    static int serial = 0;
    zkr::WindowDescription description;
    std::string name = "ZkrUiTest" + std::to_string(++serial);
    zkr::copyText(description.className, name.c_str());
    zkr::copyText(description.title, "Skinned test window");
    description.x = 100;
    description.y = 120;
    description.width = width;
    description.height = height;
    description.inTaskBar = 1;
    return description;
}

} // namespace velmora::test
