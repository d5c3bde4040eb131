#include "platform/ui/controls/ControlLook.h"

#include <algorithm>

namespace plat::ui::look {

Argb face()
{
    return sysColour(kColourButtonFace);
}
Argb shadow()
{
    return sysColour(kColourButtonShadow);
}
Argb darkShadow()
{
    return sysColour(kColour3dDarkShadow);
}
Argb light()
{
    return sysColour(kColourButtonHighlight);
}
Argb fieldBackground()
{
    return sysColour(kColourWindow);
}
Argb text()
{
    return sysColour(kColourButtonText);
}
Argb grayText()
{
    return sysColour(kColourGrayText);
}
Argb selection()
{
    return sysColour(kColourHighlight);
}
Argb selectionText()
{
    return sysColour(kColourHighlightText);
}
Argb tipBackground()
{
    return sysColour(kColourInfoBackground);
}

Rect drawButtonFrame(Painter& p, const Rect& area, bool pressed, bool isDefault, bool flat)
{
    Rect inner = area;
    p.fillRect(inner, face());
    if (isDefault) {
        p.frameRect(inner, darkShadow());
        inner = inner.inflatedBy(-1, -1);
    }
    if (flat) {
        p.frameRect(inner, pressed ? darkShadow() : shadow());
        inner = inner.inflatedBy(-1, -1);
    } else if (pressed) {
        p.frameRect(inner, shadow());
        inner = inner.inflatedBy(-1, -1);
    } else {
        inner = p.drawEdge(inner, kEdgeRaised, kSidesRect);
    }
    if (pressed)
        inner = inner.offsetBy(1, 1);
    return inner;
}

void drawCheckBox(Painter& p, int x, int y, bool checked, bool enabled, bool pressed)
{
    Rect box = Rect::fromSize(x, y, 13, 13);
    Rect inner = p.drawEdge(box, kEdgeSunken, kSidesRect);
    p.fillRect(inner, (enabled && !pressed) ? fieldBackground() : face());
    if (!checked)
        return;
    Argb mark = enabled ? text() : grayText();
    // A tick: three pixels thick, down then up.
    for (int i = 0; i < 7; ++i) {
        int cx = x + 3 + i;
        int cy = i < 3 ? y + 5 + i : y + 7 - (i - 2);
        for (int t = 0; t < 3; ++t)
            p.setPixel(cx, cy + t, mark);
    }
}

void drawRadio(Painter& p, int x, int y, bool checked, bool enabled, bool pressed)
{
    Rect circle = Rect::fromSize(x, y, 12, 12);
    Pen oldPen = p.setPen(Pen::solid(shadow()));
    Brush oldBrush = p.setBrush(Brush::solid((enabled && !pressed) ? fieldBackground() : face()));
    p.ellipse(circle);
    if (checked) {
        Argb dot = enabled ? text() : grayText();
        p.setPen(Pen::solid(dot));
        p.setBrush(Brush::solid(dot));
        p.ellipse(Rect::fromSize(x + 4, y + 4, 4, 4));
    }
    p.setPen(oldPen);
    p.setBrush(oldBrush);
}

void drawArrow(Painter& p, const Rect& area, bool down, Argb colour)
{
    const int half = 3;
    int cx = area.left + area.width() / 2;
    int cy = area.top + area.height() / 2 - 1;
    for (int row = 0; row <= half; ++row) {
        int span = down ? half - row : row;
        int y = cy - half / 2 + row;
        p.fillRect({cx - span, y, cx + span + 1, y + 1}, colour);
    }
}

void drawLabel(Painter& p, std::string_view label, Rect area, unsigned format, bool enabled)
{
    BackgroundMode oldMode = p.setBackgroundMode(BackgroundMode::Transparent);
    if (enabled) {
        p.drawText(label, area, format);
    } else {
        Argb oldColour = p.setTextColour(light());
        p.drawText(label, area.offsetBy(1, 1), format);
        p.setTextColour(grayText());
        p.drawText(label, area, format);
        p.setTextColour(oldColour);
    }
    p.setBackgroundMode(oldMode);
}

void drawScrollBar(Painter& p, const Rect& area, int first, int visible, int total)
{
    p.fillRect(area, sysColour(kColourScrollbar));
    int w = area.width();
    Rect up{area.left, area.top, area.right, area.top + w};
    Rect down{area.left, area.bottom - w, area.right, area.bottom};
    for (const Rect& button : {up, down}) {
        Rect inner = p.drawEdge(button, kEdgeRaised, kSidesRect | kEdgeMiddle);
        drawArrow(p, inner, &button == &down, total > visible ? text() : grayText());
    }
    int track = area.height() - 2 * w;
    if (total <= visible || track <= 4)
        return;
    int thumb = std::max(8, track * visible / total);
    int range = total - visible;
    int offset = range > 0 ? (track - thumb) * first / range : 0;
    Rect knob{area.left, area.top + w + offset, area.right, area.top + w + offset + thumb};
    p.drawEdge(knob, kEdgeRaised, kSidesRect | kEdgeMiddle);
}

Rect scrollBarStrip(const Rect& area)
{
    return {area.right - kScrollBarWidth, area.top, area.right, area.bottom};
}

Rect besideScrollBar(Rect area, bool scrollBar)
{
    if (scrollBar)
        area.right -= kScrollBarWidth;
    return area;
}

int scrollBarRows(int y, int height, int first, int visible, int total)
{
    const int w = kScrollBarWidth;
    if (total <= visible)
        return 0;
    const int page = std::max(1, visible - 1);
    if (y < w)
        return -1;
    if (y >= height - w)
        return 1;
    int track = height - 2 * w;
    int thumb = std::max(8, track * visible / total);
    int range = total - visible;
    int offset = range > 0 ? (track - thumb) * first / range : 0;
    int at = y - w;
    if (at < offset)
        return -page;
    if (at >= offset + thumb)
        return page;
    return 0;
}

} // namespace plat::ui::look
