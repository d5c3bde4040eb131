#pragma once

// What the wave file player's two artwork tools (the main window's and the
// pre-recorder's) draw alike: the recording red, the dark green screens and
// the buttons that name a transport action after its symbol.
#include <string>

#include "tools/SkinKit.h"

namespace artwork {

inline const Argb kRecordColour = rgb(0xE8, 0x44, 0x38);
inline const Argb kScreenTop = rgb(0x0A, 0x14, 0x10);
inline const Argb kScreenBottom = rgb(0x04, 0x09, 0x07);
inline const Argb kScreenGrid = rgb(0x12, 0x24, 0x1B);

enum class Transport { Record, Stop };

// The symbol of a transport action (a red dot, a square in the ink) in a
// small dark well, before the button's name; both centred on the face.
inline FaceContent transportLabel(std::string text, Transport symbol)
{
    return [text = std::move(text), symbol](Surface& image, const Rect& face, Argb ink) {
        Painter p(image);
        const TextStyle style{font("DejaVu Sans", -8, kWeightBold), ink, 1, 0};
        const int width = textWidth(style, text) + 9;
        const int left = face.left + (face.width() - width) / 2;
        const double cy = face.top + face.height() / 2.0;
        fillDisc(image, left + 3.0, cy, 3.0, rgb(0x0B, 0x0C, 0x0E));
        if (symbol == Transport::Record)
            fillDisc(image, left + 3.0, cy, 2.2, kRecordColour);
        else
            fillRoundRect(image, {left + 1, static_cast<int>(cy) - 2, left + 5, static_cast<int>(cy) + 2},
                          0.5, ink);
        drawText(p, style, {left + 9, face.top, face.right, face.bottom}, text, Align::Left);
    };
}

} // namespace artwork
