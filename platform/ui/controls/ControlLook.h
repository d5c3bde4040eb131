#pragma once

#include <string_view>

#include "platform/ui/Colour.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Painter.h"

// How the standard controls look: one place for their colours and the parts
// several controls draw (button faces, check marks, arrows, scroll bars).
namespace plat::ui::look {

Argb face();   // dialog and button face
Argb shadow(); // 3D shadow
Argb darkShadow();
Argb light(); // 3D highlight
Argb fieldBackground();
Argb text();
Argb grayText();
Argb selection();
Argb selectionText();
Argb tipBackground();

inline constexpr int kScrollBarWidth = 14;
inline constexpr int kComboButtonWidth = 16;

// A push button's face and frame; pressed sinks it, isDefault adds the dark
// outer frame; flat draws a one-pixel frame only. Answers the text area.
Rect drawButtonFrame(Painter& p, const Rect& area, bool pressed, bool isDefault, bool flat);
// A 13 x 13 check box square at x, y with or without its mark.
void drawCheckBox(Painter& p, int x, int y, bool checked, bool enabled, bool pressed);
// A 12 x 12 radio circle at x, y.
void drawRadio(Painter& p, int x, int y, bool checked, bool enabled, bool pressed);
// A small solid triangle pointing down (or up) centred in area.
void drawArrow(Painter& p, const Rect& area, bool down, Argb colour);
// Text with '&' shown as an underline under the next character (as a menu or button label).
void drawLabel(Painter& p, std::string_view text, Rect area, unsigned format, bool enabled);

// A vertical scroll bar in area for first..first+visible of total rows.
void drawScrollBar(Painter& p, const Rect& area, int first, int visible, int total);
// The strip at the right of area where its vertical scroll bar goes, and
// what is left of area beside it (all of area when there is no bar).
Rect scrollBarStrip(const Rect& area);
Rect besideScrollBar(Rect area, bool scrollBar);
// How many rows a click at y inside a scroll bar of that height moves the
// first row: a page (visible - 1) on the track, one on an arrow, 0 on the thumb.
int scrollBarRows(int y, int height, int first, int visible, int total);

} // namespace plat::ui::look
