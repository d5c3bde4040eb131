#pragma once

#include <cstdint>

#include "platform/ui/Geometry.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Region.h"
#include "zkr/WindowBase.h"

namespace zkr {

class UserInterface;

// A windowless element of a UserInterface, owned by it: the interface hit-
// tests it through its region, routes the mouse and keys to it, and lets it
// paint into its back buffer. Points handed to a control are relative to its
// rectangle's top-left corner, packed as in a mouse message. Used on the
// interface's thread only.
class Control : public WindowBase {
public:
    static constexpr int kTextSize = 256;
    // States.
    static constexpr int32_t kStatePressed = 0;
    static constexpr int32_t kStateNormal = 1;
    static constexpr int32_t kStateHot = 2;
    // The wparam of the message a control fires, unless changed.
    static constexpr uint32_t kDefaultMessageWParam = 512;

    // owner may be null; addControl sets it then.
    explicit Control(UserInterface* owner = nullptr);

    // ---- operations of a control, after setError and getName ----
    // Called before the tooltip text is read.
    virtual void onTooltip();
    void onMouseDown(intptr_t point, uintptr_t keys) override;
    void onMouseUp(intptr_t point, uintptr_t keys) override;
    void onMouseMove(intptr_t point, uintptr_t keys) override;
    using WindowBase::onWheel;
    virtual void onWheel(int delta, uintptr_t keys);
    using WindowBase::onKey;
    // hovered: the cursor is inside the control's region.
    virtual void onKey(int up, uintptr_t key, bool hovered);
    void onDoubleClick(intptr_t point, uintptr_t keys) override;
    // Puts the defaults of the fields in place; 0.
    virtual int setup();
    virtual int update();
    virtual void paint(plat::ui::Painter* dc);

    // Takes the state (remembering the old one) and repaints, when it differs.
    void setState(int32_t newState);
    // Invalidates the control's rectangle in its interface's window.
    void repaint();
    // Sends the control's message to the interface's window and waits for it to be handled.
    void fire();
    // Joins the control to an interface (done by addControl).
    void attachTo(UserInterface* owner);
    // The screen position of the bottom-left corner, where a control's menus open.
    plat::ui::Point bottomLeftOnScreen() const;

    UserInterface* owner = nullptr;
    char name[kTextSize] = {};
    char tooltip[kTextSize] = {};
    char extraText[kTextSize] = {};
    // Hit-test shape in the interface's client coordinates.
    plat::ui::Region region;
    plat::ui::Rect rect;
    // Size of one picture.
    int32_t width = 0;
    int32_t height = 0;
    int32_t state = kStateNormal;
    int32_t previousState = kStateNormal;
    bool enabled = true;
    bool visible = true;
    bool hasTooltip = true;
    // Sent to the interface's window when the control fires; 0: none.
    uint32_t message = 0;
    uint32_t messageWParam = kDefaultMessageWParam;
    // The control itself unless changed.
    intptr_t messageLParam = 0;
    bool takesKeys = false;
    // The window's own number for the control, which its handlers dispatch on.
    int32_t id = 0;
    bool firesOnPress = false;
    bool hasDirectHelp = true;
    int32_t helpNumber = 0;
};

// A point relative to the control's rectangle, as a control receives it.
intptr_t controlPoint(const Control& control, int x, int y);

} // namespace zkr
