#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Module.h"
#include "platform/ui/Geometry.h"
#include "zkr/BitmapFont.h"
#include "zkr/BitmapObject.h"
#include "zkr/Control.h"

namespace velmoraui {

// The two click areas of a selection display, read from a bitmap of the
// display's size: black pixels are the name area, pure red ones the lamp area.
class SelectionAreas {
public:
    enum class Area : uint8_t { None, Name, Lamp };

    // False when the bitmap cannot be loaded.
    bool load(plat::ModuleHandle module, unsigned bitmapId);
    // The area of a point relative to the display.
    Area at(int x, int y) const;
    // The smallest rectangles holding each area.
    const plat::ui::Rect& nameBox() const { return nameBox_; }
    const plat::ui::Rect& lampBox() const { return lampBox_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Area> map_;
    plat::ui::Rect nameBox_;
    plat::ui::Rect lampBox_;
};

// Shows which plug-in a slot holds: its short name in the name area, a lamp
// that is lit while the plug-in's window is meant to be shown, and the
// plug-in's title as the tooltip. A click in either area fires the
// display's message; clickedArea tells which one.
class SelectionDisplay : public zkr::Control {
public:
    explicit SelectionDisplay(zkr::UserInterface* owner = nullptr);

    // The pictures are not owned and must outlive the display.
    void place(int x, int y, const zkr::BitmapObject* background, const SelectionAreas* areas,
               const zkr::BitmapObject* lampLit, const zkr::BitmapObject* lampDark,
               const zkr::BitmapFont* font);
    // The tooltip of an empty slot.
    void setDefaultTooltip(const std::string& text);
    // A "short name|title" text, or null for an empty slot; the lamp is lit
    // exactly when a plug-in is shown.
    void showSelection(const char* text);
    void setLit(bool on);

    void onMouseUp(intptr_t point, uintptr_t keys) override;
    void paint(plat::ui::Painter* dc) override;

    bool lit = false;
    SelectionAreas::Area clickedArea = SelectionAreas::Area::None;

private:
    const zkr::BitmapObject* background_ = nullptr;
    const SelectionAreas* areas_ = nullptr;
    const zkr::BitmapObject* lampLit_ = nullptr;
    const zkr::BitmapObject* lampDark_ = nullptr;
    const zkr::BitmapFont* font_ = nullptr;
    std::string defaultTooltip_;
};

} // namespace velmoraui
